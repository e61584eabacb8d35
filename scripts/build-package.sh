#!/usr/bin/env bash
# Builds a release of the updater (no test suites) and writes its two Debian packages into
# OUTDIR: actualizador_*.deb and actualizador-pruebas_*.deb.
#
#   scripts/build-package.sh OUTDIR
set -euo pipefail
[ $# -eq 1 ] || { echo "usage: $0 OUTDIR" >&2; exit 2; }
mkdir -p "$1"
out=$(cd "$1" && pwd)
cd "$(dirname "$0")/.."
# dpkg-shlibdeps and file find the libraries the programs need for the packages' Depends.
scripts/install-deps.sh dpkg-dev file
build=${BUILD_DIR:-build/package}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DFD_BUILD_TESTS=OFF \
  -DFD_WERROR="${FD_WERROR:-OFF}" >/dev/null
cmake --build "$build"
# The packages are staged in OUTDIR, so two runs at once do not share cpack's scratch folder.
(cd "$build" && cpack -G DEB -B "$out" >/dev/null)
rm -rf "$out/_CPack_Packages"
ls "$out"/actualizador_*.deb "$out"/actualizador-pruebas_*.deb >/dev/null
