#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs the Debian 12 packages the build, the programs and the tests need, only
# when something is missing (so a prepared machine does not touch the network).
set -euo pipefail

packages=(
  cmake g++ ninja-build pkg-config clang-tidy
  qt6-base-dev qt6-tools-dev qt6-l10n-tools libgl-dev fonts-dejavu-core
  libsqlite3-dev sqlite3
  mdbtools-dev
  unixodbc unixodbc-dev libsqliteodbc
  postgresql odbc-postgresql
  libcurl4-openssl-dev curl
  libzip-dev unzip zip
  libexpected-dev
  libcsv-dev
  libgtest-dev
  python3 python3-pyftpdlib python3-openssl
  vsftpd libpam-pwdfile
  libsodium-dev minisign openssl
  xvfb xauth
  xdg-utils
  desktop-file-utils appstream dpkg-dev file groff-base
  clang libclang-rt-14-dev llvm time
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
