#!/usr/bin/env bash
# The program under a real X server with a window manager, driven only through X input
# (xdotool): every top-level window's frame, title bar included, lies on the screen, also
# where the stored placement put the main window at the top edge; an editor's toolbar Save
# writes the edited file; sounds imported from a metadata file and catalogued with Manage's
# Start Updating show in the main table, where a row's Play stays down while its sound plays
# and rises when it ends, and where Down and the Menu key's Open act on the row reached;
# the window manager's close of the main window ends the program
# with status 0.
#   frames_under_wm.sh PROGRAM PROBE CATALOG_SETUP SCREENSHOT_FOLDER
set -euo pipefail
SCREEN_W=1280 SCREEN_H=800

# Prints "x y w h" of the window manager's frame around a client window: its ancestor just
# below the root window.
frame_of() {
  local w=$1 root parent
  root=$(xwininfo -root | awk '/Window id:/ { print $4 }')
  for _ in 1 2 3 4 5 6; do
    parent=$(xwininfo -tree -id "$w" 2>/dev/null | awk '/Parent window id:/ { print $4 }')
    [ -z "$parent" ] || [ "$parent" = "$root" ] && break
    w=$parent
  done
  xwininfo -id "$w" 2>/dev/null |
    awk '/Absolute upper-left X/ { x = $4 } /Absolute upper-left Y/ { y = $4 }
         /^ +Width:/ { w = $2 } /^ +Height:/ { h = $2 } END { print x, y, w, h }'
}

# Our viewable top-level windows with a title, one "id title" a line.
our_windows() {
  for w in $(xdotool search --onlyvisible --pid "$1" 2>/dev/null); do
    name=$(xprop -id "$w" _NET_WM_NAME 2>/dev/null | sed -n 's/^[^"]*"\(.*\)"$/\1/p') || true
    [ -n "$name" ] && echo "$w $name"
  done
}

wait_for_window() { # pid title-pattern -> id
  for _ in $(seq 1 200); do
    id=$(our_windows "$1" | awk -v p="$2" '{ id = $1; $1 = ""; sub(/^ /, ""); if ($0 ~ p) { print id; exit } }')
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.1
  done
  return 1
}

# "x y w h" of a client window, on the screen.
client_area() {
  xwininfo -id "$1" | awk '/Absolute upper-left X/ { x = $4 } /Absolute upper-left Y/ { y = $4 }
    /^ +Width:/ { w = $2 } /^ +Height:/ { h = $2 } END { print x, y, w, h }'
}

. "$(dirname "$0")/../support/mapped_children.sh"

# The green of the table rows' Play buttons.
PLAY_GREEN=40,160,80

# The main table: the class of the catalogued sounds chosen in the tree by keyboard (F6 moves
# between the panes; Home and Down pick "Effects"), until its rows show their Play buttons
# (green triangles of their own size: the toolbar's pictures have other shapes); then the
# first row's Play is clicked. It stays down while the sound plays and rises at its end.
play_row() {
  local tries=0 found="" px py cx cy cw ch now
  read -r cx cy cw ch < <(client_area "$main")
  while [ -z "$found" ]; do
    tries=$((tries + 1))
    [ "$tries" -le 60 ] || { echo "no row with a Play button in the main table"; cp "$WORK/main.png" "$shots/main-no-rows.png"; return 1; }
    xdotool windowactivate --sync "$main" 2>/dev/null || true
    xdotool mousemove $((cx + cw - 5)) $((cy + ch - 5))
    xdotool key F6 Home Down
    sleep 0.5
    "$probe" grab "$main" "$WORK/main.png" || continue
    found=$("$probe" find "$WORK/main.png" "$PLAY_GREEN" |
            awk '$3 >= 5 && $3 <= 9 && $4 >= 6 && $4 <= 10 { print; exit }') || found=""
  done
  read -r px py _ <<< "$found"
  echo "the first row's Play at $px,$py after $tries tries"
  row1_x=$((cx + px)) row1_y=$((cy + py)) row1_px=$px row1_py=$py
  cp "$WORK/main.png" "$shots/main-table.png"
  local area=$((px - 11)),$((py - 11)),22,22
  xdotool mousemove $((cx + px)) $((cy + py)) click 1 mousemove $((cx + cw - 5)) $((cy + ch - 5))
  local down=0 up=0 pressed
  for _ in $(seq 1 100); do
    "$probe" grab "$main" "$WORK/now.png" || continue
    now=$("$probe" differ "$WORK/main.png" "$WORK/now.png" "$area")
    [ "$now" -gt 20 ] && { down=1; pressed=$(date +%s%N); cp "$WORK/now.png" "$shots/main-playing.png"; break; }
    sleep 0.1
  done
  [ "$down" -eq 1 ] || { echo "the row's Play did not go down"; return 1; }
  for _ in $(seq 1 300); do
    "$probe" grab "$main" "$WORK/now.png" || continue
    now=$("$probe" differ "$WORK/main.png" "$WORK/now.png" "$area")
    [ "$now" -le 20 ] && { up=1; break; }
    sleep 0.1
  done
  [ "$up" -eq 1 ] || { echo "the row's Play did not rise when its sound ended"; return 1; }
  # The six-second sound keeps it down for seconds, not for the blink of a refused start.
  local held=$((($(date +%s%N) - pressed) / 1000000))
  echo "the row's Play went down and rose when its sound ended, ${held} ms later"
  [ "$held" -ge 2000 ] || { echo "too soon for a sound of six seconds"; return 1; }
}

