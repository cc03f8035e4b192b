#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the program need (only what is missing).
set -euo pipefail
packages=(cmake ninja-build ccache g++ clang pkg-config qt6-base-dev qt6-charts-dev libgl-dev
  libgtest-dev libgmock-dev libbenchmark-dev libinih-dev nlohmann-json3-dev libcli11-dev
  qt6-translations-l10n xvfb xauth dpkg-dev file poppler-utils)
# The Windows build: MinGW-w64 (posix threads), GoogleTest's sources, Wine to run its tests.
# Installed without the recommended extras (fonts, sound, graphics drivers for Wine).
windows_packages=(g++-mingw-w64-x86-64-posix googletest wine64)

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
updated=""
install() { # [apt-get options...] -- packages...
  local options=() missing=()
  while [ "$1" != "--" ]; do options+=("$1"); shift; done
  shift
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  ((${#missing[@]})) || return 0
  echo "Installing: ${missing[*]}"
  [ -n "$updated" ] || $SUDO apt-get update -qq
  updated=1
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${options[@]}" "${missing[@]}" \
    >/dev/null
}
install -- "${packages[@]}"
install --no-install-recommends -- "${windows_packages[@]}"
