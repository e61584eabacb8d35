#!/usr/bin/env bash
# Runs the playbooks of deploy/ansible on three demo installations of this machine, each in its
# own Wine-style prefix with its own tds-test-server (the third one's stopped), reached over an
# sshd of its own: a throw-away host key and client key, its own configuration, a free loopback
# port. Nothing of the machine's SSH set-up is read or changed. Checks that simular.yml changes
# nothing, that actualizar.yml updates two and reports the third's connection failure, and that
# restaurar.yml puts the two back byte for byte. Then checks the Windows half of the playbooks,
# which cannot run here, with ansible-playbook --syntax-check and ansible-lint.
# Checks read "condition && condition || fail": fail ends the script.
# shellcheck disable=SC2015
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$PWD
started=$(date +%s)
scripts/install-deps.sh ansible ansible-lint openssh-server openssh-client

tmp=$(mktemp -d)
sites=(sucursal1 sucursal2 sucursal3)
sshd_pid=""
playbook_pid=""
cleanup() {
  if [ -n "$playbook_pid" ]; then
    kill "$playbook_pid" 2>/dev/null || true
    wait "$playbook_pid" 2>/dev/null || true
  fi
  # The sshd's connections first (each its own session), then the sshd itself.
  if [ -n "$sshd_pid" ]; then
    for child in $(ps -o pid= --ppid "$sshd_pid" 2>/dev/null); do kill "$child" 2>/dev/null || true; done
    kill "$sshd_pid" 2>/dev/null || true
    wait "$sshd_pid" 2>/dev/null || true
  fi
  for site in "${sites[@]}"; do
    [ ! -d "$tmp/$site" ] || scripts/make-demo.sh --stop "$tmp/$site"
  done
  rm -rf "$tmp"
}
trap cleanup EXIT
# A test stopped from outside still ends what it started.
trap 'exit 130' INT
trap 'exit 143' TERM
fail() {
  echo "test-fleet: $*" >&2
  exit 1
}

scripts/build-package.sh "$tmp/debs"
root=$tmp/raiz
dpkg -x "$(ls "$tmp"/debs/actualizador_*.deb)" "$root"
dpkg -x "$(ls "$tmp"/debs/actualizador-pruebas_*.deb)" "$root"
installed=$root/usr/lib/actualizador

# --- The sshd. As root it needs its privilege separation folder, which only its service makes.
ssh=$tmp/ssh
mkdir -p "$ssh" "$tmp/home" "$tmp/remoto"
ssh-keygen -q -t ed25519 -N '' -C fleet-host -f "$ssh/host"
ssh-keygen -q -t ed25519 -N '' -C fleet-client -f "$ssh/client"
cp "$ssh/client.pub" "$ssh/authorized_keys"
if [ "$(id -u)" -eq 0 ] && [ ! -d /run/sshd ]; then
  install -d -m 0755 /run/sshd
