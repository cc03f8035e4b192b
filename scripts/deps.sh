#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the program need (only what is missing).
set -euo pipefail
packages=(cmake ninja-build ccache g++ clang pkg-config qt6-base-dev qt6-charts-dev libgl-dev
  libgtest-dev libgmock-dev libbenchmark-dev libinih-dev nlohmann-json3-dev libcli11-dev
  qt6-translations-l10n xvfb xauth dpkg-dev file poppler-utils)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}" >/dev/null
fi
