#!/usr/bin/env bash
# The one error box: a REG_DWORD InfSection stops the Refresh; the box carries the message
# unchanged (it ends in a quote) under the application title; the rows read before it stay,
# the count keeps its old value, and after OK the window works as before.
set -uo pipefail
source "$(dirname "$0")/gui_lib.sh"
gui_setup

gui_load_records 6
gui_start_program
gui_expect_eq "count before the error" "Count: 6" "$(gui_state status0)"

gui_load_records 8 4
gui_key F5
box=$(gui_probe errorbox)
gui_shot error_box
gui_expect_eq "an error box is up" "box=1" "$(echo "$box" | grep '^box=')"
gui_expect_eq "box caption" "caption=tolvane" "$(echo "$box" | grep '^caption=')"
gui_expect_eq "box text" "text=Invalid data type for 'InfSection'" "$(echo "$box" | grep '^text=')"
gui_expect_eq "main window disabled under the box" "mainenabled=0" \
  "$(echo "$box" | grep '^mainenabled=')"
gui_probe ok
gui_wait_state enabled 1 5
gui_expect_eq "box closed" "box=0" "$(gui_probe errorbox | grep '^box=')"
gui_expect_eq "main window enabled again" "1" "$(gui_state enabled)"
gui_expect_eq "old count kept" "Count: 6" "$(gui_state status0)"
rows=$(gui_probe rows)
gui_expect_eq "rows before the failing class and its partial row stay" 4 "$(echo "$rows" | grep -c .)"
gui_expect_eq "partial row keeps what was read before the failing value" \
  "$(printf 'Driver 04\tMaker 04\t1.0.4.0\t1-4-2020\toem4.inf\t\t\t\t')" "$(echo "$rows" | tail -1)"

gui_load_records 9
gui_key F5
gui_expect_eq "the window works after OK" "Count: 9" "$(gui_state status0)"

# An error in the first Refresh is shown before the window; after OK the window appears.
gui_key F10
gui_wait_exit 30
gui_load_records 3 2
gui_start_program
gui_expect_eq "box before the first showing" "box=1" "$(gui_probe errorbox | grep '^box=')"
gui_expect_eq "window not yet visible" "0" "$(gui_state visible)"
gui_probe ok
gui_wait_state visible 1 10 || gui_fail "window not shown after OK"
gui_expect_eq "no count after a failed first scan" "" "$(gui_state status0)"
gui_expect_eq "rows of the failed first scan" "2" "$(gui_state count)"
gui_key F10
gui_wait_exit 30
gui_expect_eq "exit code" "0" "$GUI_EXIT"
gui_finish
