#!/usr/bin/env bash
# Builds and installs the updater, lays out a demo installation of the suite in a Wine-style
# prefix with real packages and a running SQL Server stand-in (scripts/make-demo.sh), and opens
# the updater's window on it. Closing the window stops everything the demo started.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
scripts/install-deps.sh
build=${BUILD_DIR:-build/release}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DFD_BUILD_TESTS=OFF
cmake --build "$build"
install=$root/build/demo/install
cmake --install "$build" --prefix "$install" >/dev/null

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "The updater is built and installed in $install, but there is no display to open its"
  echo "window on. Run the demo under a virtual display instead:"
  echo "  xvfb-run -a $0"
  exit 0
fi

# Not $WINEPREFIX: the demo lays out C:\Fendal afresh and must not touch a real installation.
prefix=${DEMO_PREFIX:-$root/build/demo/prefix}
trap 'scripts/make-demo.sh --stop "$prefix"' EXIT
trap 'exit 130' INT TERM HUP
scripts/make-demo.sh "$prefix" "$install/lib/actualizador" >"$root/build/demo/pids"
port=$(sed -n 's/^PORT //p' "$root/build/demo/pids")

cat <<EOF
Demo installation: C:\\ is $prefix/drive_c
  C:\\Fendal\\            the suite (Comercial, Contabilidad, CRM, MRP, RPT)
  C:\\Actualizador\\      the updater, its tools and three update packages
  SQL Server stand-in   127.0.0.1,$port (login Fendal; statements in $prefix/demo/sentencias.log)
In the window: "Descomprimir" on its tab page, then "Actualizar" (answer "Sí" to the users
question). The log is C:\\Actualizador\\ACT_*.log. Closing the window ends the demo.
EOF
WINEPREFIX="$prefix" "$prefix/drive_c/Actualizador/actualizador"
