#!/usr/bin/env bash
# Save as a user meets it in the real program: File > Save and the Save button write the list
# byte for byte (commas, quotes, line breaks and bytes above 0x7F unchanged); an existing file
# is replaced without a question; the next dialog offers the last full path, also after a
# Cancel, which writes and shows nothing; a name is used as typed; a read-only file is refused
# with "File access denied." and left alone, a missing folder with "Invalid filename."; the
# list is never touched; an empty list empties the file.
set -uo pipefail
here=$(dirname "$0")
source "$here/gui_lib.sh"
source "$here/save_lib.sh"
gui_setup

out=$GUI_TMP/out
mkdir -p "$out"
winout=$(save_winpath "$out")
trap 'chattr -i "$out/locked.txt" 2>/dev/null; gui_cleanup' EXIT

# save_refused NAME CASE: Save as NAME from the menu must bring an error box up (CASE names
# the case when none comes); sets box to what the box shows.
save_refused() {
  gui_key alt+f s
  save_accept_name "$1"
  box=$(save_wait_box) || gui_fail "no error box for $2"
}
# save_box_ok: OK on the error box gives the main window back.
save_box_ok() {
  gui_probe ok
  gui_wait_state enabled 1 10 || gui_fail "main window not enabled after OK"
}

S=$SAVE_SEP
# Every byte from 0x80 to 0xFF that Windows-1252 defines, as UTF-8.
high=$(for b in $(seq 128 255); do
  case $b in 129 | 141 | 143 | 144 | 157) ;; *) printf "\\x$(printf %x "$b")" ;; esac
done | iconv -f CP1252 -t UTF-8)
rows=(
  "Acme \"Turbo\" NIC, rev. 2${S}Acme, Inc.${S}5.1.2600.0"
  "Pilote ${high}${S}Fabrikam © ™${S}10.0.19041.1"
  "Bare${S}${S}"
  "${S}Ghost${S}9.9"
  "Two$(printf '\r\n')lines${S}Contoso${S}2.0"
)
for i in $(seq 6 14); do rows+=("Driver $i${S}Maker $i${S}1.0.$i.0"); done
save_load_records "${rows[@]}"
save_expected "$GUI_TMP/expected" "${rows[@]}"

gui_start_program || exit 1
gui_expect_eq "ANSI code page the expected bytes assume" 1252 "$(gui_state acp)"
gui_expect_eq "rows listed" 13 "$(gui_state count)"
rows_before=$(gui_probe rows)
status_before=$(gui_state status0)

# 1. File > Save: the dialog starts with an empty name, disables the main window and stands
# centred with a third of the free height above it; a new file gets the list's bytes.
gui_key alt+f s
save_wait_dialog >/dev/null || gui_fail "File > Save showed no Save dialog"
sleep 0.5
gui_shot save_dialog
dialog=$(gui_probe savedialog)
value() { echo "$dialog" | sed -n "s/^$1=//p"; }
gui_expect_eq "dialog caption" "Save As" "$(value caption)"
gui_expect_eq "name field at the first Save" "" "$(value name)"
gui_expect_eq "main window disabled under the dialog" 0 "$(value mainenabled)"
gui_expect_eq "dialog centred horizontally" \
  $(($(value workleft) + ($(value workwidth) - $(value width)) / 2)) "$(value left)"
gui_expect_eq "a third of the free height above the dialog" \
  $(($(value worktop) + ($(value workheight) - $(value height)) / 3)) "$(value top)"
# The main window takes no input under the dialog: File, Save chosen with the mouse and the
# keyboard in the menu bar beside the dialog opens no second one.
# shellcheck disable=SC2046
xdotool mousemove $(gui_probe menubar) click 1
sleep 0.5
xdotool key s
sleep 1
gui_expect_eq "one Save dialog after File, Save under it" 1 \
  "$(xdotool search --onlyvisible --name '^Save As$' | wc -l)"
save_accept_name "$winout\\first.txt"
save_wait_bytes "File > Save writes the list" "$out/first.txt" "$GUI_TMP/expected"
save_wait_closed || gui_fail "the dialog stayed open"
gui_expect_eq "a successful Save shows nothing" "box=0" "$(gui_probe errorbox | grep '^box=')"
gui_expect_eq "main window enabled after the Save" 1 "$(gui_state enabled)"
gui_expect_eq "main window active after the Save" 1 "$(gui_state foreground)"

# 2. The Save button: the dialog offers the last full path (the system shows its name in the
# field and opens its folder), and Enter replaces the existing, longer file without asking.
head -c 4000 /dev/urandom >"$out/first.txt"
gui_click_toolbutton 1
save_wait_dialog >/dev/null || gui_fail "the Save button showed no Save dialog"
dialog=$(gui_probe savedialog)
gui_expect_eq "second dialog offers the first name" "first.txt" "$(value name)"
gui_expect_eq "second dialog offers the first full path" "$winout\\first.txt" "$(value path)"
save_dialog_key Return
save_wait_bytes "the Save button replaces an existing file" "$out/first.txt" "$GUI_TMP/expected"
save_wait_closed || gui_fail "the dialog stayed open"
gui_expect_eq "no overwrite question" "box=0" "$(gui_probe errorbox | grep '^box=')"

