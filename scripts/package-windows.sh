#!/usr/bin/env bash
# Builds the Windows programs with mingw-w64 and writes the zip a technician unpacks into the
# updater's folder: build/windows-package/actualizador-windows-x64.zip with actualizador.exe,
# Winrar95.exe, sql\Binn\osql.exe and LEEME.txt. Every program is static (no DLL beside it);
# the script fails when one would need a DLL that Windows does not have of its own.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 dpkg-dev zip file

build=${BUILD_DIR:-build/windows-release}
out=build/windows-package
libarchive=$(scripts/libarchive-windows.sh)

cmake -S . -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
  -DCMAKE_BUILD_TYPE=Release -DFD_BUILD_TESTS=OFF -DFD_LIBARCHIVE_WINDOWS_DIR="$libarchive" \
  -DFD_WERROR="${FD_WERROR:-OFF}" >/dev/null
cmake --build "$build" --target actualizador winrar osql -j2

stage=$out/stage
rm -rf "$stage" && mkdir -p "$stage/sql/Binn"
cp "$build/bin/actualizador.exe" "$build/bin/Winrar95.exe" "$stage/"
cp "$build/bin/osql.exe" "$stage/sql/Binn/"
x86_64-w64-mingw32-strip "$stage"/*.exe "$stage/sql/Binn/osql.exe"

# Windows' own DLLs; anything else would have to travel with the programs.
system_dlls='^(kernel32|user32|gdi32|comctl32|comdlg32|advapi32|shell32|shlwapi|oleacc|ole32|oleaut32|odbc32|msvcrt|ws2_32|bcrypt|crypt32|version)\.dll$'
for program in "$stage/actualizador.exe" "$stage/Winrar95.exe" "$stage/sql/Binn/osql.exe"; do
  file "$program" | grep -q 'PE32+ executable' || { echo "$program: not a 64-bit Windows program" >&2; exit 1; }
  while read -r dll; do
    if ! echo "$dll" | tr 'A-Z' 'a-z' | grep -Eq "$system_dlls"; then
      echo "$program needs $dll, which Windows does not have of its own" >&2
      exit 1
    fi
  done < <(x86_64-w64-mingw32-objdump -p "$program" | awk '/DLL Name:/{print $3}')
done
file "$stage/actualizador.exe" | grep -q '(GUI)' || { echo "actualizador.exe is not a window program" >&2; exit 1; }

# The technician's note: Spanish, in Windows' own code page and line ends.
iconv -f UTF-8 -t WINDOWS-1252 <<'EOF' | sed 's/$/\r/' >"$stage/LEEME.txt"
Actualizador FD para Windows
============================

Contenido
---------
  actualizador.exe     el actualizador
  Winrar95.exe         el descompresor de los paquetes (archivos .rar)
  sql\Binn\osql.exe    la herramienta de consultas, para equipos sin las
                       herramientas cliente de SQL Server
  LEEME.txt            este archivo

Instalación
-----------
1. Descomprima este zip en la carpeta del actualizador, por ejemplo
   C:\Actualizador\ (actualizador.exe, Winrar95.exe y la carpeta sql quedan
   juntos en ella).

2. Copie los paquetes de actualización (archivos .rar) en esa misma carpeta,
   junto a actualizador.exe.

3. Si el equipo no tiene las herramientas cliente de SQL Server (osql.exe),
   indique al actualizador la carpeta sql de este zip. Abra "Símbolo del
   sistema" como administrador y escriba (cambie C:\Actualizador si
   descomprimió el zip en otra carpeta):

   reg add "HKLM\SOFTWARE\Microsoft\Microsoft SQL Server\90\Tools\ClientSetup" /v SQLPath /t REG_SZ /d "C:\Actualizador\sql" /f /reg:64

4. Ejecute actualizador.exe. El registro de cada actualización queda en la
   misma carpeta, en un archivo ACT_<fecha y hora>.log.
EOF

rm -f "$out/actualizador-windows-x64.zip"
(cd "$stage" && zip -q -X -r ../actualizador-windows-x64.zip actualizador.exe Winrar95.exe sql LEEME.txt)
echo "$out/actualizador-windows-x64.zip"
