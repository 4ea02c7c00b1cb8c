#!/usr/bin/env bash
# The main window as a user meets it: filled before it is first visible and centred; F5,
# View > Refresh and the Get Devices button refresh alike, with no duplicates; Shift+F5 and
# Ctrl+F5 do nothing; F10 closes at once with exit code 0.
set -uo pipefail
source "$(dirname "$0")/gui_lib.sh"
gui_setup

gui_load_records 12
# The probe's child keeps the probe's output open: read it from a file once the probe ends.
wine "$GUI_PROBE" firstshow "$(winepath -w "$TOLVANE_EXE" 2>/dev/null)" >"$GUI_TMP/first" 2>/dev/null
first=$(tr -d '\r' <"$GUI_TMP/first")
gui_expect_eq "rows at the first showing" "count=12" "$(echo "$first" | grep '^count=')"
gui_expect_eq "status at the first showing" "status0=Count: 12" "$(echo "$first" | grep '^status0=')"
# The program the probe started runs on by itself: F10 ends it.
gui_key F10
gui_wait_state running 0 10 || gui_fail "the first program did not end"

gui_start_program
gui_shot main_window
gui_expect_eq "caption" "Tolvane" "$(gui_state caption)"
gui_expect_eq "taskbar title" "tolvane" "$(gui_state apptitle)"
gui_expect_eq "panel 1" "https://tolvane.example.org/" "$(gui_state status1)"
state=$(gui_probe state)
value() { echo "$state" | sed -n "s/^$1=//p"; }
gui_expect_eq "centred horizontally" $((($(value screenwidth) - $(value width)) / 2)) "$(value left)"
gui_expect_eq "centred vertically" $((($(value screenheight) - $(value height)) / 2)) "$(value top)"
gui_expect_eq "outer size" "632x496" "$(value width)x$(value height)"
rows_before=$(gui_probe rows)
gui_expect_eq "rows listed" 12 "$(echo "$rows_before" | grep -c .)"

gui_key F5
gui_expect_eq "a second Refresh shows the same rows" "$rows_before" "$(gui_probe rows)"
gui_expect_eq "count after a second Refresh" "Count: 12" "$(gui_state status0)"

# Each trigger is judged by whether it reads records changed behind the program's back.
gui_load_records 13
gui_key shift+F5
gui_key ctrl+F5
gui_expect_eq "Shift+F5 and Ctrl+F5 read nothing" "12" "$(gui_state count)"
gui_key F5
gui_expect_eq "F5 refreshes" "13" "$(gui_state count)"

gui_load_records 14
gui_key alt+v r
gui_expect_eq "View > Refresh refreshes" "14" "$(gui_state count)"
gui_expect_eq "View > Refresh writes the count" "Count: 14" "$(gui_state status0)"

gui_load_records 15
gui_click_toolbutton 0
gui_expect_eq "Get Devices refreshes" "15" "$(gui_state count)"
gui_shot after_refreshes

gui_key alt+f
gui_shot file_menu_open
gui_key Escape Escape
gui_expect_eq "Alt+F opens a menu, the program runs on" "1" "$(gui_state running)"

gui_key F10
# Hidden, or already gone with the program.
gui_expect_eq "F10 closes the window at once" "" "$(gui_state visible | grep -v 0)"
gui_wait_exit 30
gui_expect_eq "exit code after F10" "0" "$GUI_EXIT"
gui_finish
