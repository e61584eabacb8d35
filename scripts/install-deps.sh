#!/usr/bin/env bash
# Installs the Debian packages the updater needs to build, test and run its demo, and any further
# packages named as arguments (the benchmarks, the Windows build and the fleet test ask for
# theirs); those come without the packages they merely recommend, which for Wine are many and of
# no use here, and without starting a service they bring (openssh-server's sshd: the fleet test
# starts an sshd of its own).
set -euo pipefail
base=(
  cmake ninja-build g++ pkg-config clang-format
  qt6-base-dev libgl-dev qt6-translations-l10n
  libgtest-dev googletest
  libarchive-dev libdeflate-dev
  unixodbc unixodbc-dev tdsodbc
  unar xvfb xauth
  clang libclang-rt-14-dev
)

# Prints the packages of the arguments that are not installed yet.
missing() {
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || echo "$p"
  done
}
mapfile -t missing_base < <(missing "${base[@]}")
mapfile -t missing_extra < <(missing "$@")
if [ ${#missing_base[@]} -eq 0 ] && [ ${#missing_extra[@]} -eq 0 ]; then
  exit 0
fi
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
$SUDO apt-get update
export DEBIAN_FRONTEND=noninteractive
if [ ${#missing_base[@]} -gt 0 ]; then
  $SUDO apt-get install -y "${missing_base[@]}"
fi
if [ ${#missing_extra[@]} -gt 0 ]; then
  # Debian's way of keeping package scripts from starting services, where the machine has not
  # set one up already; removed again afterwards.
  policy=/usr/sbin/policy-rc.d
  if [ ! -e "$policy" ]; then
    trap '$SUDO rm -f "$policy"' EXIT
    printf '#!/bin/sh\nexit 101\n' | $SUDO tee "$policy" >/dev/null
    $SUDO chmod 755 "$policy"
  fi
  $SUDO apt-get install -y --no-install-recommends "${missing_extra[@]}"
fi
