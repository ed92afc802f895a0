#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs what is missing, builds, creates the sample catalogue beside the program
# when there is none, and starts the catalogue.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/deps.sh

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build

bin=build/catalogue/app
if [ ! -e "$bin/ORVANA.MDB" ] && [ -x build/catalogue/core/orvana-newdb ]; then
  build/catalogue/core/orvana-newdb "$bin/ORVANA.MDB" --sample 5000
fi
exec "$bin/orvana" "$@"
