#!/usr/bin/env bash
# A throw-away PostgreSQL server for trying the club database without a club:
# its own cluster in a folder of your choice, listening on the loopback address
# only. Writes the password into ~/.pgpass (mode 0600) and prints the values for
# the "Datenbank" group of the settings dialog.
#
#   scripts/club-server.sh start DIR [PORT]   (PORT defaults to 55432)
#   scripts/club-server.sh stop DIR
#
# As root the server runs as the user "postgres" (PostgreSQL refuses root).
set -euo pipefail

usage() {
  echo "Aufruf: $0 start ORDNER [PORT] | stop ORDNER" >&2
  exit 2
}

[ $# -ge 2 ] || usage
action=$1
dir=$(realpath -m "$2")
port=${3:-55432}
dbname=vantrel
dbuser=vantrel

bindir=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1 || true)
if [ -z "$bindir" ] || [ ! -x "$bindir/initdb" ]; then
  echo "PostgreSQL ist nicht installiert (Paket postgresql)." >&2
  exit 2
fi

as_owner=()
if [ "$(id -u)" -eq 0 ]; then
  as_owner=(runuser -u postgres --)
fi
run() { "${as_owner[@]}" "$@"; }

case "$action" in
stop)
  if [ -f "$dir/cluster/postmaster.pid" ]; then
    run "$bindir/pg_ctl" -D "$dir/cluster" -m fast -w stop
  else
    echo "In $dir läuft kein Server." >&2
  fi
  exit 0
  ;;
start) ;;
*) usage ;;
esac

mkdir -p "$dir"
if [ "$(id -u)" -eq 0 ]; then
  chown postgres: "$dir"
fi

if [ ! -f "$dir/cluster/PG_VERSION" ]; then
  run "$bindir/initdb" -D "$dir/cluster" -U postgres -E UTF8 --locale=C.UTF-8 \
    --auth-local=trust --auth-host=scram-sha-256 >"$dir/initdb.log"
fi

if [ ! -f "$dir/cluster/postmaster.pid" ]; then
  run "$bindir/pg_ctl" -D "$dir/cluster" -l "$dir/server.log" -w \
    -o "-c listen_addresses=127.0.0.1 -c port=$port -c unix_socket_directories='$dir'" start >/dev/null
fi

psql_admin() { run "$bindir/psql" -X -q -v ON_ERROR_STOP=1 -h "$dir" -p "$port" -U postgres "$@"; }

password_file=${PGPASSFILE:-$HOME/.pgpass}
password=""
if [ -f "$password_file" ]; then
  password=$(awk -F: -v p="$port" -v d="$dbname" -v u="$dbuser" \
    '($1=="127.0.0.1" && $2==p && $3==d && $4==u) {print $5; exit}' "$password_file")
fi
if [ -z "$password" ]; then
  password=$(head -c 18 /dev/urandom | base64 | tr -d '/+=:\\')
fi

if [ -z "$(psql_admin -tAc "SELECT 1 FROM pg_roles WHERE rolname='$dbuser'")" ]; then
  psql_admin -c "CREATE ROLE $dbuser LOGIN PASSWORD '$password'"
else
  psql_admin -c "ALTER ROLE $dbuser PASSWORD '$password'"
fi
if [ -z "$(psql_admin -tAc "SELECT 1 FROM pg_database WHERE datname='$dbname'")" ]; then
  psql_admin -c "CREATE DATABASE $dbname OWNER $dbuser"
fi

# ~/.pgpass: one line per server, database and user; other lines stay.
touch "$password_file"
chmod 600 "$password_file"
tmp=$(mktemp "$password_file.XXXXXX")
awk -F: -v p="$port" -v d="$dbname" -v u="$dbuser" \
  '!($1=="127.0.0.1" && $2==p && $3==d && $4==u)' "$password_file" >"$tmp"
echo "127.0.0.1:$port:$dbname:$dbuser:$password" >>"$tmp"
chmod 600 "$tmp"
mv "$tmp" "$password_file"

cat <<EOF
Vereinsserver läuft (Ordner $dir).
Einstellungen › Allgemein › Datenbank › "Vereinsserver (PostgreSQL)":
  Server:    127.0.0.1
  Port:      $port
  Datenbank: $dbname
  Benutzer:  $dbuser
Das Kennwort steht in $password_file.
Beenden: $0 stop $dir
EOF
