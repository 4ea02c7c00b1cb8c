#!/usr/bin/env bash
# Soak: the real program driven as a user drives it, round after round: F5, File > Save to a
# new file, Ctrl+P and Enter in the Print dialog, Help > About and Enter. Its handles, GDI and
# USER objects and working set, taken after the first round and after the last, must not grow
# by more than 5%; every saved file is byte-exact and every round prints one whole job.
# TOLVANE_SOAK_ROUNDS sets the number of rounds (300 by default).
set -uo pipefail
source "$(dirname "$0")/gui_lib.sh"
source "$(dirname "$0")/save_lib.sh"
source "$GUI_ROOT/scripts/printing.sh"
gui_setup

ROUNDS=${TOLVANE_SOAK_ROUNDS:-300}
CLASSES=60
PAGES=2  # what 60 rows of the report take on the test printer's default paper
RESOURCE_PROBE=$(dirname "$TOLVANE_EXE")/resource_probe.exe
JOBS=${TOLVANE_PRINT_JOBS:-}
PREVIOUS_PRINTER=""
default_printer() { lpstat -d 2>/dev/null | sed -n 's/^system default destination: //p'; }
if [ -z "$JOBS" ]; then
  # Run by hand: the machine's default printer is given back at the end, unless someone else
  # has chosen another meanwhile.
  PREVIOUS_PRINTER=$(default_printer)
  JOBS=$GUI_BUILD/print-jobs
fi
# The machine's default printer is shared by every test run on it: it is made ours again
# just before the program starts, and pinned in the prefix once it runs.
OWN_PRINTER=$(tolvane_print_queue "$JOBS") || { echo "FAIL: no print queue" >&2; exit 1; }
SAVED=$(mktemp -d /tmp/tsoak.XXXXXX)
WINSAVED=$(winepath -w "$SAVED" 2>/dev/null)
# Without a window manager Wine waits two seconds for one to withdraw each managed window it
# hides; drawing its own frames (Managed=N) it hides a dialog at once. Restored at the end.
X11_KEY='HKCU\Software\Wine\X11 Driver'
PREVIOUS_MANAGED=$(wine reg query "$X11_KEY" /v Managed 2>/dev/null | tr -d '\r' |
  awk '$1 == "Managed" { print $3 }')
wine reg add "$X11_KEY" /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
soak_cleanup() {
  gui_cleanup
  rm -rf "$SAVED"
  if [ -n "$PREVIOUS_PRINTER" ] && [ "$(default_printer)" = "$OWN_PRINTER" ]; then
    lpadmin -d "$PREVIOUS_PRINTER" 2>/dev/null || true
  fi
  if [ -n "$PREVIOUS_MANAGED" ]; then
    wine reg add "$X11_KEY" /v Managed /t REG_SZ /d "$PREVIOUS_MANAGED" /f >/dev/null 2>&1
  else
    wine reg delete "$X11_KEY" /v Managed /f >/dev/null 2>&1
  fi
}
trap soak_cleanup EXIT

soak_abort() {
  gui_fail "$*"
  gui_shot soak_failure
  exit 1
}

# soak_keys WINDOW KEY...: focuses the window, then presses the keys.
soak_keys() {
  local window=$1
  shift
  xdotool windowfocus --sync "$window" 2>/dev/null && xdotool key --delay 30 "$@"
}

# soak_dialog TITLE ANSWER OPENING-KEY...: opens a dialog from the main window with the keys,
# answers it with the command ANSWER once it has the focus, and waits until it is closed.
soak_dialog() {
  local title=$1 answer=$2 dialog
  shift 2
  soak_keys "$MAIN" "$@" || return 1
  dialog=$(save_wait_dialog "$title") || { echo "no $title window"; return 1; }
  xdotool windowfocus --sync "$dialog" 2>/dev/null || return 1
  $answer || return 1
  save_wait_closed "$dialog" || { echo "$title stayed open"; return 1; }
}

soak_enter() { xdotool key Return; }

soak_jobs() { find "$JOBS" -maxdepth 1 -name 'job-*.ps' | sort; }
soak_new_jobs() { comm -13 "$SAVED/jobs-before" <(soak_jobs); }

# soak_figures FILE: the program's resource figures, one key=value a line.
soak_figures() { wine "$RESOURCE_PROBE" figures 2>/dev/null | tr -d '\r' >"$1"; }
soak_value() { sed -n "s/^$2=//p" "$1"; }

soak_type_name() {
  xdotool key ctrl+a && xdotool type --delay 8 "$SOAK_NAME" && xdotool key Return
}

soak_round() {
  local round=$1 name
  name=$(printf 'r%03d.txt' "$round")
  soak_keys "$MAIN" F5 || return 1
  SOAK_NAME="$WINSAVED\\$name"
  soak_dialog "Save As" soak_type_name alt+f s || return 1
  save_wait_bytes "$name" "$SAVED/$name" "$SAVED/expected.txt" >/dev/null ||
    { echo "$name was not saved as the rows"; return 1; }
  soak_dialog "Print" soak_enter ctrl+p || return 1
  soak_dialog "About" soak_enter alt+h a || return 1
}

echo "== resource probe self-check"
wine "$RESOURCE_PROBE" selfcheck 2>/dev/null | tr -d '\r' | tee "$SAVED/selfcheck"
[ "$(grep -c '^ok:' "$SAVED/selfcheck")" = 4 ] ||
  gui_fail "the resource probe does not count what it makes"

gui_load_records "$CLASSES"
for ((i = 1; i <= CLASSES; i++)); do
  printf 'Driver %02d,Maker %02d,1.0.%d.0\r\n' "$i" "$i" "$i"
