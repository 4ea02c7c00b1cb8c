#!/usr/bin/env bash
# The About box of the real program as a user meets it: Help > About by keys and by mouse
# opens it centred, with its texts, over a disabled main window; Enter, Space, Alt+F4 and the
# close button close it, Escape and the main window's shortcuts don't; a moved box reopens
# where it was left; the link shows the hand, hands its address to the shell and leaves the
# box open; the main window works as before afterwards; ending the program closes the box.
set -uo pipefail
source "$(dirname "$0")/gui_lib.sh"
source "$(dirname "$0")/about_lib.sh"
gui_setup
about_setup

ABOUT_WEB_PAGE=https://tolvane.example.org/

# The probe reads the first Tolvane it finds: a stray one would be read instead of ours.
[ "$(gui_state running)" = 0 ] || { gui_fail "another Tolvane is already running" && gui_finish; }
gui_load_records 7
gui_start_program || gui_finish
main=$(gui_probe state)
main_value() { echo "$main" | sed -n "s/^$1=//p"; }
# A point on the main window's list that the box, centred or moved, never covers.
over_main="$(($(main_value left) + 60)) $(($(main_value top) + 200))"
# shellcheck disable=SC2086
xdotool mousemove $over_main
sleep 0.5
arrow=$(about_x_cursor)
arrow_handle=$(gui_probe cursor | sed -n 's/^cursor=//p')

# --- Opening: keys, texts, place, modality ---------------------------------------------------
about_open_keys
sleep 0.5
gui_shot about_over_main
box=$(gui_probe about)
box_value() { echo "$box" | sed -n "s/^$1=//p"; }
import -window root -crop "$(box_value width)x$(box_value height)+$(box_value left)+$(box_value top)" \
  "$GUI_SHOTS/about_box.png"
gui_expect_eq "the first opening is centred across" \
  $((($(box_value screenwidth) - $(box_value width)) / 2)) "$(box_value left)"
gui_expect_eq "the first opening is centred down" \
  $((($(box_value screenheight) - $(box_value height)) / 2)) "$(box_value top)"
gui_expect_eq "the main window is disabled while the box is open" 0 "$(box_value mainenabled)"
gui_expect_eq "the box has the input" box "$(box_value foreground)"

# Each text as the program is meant to draw it (face, height, style, colour, background), at
# its place in the layout, which is drawn for a text height of 13 and scaled to the one in
# use: the client width, 298 at design, tells which that is.
for ((height = 8; height <= 40; height++)); do
  [ $(((298 * height * 2 + 13) / 26)) -eq "$(box_value clientwidth)" ] && break
done
scaled() { echo "$((($1 * height * 2 + 13) / 26)) $((($2 * height * 2 + 13) / 26))"; }
gui_expect_eq "product name in Georgia over the white band" "$(scaled 8 16)" \
  "$(about_find_text Georgia 24 r 000000 white "Tolvane")"
gui_expect_eq "version in bold" "$(scaled 8 72)" \
  "$(about_find_text "MS Sans Serif" 11 b 000000 face "Version 1.07 beta")"
gui_expect_eq "the link in bold underlined navy" "$(scaled 64 176)" \
  "$(about_find_text "MS Sans Serif" 13 bu 000080 face "$ABOUT_WEB_PAGE")"
gui_expect_eq "the e-mail address in Georgia" "$(scaled 64 200)" \
  "$(about_find_text Georgia 13 r 000000 face "Email: support@tolvane.example.org")"

# --- What doesn't close it, and the main window's shortcuts while it is open -----------------
gui_load_records 8
gui_key F5
gui_key ctrl+p
gui_key F10
about_focus_box
xdotool key --delay 100 F5 ctrl+p F10
sleep 1
gui_expect_eq "F10 with the box open leaves the program running" 1 "$(gui_state running)"
gui_click_toolbutton 0
# shellcheck disable=SC2046
xdotool mousemove $(gui_probe menutext '&Help') click 1
# The main window's own close button, on its disabled frame.
xdotool mousemove $(($(main_value left) + $(main_value width) - 12)) $(($(main_value top) + 11))
sleep 0.2
xdotool click 1
sleep 0.5
gui_expect_eq "the main window's close button with the box open leaves the program running" 1 \
  "$(gui_state running)"
gui_expect_eq "F5 and Get Devices with the box open read nothing" 7 "$(gui_state count)"
gui_expect_eq "the disabled menu bar drops no menu down" none "$(gui_probe popup)"
gui_expect_eq "clicks on the main window leave the box active" box "$(about_state foreground)"
gui_expect_eq "Ctrl+P with the box open opens no print dialog" "box=0" \
  "$(gui_probe errorbox | head -1)"
gui_expect_eq "the shortcuts leave the box open" 1 "$(about_state visible)"
# F10 may have put the box's window menu in menu mode: the first Escape leaves that.
about_focus_box
xdotool key --delay 300 Escape Escape
sleep 1
gui_expect_eq "Escape leaves the box open" 1 "$(about_state visible)"

