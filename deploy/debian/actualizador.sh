#!/bin/bash
# The "actualizador" command of the Debian package. The updater works in its own folder (its
# packages, logs and backups beside it), so the installed copy cannot run from /usr: this lays it
# into the updater's folder of the Wine-style prefix ($WINEPREFIX, or ~/.wine; C:\Actualizador\
# unless ACTUALIZADOR_CARPETA names another) and runs it from there with the same arguments.
# A file is copied only where the folder lacks it or holds an older one; nothing else in the
# folder is touched. The usage (/?) needs no prefix and is shown by the installed copy.
set -euo pipefail

here=$(dirname "$(readlink -f "$0")")
installed=$(cd "$here/../lib/actualizador" && pwd)
# What the updater runs beside itself, and the query tool where SQLPath points.
files=(actualizador Winrar95.exe taskkill schtasks sql/Binn/osql.exe)

fail() {
  echo "ERROR: $*"
  exit 1
}

for arg in "$@"; do
  case "$arg" in
    /\? | -\?) exec "$installed/actualizador" "$@" ;;
  esac
done

prefix=${WINEPREFIX:-${HOME:-}/.wine}
if [ -z "${WINEPREFIX:-}" ] && [ -z "${HOME:-}" ]; then
  fail "No se sabe cuál es el prefijo de Wine: defina WINEPREFIX."
fi
if [ ! -d "$prefix/drive_c" ] && [ ! -d "$prefix/dosdevices" ]; then
  fail "No se encontró el prefijo de Wine $prefix (no tiene drive_c ni dosdevices). Indique el prefijo de la instalación de los sistemas Fendal con WINEPREFIX."
fi
prefix=$(cd "$prefix" && pwd)

folder=${ACTUALIZADOR_CARPETA:-C:\\Actualizador\\}
# A drive, then names Windows allows; no "." or ".." (the folder is where it says) and no
# wildcards (names are matched as given).
valid='^[A-Za-z]:(\\[^]\\/:*?"<>|[[:cntrl:][]+)+\\?$'
dots='\\\.\.?(\\|$)'
if ! [[ "$folder" =~ $valid ]] || [[ "$folder" =~ $dots ]]; then
  fail "La carpeta del Actualizador \"$folder\" no es válida: debe ser una carpeta de Windows como C:\\Actualizador\\."
fi
folder=${folder%\\}\\

# The host folder of a drive, as the updater maps it: PREFIX/dosdevices/x:, or without that
# folder C: in PREFIX/drive_c and Z: at /.
drive=${folder:0:1}
drive=${drive,,}
if [ -d "$prefix/dosdevices" ]; then
  [ -d "$prefix/dosdevices/$drive:" ] || fail "La unidad ${drive^^}: no existe en el prefijo $prefix."
  root=$(cd "$prefix/dosdevices/$drive:" && pwd -P)
elif [ "$drive" = c ]; then
  root=$prefix/drive_c
elif [ "$drive" = z ]; then
  root=""
else
  fail "La unidad ${drive^^}: no existe en el prefijo $prefix."
fi

# Follows the names of a relative path ("\" or "/" separated) below a host folder as Windows
# does: an existing entry of any letter case is used, an exact match first; a missing name
# keeps the case it was given.
resolve() {
  local path=$1 part match
  local -a parts
  IFS=/ read -r -a parts <<<"${2//\\//}"
  for part in "${parts[@]}"; do
    [ -n "$part" ] || continue
    match=$part
    if [ ! -e "$path/$part" ]; then
      match=$(find "${path:-/}" -mindepth 1 -maxdepth 1 -iname "$part" -printf '%f\n' -quit 2>/dev/null) || true
      match=${match:-$part}
    fi
    path=$path/$match
  done
  printf '%s\n' "$path"
}
target=$(resolve "$root" "${folder:3}")

# Each file goes beside its target under a temporary name and is renamed over it, so a copy
# that fails half-way never leaves a broken program.
laid=""
cleanup() { [ -z "$laid" ] || rm -f "$laid"; }
trap cleanup EXIT
for file in "${files[@]}"; do
  destination=$(resolve "$target" "$file")
  if [ -e "$destination" ] && ! [ "$installed/$file" -nt "$destination" ]; then
    continue
  fi
  mkdir -p "$(dirname "$destination")" 2>/dev/null ||
    fail "No se pudo crear la carpeta $(dirname "$destination") para el Actualizador."
  laid=$(mktemp "$(dirname "$destination")/.actualizador.XXXXXX" 2>/dev/null) ||
    fail "No se puede escribir en $(dirname "$destination"): no se copió el Actualizador."
  if ! cp -p "$installed/$file" "$laid" || ! mv -f "$laid" "$destination"; then
    fail "No se pudo copiar $file en $(dirname "$destination")."
  fi
  laid=""
done

# A prefix without the updater's registry file learns where the query tool is; an existing
# one is the technician's and stays as it is.
registry=$prefix/updater.reg
if [ ! -e "$registry" ]; then
  sqlpath=${folder}sql
  if ! {
    printf 'Windows Registry Editor Version 5.00\r\n\r\n'
    printf '[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Microsoft SQL Server\\90\\Tools\\ClientSetup]\r\n'
    printf '"SQLPath"="%s"\r\n' "${sqlpath//\\/\\\\}"
  } | iconv -f UTF-8 -t WINDOWS-1252 >"$registry.nuevo.$$" || ! mv -f "$registry.nuevo.$$" "$registry"; then
    rm -f "$registry.nuevo.$$"
    fail "No se pudo escribir $registry con la ruta de osql.exe."
  fi
fi

cd "$target"
export WINEPREFIX=$prefix
exec "$target/actualizador" "$@"
