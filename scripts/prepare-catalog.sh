#!/usr/bin/env bash
# Prepares the catalog's ODBC data source "Quillnest" for `make run`.
#   prepare-catalog.sh BUILD_FOLDER
# Where no data source of that name exists (user or system), it creates the embedded default:
# a per-user DSN on the SQLite3 ODBC driver in the user's own ODBC ini (ODBCINI, else
# ~/.odbc.ini), on a database file in the user's data folder, and the catalog tables through
# the set-up tool. An existing "Quillnest" is never rewritten: the tool only adds tables that
# are missing, so a second run changes nothing. Where the database folder of the data source
# made here was removed, the tool makes the folder and the tables again; it knows that data
# source by its Description, which must stay as written below. NoTXN=0 keeps rollbacks real; JournalMode=WAL
# makes a commit one sync instead of several, which triples the indexing rate.
set -euo pipefail

DSN=Quillnest
build=${1:?usage: prepare-catalog.sh BUILD_FOLDER}
tool="$build/tools/tambrel-catalog-setup"
if [ ! -x "$tool" ]; then
  echo "prepare-catalog: $tool is missing; build first." >&2
  exit 1
fi

if odbcinst -q -s -n "$DSN" >/dev/null 2>&1; then
  echo "ODBC data source '$DSN' exists; its settings are left as they are."
else
  if ! odbcinst -q -d -n SQLite3 >/dev/null 2>&1; then
    echo "prepare-catalog: the SQLite3 ODBC driver is not registered (install libsqliteodbc)." >&2
    exit 1
  fi
  data="${XDG_DATA_HOME:-$HOME/.local/share}/corvessa-tambrel"
  mkdir -p "$data"
  template=$(mktemp)
  trap 'rm -f "$template"' EXIT
  cat > "$template" <<INI
[$DSN]
Description=Corvessa Tambrel catalog (MyTambrel)
Driver=SQLite3
Database=$data/catalog.db
NoTXN=0
JournalMode=WAL
INI
  # -h: a user data source, written to the user's own ini.
  odbcinst -i -s -h -f "$template" >/dev/null
  echo "Created ODBC data source '$DSN' on $data/catalog.db"
fi

"$tool" "$DSN"
