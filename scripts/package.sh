#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the Debian packages in Release (no tests, no benchmarks) and writes them to dist/:
#   orvana_<version>_<arch>.deb, vantelo-update_..., vantelo-common_...
# Install them with: sudo apt-get install ./dist/*.deb
#   scripts/package.sh              a Release build of its own, in build-package/
#   scripts/package.sh BUILD_DIR    the programs of a build already made (CI packs the build
#                                   it has just tested instead of compiling everything again)
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/deps.sh

dir=${1:-build-package}
if [ $# -eq 0 ]; then
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DVANTELO_BUILD_TESTS=OFF -DVANTELO_BUILD_BENCH=OFF >/dev/null
fi
[ -f "$dir/CPackConfig.cmake" ] || { echo "no configured build in $dir" >&2; exit 1; }
cmake --build "$dir"
rm -f "$dir"/*.deb
(cd "$dir" && cpack -G DEB >/dev/null)
mkdir -p dist
rm -f dist/*.deb
cp "$dir"/*.deb dist/
ls -1 dist/*.deb
