#!/usr/bin/env bash
# Installs every Debian 12 package the build, the program, the tests and the benchmarks need.
# Idempotent: prints nothing and touches nothing when everything is already there.
set -euo pipefail

packages=(
  cmake ninja-build ccache g++ pkg-config
  qt6-base-dev qt6-base-dev-tools libqt6svg6 libgl-dev
  libsodium-dev libpwquality-dev cracklib-runtime libsqlite3-dev sqlite3
  unixodbc unixodbc-dev libsqliteodbc tdsodbc freetds-bin python3-tds
  fonts-liberation2 xvfb xauth poppler-utils clang-format git
  sqlfluff
  cmark dpkg-dev fakeroot lintian desktop-file-utils appstream optipng x11-utils
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
