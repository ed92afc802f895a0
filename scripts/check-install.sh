#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs a built tree into a temporary DESTDIR as a package would (prefix /usr) and
# checks the result: every file in its place, the desktop entries and AppStream data
# valid, the installed commands answering.
#   scripts/check-install.sh [BUILD_DIR]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build}
dest=$(mktemp -d)
trap 'rm -rf "$dest"' EXIT

DESTDIR="$dest" cmake --install "$build" --prefix /usr >/dev/null

expected=(
  opt/Vantelo/Parts/orvana opt/Vantelo/Update/mendrel
  usr/bin/orvana usr/bin/mendrel usr/bin/vantelo-reg usr/bin/orvana-newdb
  usr/share/man/man1/orvana.1.gz usr/share/man/man1/mendrel.1.gz
  usr/share/man/man1/vantelo-reg.1.gz usr/share/man/man1/orvana-newdb.1.gz
)
for id in com.vantelo.Orvana com.vantelo.Mendrel; do
  expected+=(usr/share/applications/$id.desktop usr/share/metainfo/$id.metainfo.xml
             usr/share/icons/hicolor/scalable/apps/$id.svg
             usr/share/icons/hicolor/48x48/apps/$id.png usr/share/icons/hicolor/256x256/apps/$id.png)
done
for f in "${expected[@]}"; do
  [ -e "$dest/$f" ] || [ -L "$dest/$f" ] || { echo "missing after install: /$f" >&2; exit 1; }
done
[ "$(readlink "$dest/usr/bin/orvana")" = /opt/Vantelo/Parts/orvana ]
[ "$(readlink "$dest/usr/bin/mendrel")" = /opt/Vantelo/Update/mendrel ]

desktop-file-validate "$dest"/usr/share/applications/*.desktop
appstreamcli validate --no-net "$dest"/usr/share/metainfo/*.metainfo.xml >/dev/null
for f in "$dest"/usr/share/man/man1/*.1.gz; do
  zcat "$f" | groff -man -Tutf8 -ww -z
done

version=$(sed -n 's/^project(Vantelo VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
for exe in opt/Vantelo/Parts/orvana opt/Vantelo/Update/mendrel usr/bin/vantelo-reg usr/bin/orvana-newdb; do
  out=$(QT_QPA_PLATFORM=none "$dest/$exe" --version)
  [ "$out" = "$(basename "$exe") $version" ] || { echo "/$exe --version said: $out" >&2; exit 1; }
done
echo "install check: ${#expected[@]} files in place, desktop entries, AppStream data and man pages valid"
