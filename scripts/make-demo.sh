#!/usr/bin/env bash
# Lays out a demo installation of the Fendal suite in a Wine-style prefix and starts what it
# needs running: the SQL Server stand-in and the suite's mail-sending program.
#
#   scripts/make-demo.sh PREFIX INSTALLDIR
#
# INSTALLDIR holds the installed updater: actualizador (optional), Winrar95.exe, taskkill,
# schtasks, mkrar, tds-test-server, and osql.exe either in sql/Binn/ (the installed layout) or
# beside the others (a build's bin folder).
#
# Running it again stops what an earlier run started and lays everything out afresh. It prints,
# one per line: "PORT N" (the server's loopback port), "SERVER_PID N" and "MAIL_PID N". The same
# lines are kept in PREFIX/demo/pids; scripts/make-demo.sh --stop PREFIX ends both processes.
set -euo pipefail

usage() {
  echo "usage: $0 PREFIX INSTALLDIR | $0 --stop PREFIX" >&2
  exit 2
}

# Ends a process only when it is still the one we started: its argv[0] ends in the given name.
stop_process() {
  local pid=$1 name=$2 argv0
  [ -n "$pid" ] && [ -r "/proc/$pid/cmdline" ] || return 0
  argv0=$(tr '\0' '\n' <"/proc/$pid/cmdline" | head -n 1)
  case "$argv0" in
    *"$name") kill "$pid" 2>/dev/null || true ;;
    *) return 0 ;;
  esac
  for _ in $(seq 50); do
    [ -e "/proc/$pid" ] && [ "$(cut -d' ' -f3 "/proc/$pid/stat" 2>/dev/null)" != Z ] || return 0
    sleep 0.1
  done
  kill -KILL "$pid" 2>/dev/null || true
}

# Stops the server and the mail program of an earlier run on this prefix. The mail program's
# pid is read from the file it writes at each start, as the update restarts it.
stop_demo() {
  local prefix=$1
  if [ -f "$prefix/demo/pids" ]; then
    stop_process "$(sed -n 's/^SERVER_PID //p' "$prefix/demo/pids")" tds-test-server
  fi
  if [ -f "$prefix/drive_c/Fendal/fdEnvioMails.pid" ]; then
    stop_process "$(cat "$prefix/drive_c/Fendal/fdEnvioMails.pid")" fdEnvioMails.exe
  fi
  rm -f "$prefix/demo/pids"
}

