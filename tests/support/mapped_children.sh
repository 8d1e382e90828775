# Sourced by the X tests that watch windows come and go from outside the program.
# How many children of the root window are mapped: the windows a window manager framed (or,
# without one, the top-level windows themselves) and the windows it does not frame, such as
# an open menu.
mapped_children() {
  xwininfo -root -children | awk '/^ +0x/ { print $1 }' |
    while read -r w; do xwininfo -id "$w" 2>/dev/null | grep -q IsViewable && echo "$w"; done | wc -l || true
}
