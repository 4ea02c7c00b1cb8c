#!/usr/bin/env bash
# tolvane-list lists what the window lists, byte for byte: for the same driver records (the
# demo records; texts with commas, quotes, line breaks and bytes above 0x7F, then a record
# whose InfSection is not text), File, Save in the window under Wine, tolvane-list.exe of
# this build under Wine and tolvane-list on Linux (a hive made from the same .reg text) write
# the same bytes in the save format, with the same exit status, and on an error the window's
# message after the rows before it. The two tolvane-lists also list the same records, field
# for field but for the hive's name and the timestamps, in CSV and in JSON Lines, and the same
# devices, driver services and driver-store packages.
set -uo pipefail
here=$(dirname "$0")
source "$here/gui_lib.sh"
source "$here/save_lib.sh"
source "$here/../hive/hive_lib.sh"
gui_setup

list_exe=$(dirname "$TOLVANE_EXE")/tolvane-list.exe
list_native=$(dirname "$TOLVANE_EXE")/../native/tolvane-list
if [ ! -x "$list_native" ]; then
  gui_fail "no native tolvane-list at $list_native: scripts/build native makes it"
  gui_finish
fi
out=$GUI_TMP/out
mkdir -p "$out"
winout=$(save_winpath "$out")

# crosscheck NAME REG_FOR_WINE REG_FOR_HIVEX [ERROR]: loads the records into the prefix
# and into a hive, then compares the three outputs; ERROR is the message expected, if any.
crosscheck() {
  local name=$1 wine_reg=$2 hive_reg=$3 error=${4:-} format status_exe status_native
  wine reg delete "$GUI_CLASS_KEY" /f >/dev/null 2>&1 || true
  # The computer name is a field of each record: the one a record set before brings goes too.
  wine reg delete 'HKLM\SYSTEM\ControlSet002\Control\ComputerName' /f >/dev/null 2>&1 || true
  wine reg import "$wine_reg" >/dev/null 2>&1 || gui_fail "$name: records not imported"
  hive_from_reg "$GUI_TMP/$name.hive" "$hive_reg" || gui_fail "$name: hive not made"

  status_native=0
  "$list_native" --format save --hive "$GUI_TMP/$name.hive" >"$GUI_TMP/$name.native" \
    2>"$GUI_TMP/$name.native.err" || status_native=$?
  status_exe=0
  wine "$list_exe" --format save >"$GUI_TMP/$name.exe" 2>"$GUI_TMP/$name.exe.err" </dev/null ||
    status_exe=$?
  gui_expect_eq "$name: exit status of tolvane-list --hive" "$([ -n "$error" ] && echo 1 || echo 0)" \
    "$status_native"
  gui_expect_eq "$name: exit status of tolvane-list.exe" "$status_native" "$status_exe"
  gui_expect_eq "$name: error line of tolvane-list --hive" \
    "$([ -z "$error" ] || echo "tolvane-list: $error")" "$(cat "$GUI_TMP/$name.native.err")"
  gui_expect_eq "$name: error line of tolvane-list.exe, CR LF ended" \
    "$(cat "$GUI_TMP/$name.native.err")" "$(tr -d '\r' <"$GUI_TMP/$name.exe.err")"
  if cmp -s "$GUI_TMP/$name.native" "$GUI_TMP/$name.exe"; then
    echo "ok: $name: tolvane-list.exe writes the bytes tolvane-list --hive writes"
  else
    gui_fail "$name: tolvane-list.exe and --hive differ: $(cmp "$GUI_TMP/$name.native" "$GUI_TMP/$name.exe" 2>&1)"
  fi
  for format in csv jsonl; do
    "$list_native" --control-set 2 "$GUI_TMP/$name.hive" --format "$format" \
      >"$GUI_TMP/$name.native.$format" 2>"$GUI_TMP/$name.native.warnings"
    wine "$list_exe" --control-set 2 -f "$format" -o "$(save_winpath "$GUI_TMP")\\$name.exe.$format" \
      2>"$GUI_TMP/$name.exe.warnings" </dev/null
    python3 - "$GUI_TMP/$name.native.$format" "$GUI_TMP/$name.exe.$format" <<'PY' &&
import csv, json, sys
def records(path):
    if path.endswith(".csv"):
        rows = list(csv.DictReader(open(path, newline="", encoding="utf-8")))
    else:
        rows = [json.loads(line) for line in open(path, encoding="utf-8")]
    assert rows and all(r["control_set"] == "ControlSet002" for r in rows), rows
    return [{k: v for k, v in r.items() if k not in ("hive", "last_written")} for r in rows]
native, exe = records(sys.argv[1]), records(sys.argv[2])
assert native == exe, [(a, b) for a, b in zip(native, exe) if a != b][:1] or (len(native), len(exe))
PY
      echo "ok: $name: the same records in $format from both" || gui_fail "$name: the records in $format differ"
    gui_expect_eq "$name: no warnings from either" "" \
      "$(cat "$GUI_TMP/$name.native.warnings" "$GUI_TMP/$name.exe.warnings")"
  done

  gui_start_program || return 1
  gui_expect_eq "$name: the window's ANSI code page, the one --hive converts to by default" 1252 \
    "$(gui_state acp)"
  if [ -n "$error" ]; then
    gui_expect_eq "$name: the window's error box" "text=$error" \
      "$(gui_probe errorbox | grep '^text=')"
    gui_probe ok
    gui_wait_state enabled 1 10 || gui_fail "$name: the window stayed disabled after OK"
  fi
  gui_key alt+f s
  save_accept_name "$winout\\$name.txt"
  save_wait_bytes "$name: File, Save in the window writes the bytes of tolvane-list" \
    "$out/$name.txt" "$GUI_TMP/$name.native"
  save_wait_closed || gui_fail "$name: the Save dialog stayed open"
  gui_key F10
  gui_wait_exit 10
  gui_stop_program
}