# Another program's window is up when the box closes: the activation must come back to the
# main window, not go to that other program.
wine "$GUI_PROBE" bystander 4 >"$GUI_TMP/bystander" 2>/dev/null &
bystander=$!
sleep 1.5
about_closes_with Enter Return
wait "$bystander"
gui_expect_eq "closing the box activates no other program's window" "activations=0" \
  "$(tr -d '\r' <"$GUI_TMP/bystander")"
gui_key F5
gui_expect_eq "F5 refreshes once the box is closed" 8 "$(gui_state count)"
gui_expect_eq "the count after that Refresh" "Count: 8" "$(gui_state status0)"

# --- The other ways to open and close it ----------------------------------------------------
about_open_mouse && about_closes_with Space space
about_open_keys && about_closes_with Alt+F4 alt+F4
if about_open_keys; then
  box=$(gui_probe about)
  xdotool mousemove $(($(box_value left) + $(box_value width) - 12)) $(($(box_value top) + 11))
  sleep 0.2
  xdotool click 1
  about_wait visible 0 && echo "ok: the close button closes the box" ||
    gui_fail "the close button did not close the box"
  about_expect_main_back "after the close button"
fi

# --- A moved box reopens where it was left --------------------------------------------------
if about_open_keys; then
  box=$(gui_probe about)
  from_x=$(($(box_value left) + 60)) from_y=$(($(box_value top) + 10))
  xdotool mousemove "$from_x" "$from_y" mousedown 1
  xdotool mousemove $((from_x + 50)) $((from_y + 30))
  xdotool mousemove $((from_x + 100)) $((from_y + 60)) mouseup 1
  sleep 0.5
  moved="$(($(box_value left) + 100)) $(($(box_value top) + 60))"
  gui_expect_eq "dragging the title bar moves the box" "$moved" \
    "$(about_state left) $(about_state top)"
  about_closes_with "Enter after the move" Return
  about_open_keys
  gui_expect_eq "the moved box reopens where it was left" "$moved" \
    "$(about_state left) $(about_state top)"
fi

# --- The link: the hand, the shell, the box stays -------------------------------------------
box=$(gui_probe about)
xdotool mousemove $(($(box_value clientleft) + 150)) $(($(box_value clienttop) + 20))
about_wait_cursor "$arrow" && echo "ok: the arrow over the box's white band" ||
  gui_fail "over the white band the cursor is '$(about_x_cursor)', not the arrow"
link=$(about_link_point)
if [ -z "$link" ]; then
  gui_fail "the link is not on the reopened box"
else
  # shellcheck disable=SC2086
  xdotool mousemove $link
  about_wait_cursor "32 32 7 1 " && echo "ok: the program's hand over the link" ||
    gui_fail "over the link the cursor is '$(about_x_cursor)', not the 32 x 32 hand at 7,1"
  [ "$(gui_probe cursor | sed -n 's/^cursor=//p')" != "$arrow_handle" ] &&
    echo "ok: the program reports another cursor than its arrow over the link" ||
    gui_fail "the program reports its arrow over the link"
  # shellcheck disable=SC2086
  xdotool mousemove $over_main
  about_wait_cursor "$arrow" && echo "ok: the arrow again over the disabled main window" ||
    gui_fail "over the disabled main window the cursor is '$(about_x_cursor)', not the arrow"

  # shellcheck disable=SC2086
  xdotool mousemove $link
  about_wait_cursor "32 32 7 1 " || gui_fail "no hand on coming back to the link"
  xdotool click 1
  for ((i = 0; i < 75; i++)); do
    grep -qxF "$ABOUT_WEB_PAGE" "$ABOUT_OPENED" && break
    sleep 0.2
  done
  gui_expect_eq "clicking the link hands the address to the shell" "$ABOUT_WEB_PAGE" \
    "$(head -1 "$ABOUT_OPENED")"
  sleep 0.5
  gui_expect_eq "the box stays open after the link is clicked" 1 "$(about_state visible)"
  gui_expect_eq "the main window stays disabled after the link is clicked" 0 \
    "$(about_state mainenabled)"

  # Closing with the pointer still on the link: the main window there shows its own cursor.
  about_wait_cursor "32 32 7 1 " || gui_fail "no hand on the link after the click"
  about_closes_with "Enter over the link" Return
  about_wait_cursor "$arrow" && echo "ok: the arrow after closing over the link" ||
    gui_fail "after closing over the link the cursor is '$(about_x_cursor)', not the arrow"
  gui_expect_eq "the program reports its arrow after closing over the link" "$arrow_handle" \
    "$(gui_probe cursor | sed -n 's/^cursor=//p')"
fi

gui_load_records 9
gui_key F5
gui_expect_eq "the main window refreshes at the end" 9 "$(gui_state count)"
# A request to end the program while the box is open (Close on the taskbar entry) closes
# the box and ends the program.
if about_open_keys; then
  gui_probe taskbarclose
  gui_wait_exit 30
  gui_expect_eq "the program ends from the taskbar with the box open" "0" "$GUI_EXIT"
fi
gui_finish
