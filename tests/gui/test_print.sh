#!/usr/bin/env bash
# Print as a user meets it, through the real print dialog to the test queue: Ctrl+P, File >
# Print and the toolbar's Print button each print the list as the portrait job "Listview
# Print" with the page count the page's metrics give; the dialog sits like the Save dialog;
# three copies or landscape chosen in it still give one portrait copy; Cancel prints and
# shows nothing; F5 pressed while a job spools never mixes two scans into it; without a
# default printer Print shows the error box and no dialog.
set -uo pipefail
source "$(dirname "$0")/gui_lib.sh"
source "$(dirname "$0")/print_lib.sh"
gui_setup
print_setup

# The no-printer case takes the printers away from the prefix: give them back however the
# script ends, or every later print test would find none.
restore_printers() {
  wine "$GUI_PROBE" rowsperpage >/dev/null 2>&1  # Wine reloads CUPS's printers on start
  tolvane_print_default "$PRINT_QUEUE"
}
trap 'gui_stop_program; restore_printers; gui_cleanup' EXIT

rows_per_page=$(gui_probe rowsperpage | sed -n 's/^rowsperpage=//p')
if ! [ "${rows_per_page:-0}" -gt 1 ] 2>/dev/null; then
  gui_fail "rows per page on the test printer: '$rows_per_page'"
  gui_finish
fi
echo "rows per page on the test printer: $rows_per_page"
pages_for() { echo $((($1 + rows_per_page - 1) / rows_per_page)); }

# print_check_placement: the dialog is centred horizontally on the work area with one third
# of the free height above it, and what X shows is that window.
print_check_placement() {
  local dialog
  dialog=$(gui_probe dialog Print)
  value() { echo "$dialog" | sed -n "s/^$1=//p"; }
  gui_expect_eq "dialog left" $(($(value workleft) + ($(value workwidth) - $(value width)) / 2)) \
    "$(value left)"
  gui_expect_eq "dialog top" $(($(value worktop) + ($(value workheight) - $(value height)) / 3)) \
    "$(value top)"
  # The test prefix has Wine draw the frames itself, so X shows the whole window.
  eval "$(xdotool getwindowgeometry --shell "$PRINT_DIALOG")"
  gui_expect_eq "the dialog on screen is that window" \
    "$(value left),$(value top) $(value width)x$(value height)" "$X,$Y ${WIDTH}x$HEIGHT"
}

# first_rows COUNT: the captions of the list's first rows, as the probe reads them.
first_rows() { gui_probe rows | head -"$1" | cut -f1; }

gui_load_records 0
gui_start_program || gui_finish
gui_expect_eq "empty list" 0 "$(gui_state count)"

# An empty list: one blank page.
if print_open ctrl; then
  gui_shot print_dialog
  print_check_placement
  print_confirm && print_check_job "0 rows by Ctrl+P" 0 1
fi

# As many rows as fit on a page: still one page.
print_load "$rows_per_page"
if print_open menu && print_confirm; then
  print_check_job "$rows_per_page rows by File > Print" "$rows_per_page" 1
  gui_expect_eq "rows on the one page" "$rows_per_page" "$(print_rows_on_page "$PRINT_JOB" 1)"
  text=$(print_page_text "$PRINT_JOB" 1)
  for caption in $(first_rows 3 | tr ' ' '_'); do
    print_has "row ${caption/_/ } printed" "$text" "^ *${caption/_/ } +Maker"
  done
fi

# One row more: it goes alone onto page 2.
print_load $((rows_per_page + 1))
if print_open button && print_confirm; then
  print_check_job "$((rows_per_page + 1)) rows by the Print button" $((rows_per_page + 1)) 2
  gui_expect_eq "rows on page 1 of 2" "$rows_per_page" "$(print_rows_on_page "$PRINT_JOB" 1)"
  gui_expect_eq "rows on page 2 of 2" 1 "$(print_rows_on_page "$PRINT_JOB" 2)"
fi