if [ "${1:-}" = "--stop" ]; then
  [ $# -eq 2 ] || usage
  stop_demo "$2"
  exit 0
fi
[ $# -eq 2 ] || usage
mkdir -p "$1"
prefix=$(cd "$1" && pwd)
install=$(cd "$2" && pwd)

stop_demo "$prefix"

c="$prefix/drive_c"
suite="$c/Fendal"
app="$c/Actualizador"
tasks="$c/Windows/System32/Tasks"
demo="$prefix/demo"
rm -rf "$suite" "$app" "$demo" "$tasks/fdEnvioMails" "$prefix/updater.reg"
mkdir -p "$suite"/{Comercial,Contabilidad,CRM,MRP,RPT} "$app/sql/Binn" "$tasks" "$demo/paquetes"

# Text files of the suite are Windows text: Windows-1252 with CR LF line ends.
crlf() { sed 's/$/\r/' | iconv -f UTF-8 -t WINDOWS-1252; }

# --- The updater's folder: the installed program and tools, osql.exe where SQLPath points.
for tool in actualizador Winrar95.exe taskkill schtasks mkrar tds-test-server; do
  if [ -f "$install/$tool" ]; then
    cp -f "$install/$tool" "$app/"
  elif [ "$tool" != actualizador ]; then
    echo "make-demo: $install/$tool is missing" >&2
    exit 1
  fi
done
if [ -f "$install/sql/Binn/osql.exe" ]; then
  cp -f "$install/sql/Binn/osql.exe" "$app/sql/Binn/"
else
  cp -f "$install/osql.exe" "$app/sql/Binn/"
fi
crlf >"$prefix/updater.reg" <<'EOF'
Windows Registry Editor Version 5.00

[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Microsoft SQL Server\90\Tools\ClientSetup]
"SQLPath"="C:\\Actualizador\\sql"
EOF

# --- The SQL Server stand-in: the legacy password only, one other user of the suite connected.
cat >"$demo/servidor.conf" <<'EOF'
server FENDALSRV
login Fendal Murales
database EMPRESA_COMERCIAL
database Comercial2019
database Contab1
sessions Fendal 1 Contab1
EOF
setsid "$app/tds-test-server" 0 "$demo/servidor.conf" "$demo/sentencias.log" \
  >"$demo/servidor.out" 2>"$demo/servidor.err" </dev/null &
server_pid=$!
port=""
for _ in $(seq 100); do
  port=$(sed -n 's/^PORT //p' "$demo/servidor.out")
  [ -n "$port" ] && break
  if ! kill -0 "$server_pid" 2>/dev/null; then
    echo "make-demo: tds-test-server did not start:" >&2
    cat "$demo/servidor.err" >&2
    exit 1
  fi
  sleep 0.1
done
if [ -z "$port" ]; then
  echo "make-demo: tds-test-server gave no port" >&2
  kill "$server_pid"
  exit 1
fi
echo "SERVER_PID $server_pid" >"$demo/pids"

# --- The installed suite: module programs of the previous version, the INI file, one report.
printf 'Comercial 5.2.6\n' >"$suite/Comercial/Comercial.exe"
printf 'Contabilidad 3.0.9\n' >"$suite/Contabilidad/Contabilidad.exe"
printf 'CRM 1.9.2\n' >"$suite/CRM/CRM.exe"
printf 'MRP 2.4.0\n' >"$suite/MRP/MRP.exe"
crlf >"$suite/Comercial/fdCom.ini" <<EOF
[Comercial]
Servidor = 127.0.0.1,$port
Empresa = EMPRESA_COMERCIAL
EOF
crlf >"$suite/RPT/Facturas.rpt" <<'EOF'
Informe de facturas (versión 5.2.6)
EOF

# The mail-sending program: a script that notes each start, leaves its pid beside itself and
# then waits under the image name fdEnvioMails.exe, as taskkill and the process list see it.
mail_program() {
  cat <<EOF
#!/bin/bash
# fdEnvioMails.exe $1 (demo): the suite's mail-sending program, waiting for mails to send.
here=\$(cd "\$(dirname "\$0")" && pwd)
echo "\$(date '+%d/%m/%Y %H:%M:%S') fdEnvioMails $1 iniciado" >>"\$here/fdEnvioMails.txt"
echo \$\$ >"\$here/fdEnvioMails.pid"
exec -a fdEnvioMails.exe sleep 86400
EOF
}
mail_program 1.0 >"$suite/fdEnvioMails.exe"
chmod +x "$suite/fdEnvioMails.exe"

# The scheduled task, as Windows keeps it (UTF-16 with a byte-order mark). The program is run
# by bash, so that a copy delivered by a package runs without an execute bit.
xml_escape() { sed -e 's/&/\&amp;/g' -e 's/</\&lt;/g' -e 's/>/\&gt;/g'; }
mail_host=$(printf '%s' "$suite/fdEnvioMails.exe" | xml_escape)
sed 's/$/\r/' <<EOF | iconv -f UTF-8 -t UTF-16 >"$tasks/fdEnvioMails"
<?xml version="1.0" encoding="UTF-16"?>
<Task version="1.2" xmlns="http://schemas.microsoft.com/windows/2004/02/mit/task">
  <RegistrationInfo>
    <Description>Envío de mails de los sistemas Fendal</Description>
  </RegistrationInfo>
  <Actions Context="Author">
    <Exec>
      <Command>/bin/bash</Command>
      <Arguments>"$mail_host"</Arguments>
      <WorkingDirectory>C:\Fendal\</WorkingDirectory>
    </Exec>
  </Actions>
</Task>
EOF
rm -f "$suite/fdEnvioMails.pid"
WINEPREFIX="$prefix" "$app/schtasks" /run /tn fdEnvioMails >/dev/null
mail_pid=""
for _ in $(seq 100); do
  [ -s "$suite/fdEnvioMails.pid" ] && mail_pid=$(cat "$suite/fdEnvioMails.pid") && break
  sleep 0.1
done
if [ -z "$mail_pid" ]; then
  echo "make-demo: fdEnvioMails.exe did not start" >&2
  exit 1
fi

# --- The update packages, real RAR archives made with mkrar from staged files.
# stage NAME: a new folder for the package NAME in $p, with its manifest info.txt from stdin.
stage() {
  p="$demo/paquetes/$1"
  mkdir -p "$p"
  crlf >"$p/info.txt"
}
# package: archives every file of the package in $p as its NAME.rar, info.txt first.
package() {
  local entries=() file
  entries+=(-n info.txt "$p/info.txt")
  for file in "$p"/*; do
    [ "$(basename "$file")" = info.txt ] && continue
    entries+=(-n "$(basename "$file")" "$file")
  done
  "$app/mkrar" "$app/$(basename "$p").rar" "${entries[@]}"
}

stage COMERCIAL_5_2_7_demo <<'EOF'
[Destino]
Comercial.exe=<Destino>
fdComun.dll=<Destino>
fdComun.dll=<Unidad>\Fendal\Comun\
Plantilla.dot=
Instalar.cfd=
01_AltaTablas.sql=
02_DatosIniciales.sql=
EOF
printf 'Comercial 5.2.7\n' >"$p/Comercial.exe"
printf 'fdComun 5.2.7\n' >"$p/fdComun.dll"
printf 'Plantilla de factura 5.2.7\n' >"$p/Plantilla.dot"
crlf >"$p/Facturas.rpt" <<'EOF'
Informe de facturas (versión 5.2.7)
EOF
crlf >"$p/Instalar.cfd" <<'EOF'
MAKEDIR %PathCom%\Plantillas
COPY %PathActTmp%Plantilla.dot %PathCom%\Plantillas\Factura.dot
EOF
crlf >"$p/01_AltaTablas.sql" <<'EOF'
IF OBJECT_ID('dbo.Promociones') IS NULL
  CREATE TABLE dbo.Promociones (Id int NOT NULL PRIMARY KEY, Descripcion varchar(60) NOT NULL)
GO
PRINT 'Tabla Promociones creada'
GO
EOF
crlf >"$p/02_DatosIniciales.sql" <<'EOF'
INSERT INTO dbo.Promociones (Id, Descripcion) VALUES (1, 'Sin promoción')
GO
UPDATE dbo.Parametros SET Version = '5.2.7'
GO
EOF
package

stage CONTABILIDAD_3_1_0_demo <<'EOF'
[Destino]
Contabilidad.exe=<Destino>
01_CambioDeClavesSQL.sql=
02_MANTEN_Indices.sql=
EOF
printf 'Contabilidad 3.1.0\n' >"$p/Contabilidad.exe"
crlf >"$p/01_CambioDeClavesSQL.sql" <<'EOF'
sp_password 'Murales','Murales7261qz','Fendal'
GO
EOF
crlf >"$p/02_MANTEN_Indices.sql" <<'EOF'
    USE %Catalogo%
GO
    PRINT 'Reindexando %Catalogo% en %Servidor%'
    DBCC DBREINDEX ('dbo.Asientos')
GO
EOF
package

stage CRM_1_9_3_demo <<'EOF'
[Destino]
CRM.exe=<Destino>
fdEnvioMails.exe=<Destino>
EOF
printf 'CRM 1.9.3\n' >"$p/CRM.exe"
mail_program 1.1 >"$p/fdEnvioMails.exe"
package

echo "MAIL_PID $mail_pid" >>"$demo/pids"
echo "PORT $port"
cat "$demo/pids"
