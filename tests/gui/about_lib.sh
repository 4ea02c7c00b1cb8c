# Helpers for the GUI tests of the About box in the real program. Source it after gui_lib.sh
# and call about_setup after gui_setup: it records the addresses the shell is asked to open
# instead of starting a browser, and gives back every registry value it changed on exit.
#
# Wine's ShellExecute hands https addresses to winebrowser, which starts the first program of
# HKCU\Software\Wine\WineBrowser "Browsers": a script here that appends its argument to
# ABOUT_OPENED.

ABOUT_OPENED=$GUI_TMP/opened-addresses.txt

about_cleanup() {
  gui_stop_program
  tolvane_restore_reg_values
  gui_cleanup
}

about_setup() {
  local browser=$GUI_TMP/record-address.sh
  printf '#!/bin/sh\nprintf "%%s\\n" "$*" >> "%s"\n' "$ABOUT_OPENED" >"$browser"
  chmod +x "$browser"
  : >"$ABOUT_OPENED"
  tolvane_set_reg_value 'HKCU\Software\Wine\WineBrowser' Browsers "$browser"
  trap about_cleanup EXIT
}

# about_state KEY: one value of the About box's state as the probe reads it.
about_state() { gui_probe about | sed -n "s/^$1=//p"; }

# about_wait KEY VALUE [SECONDS]: waits until the box's state shows that value.
about_wait() {
  local i
  for ((i = 0; i < ${3:-10} * 5; i++)); do
    [ "$(about_state "$1")" = "$2" ] && return 0
    sleep 0.2
  done
  return 1
}

about_box_window() { xdotool search --onlyvisible --name '^About$' 2>/dev/null | head -1; }

# about_focus_box: gives the keyboard to the box, as a click on it would.
about_focus_box() {
  local box
  box=$(about_box_window)
  [ -n "$box" ] || return 1
  xdotool windowfocus --sync "$box" 2>/dev/null || true
}

# about_open_keys: Help > About through the menu's access keys; waits for the box.
about_open_keys() {
  gui_key alt+h a
  about_wait visible 1 || { gui_fail "Alt+H, A did not open the About box"; return 1; }
}

# about_open_mouse: clicks Help on the menu bar, then About in the drop-down menu.
about_open_mouse() {
  local help left top right bottom i
  help=$(gui_probe menutext '&Help')
  [ -n "$help" ] || { gui_fail "no Help on the menu bar"; return 1; }
  # shellcheck disable=SC2086
  xdotool mousemove $help click 1
  for ((i = 0; i < 25; i++)); do
    read -r left top right bottom <<<"$(gui_probe popup)"
    [ "$left" != none ] && [ -n "$bottom" ] && break
    sleep 0.2
  done
  [ "${left:-none}" != none ] || { gui_fail "the Help menu did not drop down"; return 1; }
  # About is the menu's only item: the middle of the drop-down is on it.
  xdotool mousemove $(((left + right) / 2)) $(((top + bottom) / 2))
  sleep 0.2
  xdotool click 1
  about_wait visible 1 || { gui_fail "clicking Help > About did not open the box"; return 1; }
}

# about_closes_with WHAT KEYS...: with the box focused, the keys close it and give the main
# window back its input.
about_closes_with() {
  local what=$1
  shift
  about_focus_box
  xdotool key --delay 100 "$@"
  if about_wait visible 0; then
    echo "ok: $what closes the box"
  else
    gui_fail "$what did not close the box"
    return 1
  fi
  about_expect_main_back "after $what"
}

about_expect_main_back() {
  about_wait mainenabled 1 || gui_fail "$1: the main window is still disabled"
  about_wait foreground main || gui_fail "$1: the main window is not active again"
}

# about_find_text FACE HEIGHT STYLE RRGGBB BACK TEXT: "left top" of the text in the box's
# client area, or nothing when the box doesn't show it so.
about_find_text() {
  gui_probe findtext "$@" | sed -n 's/^at=\([0-9]\)/\1/p'
}

# about_link_point: the screen point in the middle of the link.
about_link_point() {
  local found size x y w h
  found=$(gui_probe findtext "MS Sans Serif" 13 bu 000080 face "$ABOUT_WEB_PAGE")
  size=$(echo "$found" | sed -n 's/^size=//p')
  found=$(echo "$found" | sed -n 's/^at=\([0-9]\)/\1/p')
  [ -n "$found" ] || return 1
  read -r x y <<<"$found"
  read -r w h <<<"$size"
  echo "$(($(about_state clientleft) + x + w / 2)) $(($(about_state clienttop) + y + h / 2))"
}

# about_x_cursor: the cursor the X server shows now: "width height hotx hoty pixel-hash".
about_x_cursor() {
  python3 - <<'EOF'
import ctypes, ctypes.util, zlib

class CursorImage(ctypes.Structure):
    _fields_ = [("x", ctypes.c_short), ("y", ctypes.c_short),
                ("width", ctypes.c_ushort), ("height", ctypes.c_ushort),
                ("xhot", ctypes.c_ushort), ("yhot", ctypes.c_ushort),
                ("serial", ctypes.c_ulong), ("pixels", ctypes.POINTER(ctypes.c_ulong)),
                ("atom", ctypes.c_ulong), ("name", ctypes.c_char_p)]

x11 = ctypes.CDLL(ctypes.util.find_library("X11"))
xfixes = ctypes.CDLL(ctypes.util.find_library("Xfixes"))
x11.XOpenDisplay.restype = ctypes.c_void_p
xfixes.XFixesGetCursorImage.argtypes = [ctypes.c_void_p]
xfixes.XFixesGetCursorImage.restype = ctypes.POINTER(CursorImage)
display = x11.XOpenDisplay(None)
image = xfixes.XFixesGetCursorImage(display).contents
pixels = bytes()
for i in range(image.width * image.height):
    pixels += (image.pixels[i] & 0xFFFFFFFF).to_bytes(4, "little")
print(image.width, image.height, image.xhot, image.yhot, "%08x" % zlib.crc32(pixels))
EOF
}

# about_wait_cursor PREFIX [SECONDS]: waits until the X cursor's description starts so.
about_wait_cursor() {
  local i
  for ((i = 0; i < ${2:-5} * 5; i++)); do
    case "$(about_x_cursor)" in "$1"*) return 0 ;; esac
    sleep 0.2
  done
  return 1
}
