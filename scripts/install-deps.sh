#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the program need.
# Only missing packages are fetched, so a machine that has them all needs no network.
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev
  unixodbc-dev odbcinst libsqliteodbc libsqlite3-dev odbc-postgresql postgresql
  libasound2-dev
  libcurl4-openssl-dev
  libmpg123-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  sox libsox-fmt-all python3-pyftpdlib
  xvfb xauth x11-utils libxcb1-dev xdotool openbox
  locales
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update
$SUDO apt-get install -y --no-install-recommends "${missing[@]}"
