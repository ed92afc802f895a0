#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs clang-tidy (.clang-tidy) on the C++ files that the last 20 commits changed, with the
# compile commands of a configured build; any finding fails. A file only moved was checked
# where it was, so renames are left out.
#   scripts/tidy.sh [BUILD_DIR]          (default: build)
# VANTELO_TIDY_BASE=<commit> checks the files changed since that commit instead; a history
# of 20 commits or fewer (a shallow clone) checks every file.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build}
[ -f "$build/compile_commands.json" ] || { echo "no $build/compile_commands.json: configure first" >&2; exit 1; }

base=${VANTELO_TIDY_BASE:-}
if [ -z "$base" ] && [ "$(git rev-list --first-parent --count HEAD)" -gt 20 ]; then
  base=$(git rev-parse HEAD~20)
fi
if [ -n "$base" ]; then
  mapfile -t changed < <(git diff -M --name-only --diff-filter=dr "$base" HEAD -- '*.cpp' '*.h')
else
  mapfile -t changed < <(git ls-files '*.cpp' '*.h')
fi

# A changed header is checked through its own .cpp (and every changed .cpp that includes it);
# only files of this build count (the fuzz targets, for one, are built by clang elsewhere).
declare -A seen=()
files=()
for f in "${changed[@]}"; do
  [[ $f == *.h ]] && f=${f%.h}.cpp
  [ -n "${seen[$f]:-}" ] && continue
  seen[$f]=1
  grep -qF "\"file\": \"$PWD/$f\"" "$build/compile_commands.json" && files+=("$f")
done

if [ ${#files[@]} -eq 0 ]; then
  echo "clang-tidy: no changed C++ files"
  exit 0
fi
echo "clang-tidy: ${#files[@]} files${base:+ changed since ${base:0:12}}"
printf '%s\n' "${files[@]}" | xargs -P "$(nproc)" -n 4 clang-tidy -p "$build" --quiet
