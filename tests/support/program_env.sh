# Sourced by the X tests that run the program on a world of their own: a fresh HOME with no
# settings, and an SQLite catalog "Quillnest" made by the set-up tool.
#   program_env WORK CATALOG_SETUP
program_env() {
  local work=$1 setup=$2
  export HOME=$work/home XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data
  export XDG_RUNTIME_DIR=$work/run
  mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_RUNTIME_DIR" "$work/odbc"
  chmod 700 "$XDG_RUNTIME_DIR"
  export ODBCSYSINI=$work/odbc ODBCINI=$work/odbc/odbc.ini
  printf '[SQLite3]\nDriver=libsqlite3odbc.so\nDontDLClose=1\n' > "$ODBCSYSINI/odbcinst.ini"
  printf '[Quillnest]\nDriver=SQLite3\nDatabase=%s\nNoTXN=0\n' "$work/catalog.db" > "$ODBCINI"
  # The set-up tool is not under test here (the SQLite driver's own leaks would speak).
  ASAN_OPTIONS=detect_leaks=0 "$setup" Quillnest > /dev/null
}