# The keyboard in the main table as the X server delivers it (its menu request comes ahead of
# the Menu key): a click on the first row's Description, Down, the Menu key, then the menu's
# Open by keys. The menu must be the second row's, so the editor opens that row's sound.
menu_key_opens_the_row_reached() {
  local editors
  xdotool windowactivate --sync "$main" 2>/dev/null || true
  xdotool mousemove $((row1_x + 400)) "$row1_y" click 1
  sleep 0.5
  "$probe" grab "$main" "$WORK/row-clicked.png" || return 1
  xdotool key Down
  sleep 0.5
  "$probe" grab "$main" "$WORK/row-reached.png" || return 1
  cp "$WORK/row-reached.png" "$shots/main-keyboard-row.png"
  # The highlight moved: both rows' cells right of the buttons look otherwise than after the
  # click (the rows are 32 pixels apart).
  local row changed
  for row in 0 1; do
    changed=$("$probe" differ "$WORK/row-clicked.png" "$WORK/row-reached.png" \
              "$((row1_px + 40)),$((row1_py + 32 * row - 8)),300,16")
    [ "$changed" -gt 20 ] || { echo "Down left row $((row + 1))'s highlight as it was"; return 1; }
  done
  # A loaded machine shows the menu late: its keys wait for its window.
  local before shown=0
  before=$(mapped_children)
  xdotool key Menu
  for _ in $(seq 1 100); do
    [ "$(mapped_children)" -gt "$before" ] && { shown=1; break; }
    sleep 0.1
  done
  [ "$shown" -eq 1 ] || { echo "the Menu key showed no menu"; return 1; }
  sleep 0.2
  # Play, Loop, Open.
  xdotool key Down Down Down Return
  wait_for_window "$pid" 'rain\.wav' > /dev/null ||
    { echo "the Menu key's Open after Down opened no editor on the second row's sound"; our_windows "$pid"; return 1; }
  editors=$(our_windows "$pid" | grep -c 'wind\.wav') || true
  [ "$editors" -eq 0 ] || { echo "the Menu key's Open acted on the first row"; return 1; }
  echo "Down and the Menu key's Open opened the second row's sound"
}

check_frames() { # pid label
  bad=0
  while read -r id title; do
    read -r x y w h < <(frame_of "$id")
    echo "$2: \"$title\" frame at $x,$y size ${w}x$h"
    if [ "$x" -lt 0 ] || [ "$y" -lt 0 ] || [ $((x + w)) -gt $SCREEN_W ] || [ $((y + h)) -gt $SCREEN_H ]; then
      echo "  the frame of \"$title\" reaches off the screen"; bad=1
    fi
  done < <(our_windows "$1")
  return $bad
}

