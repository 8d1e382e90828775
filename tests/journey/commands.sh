#!/usr/bin/env bash
# Makes a few sounds and a world of the run's own, and runs the command table under a real X
# server with a small window manager.
#   commands.sh COMMANDS CATALOG_SETUP JOURNEY WEBTAMBREL_SERVER
# The journey program fills the remote collection's catalog, which a WebTambrel server answers
# from, with its files published over HTTP on loopback.
set -euo pipefail
commands=$1 setup=$2 journey=$3 server=$4
for tool in Xvfb sox openbox python3; do
  command -v "$tool" >/dev/null || { echo "$tool is missing (scripts/install-deps.sh installs it)"; exit 1; }
done
WORK=$(mktemp -d)
wm=""
pids=()
cleanup() {
  [ -z "$wm" ] || kill "$wm" 2>/dev/null || true
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; done
  [ -n "${JOURNEY_KEEP:-}" ] || rm -rf "$WORK"
}
trap cleanup EXIT
. "$(dirname "$0")/../support/program_env.sh"
program_env "$WORK" "$setup"

s=$WORK/sounds
mkdir -p "$s"
sox -n -r 22050 -c 1 -b 16 "$s/rain_light.wav" synth 1 pinknoise vol 0.3
sox -n -r 22050 -c 2 -b 16 "$s/rain_heavy.aif" synth 1 whitenoise vol 0.5
sox -n -r 22050 -c 1 -b 16 "$s/wind.wav" synth 1.5 brownnoise lowpass 300
sox -n -r 22050 -c 1 -b 16 "$s/chirp.wav" synth 2 sine 200-4000
# Two that the user later moves away, for the validator to miss.
sox -n -r 22050 -c 1 -b 16 "$s/lost_a.wav" synth 0.5 sine 300
sox -n -r 22050 -c 1 -b 16 "$s/lost_b.wav" synth 0.5 sine 500
# Four beeps with silence between, for the editor's search for matching segments.
sox -n -r 22050 -c 1 -b 16 "$WORK/beeps.wav" synth 0.15 sine 700 pad 0 0.25 repeat 3

# The remote collection.
. "$(dirname "$0")/../support/remote_collection.sh"
remote_collection "$WORK" "$setup" "$journey" "$server" "$s/chirp.wav"

export JOURNEY_SOUNDS=$s JOURNEY_WORK=$WORK
export TAMBREL_AUDIO_DEVICE=null QT_QPA_PLATFORM=xcb
# The window manager starts with the X server; the table waits for nothing from it.
bash "$(dirname "$0")/../support/on_own_display.sh" bash -c 'openbox >/dev/null 2>&1 & "$0"' "$commands"
