#!/usr/bin/env bash
# The About box as a user meets it, in a stand-in for the program (about_harness.exe: a plain
# main window that opens the box with "A" and logs each step): its texts, the keys and the
# close button that close it or not, where it reopens after a move, and its link, which must
# hand the address to the shell and leave the box open.
# The shell's web browser is replaced for the test by a script that records the address:
# Wine's ShellExecute passes https addresses to winebrowser, which starts the first program of
# HKCU\Software\Wine\WineBrowser "Browsers". The test prefix has Wine draw the window
# frames itself (scripts/lib.sh), so the box has a title bar and close button to use.
set -euo pipefail
root=${TOLVANE_SOURCE:?}
source "$root/scripts/lib.sh"
bin=$(dirname "${TOLVANE_EXE:?}")
work=$bin/about_box_test
rm -rf "$work"
mkdir -p "$work"
tolvane_start_display

log=$work/harness.log
opened=$work/opened-addresses.txt
browser=$work/record-address.sh
printf '#!/bin/sh\nprintf "%%s\\n" "$*" >> "%s"\n' "$opened" >"$browser"
chmod +x "$browser"

harness_pid=""
finish() {
  if [ -n "$harness_pid" ] && kill -0 "$harness_pid" 2>/dev/null; then kill "$harness_pid"; fi
  tolvane_restore_reg_values
}
trap finish EXIT

tolvane_set_reg_value 'HKCU\Software\Wine\WineBrowser' Browsers "$browser"

failures=0
check() {  # description, then the command that must succeed
  local what=$1
  shift
  if "$@"; then
    echo "ok: $what"
  else
    echo "FAILED: $what" >&2
    failures=$((failures + 1))
  fi
}

wait_for() {  # seconds, then a command to retry until it succeeds
  local until=$((SECONDS + $1))
  shift
  until "$@"; do
    [ $SECONDS -lt $until ] || return 1
    sleep 0.2
  done
}

box_id() { xdotool search --onlyvisible --name '^About$' 2>/dev/null | head -1; }
box_shown() { [ -n "$(box_id)" ]; }
box_hidden() { [ -z "$(box_id)" ]; }
results() { grep -c '^result' "$log" || true; }
more_results() { [ "$(results)" -gt "$1" ]; }
links() { grep -c '^link' "$log" || true; }
more_links() { [ "$(links)" -gt "$1" ]; }
last_result() { grep '^result' "$log" | tail -1; }
last_value() { grep "^$1 " "$log" | tail -1 | cut -d' ' -f2-; }

open_box() {
  local before
  before=$(links)
  xdotool windowfocus --sync "$main"
  xdotool key a
  wait_for 10 box_shown || return 1
  wait_for 10 more_links "$before" || return 1
  xdotool windowfocus --sync "$(box_id)"
}

# press KEY, then expect the box to close with RESULT
closes_with() {
  local count
  count=$(results)
  xdotool key "$1"
  wait_for 10 box_hidden && wait_for 5 more_results "$count" &&
    [ "$(last_result)" = "result $2 cursor 0" ]
}

wine "$bin/about_harness.exe" "$(winepath -w "$log" 2>/dev/null)" >/dev/null 2>&1 &
harness_pid=$!
wait_for 30 grep -qs '^ready' "$log"
wait_for 10 test -n "$(xdotool search --onlyvisible --name '^About harness$' 2>/dev/null)"
main=$(xdotool search --onlyvisible --name '^About harness$' | head -1)

open_box
check "the box shows its texts" grep -qxF \
  'texts Tolvane|Version 1.07 beta|https://tolvane.example.org/|Email: support@tolvane.example.org' "$log"
eval "$(xdotool getwindowgeometry --shell "$(box_id)")"
sleep 0.5
import -display "$DISPLAY" -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" "$work/about_box.png"
check "the box is centred on the screen" test "$(last_value box)" = \
  "$(((1280 - WIDTH) / 2)) $(((1024 - HEIGHT) / 2))"

xdotool key Escape
sleep 1
check "Escape leaves the box open" box_shown
check "Enter closes the box with OK" closes_with Return 1

open_box
check "Space on the OK button closes the box with OK" closes_with space 1

open_box
check "Alt+F4 closes the box with Cancel" closes_with alt+F4 2

open_box
eval "$(xdotool getwindowgeometry --shell "$(box_id)")"
count=$(results)
xdotool mousemove $((X + WIDTH - 13)) $((Y + 11)) click 1
check "the close button closes the box with Cancel" \
  eval 'wait_for 10 box_hidden && wait_for 5 more_results "$count" && [ "$(last_result)" = "result 2 cursor 0" ]'

open_box
read -r boxX boxY <<<"$(last_value box)"
xdotool mousemove $((boxX + 60)) $((boxY + 10)) mousedown 1
xdotool mousemove $((boxX + 110)) $((boxY + 40))
xdotool mousemove $((boxX + 160)) $((boxY + 70)) mouseup 1
sleep 0.5
xdotool windowfocus --sync "$(box_id)"
closes_with Return 1
open_box
check "a moved box reopens where it was left" test "$(last_value box)" = \
  "$((boxX + 100)) $((boxY + 60))"

read -r linkX linkY <<<"$(last_value link)"
xdotool mousemove "$linkX" "$linkY"
sleep 0.5
xdotool click 1
check "clicking the link hands the address to the shell" \
  wait_for 15 grep -qF 'https://tolvane.example.org/' "$opened"
sleep 0.5
check "the box stays open after the link is clicked" box_shown
xdotool mousemove "$linkX" "$linkY"
sleep 0.5
xdotool windowfocus --sync "$(box_id)"
check "closing over the link gives the default cursor back" closes_with Return 1

xdotool mousemove 5 5
xdotool windowfocus --sync "$main"
xdotool key alt+F4
check "the harness ends" wait_for 10 grep -q '^ended' "$log"
wait "$harness_pid" || true
harness_pid=""

if [ "$failures" -ne 0 ]; then
  echo "test_about_box: $failures check(s) failed; log: $log" >&2
  exit 1
fi