fi
free_port() { python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'; }
# A port found free can be taken before sshd binds it (another copy of this test): try again.
for _ in 1 2 3 4 5; do
  port=$(free_port)
  cat >"$ssh/sshd_config" <<EOF
Port $port
ListenAddress 127.0.0.1
HostKey $ssh/host
PidFile none
AuthorizedKeysFile $ssh/authorized_keys
AuthenticationMethods publickey
PasswordAuthentication no
KbdInteractiveAuthentication no
UsePAM no
StrictModes no
PermitRootLogin prohibit-password
AllowUsers $(id -un)
PrintMotd no
PrintLastLog no
SetEnv HOME=$tmp/home
Subsystem sftp internal-sftp
EOF
  /usr/sbin/sshd -D -e -f "$ssh/sshd_config" 2>"$ssh/sshd.log" </dev/null &
  sshd_pid=$!
  for _ in $(seq 100); do
    grep -q "^Server listening on 127.0.0.1 port $port" "$ssh/sshd.log" && break
    kill -0 "$sshd_pid" 2>/dev/null || break
    sleep 0.1
  done
  grep -q "^Server listening" "$ssh/sshd.log" && break
  kill "$sshd_pid" 2>/dev/null || true
  wait "$sshd_pid" 2>/dev/null || true
  sshd_pid=""
done
[ -n "$sshd_pid" ] || fail "sshd did not start: $(cat "$ssh/sshd.log")"
echo "[127.0.0.1]:$port $(cut -d' ' -f1,2 "$ssh/host.pub")" >"$ssh/known_hosts"

# --- Three demo installations. The packages and the updater are the playbooks' to deliver:
# sucursal1's folder lacks the updater, sucursal2's holds an older one, sucursal3's server is
# stopped.
mkdir -p "$tmp/paquetes"
for site in "${sites[@]}"; do
  scripts/make-demo.sh "$tmp/$site" "$installed" >"$tmp/$site.demo"
  folder=$tmp/$site/drive_c/Actualizador
  [ "$site" != sucursal1 ] || cp "$folder"/*.rar "$tmp/paquetes/"
  rm -f "$folder"/*.rar "$folder"/actualizador "$folder"/Winrar95.exe "$folder"/taskkill \
    "$folder"/schtasks "$folder"/sql/Binn/osql.exe
done
printf '#!/bin/sh\necho viejo\n' >"$tmp/sucursal2/drive_c/Actualizador/actualizador"
chmod +x "$tmp/sucursal2/drive_c/Actualizador/actualizador"
touch -d 2001-01-01 "$tmp/sucursal2/drive_c/Actualizador/actualizador"
kill "$(sed -n 's/^SERVER_PID //p' "$tmp/sucursal3/demo/pids")"

cat >"$tmp/inventario.yml" <<EOF
all:
  vars:
    fd_packages: $tmp/paquetes
    fd_updater: $installed
    fd_results: $tmp/resultados
  children:
    linux:
      vars:
        ansible_connection: ssh
        ansible_host: 127.0.0.1
        ansible_port: $port
        ansible_user: $(id -un)
        ansible_ssh_private_key_file: $ssh/client
        ansible_ssh_common_args: >-
          -F /dev/null -o UserKnownHostsFile=$ssh/known_hosts -o StrictHostKeyChecking=yes
          -o IdentitiesOnly=yes
        ansible_python_interpreter: /usr/bin/python3
        ansible_remote_tmp: $tmp/remoto
      hosts:
        sucursal1:
          fd_prefix: $tmp/sucursal1
          fd_options: ["/bases:Comercial2019,Contab1", "/usuarios:continuar"]
        sucursal2:
          fd_prefix: $tmp/sucursal2
        sucursal3:
          fd_prefix: $tmp/sucursal3
        # No sshd listens on this port: an installation that cannot be reached.
        sucursal4:
          ansible_port: $(free_port)
          fd_prefix: $tmp/sucursal4
EOF

# Runs a playbook in the background and waits for it, so that a signal reaches the cleanup at
# once (bash runs a trap only after its foreground command ends).
playbook() {
  local start
  start=$(date +%s)
  (cd deploy/ansible && exec env HOME="$tmp/home" ANSIBLE_CONFIG="$repo/deploy/ansible/ansible.cfg" \
    ANSIBLE_LOCAL_TEMP="$tmp/ansible-local" ANSIBLE_SSH_CONTROL_PATH_DIR="$tmp/cp" ANSIBLE_NOCOLOR=1 \
    ANSIBLE_CALLBACKS_ENABLED=ansible.posix.profile_tasks ansible-playbook -i "$tmp/inventario.yml" "$@") \
    >"$tmp/playbook.log" 2>&1 &
  playbook_pid=$!
  local code=0
  wait "$playbook_pid" || code=$?
  playbook_pid=""
  [ "$code" -eq 0 ] || { cat "$tmp/playbook.log"; fail "ansible-playbook $* failed"; }
  echo "test-fleet: $1 took $(($(date +%s) - start)) s"
}
# The table of the latest playbook: "installation|code|last line|stamp" per installation.
table() {
  local latest
  latest=$(find "$tmp/resultados" -maxdepth 1 -name 'tabla-*.txt' | sort | tail -n 1)
  tail -n +2 "$latest" | sed 's/ *| */|/g'
}
latest_results() { find "$tmp/resultados/$1" -mindepth 1 -maxdepth 1 -type d | sort | tail -n 1; }
row() { table | grep "^$1|" || fail "no row for $1 in the table: $(table)"; }
# What an installation holds outside the updater's folder, by content; the mail program's own
# notes of its starts change with every run and are left out.
snapshot() {
  (cd "$tmp/$1/drive_c" && find . -path ./Actualizador -prune -o -type f ! -name 'fdEnvioMails.txt' \
    ! -name 'fdEnvioMails.pid' -print0 | sort -z | xargs -0 sha256sum)
}
statements() { wc -l <"$tmp/$1/demo/sentencias.log"; }
for site in "${sites[@]}"; do
  # The server appends its statements to this log, which it creates at the first one.
  touch "$tmp/$site/demo/sentencias.log"
  snapshot "$site" >"$tmp/$site.antes"
  statements "$site" >"$tmp/$site.sentencias"
