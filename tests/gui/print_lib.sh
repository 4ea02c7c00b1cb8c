# Helpers for the GUI tests that print: the test queue as the prefix's default printer, the
# real print dialog found and answered from outside, and the jobs the queue saves, read back
# as PostScript, text and pictures. Source it after gui_lib.sh and call print_setup after
# gui_setup.

source "$GUI_ROOT/scripts/printing.sh"
PRINT_JOBS=${TOLVANE_PRINT_JOBS:-$GUI_BUILD/print-jobs}
PRINT_PAGES=$GUI_BUILD/print-pages
PRINT_KNOWN=""
PRINT_JOB=""
PRINT_DIALOG=""
# Wine's print dialog is titled Print: the search is anchored, so it never finds the menu
# item or the main window.
PRINT_DIALOG_NAME='^Print$'

print_setup() {
  PRINT_QUEUE=$(tolvane_print_queue "$PRINT_JOBS") || {
    gui_fail "no print queue"
    gui_finish
  }
  mkdir -p "$PRINT_PAGES"
  print_known_jobs
}

# print_known_jobs: remembers the jobs saved so far; the next print_wait_job waits for another.
print_known_jobs() {
  PRINT_KNOWN=$(find "$PRINT_JOBS" -maxdepth 1 -name 'job-*.ps' -printf '%f\n' | sort)
}

# print_new_jobs [KNOWN]: the jobs saved since print_known_jobs (or not in the list KNOWN),
# oldest first.
print_new_jobs() {
  find "$PRINT_JOBS" -maxdepth 1 -name 'job-*.ps' -printf '%f\n' | sort |
    comm -13 <(echo "${1-$PRINT_KNOWN}") - | sort -t- -k2 -n
}

# print_wait_job [SECONDS]: waits for a new saved job and sets PRINT_JOB to its path.
print_wait_job() {
  local i job
  PRINT_JOB=""
  for ((i = 0; i < ${1:-60} * 10; i++)); do
    job=$(print_new_jobs | head -1)
    if [ -n "$job" ]; then
      PRINT_JOB=$PRINT_JOBS/$job
      PRINT_KNOWN=$(printf '%s\n%s\n' "$PRINT_KNOWN" "$job" | sort)
      return 0
    fi
    sleep 0.1
  done
  return 1
}

# print_wait_dialog [SECONDS]: waits for the print dialog and sets PRINT_DIALOG to its window.
print_wait_dialog() {
  local i
  PRINT_DIALOG=""
  for ((i = 0; i < ${1:-20} * 10; i++)); do
    PRINT_DIALOG=$(xdotool search --onlyvisible --name "$PRINT_DIALOG_NAME" 2>/dev/null | head -1)
    [ -n "$PRINT_DIALOG" ] && return 0
    sleep 0.1
  done
  return 1
}

# print_wait_dialog_gone [SECONDS]
print_wait_dialog_gone() {
  local i
  for ((i = 0; i < ${1:-20} * 10; i++)); do
    [ -z "$(xdotool search --onlyvisible --name "$PRINT_DIALOG_NAME" 2>/dev/null)" ] && return 0
    sleep 0.1
  done
  return 1
}

# print_dialog_key KEY...: types keys into the print dialog.
print_dialog_key() {
  xdotool windowfocus --sync "$PRINT_DIALOG" 2>/dev/null || true
  xdotool key --delay 100 "$@"
}

# print_open HOW: starts Print as a user would (ctrl: Ctrl+P; menu: Alt+F then P; button: a
# click on the toolbar's Print button) and waits for the dialog.
print_open() {
  case "$1" in
    ctrl) gui_key ctrl+p ;;
    menu) gui_key alt+f p ;;
    button) gui_click_toolbutton 2 ;;
  esac
  print_wait_dialog || {
    gui_fail "Print by $1: no print dialog"
    return 1
  }
}

# print_confirm: confirms the dialog with Enter and waits for the job it prints.
print_confirm() {
  print_dialog_key Return
  print_wait_dialog_gone || gui_fail "the print dialog stayed open after Enter"
  print_wait_job || {
    gui_fail "no job was saved"
    return 1
  }
}

# print_load COUNT: replaces the records and refreshes the program's list with F5.
print_load() {
  gui_load_records "$1"
  gui_key F5
  gui_wait_state count "$1" 30 || gui_fail "the list did not show $1 rows after F5"
}

# print_page_text FILE [PAGE]: a page's text (all pages' without PAGE) with Wine's no-break
# spaces made plain.
print_page_text() {
  tolvane_ps_text "$1" "${2:-}" | sed 's/\xc2\xa0/ /g; s/\r$//'
}

print_has() {  # print_has WHAT TEXT PATTERN: the text holds the extended regular expression
  if echo "$2" | grep -Eq -- "$3"; then
    echo "ok: $1"
  else
    gui_fail "$1: no '$3' in: $(echo "$2" | head -3)"
  fi
}

print_lacks() {  # print_lacks WHAT TEXT PATTERN
  if echo "$2" | grep -Eq -- "$3"; then gui_fail "$1: '$3' found"; else echo "ok: $1"; fi
}

# print_check_job LABEL ROWS PAGES: the saved job PRINT_JOB is the report of ROWS rows on
# PAGES pages: its title and orientation, its page count and each page's own header.
print_check_job() {
  local label=$1 rows=$2 pages=$3 page text
  local header
  header=$(head -c 4096 "$PRINT_JOB")
  print_has "$label: job title" "$header" '^%%Title: Listview Print'$'\r''?$'
  print_has "$label: portrait" "$header" '^%%Orientation: Portrait'$'\r''?$'
  gui_expect_eq "$label: pages" "$pages" "$(tolvane_ps_pages "$PRINT_JOB")"
  if [ "$rows" -eq 0 ]; then
    text=$(print_page_text "$PRINT_JOB" 1)
    gui_expect_eq "$label: the one page is blank" "" "$(echo "$text" | tr -d ' \n')"
    return
  fi
  for ((page = 1; page <= pages; page++)); do
    text=$(print_page_text "$PRINT_JOB" "$page")
    print_has "$label: heading on page $page" "$text" '\bTolvane\b'
    print_has "$label: header on page $page" "$text" '\bDriver +Provider +Version\b'
    print_has "$label: page line on page $page" "$text" \
      "Date: [0-9]+[./-][0-9]+[./-][0-9]+ Page: $page / $pages\$"
  done
  # Times New Roman comes out as its metric twin; the header is the one text set in bold.
  local faces
  faces=$(grep -a -o '/[A-Za-z-]* findfont' "$PRINT_JOB" | sort -u | tr '\n' ' ')
  gui_expect_eq "$label: faces" "/LiberationSerif findfont /LiberationSerif-Bold findfont " "$faces"
}

# print_rows_on_page FILE PAGE [LABEL]: how many list rows (LABEL NN, default Driver) a page
# holds.
print_rows_on_page() {
  print_page_text "$1" "$2" | grep -Ec "^ *${3:-Driver} [0-9]+ "
}
