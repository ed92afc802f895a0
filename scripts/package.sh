#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the Debian packages in Release (no tests, no benchmarks) and writes them to dist/:
#   orvana_<version>_<arch>.deb, vantelo-update_..., vantelo-common_...
# Install them with: sudo apt-get install ./dist/*.deb
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/deps.sh

dir=build-package
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DVANTELO_BUILD_TESTS=OFF -DVANTELO_BUILD_BENCH=OFF >/dev/null
cmake --build "$dir"
rm -f "$dir"/*.deb
(cd "$dir" && cpack -G DEB >/dev/null)
mkdir -p dist
rm -f dist/*.deb
cp "$dir"/*.deb dist/
ls -1 dist/*.deb