done

# --- simular.yml: the dry run everywhere changes nothing, takes no backup, runs no statement
# but queries.
playbook simular.yml
# sucursal2's other users would stop its scripts: the dry run says so, as the run would.
expected=("0|Fin de la simulación" "1|ERROR: Hay otros usuarios conectados" "1|ERROR: No se pudo conectar al servidor")
for i in 0 1 2; do
  [[ "$(row "${sites[$i]}" | cut -d'|' -f2-3)" == "${expected[$i]}"* ]] || fail "simular: $(row "${sites[$i]}")"
done
for site in "${sites[@]}"; do
  diff <(snapshot "$site") "$tmp/$site.antes" >/dev/null || fail "simular.yml changed $site"
  [ ! -e "$tmp/$site/drive_c/Actualizador/Respaldo" ] || fail "simular.yml made a backup on $site"
  tail -n +"$(($(cat "$tmp/$site.sentencias") + 1))" "$tmp/$site/demo/sentencias.log" |
    awk -F'\t' '$3 == "SQL" && $4 !~ /^SELECT /' | grep -q . && fail "simular.yml ran a statement on $site"
done

# --- actualizar.yml: two updated, the third's connection failure in its row and its log.
# sucursal2 leaves out /usuarios:continuar: its files are copied, its scripts not run (exit 1).
playbook actualizar.yml
stamps=()
expected=("0|Terminó la Actualización" "1|ERROR: Hay otros usuarios conectados")
for i in 0 1; do
  site=${sites[$i]}
  IFS='|' read -r _ code line stamp <<<"$(row "$site")"
  [[ "$code|$line" == "${expected[$i]}"* ]] && [[ "$stamp" =~ ^[0-9]{8}-[0-9]{6}(-[0-9]+)?$ ]] ||
    fail "actualizar: $(row "$site")"
  stamps+=("$stamp")
  results=$(latest_results "$site")
  [ -s "$results/salida.txt" ] && [ -s "$results/respaldo.txt" ] && ls "$results"/ACT_*.log >/dev/null ||
    fail "actualizar: the results of $site are incomplete: $(ls "$results")"
  cmp -s "$results/respaldo.txt" "$tmp/$site/drive_c/Actualizador/Respaldo/$stamp/respaldo.txt" ||
    fail "actualizar: the backup index fetched for $site is not its run's"
  grep -q '^Comercial 5.2.7' "$tmp/$site/drive_c/Fendal/Comercial/Comercial.exe" || fail "$site was not updated"
  cmp -s "$installed/actualizador" "$tmp/$site/drive_c/Actualizador/actualizador" ||
    fail "the updater was not delivered to $site"
