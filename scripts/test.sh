#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs what is missing, builds and runs the whole test suite (CMakePresets.json).
#   scripts/test.sh              the normal build, in build/
#   scripts/test.sh --sanitize   AddressSanitizer + UndefinedBehaviorSanitizer, in build-asan/
# Compiler warnings are errors when CI=true or VANTELO_WERROR=ON (.ci/run sets it).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/deps.sh

preset=default
[ "${1:-}" = "--sanitize" ] && preset=sanitize
werror=OFF
if [ "${CI:-}" = true ] || [ "${VANTELO_WERROR:-}" = ON ]; then
  werror=ON
fi

cmake --preset "$preset" -DVANTELO_WERROR="$werror" >/dev/null
cmake --build --preset "$preset"
ctest --preset "$preset"