# 1. The demo records, moved to the control set the test records live in.
sed 's/ControlSet001/ControlSet002/' "$GUI_ROOT/resources/demo/drivers.reg" >"$GUI_TMP/demo.reg"
crosscheck demo "$GUI_TMP/demo.reg" "$GUI_TMP/demo.reg"

# 2. Texts Save writes unchanged, characters Windows-1252 lacks (some of which Windows writes
# as the letter it finds best: Ā as A; one outside the BMP), and a record that stops the scan
# after its InfPath.
S=$SAVE_SEP
rows=(
  "VMware SVGA 3D${S}VMware, Inc.${S}8.17.3.5"
  "Acme \"Turbo\" NIC${S}Acme; \"Labs\"${S}5.1"
  "Pilote réseau Œuvre €${S}Fabrikam © ™ Ж${S}10.0"
  "Ā ł ő ＦＵＬＬ 𝐀 Windows' best fit${S}Ōsaka Łódź${S}1.0"
  "Two$(printf '\r\n')lines${S}C:\\inf${S}2.0"
)
save_records "$GUI_TMP/texts.reg" "${rows[@]}"
{
  printf '[%s\\Class99\\0000]\r\n"DriverDesc"="VMware VMCI Bus Device"\r\n' "$GUI_CLASS_KEY"
  printf '"ProviderName"="VMware, Inc."\r\n"DriverVersion"="9.8.16.0"\r\n"DriverDate"="1-2-2020"\r\n'
  printf '"InfPath"="oem9.inf"\r\n"InfSection"=dword:00000001\r\n\r\n'
} | iconv -f UTF-8 -t UTF-16LE >>"$GUI_TMP/texts.reg"
iconv -f UTF-16 -t UTF-8 "$GUI_TMP/texts.reg" >"$GUI_TMP/texts.utf8.reg"
crosscheck texts "$GUI_TMP/texts.reg" "$GUI_TMP/texts.utf8.reg" "Invalid data type for 'InfSection'"