# 3. Cancel: nothing is written, nothing is shown, the name is kept.
listing=$(ls -l --time-style=full-iso "$out")
gui_click_toolbutton 1
save_wait_dialog >/dev/null || gui_fail "no Save dialog to cancel"
save_dialog_key ctrl+a
xdotool type --delay 10 "$winout\\cancelled.txt"
save_dialog_key Escape
save_wait_closed || gui_fail "Escape did not close the dialog"
sleep 0.5
gui_expect_eq "Cancel shows nothing" "box=0" "$(gui_probe errorbox | grep '^box=')"
gui_expect_eq "Cancel writes nothing" "$listing" "$(ls -l --time-style=full-iso "$out")"
gui_expect_eq "main window enabled after Cancel" 1 "$(gui_state enabled)"
gui_expect_eq "main window active after Cancel" 1 "$(gui_state foreground)"

# 4. The name survives the Cancel; a name without an extension is used as typed.
gui_key alt+f s
save_wait_dialog >/dev/null || gui_fail "no Save dialog after Cancel"
gui_expect_eq "the path survives a Cancel" "$winout\\first.txt" "$(save_dialog_field path)"
save_accept_name "$winout\\report"
save_wait_bytes "a name without an extension" "$out/report" "$GUI_TMP/expected"
save_wait_closed || gui_fail "the dialog stayed open"
gui_expect_eq "no extension added" "" "$(cd "$out" && ls report.* 2>/dev/null)"

# 5. A read-only file: the error box under the application title, the file untouched, and
# after OK the window works.
printf 'keep me' >"$out/locked.txt"
chattr +i "$out/locked.txt" 2>/dev/null || chmod a-w "$out/locked.txt"
save_refused "$winout\\locked.txt" "a read-only file"
gui_shot save_access_denied
gui_expect_eq "error box caption" "caption=tolvane" "$(echo "$box" | grep '^caption=')"
gui_expect_eq "error box text" "text=File access denied." "$(echo "$box" | grep '^text=')"
gui_expect_eq "main window disabled under the box" "mainenabled=0" \
  "$(echo "$box" | grep '^mainenabled=')"
gui_expect_eq "read-only file unchanged" "keep me" "$(cat "$out/locked.txt")"
save_box_ok
gui_expect_eq "box closed" "box=0" "$(gui_probe errorbox | grep '^box=')"
gui_expect_eq "main window active after OK" 1 "$(gui_state foreground)"

# 6. The refused name was accepted by the dialog, so it is offered next; another extension
# is kept as typed.
gui_click_toolbutton 1
save_wait_dialog >/dev/null || gui_fail "no Save dialog after the error box"
gui_expect_eq "the refused path is offered" "$winout\\locked.txt" "$(save_dialog_field path)"
save_accept_name "$winout\\final.log"
save_wait_bytes "Save works after the error box" "$out/final.log" "$GUI_TMP/expected"
save_wait_closed || gui_fail "the dialog stayed open"

gui_expect_eq "files written" "$(printf 'final.log\nfirst.txt\nlocked.txt\nreport')" \
  "$(ls "$out")"
gui_expect_eq "the list is unchanged by the Saves" "$rows_before" "$(gui_probe rows)"
gui_expect_eq "the count is unchanged by the Saves" "$status_before" "$(gui_state status0)"

# 7. A folder that does not exist: the dialog lets the name through, the open fails with the
# system's path-not-found code.
save_refused "$winout\\missing\\drivers.txt" "a missing folder"
gui_expect_eq "missing folder" "text=Invalid filename." "$(echo "$box" | grep '^text=')"
save_box_ok
gui_expect_eq "no folder made" "" "$(ls -d "$out/missing" 2>/dev/null)"

# 8. A file another program holds open against writers: the sharing violation's code.
printf 'held' >"$out/held.txt"
wine "$GUI_PROBE" hold "$winout\\held.txt" 30 >"$GUI_TMP/hold" 2>/dev/null &
holder=$!
for ((i = 0; i < 40; i++)); do
  grep -q held "$GUI_TMP/hold" && break
  sleep 0.25
done
save_refused "$winout\\held.txt" "a file held by another program"
gui_expect_eq "file held by another program" "text=I/O error 32." "$(echo "$box" | grep '^text=')"
save_box_ok
kill "$holder" 2>/dev/null
wait "$holder" 2>/dev/null
gui_expect_eq "held file unchanged" "held" "$(cat "$out/held.txt")"

# 9. An empty list empties an existing file.
save_load_records
gui_key F5
gui_expect_eq "no rows left" "Count: 0" "$(gui_state status0)"
gui_key alt+f s
save_accept_name "$winout\\first.txt"
: >"$GUI_TMP/empty"
save_wait_bytes "an empty list empties the file" "$out/first.txt" "$GUI_TMP/empty"
save_wait_closed || gui_fail "the dialog stayed open"
gui_expect_eq "an empty Save shows nothing" "box=0" "$(gui_probe errorbox | grep '^box=')"

gui_key F10
gui_wait_exit 30
gui_expect_eq "exit code" 0 "$GUI_EXIT"
gui_finish
