# Helpers for the tests that save through the real program's Save dialog. Source it after
# gui_lib.sh. Driver records are given in UTF-8 and imported as exact REG_SZ values, so the
# bytes the program must write (the same text in the ANSI code page) are known in advance.

# save_hex_sz TEXT: TEXT as the hex(1) data of a .reg file (UTF-16LE, zero-terminated).
save_hex_sz() {
  { printf '%s' "$1" | iconv -f UTF-8 -t UTF-16LE; printf '\0\0'; } |
    od -An -v -tx1 | tr -s ' \n' ',' | sed 's/^,//; s/,$//'
}

# A ROW is "description|provider|version" with the unit separator 0x1F for "|" (values may
# hold anything else, line breaks included); an empty field leaves that value out, and a row
# without a description is a class the scan skips.
SAVE_SEP=$'\x1f'

# save_split ROW: sets desc, provider and version.
save_split() {
  desc=${1%%"$SAVE_SEP"*}
  local rest=${1#*"$SAVE_SEP"}
  provider=${rest%%"$SAVE_SEP"*}
  version=${rest#*"$SAVE_SEP"}
}

# save_records FILE ROW...: one class per ROW, named Class01.., in list order.
save_records() {
  local file=$1 i=0 row desc provider version
  shift
  # UTF-16LE with a byte-order mark: only then does the import take hex(1) data as UTF-16.
  printf '\xff\xfe' >"$file"
  {
    # The Class key itself, so that a list without rows still comes from this control set.
    printf 'Windows Registry Editor Version 5.00\r\n\r\n[%s]\r\n\r\n' "$GUI_CLASS_KEY"
    for row in "$@"; do
      i=$((i + 1))
      save_split "$row"
      printf '[%s\\Class%02d\\0000]\r\n' "$GUI_CLASS_KEY" "$i"
      [ -z "$desc" ] || printf '"DriverDesc"=hex(1):%s\r\n' "$(save_hex_sz "$desc")"
      [ -z "$provider" ] || printf '"ProviderName"=hex(1):%s\r\n' "$(save_hex_sz "$provider")"
      [ -z "$version" ] || printf '"DriverVersion"=hex(1):%s\r\n' "$(save_hex_sz "$version")"
      printf '"InfPath"=hex(1):%s\r\n\r\n' "$(save_hex_sz "oem$i.inf")"
    done
  } | iconv -f UTF-8 -t UTF-16LE >>"$file"
}

# save_load_records ROW...: replaces the test control set's classes with these rows.
save_load_records() {
  save_records "$GUI_TMP/save_records.reg" "$@"
  wine reg delete "$GUI_CLASS_KEY" /f >/dev/null 2>&1 || true
  wine reg import "$GUI_TMP/save_records.reg" >/dev/null 2>&1
}

# save_expected FILE ROW...: the bytes a Save of these rows writes, in Windows-1252.
save_expected() {
  local file=$1 row desc provider version
  shift
  for row in "$@"; do
    save_split "$row"
    [ -z "$desc" ] || printf '%s,%s,%s\r\n' "$desc" "$provider" "$version"
  done | iconv -f UTF-8 -t CP1252 >"$file"
}

# save_winpath PATH: the Wine name of a Unix path on drive Z:.
save_winpath() { printf 'Z:%s' "${1//\//\\}"; }

save_dialog_field() { gui_probe savedialog | sed -n "s/^$1=//p"; }

# The waits below poll 20 times a second for up to 30 s: a soak runs them hundreds of times.

# save_wait_dialog [TITLE]: waits until a window titled exactly TITLE is shown (by default the
# program's Save dialog, "Save As"); prints its X window.
save_wait_dialog() {
  local i id
  for ((i = 0; i < 600; i++)); do
    id=$(xdotool search --onlyvisible --name "^${1:-Save As}\$" 2>/dev/null | head -n1)
    if [ -n "$id" ]; then
      echo "$id"
      return 0
    fi
    sleep 0.05
  done
  return 1
}

# save_wait_closed [WINDOW]: waits until that X window (by default any Save dialog) is no
# longer shown.
save_wait_closed() {
  local i
  for ((i = 0; i < 600; i++)); do
    if [ -n "${1:-}" ]; then
      xdotool search --onlyvisible --name '.' 2>/dev/null | grep -qx "$1" || return 0
    else
      [ -z "$(xdotool search --onlyvisible --name '^Save As$' 2>/dev/null)" ] && return 0
    fi
    sleep 0.05
  done
  return 1
}

# save_dialog_key KEY...: presses keys in the Save dialog.
save_dialog_key() {
  local dialog
  dialog=$(save_wait_dialog) || { gui_fail "no Save dialog for keys $*"; return 1; }
  xdotool windowfocus --sync "$dialog" 2>/dev/null || true
  sleep 0.2
  xdotool key --delay 50 "$@"
}

# save_accept_name WINDOWS_PATH: replaces the dialog's name with WINDOWS_PATH and presses Enter.
save_accept_name() {
  save_dialog_key ctrl+a || return 1
  xdotool type --delay 10 "$1"
  xdotool key Return
}

# save_wait_bytes WHAT FILE EXPECTED_FILE: waits until FILE holds exactly the expected bytes.
save_wait_bytes() {
  local i
  for ((i = 0; i < 600; i++)); do
    cmp -s "$2" "$3" && { echo "ok: $1"; return 0; }
    sleep 0.05
  done
  if [ -e "$2" ]; then
    gui_fail "$1: $2 differs from the expected bytes: $(cmp "$2" "$3" 2>&1 | head -1)"
    echo "  written:  $(head -c 48 "$2" | od -An -c | tr -s ' \n' ' ')" >&2
    echo "  expected: $(head -c 48 "$3" | od -An -c | tr -s ' \n' ' ')" >&2
  else
    gui_fail "$1: $2 was not written"
  fi
  return 1
}

# save_wait_box: waits until a box of the program other than the Save dialog is up; prints
# what the probe reads.
save_wait_box() {
  local i box
  for ((i = 0; i < 40; i++)); do
    box=$(gui_probe errorbox)
    # Right after the name is accepted the Save dialog itself may still be up: not the box.
    if echo "$box" | grep -q '^box=1' && ! echo "$box" | grep -qx 'caption=Save As'; then
      echo "$box"
      return 0
    fi
    sleep 0.25
  done
  echo "box=0"
  return 1
}
