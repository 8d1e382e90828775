#!/usr/bin/env bash
# Starts the program under a real X server on a catalog of the test's own, waits for the
# splash and the main window, checks the title, the toolbar's images, the start tip and a
# menu, takes screenshots, closes it through the window manager's close and checks the exit
# status and the settings written. Then starts it without the data source: the message,
# status 255 and no window of its own.
#   startup_under_x.sh PROGRAM PROBE CATALOG_SETUP SCREENSHOT_FOLDER
set -euo pipefail
# Windows come and go while they are listed (a message box closes, the next shows): a look at
# one that has just gone fails, and each such look below is allowed to.

if [ "${1:-}" = "--no-catalog" ]; then
  shift
  program=$1 probe=$2 shots=$3
  "$program" > "$WORK/no-catalog.out" 2> "$WORK/no-catalog.err" &
  pid=$!
  # One message, with the driver's reason in it: close each box as it shows, and count them.
  boxes=0 seen=" "
  for _ in $(seq 1 300); do
    kill -0 "$pid" 2>/dev/null || break
    wid=$(xwininfo -root -tree 2>/dev/null | awk '/"Corvessa Tambrel": \(/ { print $1 }' |
          while read -r w; do xwininfo -id "$w" | grep -q IsViewable && { echo "$w"; break; }; done) || true
    if [ -n "$wid" ]; then
      size=$(xwininfo -id "$wid" | awk '/Width:/ { w = $2 } /Height:/ { h = $2 } END { print w "x" h }') || true
      # A box that closed between the listing and this look is looked for again.
      [ "$size" != "x" ] && [ -n "$size" ] || continue
      # A box still closing is asked again, not counted again.
      if [ "${seen#* $wid }" != "$seen" ]; then "$probe" close "$wid" || true; sleep 0.3; continue; fi
      seen="$seen$wid "
      boxes=$((boxes + 1))
      echo "message box $boxes ($wid): $size"
      [ "${size%x*}" -lt 600 ] || { echo "a window larger than a message box showed"; kill "$pid"; exit 1; }
      sleep 0.5
      "$probe" grab "$wid" "$shots/no-catalog-$boxes.png" || true
      "$probe" close "$wid" || true
      sleep 0.3
    fi
    sleep 0.1
  done
  [ "$boxes" -ge 1 ] || { echo "no message box showed"; cat "$WORK/no-catalog.err"; exit 1; }
  [ "$boxes" -eq 1 ] || { echo "$boxes message boxes showed, not one"; exit 1; }
  status=0
  for _ in $(seq 1 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  if kill -0 "$pid" 2>/dev/null; then echo "the program did not end after its message"; kill "$pid"; exit 1; fi
  wait "$pid" || status=$?
  echo "exit status $status"
  cat "$WORK/no-catalog.err"
  [ "$status" -eq 255 ] || { echo "expected exit status 255"; exit 1; }
  grep -qx "Could not connect to ODBC data source 'Quillnest'" "$WORK/no-catalog.err" ||
    { echo "the message is missing from standard error"; exit 1; }
  exit 0
fi

if [ "${1:-}" = "--inside" ]; then
  shift
  program=$1 probe=$2 shots=$3
  "$program" > "$WORK/program.out" 2>&1 &
  pid=$!
  wid=""
  # The splash comes first; the main window is the large one.
  for _ in $(seq 1 300); do
    if ! kill -0 "$pid" 2>/dev/null; then
      echo "the program ended before its main window showed:"; cat "$WORK/program.out"; exit 1
    fi
    # The splash, once, after its picture has opened.
    if [ ! -f "$shots/splash.png" ]; then
      splash=$(xwininfo -root -tree 2>/dev/null | awk '/"Corvessa Tambrel": \(.* 375x186/ { print $1; exit }') || true
      if [ -n "$splash" ] && xwininfo -id "$splash" | grep -q "IsViewable"; then
        sleep 1.5
        "$probe" grab "$splash" "$shots/splash.png" || true
      fi
    fi
    wid=$(xwininfo -root -tree 2>/dev/null |
          awk '/"Corvessa Tambrel": \(/ { split($0, g, ")  "); split(g[2], s, "x");
                                           if (s[1] + 0 >= 600) { print $1; exit } }') || true
    if [ -n "$wid" ] && xwininfo -id "$wid" | grep -q "IsViewable"; then break; fi
    wid=""
    sleep 0.1
  done
  if [ -z "$wid" ]; then echo "no main window within 30 s"; kill "$pid"; exit 1; fi
  [ -f "$shots/splash.png" ] || { echo "no splash showed"; kill "$pid"; exit 1; }
  title=$(xprop -id "$wid" _NET_WM_NAME | sed 's/^[^"]*"\(.*\)"$/\1/')
  echo "main window $wid: \"$title\""
  [ "$title" = "Corvessa Tambrel" ] || { echo "wrong title"; kill "$pid"; exit 1; }
  # Let the window and its tip paint.
  sleep 1.5
  "$probe" grab "$wid" "$shots/main-window.png"
  "$probe" grab 0 "$shots/screen.png"
  # Below the menu bar, the toolbar's two images: the folder's yellow and the magnifier's
  # glass; over the right pane, the start tip's yellow.
  counts=$("$probe" pixels "$shots/main-window.png" 0,18,400,32 250,200,80 220,235,255)
  tip=$("$probe" pixels "$shots/screen.png" 200,50,600,480 255,255,192)
  echo "$counts"; echo "$tip"
  echo "$counts" | awk '$2 < 10 { print "toolbar image missing: " $1; bad = 1 } END { exit bad }'
  echo "$tip" | awk '$2 < 20000 { print "start tip missing"; exit 1 }'
  # A click on "Tools" opens its menu (one more window shows); a click elsewhere closes it.
  . "$(dirname "$0")/../support/mapped_children.sh"
  before=$(mapped_children)
  after=$before
  # Through the X server's own input (XTest), as a mouse's click arrives: an event sent to the
  # window instead carries no time and no pointer grab, and Qt's menus take it for something
  # else. A loaded machine may be slow to map the menu: wait for it, long enough that a second
  # click cannot close a menu that was only late.
  for attempt in $(seq 0 59); do
    if [ $((attempt % 30)) -eq 0 ]; then xdotool mousemove --window "$wid" 59 9 click 1; fi
    sleep 0.25
    after=$(mapped_children)
    [ "$after" -gt "$before" ] && break
  done
  sleep 0.3
  "$probe" grab 0 "$shots/tools-menu.png"
  echo "viewable windows: $before before the click, $after after"
  [ "$after" -gt "$before" ] || { echo "the Tools menu did not open"; kill "$pid"; exit 1; }
  xdotool mousemove --window "$wid" 600 450 click 1
  for _ in $(seq 1 40); do [ "$(mapped_children)" -gt "$before" ] || break; sleep 0.25; done
  "$probe" close "$wid"
  status=0
  # A slow machine may still be closing the menu when the close arrives: as a user would, ask
  # again now and then.
  for i in $(seq 1 600); do
    kill -0 "$pid" 2>/dev/null || break
    if [ $((i % 100)) -eq 0 ]; then "$probe" close "$wid" 2>/dev/null || true; fi
    sleep 0.1
  done
  if kill -0 "$pid" 2>/dev/null; then echo "the program did not end after close"; kill "$pid"; exit 1; fi
  wait "$pid" || status=$?
  echo "exit status $status"
  cat "$WORK/program.out"
  exit "$status"
fi

program=$1 probe=$2 setup=$3 shots=$4
for tool in Xvfb xwininfo xprop xdotool; do
  command -v "$tool" >/dev/null || { echo "$tool is missing (scripts/install-deps.sh installs it)"; exit 1; }
done
WORK=$(mktemp -d)
export WORK
trap 'rm -rf "$WORK"' EXIT
. "$(dirname "$0")/../support/program_env.sh"
program_env "$WORK" "$setup"
mkdir -p "$shots"
export QT_QPA_PLATFORM=xcb
# libxkbcommon-x11 reads keymap names that are not NUL-terminated with strndup, which the
# strict string check takes for an overflow, and the X libraries keep their caches to the end:
# the offscreen unit tests check our own code for both.
export ASAN_OPTIONS=detect_leaks=0:strict_string_checks=0

bash "$(dirname "$0")/../support/on_own_display.sh" bash "$0" --inside "$program" "$probe" "$shots"

settings="$XDG_CONFIG_HOME/Halvorine/Corvessa Tambrel.conf"
[ -f "$settings" ] || { echo "no settings written"; exit 1; }
for key in ShowTips MainTabular SavePath MainWindowLeft MainWindowHeight; do
  grep -q "^$key=" "$settings" || { echo "setting $key not written"; cat "$settings"; exit 1; }
done
echo "settings written; screenshots in $shots"

# Without the data source: the message, on screen and on standard error, and status 255
# before any window of the program's own.
printf '' > "$ODBCINI"
bash "$(dirname "$0")/../support/on_own_display.sh" bash "$0" --no-catalog "$program" "$probe" "$shots"
