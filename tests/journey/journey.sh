#!/usr/bin/env bash
# Makes the sounds of a user's day, a fresh HOME with no settings and a catalog of the run's
# own, runs the journey under a real X server and checks what the program left behind.
#   journey.sh JOURNEY CATALOG_SETUP WEBTAMBREL_SERVER SCREENSHOT_FOLDER
set -euo pipefail
journey=$1 setup=$2 server=$3 shots=$4
for tool in Xvfb sox python3; do
  command -v "$tool" >/dev/null || { echo "$tool is missing (scripts/install-deps.sh installs it)"; exit 1; }
done
WORK=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; done
  [ -n "${JOURNEY_KEEP:-}" ] || rm -rf "$WORK"
}
trap cleanup EXIT
. "$(dirname "$0")/../support/program_env.sh"
program_env "$WORK" "$setup"
mkdir -p "$shots"

# The day's sounds: a bell and two copies of it a tone up and a tone down (played faster and
# slower, as a pitch variant is), rain, wind and a few others, in every format, and one
# damaged file.
s=$WORK/sounds
mkdir -p "$s"
sox -n -r 22050 -c 1 -b 16 "$s/bell.wav" synth 1.2 pluck 440 pluck 1108 fade 0 1.2 1.1
sox "$s/bell.wav" -r 22050 "$s/bell_up.aif" speed 1.122462
sox "$s/bell.wav" -r 22050 "$s/bell_down.au" speed 0.890899
sox -n -r 22050 -c 1 -b 16 "$s/rain_light.wav" synth 1 pinknoise vol 0.3
sox -n -r 22050 -c 2 -b 16 "$s/rain_heavy.aif" synth 1 whitenoise vol 0.5
sox -n -r 44100 -c 2 "$s/rain_roof.mp3" synth 1 brownnoise vol 0.5
sox -n -r 22050 -c 1 -b 16 "$s/wind.wav" synth 1.5 brownnoise lowpass 300
sox -n -r 8000 -c 1 -e u-law "$s/whistle.au" synth 0.8 sine 2000
sox -n -r 22050 -c 1 -b 16 "$s/buzz.aif" synth 0.8 square 110 vol 0.4
sox -n -r 22050 -c 1 -b 16 "$s/chirp.wav" synth 1 sine 200-4000
sox -n -r 44100 -c 2 "$s/drum.mp3" synth 0.4 sine 80 fade 0 0.4 0.35
printf 'RIFF\x24\x00\x00\x00WAVEfmt this is no sound' > "$s/damaged.wav"

# The remote collection: its own sounds and catalog, files published over HTTP on loopback,
# and a WebTambrel server answering from the catalog.
. "$(dirname "$0")/../support/remote_collection.sh"
remote_collection "$WORK" "$setup" "$journey" "$server" "$s/bell.wav"
export JOURNEY_SOUNDS=$s JOURNEY_WORK=$WORK JOURNEY_SHOTS=$shots
export TAMBREL_AUDIO_DEVICE=null QT_QPA_PLATFORM=xcb
status=0
bash "$(dirname "$0")/../support/on_own_display.sh" "$journey" || status=$?
echo "journey exit status $status"
[ "$status" -eq 0 ] || exit 1

settings="$XDG_CONFIG_HOME/Halvorine/Corvessa Tambrel.conf"
[ -f "$settings" ] || { echo "no settings written"; exit 1; }
for key in ShowTips MainTabular MainWindowLeft MainWindowHeight; do
  grep -q "^$key=" "$settings" || { echo "setting $key not written"; cat "$settings"; exit 1; }
done
# The table was the last presentation chosen.
grep -qx "MainTabular=1" "$settings" || grep -qx "MainTabular=true" "$settings" ||
  { echo "the table choice was not kept"; grep MainTabular "$settings"; exit 1; }
echo "settings saved"

# The next day on an empty catalog: the metadata file brings the collection back, and a new
# export says the same as the first.
printf '[Quillnest]\nDriver=SQLite3\nDatabase=%s\nNoTXN=0\n' "$WORK/catalog2.db" > "$ODBCINI"
ASAN_OPTIONS=detect_leaks=0 "$setup" Quillnest > /dev/null
status=0
JOURNEY_PHASE=import bash "$(dirname "$0")/../support/on_own_display.sh" "$journey" || status=$?
echo "import day exit status $status"
[ "$status" -eq 0 ] || exit 1
# The same blocks, in whatever order each catalog lists its files.
blocks() { python3 -c 'import sys; print("\n\n".join(sorted(open(sys.argv[1]).read().strip().split("\n\n"))))' "$1"; }
if ! diff <(blocks "$WORK/first.tmi") <(blocks "$WORK/second.tmi"); then
  echo "the metadata imported into an empty catalog differs from what was exported"; exit 1
fi
echo "the imported catalog exports the same metadata ($(grep -c . "$WORK/first.tmi") lines)"