done >"$SAVED/expected.txt"
soak_jobs >"$SAVED/jobs-before"

tolvane_print_queue "$JOBS" >/dev/null
gui_start_program || exit 1
wine reg add 'HKCU\Software\Microsoft\Windows NT\CurrentVersion\Windows' /v Device /t REG_SZ \
  /d "$OWN_PRINTER,wineps.drv,CUPS:$OWN_PRINTER" /f >/dev/null 2>&1
MAIN=$(gui_window)
[ -n "$MAIN" ] || soak_abort "no main window"

echo "== $ROUNDS rounds"
started=$(date +%s.%N)
for ((round = 1; round <= ROUNDS; round++)); do
  why=$(soak_round "$round") || soak_abort "round $round: ${why:-a step failed}"
  if [ "$round" -eq 1 ]; then
    # The first job is spooled before the first figures: the start is a program at rest.
    tolvane_print_wait "$JOBS" $(($(wc -l <"$SAVED/jobs-before") + 1)) 60 ||
      soak_abort "the first job never reached the queue (default printer now: $(default_printer))"
    soak_figures "$SAVED/start"
    round1=$(date +%s.%N)
  fi
  [ $((round % 50)) -eq 0 ] && echo "round $round done"
done
finished=$(date +%s.%N)
tolvane_print_wait "$JOBS" $(($(wc -l <"$SAVED/jobs-before") + ROUNDS)) 120 ||
  gui_fail "the queue holds $(soak_new_jobs | wc -l) new jobs, expected $ROUNDS"
soak_figures "$SAVED/end"
gui_shot soak_end

# Wine's Save dialog leaves one registry key open per accepted name (its list of last visited
# folders, never closed): that count is shown, and left out of the program's own handles.
for f in "$SAVED/start" "$SAVED/end"; do
  echo "own_handles=$(($(soak_value "$f" handles) - $(soak_value "$f" handles_comdlg_mru)))" >>"$f"
done
echo "== resources (start: after round 1; end: after round $ROUNDS)"
printf '%-12s %12s %12s  %s\n' figure start end source
printf '%-12s %12s %12s  %s\n' "all handles" "$(soak_value "$SAVED/start" handles)" \
  "$(soak_value "$SAVED/end" handles)" "$(soak_value "$SAVED/start" handles_source)"
printf '%-12s %12s %12s  %s\n' "Wine's MRU" "$(soak_value "$SAVED/start" handles_comdlg_mru)" \
  "$(soak_value "$SAVED/end" handles_comdlg_mru)" "keys the Save dialog leaves open"
for key in own_handles gdi user workingset; do
  start=$(soak_value "$SAVED/start" "$key")
  end=$(soak_value "$SAVED/end" "$key")
  case $key in
    own_handles) source="all handles less Wine's MRU keys" ;;
    workingset) source=GetProcessMemoryInfo ;;
    *) source=$(soak_value "$SAVED/start" "${key}_source") ;;
  esac
  printf '%-12s %12s %12s  %s\n' "$key" "$start" "$end" "$source"
  if ! [[ "$start" =~ ^[0-9]+$ && "$end" =~ ^[0-9]+$ ]] || [ "$start" -le 0 ]; then
    gui_fail "$key could not be read"
  elif [ $((end * 100)) -gt $((start * 105)) ]; then
    gui_fail "$key grew by more than 5%: $start -> $end"
  fi
done
echo "private bytes: $(soak_value "$SAVED/start" private) -> $(soak_value "$SAVED/end" private)"

echo "== saved files and printed jobs"
saved=$(find "$SAVED" -name 'r*.txt' | wc -l)
gui_expect_eq "one saved file per round" "$ROUNDS" "$saved"
for file in "$SAVED"/r*.txt; do
  cmp -s "$SAVED/expected.txt" "$file" || gui_fail "$(basename "$file") is not byte-exact"
done
jobs=0
while read -r job; do
  [ -n "$job" ] || continue
  jobs=$((jobs + 1))
  grep -q '^%%Title: Listview Print' "$job" || gui_fail "$(basename "$job"): not the program's job"
  pages=$(tolvane_ps_pages "$job")
  [ "$pages" = "$PAGES" ] || gui_fail "$(basename "$job"): $pages pages, expected $PAGES"
  tail -c 512 "$job" | grep -q '^%%Trailer' || gui_fail "$(basename "$job"): no trailer"
  [ "$(tail -n 1 "$job" | tr -d '\r')" = "%%EOF" ] || gui_fail "$(basename "$job"): cut short"
done < <(soak_new_jobs)
gui_expect_eq "one printed job per round" "$ROUNDS" "$jobs"
# The text of the first and the last job: every row, each with its own version number.
for job in $(soak_new_jobs | sort -V | sed -n '1p;$p'); do
  versions=$(tolvane_ps_text "$job" | grep -o '1\.0\.[0-9]*\.0' | sort -u | wc -l)
  gui_expect_eq "rows printed in $(basename "$job")" "$CLASSES" "$versions"
done

gui_expect_eq "the program runs on" 1 "$(gui_state running)"
gui_expect_eq "the list still holds the rows" "$CLASSES" "$(gui_state count)"
awk -v a="$started" -v b="$round1" -v c="$finished" -v n="$ROUNDS" 'BEGIN {
  later = n > 1 ? (c - b) / (n - 1) : 0
  printf "time: %.1f s for %d rounds, %.2f s a round (%.2f s after the first)\n",
    c - a, n, (c - a) / n, later }'
gui_finish
