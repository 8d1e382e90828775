#!/usr/bin/env bash
# Runs a command on an X server of its own and ends the server after it.
#   on_own_display.sh [--screen WxHxD] COMMAND [ARG ...]
# The server takes a free display number itself (-displayfd). Looking for a free number
# first and starting the server after, as xvfb-run -a does, lets two tests that start
# together take the same number: the second then runs its program on the first one's
# server, where its clicks and keys reach the other test's windows.
set -euo pipefail
screen=1280x800x24
if [ "${1:-}" = "--screen" ]; then screen=$2; shift 2; fi
[ $# -ge 1 ] || { echo "usage: $0 [--screen WxHxD] COMMAND [ARG ...]" >&2; exit 2; }
command -v Xvfb >/dev/null || { echo "Xvfb is missing (scripts/install-deps.sh installs it)" >&2; exit 1; }

dir=$(mktemp -d)
xvfb=""
cleanup() {
  if [ -n "$xvfb" ]; then kill "$xvfb" 2>/dev/null || true; wait "$xvfb" 2>/dev/null || true; fi
  rm -rf "$dir"
}
trap cleanup EXIT
trap 'exit 143' TERM INT

mkfifo "$dir/display"
Xvfb -displayfd 3 -screen 0 "$screen" -nolisten tcp 3> "$dir/display" 2> "$dir/server.log" &
xvfb=$!
# The server writes its number once it listens; a server that failed closes the pipe unwritten.
number=""
read -r -t 60 number < "$dir/display" || true
if [ -z "$number" ]; then
  echo "the X server did not start:" >&2
  cat "$dir/server.log" >&2
  exit 1
fi
export DISPLAY=":$number"
unset XAUTHORITY
# A desktop session has a private runtime folder; this one gets its own where none is given.
if [ -z "${XDG_RUNTIME_DIR:-}" ]; then
  export XDG_RUNTIME_DIR=$dir/run
  mkdir -m 700 "$XDG_RUNTIME_DIR"
fi
status=0
"$@" || status=$?
exit "$status"
