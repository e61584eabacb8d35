#!/usr/bin/env bash
# Cross-builds the updater's core library and its Windows test suites with mingw-w64 and runs
# them under Wine, in a private Wine prefix. The suites start the SQL stand-in built for Windows
# themselves, on loopback (Wine's odbc32 reaches unixODBC and FreeTDS); the window's suite and
# the packaged program use one started here. Each suite's report goes to $build/results/.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh g++-mingw-w64-x86-64-posix wine wine64 dpkg-dev unzip

build=${BUILD_DIR:-build/windows}
native=${NATIVE_BUILD_DIR:-build/windows-native}

# The SQL stand-in of the window's suite and the packaged program, and the RAR writer of their
# packages, run natively; only they are built for the host.
cmake -S . -B "$native" -G Ninja -DFD_BUILD_UI=OFF -DFD_BUILD_TESTS=OFF >/dev/null
cmake --build "$native" --target tds_test_server mkrar

# libarchive and libdeflate for Windows (Winrar95.exe), built once and cached under build/.
libarchive=$(scripts/libarchive-windows.sh)

# Debug: GCC 12 reports a false -Wrestrict inside std::string at -O3.
cmake -S . -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
  -DCMAKE_BUILD_TYPE=Debug -DFD_LIBARCHIVE_WINDOWS_DIR="$libarchive" \
  -DFD_WERROR="${FD_WERROR:-OFF}" >/dev/null
cmake --build "$build"