if [ "${1:-}" = "--inside" ]; then
  shift
  program=$1 probe=$2 shots=$3 sound=$4 metadata=$5
  openbox --sm-disable > "$WORK/openbox.out" 2>&1 &
  for _ in $(seq 1 100); do xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q window && break; sleep 0.1; done
  "$program" "$sound" > "$WORK/program.out" 2>&1 &
  pid=$!
  main=$(wait_for_window "$pid" '^Corvessa Tambrel$' ) || { echo "no main window"; cat "$WORK/program.out"; exit 1; }
  # Wait for the main window proper (the splash has the same title), then for the editor the
  # command line opened.
  for _ in $(seq 1 100); do
    main=$(our_windows "$pid" | awk '$2 == "Corvessa" && NF == 3 { print $1 }' |
           while read -r w; do read -r x y ww hh < <(frame_of "$w"); [ "${ww:-0}" -ge 600 ] && { echo "$w"; break; }; done) || true
    [ -n "$main" ] && break
    sleep 0.2
  done
  [ -n "$main" ] || { echo "no main window"; kill "$pid"; exit 1; }
  editor=$(wait_for_window "$pid" 'tone.wav') || { echo "no editor window"; kill "$pid"; exit 1; }
  sleep 1
  # The Tools menu by keyboard: its n-th entry.
  tools_entry() {
    # A loaded machine opens the menu late, and keys sent before it shows go elsewhere: wait
    # for the menu's own window (a new child of the root), and press again only after long
    # enough that a second press cannot close a menu that was only late.
    for attempt in 1 2; do
      xdotool windowactivate --sync "$main" 2>/dev/null || true
      sleep 0.3
      before=$(mapped_children)
      xdotool key --clearmodifiers alt+t
      opened=0
      for _ in $(seq 1 80); do
        [ "$(mapped_children)" -gt "$before" ] && { opened=1; break; }
        sleep 0.1
      done
      [ "$opened" -eq 1 ] && break
      echo "the Tools menu did not show after alt+t (attempt $attempt)"
      xdotool key Escape
    done
    for _ in $(seq 2 "$1"); do xdotool key Down; done
    xdotool key Return
  }
  wait_for_more_windows() { # count
    for _ in $(seq 1 100); do [ "$(our_windows "$pid" | wc -l)" -gt "$1" ] && return 0; sleep 0.1; done
    return 1
  }
  # Import into MyTambrel: the metadata file's name typed into the file dialog opens Manage
  # with its sounds listed.
  known=$(our_windows "$pid" | awk '{ print $1 }')
  shown=$(echo "$known" | wc -l)
  tools_entry 4
  wait_for_more_windows "$shown" || { echo "no file dialog after Import"; our_windows "$pid"; kill "$pid"; exit 1; }
  dialog=$(our_windows "$pid" | awk '{ print $1 }' | grep -vxF "$known" | head -1) || true
  # The name goes to the dialog once it has the keyboard.
  xdotool windowactivate --sync "$dialog" 2>/dev/null || true
  for _ in $(seq 1 50); do [ "$(xdotool getactivewindow 2>/dev/null)" = "$((dialog))" ] && break; sleep 0.1; done
  sleep 0.3
  xdotool type --delay 30 "$metadata"
  xdotool key Return
  wait_for_window "$pid" 'Manage' > /dev/null || { echo "Import did not open Manage"; our_windows "$pid"; kill "$pid"; exit 1; }
  # Two search windows.
  for item in 1 1; do
    shown=$(our_windows "$pid" | wc -l)
    tools_entry "$item"
    wait_for_more_windows "$shown" || true
  done
  wait_for_window "$pid" 'Manage' > /dev/null || { echo "Manage did not open"; our_windows "$pid"; kill "$pid"; exit 1; }
  [ "$(our_windows "$pid" | grep -c 'Text Search')" -eq 2 ] ||
    { echo "two Text Search windows did not open"; our_windows "$pid"; kill "$pid"; exit 1; }
  sleep 1
  "$probe" grab 0 "$shots/frames-under-wm.png" || true
  status=0
  check_frames "$pid" "opened" || status=1

  # The editor: select with the mouse, Delete, then the toolbar's Save (its first button).
  before=$(md5sum < "$sound")
  xdotool windowactivate --sync "$editor" 2>/dev/null || true
  sleep 0.5
  read -r ex ey ew eh < <(xwininfo -id "$editor" | awk '/Absolute upper-left X/ { x = $4 } /Absolute upper-left Y/ { y = $4 } /^ +Width:/ { w = $2 } /^ +Height:/ { h = $2 } END { print x, y, w, h }')
  wave_y=$((ey + eh - 60))
  xdotool mousemove $((ex + ew / 4)) "$wave_y" mousedown 1 mousemove $((ex + ew / 2)) "$wave_y" mousemove $((ex + ew * 3 / 5)) "$wave_y" mouseup 1
  sleep 0.3
  xdotool key Delete
  sleep 0.5
  xdotool mousemove $((ex + 24)) $((ey + 14)) click 1
  sleep 1.5
  "$probe" grab "$editor" "$shots/editor-after-save.png" || true
  after=$(md5sum < "$sound")
  title=$(xprop -id "$editor" _NET_WM_NAME | sed 's/^[^"]*"\(.*\)"$/\1/')
  echo "editor title after Save: \"$title\""
  if [ "$before" = "$after" ]; then echo "the toolbar's Save left the file unchanged"; status=1; fi
  case "$title" in *"*"*) echo "the title still marks the file modified"; status=1 ;; esac

  # Manage's Start Updating (its green triangle) catalogues the imported sounds.
  manage=$(wait_for_window "$pid" 'Manage')
  bx=""
  for _ in $(seq 1 20); do
    xdotool windowactivate --sync "$manage" 2>/dev/null || true
    sleep 0.5
    "$probe" grab "$manage" "$WORK/manage.png" || continue
    read -r bx by _ < <("$probe" find "$WORK/manage.png" 30,140,50 | tail -1) && break
  done
  read -r mx my _ < <(client_area "$manage")
  [ -n "$bx" ] || { echo "no Start Updating button in Manage"; cp "$WORK/manage.png" "$shots/manage-no-update.png"; status=1; }
  if [ -n "$bx" ]; then
    xdotool mousemove $((mx + bx)) $((my + by)) click 1
    if play_row; then menu_key_opens_the_row_reached || status=1; else status=1; fi
  fi

  # Close every other window first, then the main window through the window manager.
  while read -r id title; do
    [ "$id" = "$main" ] && continue
    xdotool windowactivate --sync "$id" 2>/dev/null || true
    xdotool key --clearmodifiers alt+F4
    sleep 0.5
  done < <(our_windows "$pid")
  xdotool windowactivate --sync "$main" 2>/dev/null || true
  xdotool key --clearmodifiers alt+F4
  for _ in $(seq 1 300); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  if kill -0 "$pid" 2>/dev/null; then
    echo "the program did not end after the main window's close"; our_windows "$pid"; kill "$pid"; exit 1
  fi
  code=0
  wait "$pid" || code=$?
  echo "exit status $code"
  [ "$code" -eq 0 ] || { cat "$WORK/program.out"; status=1; }
  exit "$status"