# 150 rows with three copies and landscape chosen in the dialog: one portrait copy.
print_load 150
pages=$(pages_for 150)
if print_open ctrl; then
  print_dialog_key alt+c ctrl+a 3
  gui_expect_eq "three copies typed" 3 "$(gui_probe dialog Print | sed -n 's/^edit1154=//p')"
  print_dialog_key alt+p
  options=""
  for ((i = 0; i < 100; i++)); do
    options=$(xdotool search --onlyvisible --name '^Options$' 2>/dev/null | head -1)
    [ -n "$options" ] && break
    sleep 0.1
  done
  if [ -n "$options" ]; then
    xdotool windowfocus --sync "$options" 2>/dev/null || true
    xdotool key --delay 100 alt+l
    gui_shot print_properties_landscape
    xdotool key Return
    for ((i = 0; i < 100; i++)); do
      [ -z "$(xdotool search --onlyvisible --name '^Options$' 2>/dev/null)" ] && break
      sleep 0.1
    done
  else
    gui_fail "the printer's properties did not open"
  fi
  if print_confirm; then
    print_check_job "150 rows by Ctrl+P" 150 "$pages"
    if copies=$(tolvane_ps_copies "$PRINT_JOB"); then
      gui_expect_eq "one copy sent to the queue" 1 "$copies"
    else
      echo "skipped: the queue's record of the copy count cannot be read here"
    fi
    for ((page = 1; page < pages; page++)); do
      gui_expect_eq "rows on page $page of $pages" "$rows_per_page" \
        "$(print_rows_on_page "$PRINT_JOB" "$page")"
    done
    gui_expect_eq "rows on the last page" $((150 - (pages - 1) * rows_per_page)) \
      "$(print_rows_on_page "$PRINT_JOB" "$pages")"
    text=$(print_page_text "$PRINT_JOB" 1)
    for caption in $(first_rows 3 | tr ' ' '_'); do
      print_has "row ${caption/_/ } on page 1" "$text" "^ *${caption/_/ } +Maker"
    done
    # For a person to look at: the first and the last page.
    rm -f "$PRINT_PAGES"/gui-*.png
    tolvane_ps_render "$PRINT_JOB" "$PRINT_PAGES/gui-"
    [ -s "$PRINT_PAGES/gui-1.png" ] && [ -s "$PRINT_PAGES/gui-$pages.png" ] ||
      gui_fail "pages not rendered"
    ls "$PRINT_PAGES"/gui-*.png
  fi
fi

# The report left one copy in the settings, so the next dialog opens with one. Cancel prints
# nothing, shows no error and gives the window back; the Print after it works.
if print_open ctrl; then
  gui_expect_eq "copies when the dialog opens again" 1 \
    "$(gui_probe dialog Print | sed -n 's/^edit1154=//p')"
  before_cancel=$PRINT_KNOWN
  print_dialog_key Escape
  print_wait_dialog_gone || gui_fail "Escape did not close the print dialog"
  gui_wait_state enabled 1 10 || gui_fail "the main window stayed disabled after Cancel"
  gui_expect_eq "no error box after Cancel" "box=0" "$(gui_probe errorbox | head -1)"
  if print_open ctrl && print_confirm; then
    gui_expect_eq "Cancel saved no job: the next one is the only new one" \
      "$(basename "$PRINT_JOB")" "$(print_new_jobs "$before_cancel" | tr '\n' ' ' | sed 's/ $//')"
    print_check_job "Print after Cancel" 150 "$pages"
  fi
fi

# F5 while a job spools. The job lets the program take its messages between pages; F5
# presses queued there from outside, from before Enter until after the job, may land inside
# the job or after it, never before it began. Either way the job holds one scan's rows
# and the list ends with the new records.
GUI_DESC=Device gui_load_records 120
if print_open ctrl; then
  wine "$GUI_PROBE" postkeys 116 60 25 >/dev/null 2>&1 &
  keys=$!
  sleep 0.3  # the presses are on their way before Enter
  if print_confirm; then
    wait "$keys"
    gui_wait_state count 120 30 || gui_fail "the held Refresh did not run after the job"
    gui_expect_eq "count after the job" "Count: 120" "$(gui_state status0)"
    all=$(print_page_text "$PRINT_JOB")
    gui_expect_eq "the job holds the scan it began with" \
      "150 0" "$(echo "$all" | grep -Ec '^ *Driver [0-9]+ ') $(echo "$all" | grep -Ec '^ *Device [0-9]+ ')"
  fi
  wait "$keys" 2>/dev/null
fi
gui_expect_eq "list after the jobs" 120 "$(gui_probe rows | grep -c '^Device ')"

gui_key F10
gui_wait_exit 30
gui_expect_eq "exit code" 0 "$GUI_EXIT"

# No default printer: the prefix's default dropped and CUPS out of reach for the program.
wine reg delete 'HKCU\Software\Microsoft\Windows NT\CurrentVersion\Windows' /v device /f \
  >/dev/null 2>&1
CUPS_SERVER=/nonexistent/cups.sock gui_start_program
gui_key ctrl+p
box=""
for ((i = 0; i < 100; i++)); do
  box=$(gui_probe errorbox)
  echo "$box" | grep -q '^box=1' && break
  sleep 0.1
done
gui_shot print_no_printer
gui_expect_eq "no printer: error box caption" "caption=tolvane" "$(echo "$box" | grep '^caption=')"
gui_expect_eq "no printer: error text" "text=There is no default printer currently selected." \
  "$(echo "$box" | grep '^text=')"
gui_expect_eq "no printer: no print dialog" "" \
  "$(xdotool search --onlyvisible --name "$PRINT_DIALOG_NAME" 2>/dev/null)"
gui_probe ok >/dev/null
gui_wait_state enabled 1 10 || gui_fail "the main window stayed disabled after the error box"
gui_expect_eq "no printer: no job" "" "$(print_new_jobs)"
gui_key F10
gui_wait_exit 30
restore_printers
gui_expect_eq "the test printer is back" "$rows_per_page" \
  "$(gui_probe rowsperpage | sed -n 's/^rowsperpage=//p')"
gui_finish
