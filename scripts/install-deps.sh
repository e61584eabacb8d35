#!/usr/bin/env bash
# Installs the Debian packages the updater needs to build, test and run its demo, and any further
# packages named as arguments (the benchmarks and the Windows build ask for theirs).
set -euo pipefail
packages=(
  cmake ninja-build g++ pkg-config clang-format
  qt6-base-dev libgl-dev qt6-translations-l10n
  libgtest-dev googletest
  libarchive-dev libdeflate-dev
  unixodbc unixodbc-dev tdsodbc
  unar xvfb xauth
  clang libclang-rt-14-dev
  "$@"
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  $SUDO apt-get update
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y "${missing[@]}"
fi
