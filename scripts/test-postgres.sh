#!/usr/bin/env bash
# Starts or stops a throw-away PostgreSQL cluster for the catalog tests.
#   test-postgres.sh start STATEFILE   creates a cluster in a new temporary folder with its own
#                                      socket folder and a free port on 127.0.0.1, and writes
#                                      "<folder> <port>" into STATEFILE; when no cluster can be
#                                      started it writes "skip <reason>" instead, and the
#                                      reason into STATEFILE.skipped as well (exit 0).
#   test-postgres.sh stop STATEFILE    stops that cluster and removes its folder.
#   test-postgres.sh halt STATEFILE    stops that cluster's server as an administrator does
#                                      (fast shutdown), keeping its data.
#   test-postgres.sh resume STATEFILE  starts a halted server again on its port.
# PostgreSQL refuses to run as root, so a root caller runs the server as user postgres.
set -uo pipefail

action=${1:-}
state=${2:-}
if [ -z "$action" ] || [ -z "$state" ]; then
  echo "usage: $0 start|stop|halt|resume STATEFILE" >&2
  exit 2
fi

run_as() {
  if [ "$(id -u)" -eq 0 ]; then runuser -u postgres -- "$@"; else "$@"; fi
}

find_bin() {
  local name=$1 dir
  if command -v "$name" >/dev/null 2>&1; then command -v "$name"; return 0; fi
  for dir in /usr/lib/postgresql/*/bin; do
    if [ -x "$dir/$name" ]; then echo "$dir/$name"; return 0; fi
  done
  return 1
}

stop_cluster() {
  [ -f "$state" ] || return 0
  read -r folder port < "$state" || true
  rm -f "$state"
  if [ "$folder" != "skip" ] && [ -d "$folder/data" ]; then
    run_as "$(find_bin pg_ctl)" -D "$folder/data" -m immediate -w stop >/dev/null 2>&1
    rm -rf "$folder"
  fi
}

skip() {
  echo "skip $*" > "$state"
  # Kept after the stop, so that the run can say at its end why the cases were skipped.
  echo "PostgreSQL catalog tests were skipped: $*" > "$state.skipped"
  echo "PostgreSQL catalog tests will be skipped: $*"
  exit 0
}

server_options() {
  echo "-k $1/sock -p $2 -h 127.0.0.1 -c fsync=off -c synchronous_commit=off -c full_page_writes=off"
}

case "$action" in
stop)
  stop_cluster
  exit 0
  ;;
halt)
  read -r folder port < "$state"
  run_as "$(find_bin pg_ctl)" -D "$folder/data" -m fast -w -t 30 stop >/dev/null
  ;;
resume)
  read -r folder port < "$state"
  run_as "$(find_bin pg_ctl)" -D "$folder/data" -w -t 30 -l "$folder/server.log" \
    -o "$(server_options "$folder" "$port")" start >/dev/null
  ;;
start)
  stop_cluster
  rm -f "$state.skipped"
  initdb=$(find_bin initdb) || skip "initdb not found (install postgresql)"
  pg_ctl=$(find_bin pg_ctl) || skip "pg_ctl not found (install postgresql)"
  if [ "$(id -u)" -eq 0 ] && ! id postgres >/dev/null 2>&1; then
    skip "running as root and there is no user postgres to run the server"
  fi
  folder=$(mktemp -d /tmp/tambrel-pg.XXXXXX) || skip "no temporary folder"
  mkdir -p "$folder/sock"
  if [ "$(id -u)" -eq 0 ]; then chown -R postgres "$folder"; fi
  if ! run_as "$initdb" -D "$folder/data" -U postgres --auth=trust -E UTF8 --locale=C \
      >"$folder/initdb.log" 2>&1; then
    reason="initdb failed: $(tail -n 1 "$folder/initdb.log")"
    rm -rf "$folder"
    skip "$reason"
  fi
  for attempt in 1 2 3; do
    port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
    if run_as "$pg_ctl" -D "$folder/data" -w -t 30 -l "$folder/server.log" \
        -o "$(server_options "$folder" "$port")" \
        start >/dev/null 2>&1; then
      echo "$folder $port" > "$state"
      echo "PostgreSQL test cluster on 127.0.0.1:$port in $folder"
      exit 0
    fi
  done
  reason="the server did not start: $(tail -n 1 "$folder/server.log" 2>/dev/null)"
  rm -rf "$folder"
  skip "$reason"
  ;;
*)
  echo "usage: $0 start|stop|halt|resume STATEFILE" >&2
  exit 2
  ;;
esac