work=$(mktemp -d /tmp/fd-windows-XXXXXX)
server_pid=""
cleanup() {
  if [ -n "$server_pid" ]; then
    kill "$server_pid" 2>/dev/null && wait "$server_pid" 2>/dev/null || true
  fi
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
# For the window's suite and the packaged program: the updater's login and user databases
# (system ones in another letter case).
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
export FD_TEST_SQL_PORT=$(awk '/^PORT /{print $2; exit}' "$work/server.out")
export FD_ODBC_DRIVER=FreeTDS
# FreeTDS reads these over the connection string (an empty TDSPORT is port 0).
unset TDSVER TDSPORT TDSHOST TDSDUMP

# Three real packages for the window's suite and the packaged program: a file for its module
# each, and a script in one.
packages=(COMERCIAL_5_2_7_prueba CONTABILIDAD_3_1_0_prueba CRM_1_9_3_prueba)
mkdir -p "$work/paquetes"
for name in "${packages[@]}"; do
  mkdir -p "$work/$name"
  entries=(-n info.txt "$work/$name/info.txt" -n Leeme.txt "$work/$name/Leeme.txt")
  printf '[Destino]\r\nLeeme.txt=<Destino>\r\n' >"$work/$name/info.txt"
  printf '%s\r\n' "$name" >"$work/$name/Leeme.txt"
  if [ "$name" = CONTABILIDAD_3_1_0_prueba ]; then
    printf '01_Prueba.sql=\r\n' >>"$work/$name/info.txt"
    printf "PRINT 'Prueba'\r\nGO\r\n" >"$work/$name/01_Prueba.sql"
    entries+=(-n 01_Prueba.sql "$work/$name/01_Prueba.sql")
  fi
  "$native/bin/mkrar" "$work/paquetes/$name.rar" "${entries[@]}" >/dev/null
done
export FD_TEST_PACKAGES="Z:${work//\//\\}\\paquetes"

# One Wine session at a time: the suites share the prefix's wineserver; the window's suite needs a
# display. Each suite writes its cases' report to $results (scripts/compare-suites.py reads them).
results="$(cd "$build" && pwd)/results"
rm -rf "$results" && mkdir -p "$results"
GTEST_OUTPUT="xml:Z:${results//\//\\}\\" \
  xvfb-run -a ctest --test-dir "$build" --output-on-failure -j1 --timeout 900

# The packaged program as a technician runs it: unzipped into C:\Actualizador\ beside three
# packages, on a suite whose fdCom.ini names the SQL stand-in. Its start-up writes the log.
zip=build/windows-package/actualizador-windows-x64.zip
[ -f "$zip" ] || scripts/package-windows.sh
drive_c="$WINEPREFIX/drive_c"
act="$drive_c/Actualizador"
mkdir -p "$act" "$drive_c/Fendal/Comercial"
unzip -q -o "$zip" -d "$act"
printf '[Comercial]\r\nServidor = 127.0.0.1,%s\r\nEmpresa = Comercial2019\r\n' "$FD_TEST_SQL_PORT" \
  >"$drive_c/Fendal/Comercial/fdCom.ini"
cp "$work"/paquetes/*.rar "$act/"
check_log() {
  [ -n "$log" ] && [ -f "$log" ] || { echo "actualizador.exe wrote no ACT_*.log" >&2; return 1; }
  # Windows-1252 (the header's "ó" is the byte F3) and CR LF on every line.
  head -c 49 "$log" | cmp -s - <(printf -- '--- Log de Actualizaci\xF3n de Sistemas Fendal ---\r\n') ||
    { echo "the log's header is wrong" >&2; return 1; }
  [ "$(grep -c $'\r$' "$log")" -eq "$(wc -l <"$log")" ] || { echo "a log line lacks CR LF" >&2; return 1; }
  local texts
  texts=$(sed -E 's/^[0-9]{2}\/[0-9]{2}\/[0-9]{4} [0-9]+:[0-9]{2}:[0-9]{2}//; s/\r$//' "$log")
  printf '%s\n' "$texts" | sed -n '2,4p' | cmp -s - <(printf ' fdCom.ini\n 127.0.0.1,%s\n Cambio de SERVIDOR\n' "$FD_TEST_SQL_PORT") ||
    { echo "the log's start-up lines are wrong" >&2; return 1; }
  [ "$(printf '%s\n' "$texts" | sed -n '/^ Cargar Paquetes$/,$p' | wc -l)" -eq $((1 + ${#packages[@]})) ] ||
    { echo "the log has no line per package after Cargar Paquetes" >&2; return 1; }
}
xvfb-run -a wine 'C:\Actualizador\actualizador.exe' >/dev/null 2>&1 &
window_pid=$!
for _ in $(seq 300); do
  log=$(find "$act" -maxdepth 1 -name 'ACT_*.log' | head -n1)
  check_log 2>/dev/null && break
  sleep 0.2
done
wineserver -k 2>/dev/null || true
wait "$window_pid" 2>/dev/null || true
if ! check_log; then
  cat -A "$log" >&2 || true
  exit 1
fi
echo "actualizador.exe from the zip: start-up log $(basename "$log") as expected"

# The switches as a technician uses them from cmd.exe, on the same installation and without a
# display: a mode without a window must need none, and open none. Wine's "win" channel traces each
# window made; the program's would be its main window ("Actualizador FD") or a message box (the
# dialog class #32770, atom 8002); Wine's own desktop, tray and helper windows do not count. One
# Wine server serves all of them, rather than one started for each command.
wineserver -p
fail() { echo "switches: $*" >&2; exit 1; }
# Runs cmd.exe with its arguments, stdout and stderr to $work/NAME.out and .err; its code in $code.
run_cmd() {
  local name=$1
  shift
  code=0
  WINEDEBUG=-all,+win timeout 600 wine cmd /c "$@" >"$work/$name.out" 2>"$work/$name.err" || code=$?
  ! grep -Eq 'WIN_CreateWindowEx (L"Actualizador FD"|.* #8002 )' "$work/$name.err" ||
    fail "$name opened a window"
}
logs() { find "$act" -maxdepth 1 -name 'ACT_*.log' | wc -l; }
# The files of drive C: with their checksums, but for the logs and the packages' extraction
# folders, which a dry run writes.
listing() {
  local skip=(! -path './Actualizador/ACT_*.log')
  for name in "${packages[@]}"; do skip+=(! -path "./Actualizador/$name/*"); done
  (cd "$drive_c" && find . -type f "${skip[@]}" -print0 | sort -z | xargs -0 sha256sum)
}

# Typed as "cmd /c", the window program prints the usage on the handle cmd.exe gives it.
before=$(logs)
run_cmd usage 'C:\Actualizador\actualizador.exe /?'
[ "$code" -eq 0 ] || fail "actualizador.exe /? ended with $code"
head -n1 "$work/usage.out" | cmp -s - <(printf 'Uso: actualizador [opciones]\r\n') ||
  fail "actualizador.exe /? printed no usage: $(head -c 200 "$work/usage.out")"
tail -n1 "$work/usage.out" | grep -q '^Código de salida: 0 terminó bien' ||
  fail "the usage does not end with the exit codes"
[ "$(logs)" -eq "$before" ] || fail "actualizador.exe /? started the window (it wrote a log)"

# In a batch file: the output redirected to a file, %errorlevel% right after; the window program
# and its console twin (which cmd.exe runs for "actualizador") alike.
printf '%s\r\n' '@echo off' 'cd /d C:\Actualizador' \
  'actualizador.exe /? > uso.txt 2>&1' 'echo %errorlevel%' \
  'actualizador.exe /rapido > mal.txt 2>&1' 'echo %errorlevel%' \
  'actualizador /? > uso2.txt 2>&1' 'echo %errorlevel%' \
  'actualizador /rapido > mal2.txt 2>&1' 'echo %errorlevel%' >"$act/uso.bat"
run_cmd batch 'C:\Actualizador\uso.bat'
[ "$(tr -d '\r' <"$work/batch.out" | tr '\n' ' ')" = "0 2 0 2 " ] ||
  fail "uso.bat printed: $(cat -A "$work/batch.out")"
cmp -s "$act/uso.txt" "$work/usage.out" || fail "uso.txt is not the usage"
cmp -s "$act/uso2.txt" "$work/usage.out" || fail "uso2.txt (actualizador.com) is not the usage"
head -n1 "$act/mal.txt" | grep -q '^Opción no reconocida: /rapido' || fail "mal.txt: $(head -n1 "$act/mal.txt")"
cmp -s "$act/mal.txt" "$act/mal2.txt" || fail "mal2.txt (actualizador.com) differs from mal.txt"
[ "$(logs)" -eq "$before" ] || fail "the batch file started the window (it wrote a log)"

# Typed at cmd.exe's prompt (its commands read from a file as from the keyboard), "actualizador"
# is the console twin: cmd.exe waits for it and sets %ERRORLEVEL% (for a window program it does
# neither).
printf '%s\r\n' 'cd /d C:\Actualizador' 'actualizador /rapido > mal3.txt 2>&1' \
  'echo nivel=%ERRORLEVEL%' 'exit' >"$work/teclado.txt"
WINEDEBUG=-all timeout 600 wine cmd <"$work/teclado.txt" >"$work/teclado.out" 2>/dev/null || true
tr -d '\r' <"$work/teclado.out" | grep -q '>nivel=2$' ||
  fail "typed at the prompt: $(cat -A "$work/teclado.out")"
cmp -s "$act/mal3.txt" "$act/mal.txt" || fail "typed at the prompt, mal3.txt differs from mal.txt"

# The dry run changes nothing but its log and the packages' extraction folders.
mkdir -p "$drive_c/Fendal/Contabilidad" "$drive_c/Fendal/CRM"
printf 'anterior\r\n' >"$drive_c/Fendal/Comercial/Leeme.txt"
wine reg add 'HKLM\SOFTWARE\Microsoft\Microsoft SQL Server\90\Tools\ClientSetup' /v SQLPath \
  /t REG_SZ /d 'C:\Actualizador\sql' /f /reg:64 >/dev/null 2>&1
printf '%s\r\n' '@echo off' 'cd /d C:\Actualizador' \
  'actualizador.exe /simular > simulacion.txt 2>&1' 'echo %errorlevel%' >"$act/simular.bat"
listing >"$work/antes.txt"
run_cmd simular 'C:\Actualizador\simular.bat'
tr -d '\r' <"$act/simulacion.txt" | grep -q '^Simulación: la actualización haría lo siguiente' ||
  fail "the dry run: $(cat "$act/simulacion.txt")"
[ "$(tr -d '\r\n' <"$work/simular.out")" = 0 ] || fail "the dry run ended with $(cat "$work/simular.out")"
rm "$act/simulacion.txt"
listing | diff "$work/antes.txt" - >&2 || fail "the dry run changed the files above"

# The unattended run: 0 or 1, its verdict last; then the restore puts back what it replaced.
fendal() { (cd "$drive_c/Fendal" && find . -type f -print0 | sort -z | xargs -0 sha256sum); }
fendal >"$work/fendal.txt"
printf '%s\r\n' '@echo off' 'cd /d C:\Actualizador' \
  'actualizador.exe /desatendido > salida.txt 2>&1' 'echo %errorlevel%' >"$act/desatendido.bat"
run_cmd desatendido 'C:\Actualizador\desatendido.bat'
code=$(tr -d '\r\n' <"$work/desatendido.out")
verdict=$(tail -n1 "$act/salida.txt" | tr -d '\r')
case "$code:$verdict" in
  "0:Terminó la Actualización" | 1:ERROR:*) ;;
  *) fail "/desatendido ended with '$code', last line '$verdict':"$'\n'"$(cat "$act/salida.txt")" ;;
esac
[ "$(cat "$drive_c/Fendal/Comercial/Leeme.txt")" = $'COMERCIAL_5_2_7_prueba\r' ] ||
  fail "/desatendido did not replace Comercial\\Leeme.txt"
printf '%s\r\n' '@echo off' 'cd /d C:\Actualizador' \
  'actualizador.exe /restaurar > restaurar.txt 2>&1' 'echo %errorlevel%' >"$act/restaurar.bat"
run_cmd restaurar 'C:\Actualizador\restaurar.bat'
[ "$(tr -d '\r\n' <"$work/restaurar.out")" = 0 ] ||
  fail "/restaurar ended with $(cat "$work/restaurar.out"):"$'\n'"$(cat "$act/restaurar.txt")"
fendal | diff "$work/fendal.txt" - >&2 || fail "/restaurar did not put back what the run replaced"
echo "actualizador.exe's switches from cmd.exe and batch files: usage, exit codes, dry run, unattended run ($code: $verdict), restore, no window"