# 4. The devices and driver services views: the same data in the prefix and in a hive, the
# same rows field for field from both (times aside: the prefix's keys are written now), and
# as many warnings.
set002='HKLM\SYSTEM\ControlSet002'
# views_clean: deletes the keys the views' data adds to the prefix (with the record a device
# names).
views_clean() {
  local key
  for key in Enum Services 'Control\ComputerName' 'Control\Class\{4d36e972-e325-11ce-bfc1-08002be10318}'; do
    wine reg delete "$set002\\$key" /f >/dev/null 2>&1
  done
}
views_clean
python3 "$here/../hive/views_reg.py" "$GUI_TMP/views.wine.reg" --for-wine &&
  python3 "$here/../hive/views_reg.py" "$GUI_TMP/views.reg" &&
  hive_from_reg "$GUI_TMP/views.hive" "$GUI_TMP/views.reg" || gui_fail "views: data not made"
wine reg import "$GUI_TMP/views.wine.reg" >/dev/null 2>&1 || gui_fail "views: not imported"
for view in devices services; do
  "$list_native" --view "$view" --control-set 2 -f jsonl "$GUI_TMP/views.hive" \
    >"$GUI_TMP/views.native" 2>"$GUI_TMP/views.native.err"
  wine "$list_exe" --view "$view" --control-set 2 -f jsonl >"$GUI_TMP/views.exe" \
    2>"$GUI_TMP/views.exe.err" </dev/null
  python3 - "$GUI_TMP/views.native" "$GUI_TMP/views.exe" <<'PY' &&
import json, sys
def rows(path):
    rows = [json.loads(line) for line in open(path, encoding="utf-8")]
    assert rows, path
    times = ("hive", "last_written", "install_date", "first_install_date", "last_arrival_date",
             "last_removal_date")
    return [{k: v for k, v in r.items() if k not in times} for r in rows]
native, exe = rows(sys.argv[1]), rows(sys.argv[2])
assert native == exe, [(a, b) for a, b in zip(native, exe) if a != b][:1] or (len(native), len(exe))
PY
    echo "ok: views: the same $view from both" || gui_fail "views: the $view differ"
  gui_expect_eq "views, $view: as many warnings from each" "$(wc -l <"$GUI_TMP/views.native.err")" \
    "$(wc -l <"$GUI_TMP/views.exe.err")"
done
views_clean

# 3. tolvane-list.exe keeps the command-line conventions: short options, --, -o, the system's
# words for a write that fails, --help and --version failing with their output.
exe() {  # exe ARGS...: runs tolvane-list.exe; sets status, out and err (CRs dropped)
  status=0
  wine "$list_exe" "$@" >"$GUI_TMP/conv.out" 2>"$GUI_TMP/conv.err" </dev/null || status=$?
  out=$(tr -d '\r' <"$GUI_TMP/conv.out") err=$(tr -d '\r' <"$GUI_TMP/conv.err")
}
for v in -V --version; do
  exe $v
  gui_expect_eq "tolvane-list.exe $v" "0 tolvane-list (Tolvane) 1.07-beta" "$status $(head -1 <<<"$out")"
done
exe -h
gui_expect_eq "tolvane-list.exe -h: the usage line" "0 Usage: tolvane-list [OPTION]... [HIVE]..." "$status $(head -1 <<<"$out")"
exe -x
gui_expect_eq "tolvane-list.exe -x" "2 tolvane-list: unknown option '-x' (tolvane-list --help lists the options)" "$status $err"
exe -- -f
gui_expect_eq "tolvane-list.exe -- -f: a hive file named -f" "1 tolvane-list: '-f': No such file or directory." "$status $err"
exe --control-set 2 -fcsv
cp "$GUI_TMP/conv.out" "$GUI_TMP/conv.csv"
exe --control-set=2 -f csv -o "$(save_winpath "$GUI_TMP")\\conv-o.csv"
gui_expect_eq "tolvane-list.exe -o: status, nothing on standard output" "0 " "$status $out"
cmp -s "$GUI_TMP/conv.csv" "$GUI_TMP/conv-o.csv" && echo "ok: tolvane-list.exe -o writes the listing" ||
  gui_fail "tolvane-list.exe -o writes the listing: $(cmp "$GUI_TMP/conv.csv" "$GUI_TMP/conv-o.csv" 2>&1)"
