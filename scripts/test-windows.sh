#!/usr/bin/env bash
# Cross-builds the updater's core library and its Windows test suites with mingw-w64 and runs
# them under Wine, in a private Wine prefix, with the SQL stand-in on loopback for the ODBC tests
# (Wine's odbc32 reaches unixODBC and FreeTDS).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

packages=(g++-mingw-w64-x86-64-posix wine wine64)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  $SUDO apt-get update
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
fi

build=${BUILD_DIR:-build/windows}
native=${NATIVE_BUILD_DIR:-build/windows-native}

# The SQL stand-in runs natively; only it is built for the host.
cmake -S . -B "$native" -G Ninja -DFD_BUILD_UI=OFF -DFD_BUILD_TESTS=OFF >/dev/null
cmake --build "$native" --target tds_test_server

# Debug: GCC 12 reports a false -Wrestrict inside std::string at -O3.
cmake -S . -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
  -DFD_BUILD_UI=OFF -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build "$build"

work=$(mktemp -d /tmp/fd-windows-XXXXXX)
server_pid=""
legacy_pid=""
cleanup() {
  for pid in $server_pid $legacy_pid; do
    kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null || true
  done
  WINEPREFIX="$work/prefix" wineserver -k 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEARCH=win64
# No Mono or Gecko: nothing here needs them, and their installers would ask.
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
wineboot -i >/dev/null 2>&1
wineserver -w

# Starts the SQL stand-in on a free port with the configuration read from stdin, as $started_pid;
# it writes the port to $work/NAME.out.
start_server() {
  local name=$1
  cat >"$work/$name.conf"
  "$native/bin/tds-test-server" 0 "$work/$name.conf" "$work/$name.log" >"$work/$name.out" &
  started_pid=$!
  for _ in $(seq 50); do
    grep -q '^PORT ' "$work/$name.out" 2>/dev/null && break
    sleep 0.1
  done
}
# sa for the database layer's tests, Fendal (the updater's login) for the script stage's and
# the server validation's, which also lists the user databases (system ones in another case).
start_server server <<'EOF'
login sa clave
login Fendal Murales7261qz
database FD_A
database FD_B
database COMERCIAL_A
database Comercial2019
database Contab1
database Master
database TEMPDB
EOF
server_pid=$started_pid
# A server that still knows the updater's login by its former password.
start_server legacy <<'EOF'
login Fendal Murales
database Comercial2019
EOF
legacy_pid=$started_pid
export FD_TEST_SQL_PORT=$(awk '/^PORT /{print $2; exit}' "$work/server.out")
export FD_TEST_SQL_LEGACY_PORT=$(awk '/^PORT /{print $2; exit}' "$work/legacy.out")
export FD_ODBC_DRIVER=FreeTDS
# FreeTDS reads these over the connection string (an empty TDSPORT is port 0).
unset TDSVER TDSPORT TDSHOST TDSDUMP

# One Wine session at a time: the suites share the prefix's wineserver.
ctest --test-dir "$build" --output-on-failure -j1 --timeout 300
