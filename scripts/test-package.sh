#!/usr/bin/env bash
# Checks the Debian package as a person gets it, without installing it: its contents, and its
# "actualizador" command unpacked into a temporary folder, run from elsewhere on a demo
# installation laid out in a temporary prefix. HOME points at a temporary folder throughout.
# Checks read "condition && condition || fail": fail ends the script.
# shellcheck disable=SC2015
set -euo pipefail
cd "$(dirname "$0")/.."

tmp=$(mktemp -d)
prefix=$tmp/prefijo
cleanup() {
  [ ! -d "$prefix" ] || scripts/make-demo.sh --stop "$prefix"
  rm -rf "$tmp"
}
trap cleanup EXIT
# A test stopped from outside still ends what it started.
trap 'exit 130' INT
trap 'exit 143' TERM
fail() {
  echo "test-package: $*" >&2
  exit 1
}

scripts/build-package.sh "$tmp/debs"
deb=$(ls "$tmp"/debs/actualizador_*.deb)
tests_deb=$(ls "$tmp"/debs/actualizador-pruebas_*.deb)

# --- What the package holds: the command, the menu entry and its icon, no maintainer scripts
# (so removing it leaves every prefix as it was).
listing=$(dpkg -c "$deb" | awk '{print $NF}')
for path in ./usr/bin/actualizador ./usr/share/applications/actualizador.desktop \
  ./usr/share/icons/hicolor/scalable/apps/actualizador.svg ./usr/lib/actualizador/actualizador; do
  grep -qx -- "$path" <<<"$listing" || fail "the package does not hold $path"
done
control=$(dpkg-deb --ctrl-tarfile "$deb" | tar -t | sed 's|^\./||' | grep -v '^$' | sort | tr '\n' ' ')
[ "$control" = "control md5sums " ] || fail "unexpected control files: $control"

root=$tmp/raiz
dpkg -x "$deb" "$root"
dpkg -x "$tests_deb" "$root"
command=$root/usr/bin/actualizador
installed=$root/usr/lib/actualizador
entry=$root/usr/share/applications/actualizador.desktop
for line in 'Name=Actualizador FD' 'Exec=actualizador' 'Icon=actualizador' 'Type=Application'; do
  grep -qx -- "$line" "$entry" || fail "the desktop entry lacks $line"
done
grep -q '^Comment=.*actualizaciones de los sistemas Fendal' "$entry" || fail "the desktop entry lacks its Spanish comment"

# Runs the unpacked command from / with a temporary HOME; output in $tmp/out, code in $code.
run() {
  code=0
  (cd / && env HOME="$tmp/home" "$@" >"$tmp/out" 2>"$tmp/err") || code=$?
}
mkdir -p "$tmp/home"

# --- The usage needs no prefix and creates none.
run env -u WINEPREFIX "$command" '/?'
[ "$code" -eq 0 ] && head -n 1 "$tmp/out" | grep -q '^Uso: actualizador' || fail "/? did not print the usage ($code)"
[ -z "$(ls -A "$tmp/home")" ] || fail "/? wrote into HOME"

# --- Refusals: no prefix, a folder that is not a Windows folder. Nothing is created.
refusals=(
  "WINEPREFIX=$tmp/ninguno|No se encontró el prefijo de Wine"
  "WINEPREFIX=$tmp/vacio ACTUALIZADOR_CARPETA=C:\\Fendal\\..\\Otra|no es válida"
  "WINEPREFIX=$tmp/vacio ACTUALIZADOR_CARPETA=Actualizador|no es válida"
  "WINEPREFIX=$tmp/vacio ACTUALIZADOR_CARPETA=D:\\Actualizador|La unidad D: no existe"
)
mkdir -p "$tmp/vacio/drive_c"
for case in "${refusals[@]}"; do
  read -r -a assignments <<<"${case%%|*}"
  run env "${assignments[@]}" "$command" /desatendido
  [ "$code" -eq 1 ] && tail -n 1 "$tmp/out" | grep -q "^ERROR: .*${case#*|}" ||
    fail "${case%%|*}: expected exit 1 and \"${case#*|}\", got $code: $(cat "$tmp/out")"
done
[ ! -e "$tmp/ninguno" ] && [ -z "$(ls -A "$tmp/vacio/drive_c")" ] || fail "a refused run created files"

# --- An empty prefix: the updater is laid out afresh in C:\Actualizador\ and runs from there
# (the restore names its own folder: there is nothing to restore yet).
run env WINEPREFIX="$tmp/vacio" "$command" /restaurar
[ "$code" -eq 2 ] && grep -q 'C:\\Actualizador\\Respaldo' "$tmp/err" ||
  fail "/restaurar on an empty prefix ended with $code: $(cat "$tmp/out" "$tmp/err")"