exe -o 'Z:\no\such\folder\x.csv'
[[ $status == 1 && $err == "tolvane-list: cannot write 'Z:\\\\no\\\\such\\\\folder\\\\x.csv': "[A-Z]*. ]] &&
  echo "ok: tolvane-list.exe -o into a missing folder: the system's words" ||
  gui_fail "tolvane-list.exe -o into a missing folder: $status $err"
for args in --help "--control-set 2 -f save"; do
  status=0
  wine "$list_exe" $args >/dev/full 2>"$GUI_TMP/conv.err" </dev/null || status=$?
  err=$(tr -d '\r' <"$GUI_TMP/conv.err")
  [[ $status == 1 && $err == "tolvane-list: cannot write standard output: "[A-Z]*. ]] &&
    echo "ok: tolvane-list.exe $args >/dev/full: status 1 and the system's words" ||
    gui_fail "tolvane-list.exe $args >/dev/full: $status $err"
done

# 5. The driver store's packages of the demo PC: the same keys in the prefix's
# HKLM\SYSTEM\DriverDatabase and in a DRIVERS hive, the same rows field for field (but for what
# the prefix's own control set names: its computer and its class names); the files need an
# Amcache hive file, which tolvane-list.exe refuses in one line.
python3 "$GUI_ROOT/resources/demo/driver_store.py" "$GUI_ROOT/resources/demo/drivers.reg" \
  "$GUI_TMP/store.reg" "$GUI_TMP/amcache.reg" "$GUI_TMP/drivers.json" &&
  hive_from_reg "$GUI_TMP/store.hive" "$GUI_TMP/store.reg" &&
  iconv -f UTF-8 -t UTF-16 "$GUI_TMP/store.reg" >"$GUI_TMP/store.wine.reg" ||
  gui_fail "packages: data not made"
wine reg delete 'HKLM\SYSTEM\DriverDatabase' /f >/dev/null 2>&1
wine reg import "$GUI_TMP/store.wine.reg" >/dev/null 2>&1 || gui_fail "packages: not imported"
"$list_native" --view packages -f jsonl "$GUI_TMP/store.hive" >"$GUI_TMP/store.native"
wine "$list_exe" --view packages -f jsonl >"$GUI_TMP/store.exe" 2>"$GUI_TMP/store.exe.err" </dev/null
python3 - "$GUI_TMP/store.native" "$GUI_TMP/store.exe" <<'PY' &&
import json, sys
def rows(path):
    rows = [json.loads(line) for line in open(path, encoding="utf-8")]
    assert len(rows) > 30, (path, len(rows))
    return [{k: v for k, v in r.items() if k not in ("hive", "computer_name", "last_written", "class_name")}
            for r in rows]
# Wine lists subkeys in another order than Windows where '_' meets a letter.
native, exe = (sorted(rows(path), key=lambda r: r["package"]) for path in sys.argv[1:3])
assert native == exe, [(a, b) for a, b in zip(native, exe) if a != b][:1] or (len(native), len(exe))
PY
  echo "ok: packages: the same driver store from both" || gui_fail "packages: the two differ"
gui_expect_eq "packages: nothing said by tolvane-list.exe" "" "$(tr -d '\r' <"$GUI_TMP/store.exe.err")"
wine reg delete 'HKLM\SYSTEM\DriverDatabase' /f >/dev/null 2>&1
exe --view files
gui_expect_eq "tolvane-list.exe --view files" \
  "2 tolvane-list: --view files lists the driver files of an Amcache hive file, which the live registry does not hold: name one (Windows\\AppCompat\\Programs\\Amcache.hve) (tolvane-list --help lists the options)" \
  "$status $err"

gui_finish
