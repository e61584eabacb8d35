#!/usr/bin/env bash
# Builds the Windows programs with mingw-w64 and writes the zip a technician unpacks into the
# updater's folder: build/windows-package/actualizador-windows-x64.zip with actualizador.exe (the
# window program), actualizador.com (its console twin for cmd.exe), Winrar95.exe,
# sql\Binn\osql.exe and LEEME.txt. Every program is static (no DLL beside it);
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
cmake --build "$build" --target actualizador actualizador_console winrar osql -j2

stage=$out/stage
rm -rf "$stage" && mkdir -p "$stage/sql/Binn"
cp "$build/bin/actualizador.exe" "$build/bin/actualizador.com" "$build/bin/Winrar95.exe" "$stage/"
cp "$build/bin/osql.exe" "$stage/sql/Binn/"
x86_64-w64-mingw32-strip "$stage"/*.exe "$stage/actualizador.com" "$stage/sql/Binn/osql.exe"

# Windows' own DLLs; anything else would have to travel with the programs.
system_dlls='^(kernel32|user32|gdi32|comctl32|comdlg32|advapi32|shell32|shlwapi|oleacc|ole32|oleaut32|odbc32|msvcrt|ws2_32|bcrypt|crypt32|version)\.dll$'
for program in "$stage/actualizador.exe" "$stage/actualizador.com" "$stage/Winrar95.exe" \
  "$stage/sql/Binn/osql.exe"; do
  file "$program" | grep -q 'PE32+ executable' || { echo "$program: not a 64-bit Windows program" >&2; exit 1; }
  while read -r dll; do
    if ! echo "$dll" | tr 'A-Z' 'a-z' | grep -Eq "$system_dlls"; then
      echo "$program needs $dll, which Windows does not have of its own" >&2
      exit 1
    fi
  done < <(x86_64-w64-mingw32-objdump -p "$program" | awk '/DLL Name:/{print $3}')
done
# Double-clicked, the window program opens no console; cmd.exe waits for the console twin.
file "$stage/actualizador.exe" | grep -q '(GUI)' || { echo "actualizador.exe is not a window program" >&2; exit 1; }
file "$stage/actualizador.com" | grep -q '(console)' || { echo "actualizador.com is not a console program" >&2; exit 1; }

# The technician's note: Spanish, in Windows' own code page and line ends.
iconv -f UTF-8 -t WINDOWS-1252 <<'EOF' | sed 's/$/\r/' >"$stage/LEEME.txt"
Actualizador FD para Windows
============================

Contenido
---------
  actualizador.exe     el actualizador (doble clic: abre la ventana)
  actualizador.com     el mismo actualizador para el Símbolo del sistema y los
                       archivos .bat (vea "Sin ventana", más abajo)
  Winrar95.exe         el descompresor de los paquetes (archivos .rar)
  sql\Binn\osql.exe    la herramienta de consultas, para equipos sin las
                       herramientas cliente de SQL Server
  LEEME.txt            este archivo

Instalación
-----------
1. Descomprima este zip en la carpeta del actualizador, por ejemplo
   C:\Actualizador\ (actualizador.exe, actualizador.com, Winrar95.exe y la
   carpeta sql quedan juntos en ella).

2. Copie los paquetes de actualización (archivos .rar) en esa misma carpeta,
   junto a actualizador.exe.

3. Si el equipo no tiene las herramientas cliente de SQL Server (osql.exe),
   indique al actualizador la carpeta sql de este zip. Abra "Símbolo del
   sistema" como administrador y escriba (cambie C:\Actualizador si
   descomprimió el zip en otra carpeta):

   reg add "HKLM\SOFTWARE\Microsoft\Microsoft SQL Server\90\Tools\ClientSetup" /v SQLPath /t REG_SZ /d "C:\Actualizador\sql" /f /reg:64

4. Ejecute actualizador.exe. El registro de cada actualización queda en la
   misma carpeta, en un archivo ACT_<fecha y hora>.log.

Sin ventana: actualización desatendida, simulación, restauración
----------------------------------------------------------------
Escriba "actualizador" sin extensión: Windows ejecuta entonces
actualizador.com, que escribe en la misma ventana del Símbolo del sistema,
espera a terminar y deja su código de salida en %ERRORLEVEL%:

   cd /d C:\Actualizador
   actualizador /?
   actualizador /simular
   actualizador /desatendido
   echo %ERRORLEVEL%

En un archivo .bat, del mismo modo (la salida queda en salida.txt, en UTF-8):

   C:\Actualizador\actualizador /desatendido > salida.txt 2>&1
   if errorlevel 1 echo Revise salida.txt y el ACT_*.log de C:\Actualizador

Código de salida: 0 terminó bien; 1 terminó con errores (la última línea
dice por qué); 2 línea de comandos incorrecta (no se hizo nada).
"actualizador /restaurar" repone los archivos que reemplazó la última
actualización. Todas las opciones: "actualizador /?" y la guía técnica,
sección 7.

"actualizador.exe" con sus opciones también funciona en un .bat, pero
escrito en el Símbolo del sistema no espera: el indicador vuelve enseguida
y %ERRORLEVEL% no recibe su código. Por eso, en la consola, "actualizador"
sin extensión.
EOF

rm -f "$out/actualizador-windows-x64.zip"
(cd "$stage" && zip -q -X -r ../actualizador-windows-x64.zip actualizador.exe actualizador.com Winrar95.exe sql LEEME.txt)
echo "$out/actualizador-windows-x64.zip"
