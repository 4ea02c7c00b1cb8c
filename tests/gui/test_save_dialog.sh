#!/usr/bin/env bash
# SaveDialog1 driven as a user drives it, through tests/gui/win32_save_dialog_probe.cpp:
# placement, a typed name saved byte for byte, the next dialog offering the last full path,
# Cancel keeping it, a name without extension kept as typed, and a read-only target refused
# with "File access denied" and left unchanged.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../../scripts/lib.sh"
tolvane_wine_prefix "${WINEPREFIX:-$TOLVANE_BUILD/win64/wineprefix}"
tolvane_start_display
probe="$(dirname "${TOLVANE_EXE:-$TOLVANE_BUILD/win64/tolvane.exe}")/save_dialog_probe.exe"

work=$(mktemp -d /tmp/tolvane_save_XXXXXX)
winwork="Z:${work//\//\\}"
log="$work/probe.log"
probe_pid=
cleanup() {
  chattr -i "$work/locked.txt" 2>/dev/null || true
  [ -z "$probe_pid" ] || kill "$probe_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "test_save_dialog: $*" >&2
  [ -f "$log" ] && sed 's/^/  log: /' "$log" >&2
  exit 1
}

# Waits for a shown window titled exactly $1; prints its id.
wait_window() {
  local id i
  for i in $(seq 1 150); do
    id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n1 || true)
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.2
  done
  return 1
}

# Waits until the log holds a line matching $1.
wait_log() {
  local i
  for i in $(seq 1 100); do
    grep -q -- "$1" "$log" 2>/dev/null && return 0
    sleep 0.2
  done
  return 1
}

answer() {  # answer KEYS... : focuses the dialog and presses the keys
  local dialog
  dialog=$(wait_window "Save As") || fail "no Save As dialog"
  xdotool windowfocus --sync "$dialog"
  sleep 0.3
  xdotool "$@"
}

printf 'keep me' >"$work/locked.txt"
if ! chattr +i "$work/locked.txt" 2>/dev/null; then chmod a-w "$work/locked.txt"; fi

wine "$probe" "$winwork\\probe.log" 5 &
probe_pid=$!

# 1: placed centred with a third of the free height above it; a typed name is saved.
# Without a window manager the X window is the client area: the probe's own window, whose
# outer rectangle is 40,40 320x200, tells how far the frame reaches on each side.
dialog=$(wait_window "Save As") || fail "no Save As dialog"
eval "$(xdotool getwindowgeometry --shell "$(wait_window "Save probe")")"
left=$(( X - 40 )) top=$(( Y - 40 )) right=$(( 320 - WIDTH - left )) bottom=$(( 200 - HEIGHT - top ))
eval "$(xdotool getwindowgeometry --shell "$dialog")"
outer_x=$(( X - left )) outer_y=$(( Y - top ))
outer_w=$(( WIDTH + left + right )) outer_h=$(( HEIGHT + top + bottom ))
read -r screen_w screen_h < <(xdpyinfo | awk '/dimensions:/ { split($2, d, "x"); print d[1], d[2] }')
want_x=$(( (screen_w - outer_w) / 2 ))
want_y=$(( (screen_h - outer_h) / 3 ))
(( outer_x >= want_x - 2 && outer_x <= want_x + 2 && outer_y >= want_y - 2 && outer_y <= want_y + 2 )) ||
  fail "dialog at $outer_x,$outer_y (${outer_w}x$outer_h), expected about $want_x,$want_y"
answer type --delay 20 "$winwork\\first.txt"
xdotool key Return
wait_log "^1 saved" || fail "first save did not happen"
[ "$(od -An -c "$work/first.txt" | tr -s ' ')" = "$(printf 'X,Y,1.0\r\nZ,,\r\n' | od -An -c | tr -s ' ')" ] ||
  fail "first.txt is not the 14 expected bytes"

# 2: the dialog offers the last full path; Enter takes it.
answer key Return
wait_log "^2 accepted $(printf '%s' "$winwork\\first.txt" | sed 's/\\/\\\\/g')\$" ||
  fail "second dialog did not offer the first path"

# 3: Cancel keeps the name and shows nothing.
answer key Escape
wait_log "^3 cancelled .*first.txt\$" || fail "cancel lost the name"

# 4: a name without an extension is used as typed.
answer key ctrl+a type --delay 20 "$winwork\\report"
xdotool key Return
wait_log "^4 saved" || fail "save to report did not happen"
[ -f "$work/report" ] && [ ! -e "$work/report.TXT" ] && [ ! -e "$work/report.txt" ] ||
  fail "report was not saved under the name typed"

# 5: a read-only file is refused and left unchanged.
answer key ctrl+a type --delay 20 "$winwork\\locked.txt"
xdotool key Return
wait_log "^5 error File access denied\$" || fail "read-only file was not refused"
box=$(wait_window "Probe") || fail "no message box"
xdotool windowfocus --sync "$box"
xdotool key Return
wait_log "^end" || fail "probe did not end"
[ "$(cat "$work/locked.txt")" = "keep me" ] || fail "read-only file changed"
wait "$probe_pid" || fail "probe failed"
probe_pid=
echo "test_save_dialog: passed"
