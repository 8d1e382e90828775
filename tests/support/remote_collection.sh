# Sourced by the X tests that search and download from a remote collection of their own: a
# catalog "Faraway" of a few sounds, the files published over HTTP on loopback, and a
# WebTambrel server answering from the catalog. The servers' process ids join the caller's
# `pids` array (its clean-up ends them); TAMBREL_WEBTAMBREL_SERVER and JOURNEY_REMOTE say
# where they are.
#   remote_collection WORK CATALOG_SETUP JOURNEY SERVER BELL_SOUND
remote_collection() {
  local work=$1 setup=$2 journey=$3 server=$4 bell=$5
  printf '[Faraway]\nDriver=SQLite3\nDatabase=%s\nNoTXN=0\n' "$work/remote.db" >> "$ODBCINI"
  ASAN_OPTIONS=detect_leaks=0 "$setup" Faraway > /dev/null
  local r=$work/web/sounds
  mkdir -p "$r"
  sox -n -r 22050 -c 1 -b 16 "$r/rain_storm.wav" synth 1.5 whitenoise lowpass 2000 vol 0.5
  sox -n -r 22050 -c 1 -b 16 "$r/thunder.wav" synth 2 brownnoise fade 0 2 1.5
  sox "$bell" "$r/bell_far.wav" speed 1.059463 vol 0.6
  sox -n -r 22050 -c 1 -b 16 "$r/door.wav" synth 0.4 square 60 fade 0 0.4 0.3
  ASAN_OPTIONS=detect_leaks=0 "$journey" --fill-remote Faraway "$r"
  python3 -u -m http.server --bind 127.0.0.1 0 --directory "$work/web" > "$work/http.log" 2>&1 &
  pids+=($!)
  local http_port server_port
  http_port=$(wait_for_port 's/.* port \([0-9]*\) .*/\1/p' "$work/http.log")
  ASAN_OPTIONS=detect_leaks=0 "$server" --dsn Faraway --root "$r" \
    --url-base "http://127.0.0.1:$http_port/sounds/" --listen 127.0.0.1:0 > "$work/server.log" 2>&1 &
  pids+=($!)
  server_port=$(wait_for_port 's/^WebTambrel server on [0-9.]*:\([0-9]*\),.*/\1/p' "$work/server.log")
  echo "HTTP on $http_port, WebTambrel on $server_port"
  export TAMBREL_WEBTAMBREL_SERVER=127.0.0.1:$server_port JOURNEY_REMOTE=$r
}

# Each side says its port once it listens: prints the port its log names.
wait_for_port() { # sed-pattern log
  local pattern=$1 log=$2 port=""
  for _ in $(seq 1 100); do
    port=$(sed -n "$pattern" "$log" | head -1)
    [ -n "$port" ] && { echo "$port"; return 0; }
    sleep 0.1
  done
  echo "no port in $log:" >&2; cat "$log" >&2; return 1
}