done
IFS='|' read -r _ code line stamp <<<"$(row sucursal3)"
[ "$code" = 1 ] && [[ "$line" == "ERROR: No se pudo conectar al servidor"* ]] && [ "$stamp" = - ] ||
  fail "actualizar: $(row sucursal3)"
grep -aq 'No se pudo conectar al servidor' "$(latest_results sucursal3)"/ACT_*.log ||
  fail "actualizar: the fetched log of sucursal3 does not name the connection failure"
IFS='|' read -r _ code line stamp <<<"$(row sucursal4)"
[ -z "$code" ] && [[ "$line" == *"Sin conexión con la instalación"* ]] || fail "actualizar: $(row sucursal4)"

# --- restaurar.yml: each installation's own backup, named in the inventory, put back. A later
# backup folder beside it is not the one named.
for site in sucursal1 sucursal2; do
  mkdir "$tmp/$site/drive_c/Actualizador/Respaldo/29991231-235959"
  : >"$tmp/$site/drive_c/Actualizador/Respaldo/29991231-235959/respaldo.txt"
done
mkdir -p "$tmp/host_vars"
echo "fd_restore_stamp: \"${stamps[0]}\"" >"$tmp/host_vars/sucursal1.yml"
echo "fd_restore_stamp: \"${stamps[1]}\"" >"$tmp/host_vars/sucursal2.yml"
playbook restaurar.yml --limit sucursal1,sucursal2
for i in 0 1; do
  site=${sites[$i]}
  IFS='|' read -r _ code line stamp <<<"$(row "$site")"
  [ "$code" = 0 ] && [ "$line" = "$(tail -n 1 "$(latest_results "$site")/salida.txt")" ] &&
    [ "$stamp" = "${stamps[$i]}" ] || fail "restaurar: $(row "$site")"
  diff <(snapshot "$site") "$tmp/$site.antes" || fail "restaurar.yml did not put $site back as it was"
done
[ "$(table | wc -l)" -eq 2 ] || fail "restaurar: the table lists installations left out: $(table)"

# --- The Windows half, not run here: the three playbooks' syntax with the example inventory
# (Linux and Windows installations), ansible-lint over the playbooks and the role, and every
# option given to an ansible.windows module checked against the module's documentation, which
# ansible-lint cannot load for those modules.
(
  cd deploy/ansible
  export HOME="$tmp/home" ANSIBLE_LOCAL_TEMP="$tmp/ansible-local" ANSIBLE_NOCOLOR=1
  ansible-playbook --syntax-check -i inventario.ejemplo.yml actualizar.yml simular.yml restaurar.yml >/dev/null
  ansible-lint --offline --nocolor actualizar.yml simular.yml restaurar.yml inventario.ejemplo.yml roles/fd
  python3 - roles/fd/tasks/*.yml <<'PY'
import json, subprocess, sys, yaml

def tasks(items):
    for task in items or []:
        yield task
        for nested in ("block", "rescue", "always"):
            yield from tasks(task.get(nested))

used = {}
for path in sys.argv[1:]:
    for task in tasks(yaml.safe_load(open(path, encoding="utf-8"))):
        for module, args in task.items():
            if module.startswith("ansible.windows."):
                used.setdefault(module, set()).update((args or {}).keys())
unknown = []
for module, options in sorted(used.items()):
    doc = json.loads(subprocess.check_output(["ansible-doc", "-j", module]))[module]["doc"]
    unknown += [f"{module}: {option}" for option in sorted(options - set(doc["options"]))]
if unknown or not used:
    sys.exit("unknown options: " + ", ".join(unknown) if unknown else "no ansible.windows task found")
PY
) >"$tmp/lint.log" 2>&1 || { cat "$tmp/lint.log"; fail "the playbooks do not pass the syntax check and ansible-lint"; }

echo "test-fleet: passed in $(($(date +%s) - started)) s"
