#!/usr/bin/env bash
# The application title comes from the program's file name; the show command it is started
# with decides maximised or minimised, and a minimised start reads nothing until restored.
set -uo pipefail
source "$(dirname "$0")/gui_lib.sh"
gui_setup

# Copies named LISTER.EXE and drv.report.exe: the taskbar entry and the error box follow.
for pair in "LISTER.EXE:Lister" "drv.report.exe:drv"; do
  name=${pair%%:*} title=${pair#*:}
  cp "$TOLVANE_EXE" "$GUI_TMP/$name"
  gui_load_records 2 1
  gui_start_program "$GUI_TMP/$name"
  gui_expect_eq "error box caption of $name" "caption=$title" \
    "$(gui_probe errorbox | grep '^caption=')"
  gui_probe ok
  gui_wait_state visible 1 10 || gui_fail "$name not shown"
  gui_expect_eq "taskbar title of $name" "$title" "$(gui_state apptitle)"
  gui_key F10
  gui_wait_exit 30
  gui_expect_eq "$name exit code" "0" "$GUI_EXIT"
done

exe=$(winepath -w "$TOLVANE_EXE" 2>/dev/null)

# SW_SHOWMAXIMIZED (3)
gui_load_records 5
wine "$GUI_PROBE" launch "$exe" 3 >/dev/null 2>&1 &
GUI_PID=$!
gui_wait_state visible 1 30 || gui_fail "maximised start not shown"
gui_shot maximised
gui_expect_eq "started maximised" "1" "$(gui_state zoomed)"
gui_expect_eq "maximised start filled" "Count: 5" "$(gui_state status0)"
gui_probe taskbarclose  # Close on the taskbar entry's window menu ends the program like Exit
gui_wait_exit 30
gui_expect_eq "exit code after the taskbar entry's Close" "0" "$GUI_EXIT"

# SW_SHOWMINNOACTIVE (7): nothing is read until the user restores the program.
gui_load_records 5
wine "$GUI_PROBE" launch "$exe" 7 >/dev/null 2>&1 &
GUI_PID=$!
gui_wait_state running 1 30 || gui_fail "minimised start has no main window"
sleep 1
gui_expect_eq "minimised: window hidden" "0" "$(gui_state visible)"
gui_expect_eq "minimised: taskbar entry minimised" "1" "$(gui_state appiconic)"
gui_expect_eq "minimised: nothing read" "0" "$(gui_state count)"
gui_expect_eq "minimised: no count" "" "$(gui_state status0)"
gui_load_records 7  # records that change while minimised are the ones read on restore
gui_probe restore
gui_wait_state visible 1 10 || gui_fail "restore did not show the window"
gui_expect_eq "restored: list filled" "Count: 7" "$(gui_state status0)"
gui_expect_eq "restored: rows" "7" "$(gui_state count)"
gui_shot restored
gui_key F10
gui_wait_exit 30
gui_expect_eq "restored exit code" "0" "$GUI_EXIT"
gui_finish
