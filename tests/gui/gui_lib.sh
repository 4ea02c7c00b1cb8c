# Helpers for the tests that drive the real program under Wine on a virtual display.
# Source it from a test script; it sets up the prefix, the display and the probe, and cleans
# up (the program, the Wine server of a display it started) when the script ends.

GUI_ROOT=${TOLVANE_SOURCE:-$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)}
source "$GUI_ROOT/scripts/lib.sh"
# The build under test is the one whose program TOLVANE_EXE names (x86_64 when run by hand).
TOLVANE_EXE=${TOLVANE_EXE:-$TOLVANE_BUILD/win64/tolvane.exe}
GUI_BUILD=$(dirname "$TOLVANE_EXE")
GUI_PROBE=$(dirname "$TOLVANE_EXE")/probe.exe
GUI_SHOTS=$GUI_BUILD/gui-shots
GUI_TMP=$(mktemp -d)
GUI_PID=""
GUI_FAILED=0
# The test records live in ControlSet002, the control set the scan tries first.
GUI_CLASS_KEY='HKEY_LOCAL_MACHINE\SYSTEM\ControlSet002\Control\Class'

gui_setup() {
  tolvane_wine_prefix "${WINEPREFIX:-$GUI_BUILD/wineprefix}"
  tolvane_start_display
  tolvane_wine_session
  mkdir -p "$GUI_SHOTS"
  trap gui_cleanup EXIT
}

gui_cleanup() {
  gui_stop_program
  rm -rf "$GUI_TMP"
  if [ -n "${TOLVANE_XVFB_PID:-}" ]; then
    wineserver -k 2>/dev/null || true
    tolvane_stop_display
  fi
}

gui_fail() {
  echo "FAIL: $*" >&2
  GUI_FAILED=1
}

gui_expect_eq() {  # gui_expect_eq WHAT EXPECTED ACTUAL
  if [ "$2" != "$3" ]; then gui_fail "$1: expected '$2', got '$3'"; else echo "ok: $1"; fi
}

gui_finish() {
  if [ "$GUI_FAILED" -ne 0 ]; then exit 1; fi
  echo "all checks passed"
}

# gui_records FILE COUNT [BAD]: COUNT classes Class01.. with full records; class number BAD
# (if given) has a REG_DWORD InfSection. The descriptions read "$GUI_DESC NN" (default Driver).
gui_records() {
  local file=$1 count=$2 bad=${3:-0} i name
  {
    printf 'Windows Registry Editor Version 5.00\r\n\r\n'
    for ((i = 1; i <= count; i++)); do
      name=$(printf 'Class%02d' "$i")
      printf '[%s\\%s\\0000]\r\n' "$GUI_CLASS_KEY" "$name"
      printf '"DriverDesc"="%s %02d"\r\n"ProviderName"="Maker %02d"\r\n' "${GUI_DESC:-Driver}" "$i" "$i"
      printf '"DriverVersion"="1.0.%d.0"\r\n"DriverDate"="1-%d-2020"\r\n' "$i" "$i"
      printf '"InfPath"="oem%d.inf"\r\n' "$i"
      if [ "$i" -eq "$bad" ]; then
        printf '"InfSection"=dword:00000001\r\n'
      else
        printf '"InfSection"="Install%d"\r\n' "$i"
      fi
      printf '"InfSectionExt"="Install%d.NT"\r\n"MatchingDeviceId"="PCI\\\\VEN_%04d"\r\n' "$i" "$i"
      printf '"EnumPropPages32"="pages%d.dll,Provider"\r\n\r\n' "$i"
    done
  } >"$file"
}

# gui_load_records COUNT [BAD]: replaces the test control set's classes with new records.
gui_load_records() {
  gui_records "$GUI_TMP/records.reg" "$@"
  wine reg delete "$GUI_CLASS_KEY" /f >/dev/null 2>&1 || true
  wine reg import "$GUI_TMP/records.reg" >/dev/null 2>&1
}

# gui_probe COMMAND...: the probe's answer. On a loaded machine a start of the probe now and
# then fails without a word: that is tried again, up to three times.
gui_probe() {
  local out rc
  for _ in 1 2 3; do
    out=$(wine "$GUI_PROBE" "$@" 2>/dev/null)
    rc=$?
    [ -n "$out" ] || [ "$rc" -eq 0 ] && break
  done
  [ -z "$out" ] || echo "$out" | tr -d '\r'
  return "$rc"
}

# gui_state KEY: one value of the program's state as the probe reads it.
gui_state() { gui_probe state | sed -n "s/^$1=//p"; }

# gui_wait_state KEY VALUE [SECONDS]: waits until the state shows that value.
gui_wait_state() {
  local i
  for ((i = 0; i < ${3:-30} * 4; i++)); do
    [ "$(gui_state "$1")" = "$2" ] && return 0
    sleep 0.25
  done
  return 1
}

# gui_start_program [EXE]: starts the program in the background and waits until its main
# window is visible or an error box is up.
gui_start_program() {
  wine "${1:-$TOLVANE_EXE}" >/dev/null 2>&1 &
  GUI_PID=$!
  local i
  for ((i = 0; i < 120; i++)); do
    [ "$(gui_state visible)" = 1 ] && return 0
    gui_probe errorbox | grep -q '^box=1' && return 0
    sleep 0.25
  done
  gui_fail "the program did not show its window"
  return 1
}

# gui_wait_exit SECONDS: waits for the program to end and sets GUI_EXIT to its exit code, or
# to "running". Not for a command substitution: a subshell cannot wait for the program.
gui_wait_exit() {
  local i
  GUI_EXIT=running
  for ((i = 0; i < $1 * 10; i++)); do
    if ! kill -0 "$GUI_PID" 2>/dev/null; then
      GUI_EXIT=0
      wait "$GUI_PID" || GUI_EXIT=$?
      GUI_PID=""
      return 0
    fi
    sleep 0.1
  done
}

gui_stop_program() {
  if [ -n "$GUI_PID" ] && kill -0 "$GUI_PID" 2>/dev/null; then
    kill "$GUI_PID" 2>/dev/null || true
    wait "$GUI_PID" 2>/dev/null || true
  fi
  GUI_PID=""
}

# gui_window [NAME]: the X window of the main window. The search ignores case, so it also
# finds the application's sizeless window: take the largest match.
gui_window() {
  local id
  for id in $(xdotool search --onlyvisible --name "${1:-^Tolvane\$}" 2>/dev/null); do
    eval "$(xdotool getwindowgeometry --shell "$id")"
    echo "$((WIDTH * HEIGHT)) $id"
  done | sort -n | tail -1 | cut -d' ' -f2
}

# gui_key KEY...: types keys into the main window.
gui_key() {
  local window
  window=$(gui_window)
  [ -n "$window" ] || { gui_fail "no visible main window for keys $*"; return 1; }
  xdotool windowfocus --sync "$window" 2>/dev/null || true
  xdotool key --delay 100 "$@"
  sleep 0.5
}

# gui_click_toolbutton N: clicks toolbar button N (0-3) with the mouse.
gui_click_toolbutton() {
  local xy
  xy=$(gui_probe toolbutton "$1")
  # shellcheck disable=SC2086
  xdotool mousemove $xy click 1
  sleep 0.5
}

gui_shot() { import -window root "$GUI_SHOTS/$1.png"; }
