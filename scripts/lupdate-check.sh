#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs lupdate over the programs' sources (tests left out) into copies of the committed
# translations/*.ts and fails on any lupdate warning (tr() in a class without Q_OBJECT, a
# message it cannot read) or when a committed .ts file is out of date.
#   scripts/lupdate-check.sh            check
#   scripts/lupdate-check.sh --update   write the .ts files in place
# One .ts file per family: common/ (both programs and vantelo-reg), catalogue/ (orvana and
# orvana-newdb), updater/ (mendrel). The same folders feed the CMake lupdate targets.
set -euo pipefail
cd "$(dirname "$0")/.."

lupdate=${LUPDATE:-/usr/lib/qt6/bin/lupdate}
[ -x "$lupdate" ] || { echo "no Qt 6 lupdate at $lupdate (Debian: qt6-l10n-tools)" >&2; exit 1; }
update=false
[ "${1:-}" = --update ] && update=true

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

sources() {
  git ls-files -- "$1" | grep -E '\.(cpp|h)$' | grep -vE '(^|/)(tests|testsupport)/' || true
}

failed=0
for pair in common:common catalogue:orvana updater:mendrel; do
  folder=${pair%%:*}
  ts=translations/${pair#*:}_en.ts
  mapfile -t files < <(sources "$folder")
  copy="$work/$(basename "$ts")"
  [ -f "$ts" ] && cp "$ts" "$copy"
  "$lupdate" -silent -no-obsolete -locations none -source-language en -target-language en \
    "${files[@]}" -ts "$copy" 2>"$work/warnings"
  if [ -s "$work/warnings" ]; then
    echo "lupdate warns about $folder/:" >&2
    cat "$work/warnings" >&2
    failed=1
  fi
  if $update; then
    cp "$copy" "$ts"
  elif ! diff -u "$ts" "$copy" >"$work/diff" 2>&1; then
    echo "$ts is out of date (scripts/lupdate-check.sh --update writes it):" >&2
    cat "$work/diff" >&2
    failed=1
  fi
done
[ $failed -eq 0 ] && echo "lupdate: every translatable text is in translations/*.ts"
exit $failed
