#!/usr/bin/env bash
# The program on a catalog kept by a PostgreSQL server that goes away while the program is
# open and comes back: a cluster of the run's own (stopping it disturbs no other test), a
# world of the run's own, the program under a real X server, then psql reads what the
# catalog holds.
#   server_loss.sh SERVER_LOSS CATALOG_SETUP POSTGRES_SCRIPT
# Exits 77 (skipped) where no PostgreSQL server or driver can be had.
set -euo pipefail
program=$1 setup=$2 postgres=$3
for tool in Xvfb sox openbox psql; do
  command -v "$tool" >/dev/null || { echo "$tool is missing (scripts/install-deps.sh installs it)"; exit 1; }
done
WORK=$(mktemp -d)
cleanup() {
  bash "$postgres" stop "$WORK/pg.state" >/dev/null 2>&1 || true
  [ -n "${JOURNEY_KEEP:-}" ] || rm -rf "$WORK"
}
trap cleanup EXIT
. "$(dirname "$0")/../support/program_env.sh"
program_env "$WORK" "$setup"

bash "$postgres" start "$WORK/pg.state" >/dev/null
read -r folder port < "$WORK/pg.state"
if [ "$folder" = "skip" ]; then
  echo "skipped: $port $(cat "$WORK/pg.state.skipped" 2>/dev/null)"
  exit 77
fi
pg() { psql -q -tA -h 127.0.0.1 -p "$port" -U postgres "$@"; }
pg -d postgres -c "CREATE DATABASE tambrel" >/dev/null
printf '[PostgreSQL Unicode]\nDriver=psqlodbcw.so\nDontDLClose=1\n' >> "$ODBCSYSINI/odbcinst.ini"
cat > "$ODBCINI" <<EOF
[Quillnest]
Driver=PostgreSQL Unicode
Servername=127.0.0.1
Port=$port
Database=tambrel
Username=postgres
ConnSettings=SET client_encoding TO 'UTF8'
UseDeclareFetch=1
EOF
ASAN_OPTIONS=detect_leaks=0 "$setup" Quillnest > /dev/null

s=$WORK/sounds
mkdir -p "$s"
sox -n -r 22050 -c 1 -b 16 "$s/rain_light.wav" synth 1 pinknoise vol 0.3
sox -n -r 22050 -c 1 -b 16 "$s/rain_heavy.wav" synth 1 whitenoise vol 0.5
sox -n -r 22050 -c 1 -b 16 "$s/wind.wav" synth 1.5 brownnoise lowpass 300

export JOURNEY_SOUNDS=$s JOURNEY_WORK=$WORK
export SERVER_LOSS_POSTGRES="$postgres" SERVER_LOSS_STATE="$WORK/pg.state"
export TAMBREL_AUDIO_DEVICE=null QT_QPA_PLATFORM=xcb
status=0
bash "$(dirname "$0")/../support/on_own_display.sh" bash -c 'openbox >/dev/null 2>&1 & "$0"' \
  "$program" || status=$?
echo "program run exit status $status"
[ "$status" -eq 0 ] || exit 1

# What the server holds: each file once, with what the last update stored.
rows=$(pg -d tambrel -c "SELECT COUNT(*), COUNT(DISTINCT file_name) FROM audio_file")
echo "psql: files and distinct paths: $rows"
[ "$rows" = "3|3" ] || { echo "the catalog does not hold each of the 3 files once"; exit 1; }
calm=$(pg -d tambrel -c "SELECT COUNT(*) FROM audio_file WHERE 'calm' IN (text0, text4, text5, text6, text9)")
echo "psql: files described \"calm\": $calm"
[ "$calm" = "3" ] || { echo "the update after the server came back did not store the descriptions"; exit 1; }
echo "SERVER LOSS PASSED"
