#!/usr/bin/env bash
# Builds the updater, lays out a demo installation of the suite in a Wine-style prefix and
# opens the updater's window on it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
build=${BUILD_DIR:-build/release}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DFD_BUILD_TESTS=OFF
cmake --build "$build"

export WINEPREFIX=${WINEPREFIX:-$PWD/build/demo/prefix}
suite="$WINEPREFIX/drive_c/Fendal"
app="$WINEPREFIX/drive_c/Actualizador"
mkdir -p "$suite"/{Comercial,Contabilidad,CRM,MRP,RPT} "$app"
printf '[Comercial]\r\nServidor = (local)\r\n' > "$suite/Comercial/fdCom.ini"
cp -f "$build"/bin/* "$app"/

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display to open the window on. Run the demo under a virtual display instead:"
  echo "  xvfb-run -a $0"
  exit 0
fi
exec "$app/actualizador"
