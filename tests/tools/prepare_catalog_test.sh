#!/usr/bin/env bash
# `make run`'s catalog preparation on a home of the test's own: the data source and its tables
# are made once; with the database folder removed, a second run makes the folder and the tables
# again and leaves the data source as it was. A data source of the user's own whose folder is
# missing is left alone, and the failure names its database.
#   prepare_catalog_test.sh SOURCE_FOLDER BUILD_FOLDER
set -euo pipefail
source=$1 build=$2
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
export HOME=$WORK/home XDG_DATA_HOME=$WORK/data
mkdir -p "$HOME" "$WORK/odbc"
export ODBCSYSINI=$WORK/odbc ODBCINI=$WORK/odbc/odbc.ini
printf '[SQLite3]\nDriver=libsqlite3odbc.so\nDontDLClose=1\n' > "$ODBCSYSINI/odbcinst.ini"
: > "$ODBCINI"
# The SQLite driver's own leaks are not under test here.
export ASAN_OPTIONS=detect_leaks=0
data=$XDG_DATA_HOME/corvessa-tambrel
fail() { echo "FAIL: $*"; exit 1; }

bash "$source/scripts/prepare-catalog.sh" "$build" > "$WORK/first.out"
cat "$WORK/first.out"
grep -q "created AUDIO_FILE, SOUND, TERM" "$WORK/first.out" || fail "no tables made"
[ -f "$data/catalog.db" ] || fail "no database file"
cp "$ODBCINI" "$WORK/odbc.ini.made"

rm -rf "$data"
status=0
bash "$source/scripts/prepare-catalog.sh" "$build" > "$WORK/again.out" 2>&1 || status=$?
cat "$WORK/again.out"
[ "$status" -eq 0 ] || fail "status $status with the database folder removed"
grep -q "made its missing folder $data again" "$WORK/again.out" || fail "the folder was not reported"
grep -q "created AUDIO_FILE, SOUND, TERM" "$WORK/again.out" || fail "the tables were not made again"
[ -f "$data/catalog.db" ] || fail "no database file made again"
cmp -s "$ODBCINI" "$WORK/odbc.ini.made" || fail "the data source was changed"

# The user's own data source: the folder may be a disk that is not mounted.
printf '[Quillnest]\nDriver=SQLite3\nDatabase=%s\nNoTXN=0\n' "$WORK/disk/catalog.db" > "$ODBCINI"
status=0
bash "$source/scripts/prepare-catalog.sh" "$build" > "$WORK/own.out" 2>&1 || status=$?
cat "$WORK/own.out"
[ "$status" -ne 0 ] || fail "a data source of the user's own with its folder missing succeeded"
[ ! -e "$WORK/disk" ] || fail "the folder of a data source of the user's own was made"
grep -qx "Could not connect to ODBC data source 'Quillnest'" "$WORK/own.out" || fail "no message"
grep -qx "Database: $WORK/disk/catalog.db" "$WORK/own.out" || fail "the database is not named"
grep -qx "The folder $WORK/disk does not exist." "$WORK/own.out" || fail "the missing folder is not named"
echo "PASS"
