# Shell helpers shared by the project's scripts and the tests in tests/gui. Source it.
# Everything here works on folders under the build tree: the user's own Wine prefix,
# display and printers are never touched.

TOLVANE_ROOT=${TOLVANE_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
TOLVANE_BUILD=${TOLVANE_BUILD:-$TOLVANE_ROOT/build}
export WINEDEBUG=${WINEDEBUG:--all}

# tolvane_runs_32bit: succeeds when this machine executes 32-bit x86 code. Machines differ, so
# it is found out, never assumed: a tiny i386 program that only exits is assembled and run
# (binutils alone, nothing else installed). The answer is kept for the rest of the shell.
tolvane_runs_32bit() {
  if [ -z "${TOLVANE_RUNS_32BIT:-}" ]; then
    local dir
    dir=$(mktemp -d)
    printf '.globl _start\n_start: movl $1,%%eax\n movl $0,%%ebx\n int $0x80\n' >"$dir/a.s"
    if as --32 "$dir/a.s" -o "$dir/a.o" 2>/dev/null && ld -m elf_i386 "$dir/a.o" -o "$dir/a" 2>/dev/null &&
      "$dir/a" 2>/dev/null; then
      TOLVANE_RUNS_32BIT=yes
    else
      TOLVANE_RUNS_32BIT=no
    fi
    rm -rf "$dir"
    export TOLVANE_RUNS_32BIT
  fi
  [ "$TOLVANE_RUNS_32BIT" = yes ]
}

# tolvane_wine_runs_i686: succeeds when Wine runs the i686 build here: the machine executes
# 32-bit code and Wine's 32-bit half is installed. install-deps installs it where it can; a
# package mirror caught mid-sync can leave it out, and then the x86_64 build is tested alone.
tolvane_wine_runs_i686() {
  tolvane_runs_32bit && dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q 'install ok installed'
}

# tolvane_i686_reason: why the i686 build is not executed, for the scripts' messages.
tolvane_i686_reason() {
  if tolvane_runs_32bit; then
    echo "this machine executes 32-bit code, but Wine's 32-bit half (wine32:i386) is not installed: scripts/install-deps could not install it"
  else
    echo "this machine does not execute 32-bit code, so Wine cannot run it here"
  fi
}

# tolvane_wine_prefix DIR: creates a scratch Wine prefix in DIR unless it exists, with
# Times New Roman and Georgia drawn by metric-compatible Liberation fonts, and Wine drawing
# the window frames itself (X11 Driver "Managed"=N): no window manager runs on the virtual
# display, so without it windows have no title bar or close button to use, keys and clicks
# reach them unreliably, and every hidden window waits two seconds for a manager to answer.
tolvane_wine_prefix() {
  local dir=$1
  export WINEPREFIX=$dir
  if [ -f "$dir/system.reg" ] && tolvane_wine_runs_i686 &&
    [ ! -f "$dir/drive_c/windows/syswow64/kernel32.dll" ]; then
    # Made before Wine's 32-bit half was installed: such a prefix cannot run i686 programs.
    wineserver -k 2>/dev/null || true
    rm -rf "$dir"
  fi
  if [ ! -f "$dir/system.reg" ]; then
    mkdir -p "$dir"
    # No Mono or Gecko install prompts: the program needs neither.
    WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d" wineboot -i >/dev/null 2>&1
    wineserver -w
    local face
    for face in "Times New Roman:Liberation Serif" "Georgia:Liberation Serif"; do
      wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "${face%%:*}" /t REG_SZ \
        /d "${face#*:}" /f >/dev/null 2>&1
    done
    tolvane_unmanaged_frames
    wineserver -w
  elif ! grep -q '^"Managed"="N"' "$dir/user.reg" 2>/dev/null; then
    # A prefix made before the setting was added. (The server writes user.reg when it ends:
    # until then this may run again, harmlessly.)
    tolvane_unmanaged_frames
  fi
  tolvane_wine_fonts "$dir"
}

# tolvane_wine_fonts DIR: Wine's own fonts (Marlett for the caption buttons, MS Sans Serif and
# the rest, from Debian's fonts-wine) in the prefix's Fonts folder, where both halves of Wine
# find them: without them the frame's buttons draw as the letters "0 1 r".
tolvane_wine_fonts() {
  local fonts=$1/drive_c/windows/Fonts
  mkdir -p "$fonts"
  cp -n /usr/share/wine/fonts/*.ttf /usr/share/wine/fonts/*.fon "$fonts/" 2>/dev/null || true
}

tolvane_unmanaged_frames() {
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
}

# tolvane_wine_session: keeps one wineserver and Wine's own service processes running for
# the current WINEPREFIX, started with no pipe of ours open: a test runner that waits for
# its child's output to close would otherwise wait for them too.
tolvane_wine_session() {
  wineserver -p </dev/null >/dev/null 2>&1 || true  # already running for this prefix: keep it
  wine cmd /c exit </dev/null >/dev/null 2>&1
}

# tolvane_stop_wine PREFIX...: ends the Wine server of each prefix, if one runs.
tolvane_stop_wine() {
  local prefix
  for prefix in "$@"; do
    WINEPREFIX=$prefix wineserver -k 2>/dev/null || true
  done
}

# tolvane_set_reg_value KEY VALUE DATA: sets a REG_SZ value in the current prefix for a test,
# noting the value it replaces; tolvane_restore_reg_values gives every noted value back.
TOLVANE_CHANGED_VALUES=()
tolvane_set_reg_value() {
  local old
  old=$(wine reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' |
    awk -v v="$2" '$1 == v { $1 = ""; $2 = ""; sub(/^ +/, ""); print }') || true
  TOLVANE_CHANGED_VALUES+=("$1|$2|${old:--}")
  wine reg add "$1" /v "$2" /t REG_SZ /d "$3" /f >/dev/null 2>&1
}

tolvane_restore_reg_values() {
  local entry key value old
  for entry in "${TOLVANE_CHANGED_VALUES[@]}"; do
    IFS='|' read -r key value old <<<"$entry"
    if [ "$old" = "-" ]; then
      wine reg delete "$key" /v "$value" /f >/dev/null 2>&1 || true
    else
      wine reg add "$key" /v "$value" /t REG_SZ /d "$old" /f >/dev/null 2>&1 || true
    fi
  done
  TOLVANE_CHANGED_VALUES=()
}

# tolvane_start_display: starts Xvfb on a free display number unless DISPLAY already
# answers, and exports DISPLAY. The server ends when the calling shell's session ends
# or when tolvane_stop_display is called.
tolvane_start_display() {
  if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    return 0
  fi
  local n
  for n in $(seq 90 140); do
    if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then
      Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
      TOLVANE_XVFB_PID=$!
      export DISPLAY=":$n"
      local i
      for i in $(seq 1 50); do
        xdpyinfo >/dev/null 2>&1 && return 0
        sleep 0.1
      done
      kill "$TOLVANE_XVFB_PID" 2>/dev/null
    fi
  done
  echo "tolvane_start_display: no virtual display could be started" >&2
  return 1
}

tolvane_stop_display() {
  if [ -n "${TOLVANE_XVFB_PID:-}" ]; then
    kill "$TOLVANE_XVFB_PID" 2>/dev/null || true
    wait "$TOLVANE_XVFB_PID" 2>/dev/null || true
    unset TOLVANE_XVFB_PID
  fi
}