for file in actualizador Winrar95.exe taskkill schtasks sql/Binn/osql.exe; do
  cmp -s "$installed/$file" "$tmp/vacio/drive_c/Actualizador/$file" || fail "$file was not laid into an empty prefix"
done

# --- A demo installation whose updater's folder is spelt differently, lacks most of the
# updater, holds an older Winrar95.exe and a newer schtasks, and keeps earlier logs, backups
# and the packages. No registry file: the command writes one naming the laid query tool.
scripts/make-demo.sh "$prefix" "$installed" >/dev/null
folder=$prefix/drive_c/ACTUALIZADOR
mv "$prefix/drive_c/Actualizador" "$folder"
rm -f "$folder/actualizador" "$folder/taskkill" "$folder/sql/Binn/osql.exe" "$prefix/updater.reg"
printf 'viejo\n' >"$folder/Winrar95.exe"
touch -d 2001-01-01 "$folder/Winrar95.exe"
touch -d 2099-01-01 "$folder/schtasks"
mkdir -p "$folder/Respaldo/200111111"
printf 'C:\\Fendal\\Comercial\\Comercial.exe\tnuevo\r\n' >"$folder/Respaldo/200111111/respaldo.txt"
printf 'log anterior\r\n' >"$folder/ACT_200111111.log"
kept() { (cd "$folder" && sha256sum ./*.rar ACT_200111111.log Respaldo/200111111/respaldo.txt); }
before=$(kept)

run env WINEPREFIX="$prefix" "$command" /desatendido /usuarios:continuar
[ "$code" -eq 0 ] && [ "$(tail -n 1 "$tmp/out")" = "Terminó la Actualización" ] ||
  fail "the update through the command ended with $code: $(tail -n 3 "$tmp/out")"
# What the programs it starts print (taskkill, schtasks) is in its log, never after the verdict.
grep -q -e 'no se encontró el proceso' -e 'CORRECTO' "$tmp/out" && fail "a started program wrote into the output"
for file in actualizador Winrar95.exe taskkill sql/Binn/osql.exe; do
  cmp -s "$installed/$file" "$folder/$file" || fail "$file was not laid into the updater's folder"
done
[ "$(stat -c %Y "$folder/schtasks")" = "$(date -d 2099-01-01 +%s)" ] || fail "a newer schtasks was replaced"
[ ! -e "$prefix/drive_c/Actualizador" ] || fail "a second updater's folder was made beside ACTUALIZADOR"
[ "$(kept)" = "$before" ] || fail "the packages, an earlier log or backup changed"
ls "$folder"/.actualizador.* >/dev/null 2>&1 && fail "a temporary copy was left behind"
# The program ran from the prefix's folder: its log is there, and the suite was updated.
[ "$(find "$folder" -maxdepth 1 -name 'ACT_*.log' | wc -l)" -eq 2 ] || fail "the run's log is not in the updater's folder"
grep -q '^Comercial 5.2.7' "$prefix/drive_c/Fendal/Comercial/Comercial.exe" || fail "the suite was not updated"
grep -q '"SQLPath"="C:\\\\Actualizador\\\\sql"' "$prefix/updater.reg" || fail "updater.reg does not name the query tool"

# A second start finds the updater current and copies nothing.
laid=$(stat -c %i "$folder/actualizador")
run env WINEPREFIX="$prefix" "$command" /simular /usuarios:continuar
[ "$code" -eq 0 ] && [ "$(tail -n 1 "$tmp/out")" = "Fin de la simulación" ] ||
  fail "the dry run through the command ended with $code: $(tail -n 3 "$tmp/out")"
[ "$(stat -c %i "$folder/actualizador")" = "$laid" ] || fail "a current updater was copied again"

# --- Each kind of failure ends with its verdict as the last line (what the guide's loop shows):
# other users without /usuarios:continuar, the dry run and the run together, the server down.
run env WINEPREFIX="$prefix" "$command" /simular
[ "$code" -eq 1 ] && tail -n 1 "$tmp/out" | grep -q '^ERROR: Hay otros usuarios conectados' ||
  fail "the dry run with other users ended with $code: $(tail -n 3 "$tmp/out")"
run env WINEPREFIX="$prefix" "$command" /simular /desatendido
[ "$code" -eq 2 ] && grep -q 'no se combinan' "$tmp/err" || fail "/simular /desatendido ended with $code"
kill "$(sed -n 's/^SERVER_PID //p' "$prefix/demo/pids")"
run env WINEPREFIX="$prefix" "$command" /desatendido
[ "$code" -eq 1 ] && tail -n 1 "$tmp/out" | grep -q '^ERROR: No se pudo conectar al servidor' ||
  fail "the update without its server ended with $code: $(tail -n 3 "$tmp/out")"

echo "test-package: the package and its actualizador command work"