fi

program=$1 probe=$2 setup=$3 shots=$4
for tool in Xvfb xwininfo xprop xdotool openbox sox; do
  command -v "$tool" >/dev/null || { echo "$tool is missing (scripts/install-deps.sh installs it)"; exit 1; }
done
WORK=$(mktemp -d)
export WORK
trap 'rm -rf "$WORK"' EXIT
. "$(dirname "$0")/../support/program_env.sh"
program_env "$WORK" "$setup"
mkdir -p "$shots" "$XDG_CONFIG_HOME/Halvorine"
# A stored placement at the screen's top edge: the client area there would put the title bar
# above the screen.
printf '[Settings]\nMainWindowLeft=0\nMainWindowTop=0\nMainWindowWidth=900\nMainWindowHeight=600\nShowTips=0\nMainTabular=1\n' \
  > "$XDG_CONFIG_HOME/Halvorine/Corvessa Tambrel.conf"
sound=$WORK/tone.wav
sox -n -r 8000 -c 1 -b 16 "$sound" synth 2 sine 440
# Two sounds for the catalog and a metadata file that files them under "Weather".
mkdir -p "$WORK/sounds"
sox -n -r 22050 -c 1 -b 16 "$WORK/sounds/rain.wav" synth 6 pinknoise vol 0.3
sox -n -r 22050 -c 1 -b 16 "$WORK/sounds/wind.wav" synth 6 brownnoise vol 0.5
metadata=$WORK/weather.tmi
{
  printf 'TAMBREL METADATA\n\n'
  for name in rain wind; do
    printf 'FILENAME %s\nCLASS EFFECT\nCATEGORY Weather\nDESCRIPTION %s\n\n' "$WORK/sounds/$name.wav" "$name"
  done
} > "$metadata"
export QT_QPA_PLATFORM=xcb
export ASAN_OPTIONS=detect_leaks=0:strict_string_checks=0 TAMBREL_AUDIO_DEVICE=null

bash "$(dirname "$0")/../support/on_own_display.sh" --screen "${SCREEN_W}x${SCREEN_H}x24" bash "$0" --inside "$program" "$probe" "$shots" "$sound" "$metadata"
