#!/usr/bin/env bash
# tolvane-list end to end, on hives this test makes: every kind of bad input (an empty file,
# random bytes, a truncated hive, a hive without a Class key, a file too large to be a hive, a
# missing file) gives one clear error line and exit status 1 with nothing listed; a bad
# command line gives one usage line and status 2; the command-line conventions (short
# options, --, -o, messages in the C library's words, one line each, a closed pipe); the save
# format: the window's control set order and --current, names found whatever their case,
# texts in 1252 and 65001, the NUL and size rules of text data, a value that is not text
# stopping the list; the records: every instance of Select's control set with its key and
# timestamp, every value type, a corrupt value cell, several hives, in all five formats, read
# back by Python's own parsers with no '?' anywhere; the bash completion's options and formats
# are the program's; hives of three kinds (SYSTEM, DRIVERS, Amcache), their driver-store
# packages and driver files with a known-vulnerable list in JSON and CSV, field for field, and
# with entries of the real list in both its published forms. A Windows build (TOLVANE_LIST
# ending in .exe) runs every case under Wine, in the prefix WINEPREFIX names, and must give the
# same bytes; its line ends on standard error (CR LF) are read as LF.
#   usage: test_list_hive.sh TOLVANE_LIST
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
list=$1
# How the program is started: every case runs it through this. A few cases hold for the Linux
# build alone (the C library's words, a signal, file names Windows cannot have, the bash
# completion, no hive needing one): linux_only guards them.
if [[ $list == *.exe ]]; then runner=(wine "$list"); else runner=("$list"); fi
linux_only() { [[ $list != *.exe ]]; }
source "$here/hive_lib.sh"
source "$here/../gui/save_lib.sh"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
failed=0
fail() { echo "FAIL: $*" >&2; failed=1; }
expect_eq() { if [ "$2" != "$3" ]; then fail "$1: expected '$2', got '$3'"; else echo "ok: $1"; fi; }

# crlf: standard input with each line ended by CR LF.
crlf() { sed 's/$/\r/'; }
reg_header() { printf 'Windows Registry Editor Version 5.00\r\n\r\n'; }
# reg_hive NAME: the .reg body on standard input, behind the header, made into $tmp/NAME.hive
# (by way of $tmp/NAME.reg).
reg_hive() {
  { reg_header; cat; } >"$tmp/$1.reg" && hive_from_reg "$tmp/$1.hive" "$tmp/$1.reg"
}

# run ARGS...: runs the program; sets status, out (file), err (text).
run() {
  status=0
  "${runner[@]}" "$@" >"$tmp/out" 2>"$tmp/err" || status=$?
  sed -i 's/\r$//' "$tmp/err"
  err=$(cat "$tmp/err")
}

# expect_saved WHAT WANT ARGS...: runs the program in the save format; the file it writes is
# WANT.
expect_saved() {
  local what=$1 want=$2
  shift 2
  run -f save "$@"
  expect_eq "$what" "$want" "$(cat "$tmp/out")"
}

# expect_refused WHAT STATUS PATTERN ARGS...: one line on standard error matching PATTERN,
# nothing on standard output.
expect_refused() {
  local what=$1 want=$2 pattern=$3
  shift 3
  run "$@"
  expect_eq "$what: exit status" "$want" "$status"
  expect_eq "$what: one line on standard error" 1 "$(wc -l <"$tmp/err")"
  # shellcheck disable=SC2053  # PATTERN is a glob
  [[ $err == $pattern ]] || fail "$what: error line '$err' is not like '$pattern'"
  expect_eq "$what: nothing listed" 0 "$(stat -c %s "$tmp/out")"
}

# 1. Bad input.
: >"$tmp/empty.hive"
expect_refused "empty file" 1 "tolvane-list: '$tmp/empty.hive': empty file, not a registry hive." \
  --hive "$tmp/empty.hive"
head -c 65536 /dev/urandom >"$tmp/random.hive"
expect_refused "random bytes" 1 "tolvane-list: '$tmp/random.hive': not a registry hive." \
  --hive "$tmp/random.hive"
hive_from_reg "$tmp/demo.hive" "$here/../../resources/demo/drivers.reg" || fail "demo hive not made"
# (4118: the first bin's header cut short, so the root key is looked for among no cells.)
for size in 4 4096 4118; do
  head -c "$size" "$tmp/demo.hive" >"$tmp/truncated.hive"
  expect_refused "hive truncated to $size bytes" 1 \
    "tolvane-list: '$tmp/truncated.hive': truncated or corrupt registry hive (*)" \
    --hive "$tmp/truncated.hive"
done
# Cut inside its bins: what is left of them is read, says so, and holds no records.
for size in 6000 20000; do
  head -c "$size" "$tmp/demo.hive" >"$tmp/truncated.hive"
  run --hive "$tmp/truncated.hive"
  expect_eq "hive truncated to $size bytes: status" 1 "$status"
  expect_eq "hive truncated to $size bytes: nothing listed" 0 "$(stat -c %s "$tmp/out")"
  [[ $(head -1 "$tmp/err") == "tolvane-list: warning: '$tmp/truncated.hive' is damaged: "*" of 10 pages are not part of a valid bin; listing what the rest holds" ]] ||
    fail "hive truncated to $size bytes: no damage line: $err"
  expect_eq "hive truncated to $size bytes: the damage line and one error" 2 "$(wc -l <"$tmp/err")"
done
# A bin whose size points past the end of the file.
cp "$tmp/demo.hive" "$tmp/corrupt.hive"
printf '\xff\xff\xff\x7f' | dd of="$tmp/corrupt.hive" bs=1 seek=$((0x1008)) conv=notrunc 2>/dev/null
expect_refused "corrupt bin" 1 "tolvane-list: '$tmp/corrupt.hive': truncated or corrupt registry hive (*)" \
  --hive "$tmp/corrupt.hive"
python3 "$here/empty_hive.py" "$tmp/bare.hive"
expect_refused "hive without a Class key" 1 \
  "tolvane-list: no Class key in ControlSet002, ControlSet003 or ControlSet001." \
  --format save --hive "$tmp/bare.hive"
expect_refused "hive without Select" 1 \
  "tolvane-list: '$tmp/bare.hive': no current control set: HKEY_LOCAL_MACHINE\\\\SYSTEM\\\\Select is missing." \
  "$tmp/bare.hive"
truncate -s 3G "$tmp/huge.hive"
printf regf | dd of="$tmp/huge.hive" conv=notrunc 2>/dev/null
expect_refused "file too large to be a hive" 1 \
  "tolvane-list: '$tmp/huge.hive': larger than any registry hive can be (2 GiB)" --hive "$tmp/huge.hive"
rm -f "$tmp/huge.hive"
expect_refused "missing file" 1 "tolvane-list: '$tmp/none.hive': No such file or directory." \
  --hive "$tmp/none.hive"

# 2. Bad command lines.
expect_refused "unknown option" 2 "tolvane-list: unknown option '--fast' (*)" --hive "$tmp/demo.hive" --fast
# (tolvane-list.exe lists the live registry then.)
linux_only && expect_refused "no hive" 2 "tolvane-list: a HIVE is needed*" --format csv
expect_refused "unknown format" 2 "tolvane-list: unknown format 'xml'*" --hive "$tmp/demo.hive" --format xml
expect_refused "unknown short option" 2 "tolvane-list: unknown option '-x' (*)" -x "$tmp/demo.hive"
expect_refused "a control character in an option" 2 "tolvane-list: unknown option '--a\\\\nb' (*)" $'--a\nb'
expect_refused "no such control set" 2 "tolvane-list: no control set '0'*" --control-set 0 "$tmp/demo.hive"
expect_refused "all control sets in the save format" 2 "tolvane-list: the save format lists one*" \
  -f save --all-control-sets "$tmp/demo.hive"
expect_refused "code page not supported" 2 "tolvane-list: unsupported code page '437'*" \
  --hive "$tmp/demo.hive" --codepage 437
expect_refused "option without its value" 2 "tolvane-list: --hive needs a value*" --hive
for v in --version -V; do
  run $v
  sed -i 's/\r$//' "$tmp/out"
  expect_eq "$v: first line, the version last" "tolvane-list (Tolvane) 1.07-beta" "$(head -1 "$tmp/out")"
  expect_eq "$v: the licence" "License MIT: <https://opensource.org/licenses/MIT>." "$(tail -1 "$tmp/out")"
done
for h in --help -h; do
  run $h
  sed -i 's/\r$//' "$tmp/out"
  expect_eq "$h: status" 0 "$status"
  grep -q 'ControlSet002, ControlSet003, ControlSet001' "$tmp/out" || fail "$h names the window's order"
  grep -q '^Usage: tolvane-list \[OPTION\]\.\.\. \[\?HIVE\]\?\.\.\.$' "$tmp/out" || fail "$h: the usage line"
  grep -q '^Exit status:$' "$tmp/out" || fail "$h: the exit statuses"
  expect_eq "$h: lines of at most 80 columns" 0 "$(awk 'length > 80' "$tmp/out" | wc -l)"
done
for args in --help --version; do
  status=0
  "${runner[@]}" $args >/dev/full 2>"$tmp/err" || status=$?
  expect_eq "$args >/dev/full: status" 1 "$status"
  linux_only && expect_eq "$args >/dev/full: message" "tolvane-list: cannot write standard output: No space left on device." \
    "$(cat "$tmp/err")"
done

# The bash completion offers what the program takes: every option it offers is one the program
# knows, every format it offers is accepted (written "--format F" or "--format=F"), and a hive
# is completed as a file name.
if linux_only; then
  source "$here/../../packaging/tolvane-list.bash-completion"
  offered() { COMP_WORDS=("$list" "$@"); COMP_CWORD=$#; _tolvane_list; printf '%s\n' "${COMPREPLY[@]}"; }
  options=$(offered --)
  grep -qx -- --format <<<"$options" && grep -qx -- --help <<<"$options" ||
    fail "completion: options offered: $options"
  for option in $options; do
    run "$option" </dev/null
    [[ $err != *"unknown option"* ]] || fail "completion offers $option, which the program refuses: $err"
  done
  formats=$(offered --format "")
  expect_eq "completion: --format= offers the same formats" "$formats" "$(offered --format = "")"
  [ -n "$formats" ] || fail "completion: no format offered"
  for format in $formats; do
    run --hive "$tmp/demo.hive" --format "$format"
    [ "$status" != 2 ] || fail "completion offers the format $format, which the program refuses: $err"
  done
  expect_eq "completion: a hive's file name" "$tmp/demo.hive" "$(offered --hive "$tmp/demo.h")"
  views=$(offered --view "")
  expect_eq "completion: the views" "records devices services packages files timeline" "$(echo $views)"
  expect_eq "completion: --view= offers the same views" "$views" "$(offered --view = "")"
fi

# 3. The demo records live in ControlSet001 alone: the third try finds them.
run --format save --hive "$tmp/demo.hive"
expect_eq "demo: status" 0 "$status"
expect_eq "demo: rows" 30 "$(grep -c $'\r$' "$tmp/out")"
expect_eq "demo: first line" $'USB Root Hub (USB 3.0),Microsoft,10.0.19041.1202\r' "$(head -1 "$tmp/out")"

# 4. ControlSet002 before ControlSet001; --current takes what Select names; names and value
# names in any case.
{
  printf '[HKEY_LOCAL_MACHINE\\SYSTEM\\Select]\r\n"Current"=dword:00000001\r\n\r\n'
  printf '[HKEY_LOCAL_MACHINE\\SYSTEM\\controlset002\\CONTROL\\class\\Net\\0000]\r\n'
  printf '"driverdesc"="From 002"\r\n"PROVIDERNAME"="Two"\r\n\r\n'
  printf '[HKEY_LOCAL_MACHINE\\SYSTEM\\ControlSet001\\Control\\Class\\Net\\0000]\r\n'
  printf '"DriverDesc"="From 001"\r\n"ProviderName"="One"\r\n\r\n'
} | reg_hive sets || fail "sets hive not made"
expect_saved "window's order" $'From 002,Two,\r' --hive "$tmp/sets.hive"
expect_saved "--current" $'From 001,One,\r' --hive "$tmp/sets.hive" --current
expect_saved "save, --control-set" $'From 002,Two,\r' --control-set 2 "$tmp/sets.hive"

# 5. A value that is not text: the rows before it, the row it cut short (as Save writes it),
# then the error box's message.
{
  for i in 1 2 3 4 5; do
    printf '[HKEY_LOCAL_MACHINE\\SYSTEM\\ControlSet002\\Control\\Class\\Class%02d\\0000]\r\n' "$i"
    printf '"DriverDesc"="Driver %02d"\r\n"ProviderName"="Maker %02d"\r\n' "$i" "$i"
    printf '"DriverVersion"="1.0.%d.0"\r\n"InfPath"="oem%d.inf"\r\n' "$i" "$i"
    [ "$i" -ne 3 ] || printf '"InfSection"=dword:00000001\r\n'
    printf '\r\n'
  done
} | reg_hive bad || fail "bad hive not made"
run --hive "$tmp/bad.hive" --format save
expect_eq "save, bad type: status" 1 "$status"
expect_eq "save, bad type: message" "tolvane-list: Invalid data type for 'InfSection'" "$err"
expect_eq "save, bad type: rows before and the cut row" \
  "$(printf 'Driver 01,Maker 01,1.0.1.0\r\nDriver 02,Maker 02,1.0.2.0\r\nDriver 03,Maker 03,1.0.3.0\r\n_')" \
  "$(cat "$tmp/out"; echo _)"
run --control-set 2 -f csv "$tmp/bad.hive"
expect_eq "records, a DWORD: status" 0 "$status"
expect_eq "records, a DWORD: every record" 6 "$(grep -c $'\r$' "$tmp/out")"
grep -q ',Driver 03,Maker 03,1.0.3.0,,oem3.inf,1,' "$tmp/out" || fail "records, a DWORD: read as decimal"


# 6. Texts: commas, quotes, line breaks, backslashes, controls, bytes above 0x7F, a
# character Windows-1252 lacks; CSV and JSON read back by Python give the texts themselves.
S=$SAVE_SEP
GUI_CLASS_KEY='HKEY_LOCAL_MACHINE\SYSTEM\ControlSet002\Control\Class'  # where save_records writes
rows=(
  "VMware \"SVGA\" 3D, rev. 2${S}VMware, Inc.${S}8.17.3.5"
  "Pilote réseau Œuvre €${S}Fabrikam © ™${S}1.0"
  "Two$(printf '\r\n')lines	tab${S}C:\\Windows\\inf${S}2.0"
  "Кириллица${S}Ünïcödé${S}3.0"
)
save_records "$tmp/texts.reg.utf16" "${rows[@]}"
iconv -f UTF-16 -t UTF-8 "$tmp/texts.reg.utf16" >"$tmp/texts.reg"
hive_from_reg "$tmp/texts.hive" "$tmp/texts.reg" || fail "texts hive not made"
run -f save --hive "$tmp/texts.hive"
{ for row in "${rows[@]}"; do save_split "$row"; printf '%s,%s,%s\r\n' "$desc" "$provider" "$version"; done; } |
  python3 -c 'import sys; sys.stdout.buffer.write(sys.stdin.read().encode("cp1252", "replace"))' \
    >"$tmp/texts.1252"
cmp -s "$tmp/out" "$tmp/texts.1252" && echo "ok: Windows-1252 bytes" ||
  fail "Windows-1252 bytes: $(cmp "$tmp/out" "$tmp/texts.1252" 2>&1)"
run -f save --hive "$tmp/texts.hive" --codepage 65001
{ for row in "${rows[@]}"; do save_split "$row"; printf '%s,%s,%s\r\n' "$desc" "$provider" "$version"; done; } >"$tmp/texts.utf8"
cmp -s "$tmp/out" "$tmp/texts.utf8" && echo "ok: UTF-8 bytes" || fail "UTF-8 bytes: $(cmp "$tmp/out" "$tmp/texts.utf8" 2>&1)"
# The records take the texts from the hive's UTF-16 whatever the code page: CSV and JSON read
# back give the texts themselves.
for cp in 1252 65001; do
  "${runner[@]}" --control-set 2 "$tmp/texts.hive" --codepage "$cp" --format csv >"$tmp/texts.csv"
  "${runner[@]}" --control-set 2 "$tmp/texts.hive" --codepage "$cp" --format json >"$tmp/texts.json"
  python3 - "$tmp/texts.csv" "$tmp/texts.json" "${rows[@]}" <<'PY' && echo "ok: CSV and JSON with --codepage $cp" || fail "CSV and JSON with --codepage $cp"
import csv, json, sys
csv_file, json_file, rows = sys.argv[1], sys.argv[2], sys.argv[3:]
raw = open(csv_file, "rb").read()
assert raw.endswith(b"\r\n") and b"\r\n".join(raw.split(b"\r\n")) == raw
table = list(csv.DictReader(open(csv_file, newline="", encoding="utf-8")))
objects = json.load(open(json_file, encoding="utf-8"))
assert table == objects, (table, objects)
assert len(table) == len(rows)
for i, row in enumerate(rows):
    desc, provider, version = row.split("\x1f")
    got = table[i]
    assert (got["driver"], got["provider"], got["version"], got["inf_path"]) == \
        (desc, provider, version, "oem%d.inf" % (i + 1)), got
PY
done

# 7. Data as the reader gets it from the A calls: a text without its NUL, an odd byte count,
# a NUL inside the text, an empty text, REG_EXPAND_SZ unexpanded; then REG_MULTI_SZ stops.
crlf <<'REG' | reg_hive data || fail "data hive not made"
[HKEY_LOCAL_MACHINE\SYSTEM\ControlSet003\Control\Class\Raw\0000]
"DriverDesc"=hex(2):25,00,53,00,79,00,73,00,25,00
"ProviderName"=hex(1):41,00,42
"DriverVersion"=hex(1):61,00,00,00,62,00,00,00
"DriverDate"=hex(1):
"InfPath"=hex(7):61,00,00,00,00,00

REG
expect_saved "text rules: the row" $'%Sys%,A,a\r' --hive "$tmp/data.hive"
expect_eq "text rules: REG_MULTI_SZ is no text" "tolvane-list: Invalid data type for 'InfPath'" "$err"
run --control-set 3 -f csv "$tmp/data.hive"
expect_eq "records, the same data" "%Sys%,A,a,,a," "$(sed -n '2s/.*Raw\\0000,[^,]*,\([^,]*,[^,]*,[^,]*,[^,]*,[^,]*,\).*/\1/p' "$tmp/out")"

# 8. The records: Select names ControlSet002, whose Net class holds instances 0000 to 0012
# (and a subkey with no driver value) with texts in Cyrillic, CJK and emoji and values of
# every type; ControlSet001 differs. Two keys get known timestamps and one value cell is made
# corrupt by patching the hive's bytes.
net='{4d36e972-e325-11ce-bfc1-08002be10318}'
class_key='HKEY_LOCAL_MACHINE\SYSTEM\ControlSet002\Control\Class'
{
  printf '[HKEY_LOCAL_MACHINE\\SYSTEM\\Select]\r\n"Current"=dword:00000002\r\n\r\n'
  printf '[HKEY_LOCAL_MACHINE\\SYSTEM\\ControlSet002\\Control\\ComputerName\\ComputerName]\r\n'
  printf '"ComputerName"=hex(1):%s\r\n\r\n' "$(save_hex_sz 'ПК-Ω')"
  printf '[HKEY_LOCAL_MACHINE\\SYSTEM\\ControlSet001\\Control\\Class\\%s\\0000]\r\n' "$net"
  printf '"DriverDesc"="Old adapter"\r\n\r\n'
  printf '[%s\\%s]\r\n"Class"="Net"\r\n\r\n' "$class_key" "$net"
  printf '[%s\\%s\\Properties]\r\n"Security"=hex:01,02\r\n\r\n' "$class_key" "$net"
  for i in $(seq 0 12); do
    printf '[%s\\%s\\%04d]\r\n' "$class_key" "$net" "$i"
    if [ "$i" -eq 7 ]; then
      printf '"DriverDesc"=hex(2):%s\r\n' "$(save_hex_sz '%SystemRoot%\x')"
    else
      printf '"DriverDesc"=hex(1):%s\r\n' "$(save_hex_sz "Адаптер $i 設備 😀")"
    fi
    printf '"ProviderName"=hex(1):%s\r\n"DriverVersion"="10.0.%d"\r\n' "$(save_hex_sz 'Производитель')" "$i"
    printf '"DriverDate"="%s"\r\n"InfPath"="oem%d.inf"\r\n' "$([ "$i" -eq 9 ] && echo 1-2-2019 || echo 6-21-2006)" "$i"
    printf '"InfSection"="Section number %d of the adapter"\r\n' "$i"
    case $i in
      5) printf '"InfSectionExt"=hex(7):%s,00,00\r\n' "$(save_hex_sz 'A'),$(save_hex_sz 'Б')" ;;
      6) printf '"InfSectionExt"=dword:0000002a\r\n' ;;
      7) printf '"MatchingDeviceId"=hex(b):00,00,00,00,01,00,00,00\r\n"EnumPropPages32"=hex:de,ad,be,ef\r\n' ;;
      9) printf '"DriverDateData"=hex:00,80,8c,a3,c5,94,c6,01\r\n' ;;
    esac
    printf '\r\n'
  done
} | reg_hive inventory || fail "inventory hive not made"
# patch_hive HIVE KEY=FILETIME... KEY|VALUE=DATA_OFFSET...: sets a key's last-written time, or
# points a value's data at an offset, in the hive's bytes.
patch_hive() {
  python3 - "$@" <<'PY'
import struct, sys
path, b = sys.argv[1], bytearray(open(sys.argv[1], "rb").read())
u16 = lambda o: struct.unpack_from("<H", b, o)[0]
u32 = lambda o: struct.unpack_from("<I", b, o)[0]
keys, at = {}, 0x1000
while at < len(b) and b[at:at + 4] == b"hbin":
    cell, end = at + 0x20, at + u32(at + 8)
    while cell < end:
        size = struct.unpack_from("<i", b, cell)[0]
        if size < 0 and b[cell + 4:cell + 6] == b"nk":
            raw = bytes(b[cell + 0x50:cell + 0x50 + u16(cell + 0x4C)])
            name = raw.decode("latin-1" if u16(cell + 6) & 0x20 else "utf-16-le")
            keys[cell] = (name, u32(cell + 0x14) + 0x1000, u16(cell + 6) & 0x4)
        cell += abs(size)
    at = end
def path_of(cell):
    parts = []
    while cell in keys and not keys[cell][2]:
        parts.append(keys[cell][0])
        cell = keys[cell][1]
    return "\\".join(reversed(parts)).lower()
cells = {path_of(cell): cell for cell in keys}
for arg in sys.argv[2:]:
    what, number = arg.rsplit("=", 1)
    key, _, value = what.partition("|")
    cell = cells[key.lower()]
    if not value:
        struct.pack_into("<Q", b, cell + 8, int(number))
        continue
    values = u32(cell + 0x2C) + 0x1000
    for i in range(u32(cell + 0x28)):
        vk = u32(values + 4 + 4 * i) + 0x1000
        if bytes(b[vk + 0x18:vk + 0x18 + u16(vk + 6)]).decode("latin-1") == value:
            struct.pack_into("<I", b, vk + 12, int(number, 0))
open(path, "wb").write(b)
PY
}
patch_hive "$tmp/inventory.hive" "ControlSet002\\Control\\Class\\$net\\0003=131666263040000000" \
  "ControlSet001\\Control\\Class\\$net\\0000=125963423990000000" \
  "ControlSet002\\Control\\Class\\$net\\0008|InfSection=0x7ffffff0" || fail "hive not patched"
cp "$tmp/inventory.hive" "$tmp/inventory.before"
for format in text csv json jsonl; do
  run -f "$format" "$tmp/inventory.hive"
  expect_eq "records, $format: status" 0 "$status"
  expect_eq "records, $format: the corrupt cell's warning" \
    "tolvane-list: warning: '$tmp/inventory.hive': 'ControlSet002\\\\Control\\\\Class\\\\$net\\\\0008' value 'InfSection': corrupt registry data" \
    "$err"
  expect_eq "records, $format: no '?' anywhere" 0 "$(grep -c '?' "$tmp/out")"
  cp "$tmp/out" "$tmp/inventory.$format"
done
run -f save --codepage 65001 --control-set 2 "$tmp/inventory.hive"
expect_eq "save format, UTF-8: the class's first instance, no '?'" \
  $'0 Адаптер 0 設備 😀,Производитель,10.0.0\r' "$status $(cat "$tmp/out")"
cmp -s "$tmp/inventory.hive" "$tmp/inventory.before" || fail "records: the hive was changed"
python3 - "$tmp" "$net" <<'PY' && echo "ok: records read back in every format" || fail "records read back"
import csv, json, sys
tmp, net = sys.argv[1], sys.argv[2]
rows = list(csv.DictReader(open(tmp + "/inventory.csv", newline="", encoding="utf-8")))
assert rows == json.load(open(tmp + "/inventory.json", encoding="utf-8"))
assert rows == [json.loads(l) for l in open(tmp + "/inventory.jsonl", encoding="utf-8")]
assert all(set(r.values()) <= {v for v in r.values() if isinstance(v, str)} for r in rows)
assert [r["instance"] for r in rows] == ["%04d" % i for i in range(13)], rows
r = {row["instance"]: row for row in rows}
for i, row in enumerate(rows):
    assert row["hive"] == tmp + "/inventory.hive" and row["control_set"] == "ControlSet002"
    assert row["computer_name"] == "ПК-Ω" and row["class_name"] == "Net" and row["class_guid"] == net
    assert row["key_path"] == "ControlSet002\\Control\\Class\\%s\\%04d" % (net, i)
    assert row["provider"] == "Производитель" and row["version"] == "10.0.%d" % i, row
    if i not in (7, 9):
        assert row["driver"] == "Адаптер %d 設備 😀" % i and row["driver_date_iso"] == "2006-06-21"
    if i not in (3,):
        assert row["last_written"] == "1601-01-01T00:00:00Z", row
assert r["0003"]["last_written"] == "2018-03-27T12:11:44Z"
assert r["0005"]["inf_section_ext"] == "A;Б" and r["0006"]["inf_section_ext"] == "42"
assert r["0007"]["matching_device_id"] == "4294967296" and r["0007"]["enum_prop_pages32"] == "deadbeef"
assert r["0007"]["driver"] == "%SystemRoot%\\x", r["0007"]
assert r["0008"]["inf_section"] == "" and r["0009"]["inf_section"] == "Section number 9 of the adapter"
assert r["0009"]["driver_date"] == "1-2-2019" and r["0009"]["driver_date_iso"] == "2006-06-21"
text = open(tmp + "/inventory.text", encoding="utf-8").read().split("\n")
assert text[0].split() == ["Control", "set", "Class", "Instance", "Last", "written", "Driver",
                           "Provider", "Version", "Driver", "date", "INF"], text[0]
assert len(text) == 15 and text[-1] == "" and text[4].startswith("ControlSet002  Net    0003      2018-03-27T12:11:44Z  Адаптер 3 設備 😀 "), text[4]
PY
run --control-set 1 -f jsonl "$tmp/inventory.hive"
expect_eq "records, --control-set 1" "Old adapter 2000-02-29T23:59:59Z" \
  "$(python3 -c 'import json,sys; r=json.loads(open(sys.argv[1]).read()); print(r["driver"], r["last_written"])' "$tmp/out")"
run --all-control-sets -f csv "$tmp/inventory.hive" "$tmp/demo.hive"
expect_eq "records, every control set of two hives: status" 0 "$status"
expect_eq "records, every control set of two hives: records" \
  "inventory.hive ControlSet001 1,inventory.hive ControlSet002 13,demo.hive ControlSet001 32," \
  "$(python3 -c '
import csv, sys, collections, os
c = collections.Counter((os.path.basename(r["hive"]), r["control_set"]) for r in csv.DictReader(open(sys.argv[1], encoding="utf-8")))
print("".join("%s %s %d," % (h, s, n) for (h, s), n in c.items()))' "$tmp/out")"
run -f jsonl "$tmp/inventory.hive" "$tmp/none.hive" --hive "$tmp/inventory.hive"
expect_eq "several hives, one unreadable: status" 1 "$status"
expect_eq "several hives, one unreadable: the others listed" 26 "$(wc -l <"$tmp/out")"
grep -qx "tolvane-list: '$tmp/none.hive': No such file or directory." "$tmp/err" ||
  fail "several hives, one unreadable: its error line: $err"

# 9. The command-line conventions: -o (never onto a hive), --, -, the C library's words for
# write errors, names quoted onto one line, a closed pipe.
run -o "$tmp/listed.csv" -fcsv -- "$tmp/inventory.hive"
expect_eq "-o: status, nothing on standard output" "0 0" "$status $(stat -c %s "$tmp/out")"
cmp -s "$tmp/listed.csv" "$tmp/inventory.csv" && echo "ok: -o writes the listing" || fail "-o writes the listing"
cp "$tmp/inventory.hive" "$tmp/target.hive"
expect_refused "-o onto a hive" 2 "tolvane-list: '$tmp/target.hive' is one of the hives*" \
  -o "$tmp/target.hive" "$tmp/target.hive"
cmp -s "$tmp/target.hive" "$tmp/inventory.hive" || fail "-o onto a hive: the hive was changed"
printf 'a log' >"$tmp/target.hive.LOG1"
expect_refused "-o onto a log beside a hive" 2 "tolvane-list: '$tmp/target.hive.LOG1' is one of the hives*" \
  -o "$tmp/target.hive.LOG1" "$tmp/target.hive"
expect_eq "-o onto a log beside a hive: the log unchanged" "a log" "$(cat "$tmp/target.hive.LOG1")"
linux_only && expect_refused "-o into a missing folder" 1 \
  "tolvane-list: cannot write '$tmp/no/such': No such file or directory." -o "$tmp/no/such" "$tmp/inventory.hive"
status=0
"${runner[@]}" "$tmp/inventory.hive" 2>"$tmp/err" >/dev/full || status=$?
linux_only && expect_eq "a full disk: status and message" \
  "1 tolvane-list: cannot write standard output: No space left on device." "$status $(tail -1 "$tmp/err")"
expect_eq "a full disk: status" 1 "$status"
status=0
"${runner[@]}" -f save "$tmp/demo.hive" 2>"$tmp/err" >&- || status=$?
linux_only && expect_eq "a closed standard output: status and message" \
  "1 tolvane-list: cannot write standard output: Bad file descriptor." "$status $(cat "$tmp/err")"
expect_eq "a closed standard output: status" 1 "$status"
cp "$tmp/inventory.hive" "$tmp/new"$'\n'"line"$'\e[2J'
run "$tmp/new"$'\n'"line"$'\e[2J'
linux_only && expect_eq "a control character in a hive's name: quoted" \
  "tolvane-list: warning: '$tmp/new\\nline\\x1b[2J': 'ControlSet002\\\\Control\\\\Class\\\\$net\\\\0008' value 'InfSection': corrupt registry data" \
  "$err"
"${runner[@]}" -f jsonl $(for i in $(seq 40); do echo "$tmp/demo.hive"; done) --control-set 1 2>"$tmp/err" |
  head -c 1 >/dev/null
expect_eq "a closed pipe: killed by SIGPIPE, quietly" "141 " "${PIPESTATUS[0]} $(cat "$tmp/err")"
run -f csv - <"$tmp/inventory.hive"
expect_eq "-: standard input lists as the file does, named -" \
  "$(sed "s|^$tmp/inventory.hive,|-,|" "$tmp/inventory.csv")" "$(cat "$tmp/out")"

# 8. Dirty hives and their transaction logs (tests/hive/dirty_hive.py writes them from a clean
# hive and two later states of it): recovered in memory from logs beside the hive or named,
# in either format, up to a bad entry, from entries split between two logs, never from a log
# of another hive, older than the hive, after a gap or bad; saved with --save-recovered; no
# input file ever changed.
d=$tmp/dirty
mkdir "$d"
added() {
  local i
  for i in $(seq "$1" "$2"); do
    printf '[HKEY_LOCAL_MACHINE\\SYSTEM\\ControlSet001\\Control\\Class\\{added-%03d}\\0000]\r\n' "$i"
    printf '"DriverDesc"="Added %03d"\r\n"ProviderName"="Logged"\r\n\r\n' "$i"
  done
}
{ reg_header; added 1 150; } >"$tmp/stage1.reg"
{
  reg_header
  printf '[HKEY_LOCAL_MACHINE\\SYSTEM\\ControlSet001\\Control\\Class\\{added-001}\\0000]\r\n'
  printf '"DriverDesc"="Changed 001"\r\n\r\n'
  added 151 200
} >"$tmp/stage2.reg"
cp "$tmp/demo.hive" "$tmp/clean.hive"
cp "$tmp/clean.hive" "$tmp/stage1.hive" && hive_merge "$tmp/stage1.hive" "$tmp/stage1.reg" &&
  cp "$tmp/stage1.hive" "$tmp/stage2.hive" && hive_merge "$tmp/stage2.hive" "$tmp/stage2.reg" ||
  fail "stage hives not made"
for stage in clean stage1 stage2; do "${runner[@]}" --hive "$tmp/$stage.hive" >"$tmp/$stage.rows"; done
dirty() { python3 "$here/dirty_hive.py" "$tmp/clean.hive" "$tmp/stage1.hive" "$tmp/stage2.hive" "$@"; }
export_of() { hivexregedit --export --prefix 'HKEY_LOCAL_MACHINE\SYSTEM' "$1" '\'; }
export_of "$tmp/stage2.hive" >"$tmp/stage2.export"

# run_dirty WHAT ROWS PATTERN ARGS...: status 0, the rows of stage ROWS, one line on standard
# error like PATTERN (none for ""), and every file in $d as it was.
run_dirty() {
  local what=$1 rows=$2 pattern=$3 before
  shift 3
  before=$(cd "$d" && sha256sum -- *)
  run "$@"
  expect_eq "$what: status" 0 "$status"
  cmp -s "$tmp/out" "$tmp/$rows.rows" && echo "ok: $what: the $rows rows" ||
    fail "$what: not the $rows rows ($(wc -l <"$tmp/out") lines)"
  if [ -z "$pattern" ]; then
    expect_eq "$what: nothing said" "" "$err"
  else
    expect_eq "$what: one line said" 1 "$(wc -l <"$tmp/err")"
    # shellcheck disable=SC2053  # PATTERN is a glob
    [[ $err == $pattern ]] || fail "$what: '$err' is not like '$pattern'"
  fi
  expect_eq "$what: input files unchanged" "$before" "$(cd "$d" && sha256sum -- *)"
}
recovered="tolvane-list: recovered '$d/SYSTEM', dirty (sequence numbers * and *), from its transaction log"
not_found="tolvane-list: warning: '$d/SYSTEM' is dirty (sequence numbers * and *) and no valid transaction log was found"

dirty --primary "$d/SYSTEM" --new "$d/SYSTEM.log1"
run_dirty "new-format log beside" stage2 "$recovered '$d/SYSTEM.log1': 2 log entries, * pages (* KiB) written back." \
  --hive "$d/SYSTEM"
run_dirty "--no-logs" clean "tolvane-list: warning: '$d/SYSTEM' is dirty (sequence numbers * and *); its transaction logs were not read (--no-logs)" \
  --hive "$d/SYSTEM" --no-logs
mv "$d/SYSTEM.log1" "$d/named"
run_dirty "--log" stage2 "$recovered '$d/named': 2 log entries, *" --hive "$d/SYSTEM" --log "$d/named"
run_dirty "no log beside" clean "$not_found beside it." --hive "$d/SYSTEM"
rm "$d/named"
dirty --primary "$d/SYSTEM" --old "$d/SYSTEM.LOG"
run_dirty "old-format log beside" stage2 "$recovered '$d/SYSTEM.LOG': * pages (* KiB) written back." \
  --hive "$d/SYSTEM"
: >"$tmp/empty.rows"
for format in old new; do
  rm -f "$d"/SYSTEM.* "$tmp/saved"
  dirty --primary "$d/SYSTEM" "--$format" "$d/SYSTEM.LOG1"
  run_dirty "$format format, --save-recovered" empty "$recovered '$d/SYSTEM.LOG1': *" \
    --hive "$d/SYSTEM" --save-recovered "$tmp/saved"
  export_of "$tmp/saved" | cmp -s - "$tmp/stage2.export" && echo "ok: $format format: saved hive exports as the changed one" ||
    fail "$format format: the saved hive does not export as the changed one"
done
run --hive "$d/SYSTEM" --save-recovered "$tmp/saved"
expect_eq "--save-recovered over a file: status" 1 "$status"
export_of "$tmp/saved" | cmp -s - "$tmp/stage2.export" || fail "--save-recovered changed a file there"
run_dirty "--save-recovered, clean hive" empty "" --hive "$tmp/clean.hive" --save-recovered "$tmp/clean-copy"
cmp -s "$tmp/clean-copy" "$tmp/clean.hive" && echo "ok: a clean hive saved unchanged" || fail "clean hive saved changed"
expect_refused "--save-recovered without a valid log" 1 \
  "tolvane-list: '$d/SYSTEM' is dirty (sequence numbers * and *); its transaction logs were not read (--no-logs): nothing written." \
  --hive "$d/SYSTEM" --no-logs --save-recovered "$tmp/unsaved"
[ ! -e "$tmp/unsaved" ] || fail "--save-recovered left a file behind"

# Entries taken while they hold, numbered on; split between two logs, the earlier first, the
# next going on after the last entry taken; another hive's refused (by its file name in the
# new format: Windows 8.1 and later leave the last-written time alone).
rm -f "$d"/SYSTEM.*
for bad in hash:2:stage1 hash:1:clean repeat:2:stage1 past-end:2:stage1 overlap:1:clean zero-size:1:clean \
  zero-page:2:clean; do
  IFS=: read -r kind entry rows <<<"$bad"
  dirty --primary "$d/SYSTEM" --new "$d/SYSTEM.LOG1" --corrupt "$entry:$kind"
  pattern="$recovered '$d/SYSTEM.LOG1': 1 log entry, *"
  [ "$rows" = stage1 ] || pattern="$not_found ('$d/SYSTEM.LOG1': *)"
  run_dirty "entry $entry: $kind" "$rows" "$pattern" --hive "$d/SYSTEM"
done
# Each case: its logs (LOG1:A-B puts stages A to B in SYSTEM.LOG1) and options, its rows and
# what it says. With the primary's base block broken only the log of the latest entries counts.
for split in "LOG1:1 LOG2:2|stage2|s '$d/SYSTEM.LOG1' and '$d/SYSTEM.LOG2': 2 log entries, *" \
  "LOG2:1 LOG1:2|stage2|s '$d/SYSTEM.LOG2' and '$d/SYSTEM.LOG1': 2 log entries, *" \
  "LOG2:1-2 LOG1:1|stage2|s '$d/SYSTEM.LOG1' and '$d/SYSTEM.LOG2': 2 log entries, *" \
  "LOG1:1-2 LOG2:1|stage2| '$d/SYSTEM.LOG1': 2 log entries, *" \
  "LOG1:1 LOG2:2 --gap|stage1| '$d/SYSTEM.LOG1': 1 log entry, *" \
  "LOG1 --skip 30|stage2| '$d/SYSTEM.LOG1': 2 log entries, *" \
  "LOG1:1 LOG2:1-2 --bad-checksum|stage2| '$d/SYSTEM.LOG2': 2 log entries, *"; do
  IFS='|' read -r logs rows said <<<"$split"
  args=()
  for log in $logs; do
    case $log in LOG*) args+=(--new "$d/SYSTEM.$log") ;; *) args+=("$log") ;; esac
  done
  dirty --primary "$d/SYSTEM" "${args[@]}"
  run_dirty "logs $logs" "$rows" "$recovered$said" --hive "$d/SYSTEM"
  rm -f "$d"/SYSTEM.*
done
dirty --primary "$d/SYSTEM" --new "$d/SYSTEM.LOG1" --skip -1
run_dirty "log older than the hive" clean \
  "$not_found ('$d/SYSTEM.LOG1': its log entries (from sequence number * are older than the hive)" \
  --hive "$d/SYSTEM"
dirty --primary "$d/SYSTEM" --new "$d/SYSTEM.LOG1" --time 1
dirty --primary "$d/SYSTEM" --time 2
run_dirty "new format, another last-written time" stage2 "$recovered '$d/SYSTEM.LOG1': 2 log entries, *" \
  --hive "$d/SYSTEM"
rm -f "$d"/SYSTEM.*
dirty --primary "$d/other" --new "$d/other.LOG1" --old "$d/other.LOG" --time 1 --name other
dirty --primary "$d/SYSTEM" --time 2
run_dirty "logs of another hive" clean "$not_found ('$d/other.LOG1': of another hive; '$d/other.LOG': of another hive)" \
  --hive "$d/SYSTEM" --log "$d/other.LOG1" --log "$d/other.LOG"
dirty --primary "$d/SYSTEM" --new "$d/SYSTEM.LOG1" --bad-checksum
run_dirty "base block checksum wrong" stage2 "$recovered '$d/SYSTEM.LOG1': *" --hive "$d/SYSTEM"

# Bad logs: each refused with its reason, the hive listed as it stands.
dirty --primary "$d/SYSTEM" --new "$d/new.log" --old "$d/old.log"
head -c 6000 "$d/new.log" >"$d/new-cut.log"
head -c 30000 "$d/old.log" >"$d/old-cut.log"
: >"$d/empty.log"
# Kept out of $d, whose files are checksummed after every run: 3 GB of zeros take a while.
truncate -s 3G "$tmp/huge.log"
for bad in "$d/new-cut.log:a log entry is truncated" "$d/old-cut.log:truncated" "$d/empty.log:empty" \
  "$tmp/huge.log:larger than any transaction log can be" "$d/none.log:No such file or directory"; do
  run_dirty "log $(basename "${bad%%:*}")" clean "$not_found ('${bad%%:*}': ${bad#*:})" \
    --hive "$d/SYSTEM" --log "${bad%%:*}"
done
rm -f "$tmp/huge.log"
# shellcheck source=real_hives.sh
source "$here/real_hives.sh"

# A hive cut short again and again while it is read: never a signal, rows or one line (after
# the line that says what is left of it).
cp "$tmp/stage2.hive" "$tmp/race.hive"
(while [ ! -e "$tmp/race.stop" ]; do cp "$tmp/stage2.hive" "$tmp/race.tmp";
  mv "$tmp/race.tmp" "$tmp/race.hive"; truncate -s 9000 "$tmp/race.hive"; done) 2>/dev/null &
racer=$!
outcomes=""
for _ in $(seq 30); do
  run --hive "$tmp/race.hive"
  if [ "$status" -eq 0 ] && [ -s "$tmp/out" ]; then outcomes+=r
  elif [ "$status" -eq 1 ] && [ "$(grep -cv ' is damaged: ' "$tmp/err")" -eq 1 ]; then outcomes+=e
  else fail "hive cut short while read: status $status, '$err'"
  fi
done
touch "$tmp/race.stop"
wait "$racer"
echo "ok: hive cut short while read: $outcomes (r rows, e one line)"

# 10. The devices and driver services views: Select names ControlSet002, whose devices keep
# their times in both stored forms (Windows 10's typed default value, Windows 7's 00000000
# subkey), name a driver record (in another case) or none, one disabled, with indirect display
# strings of both kinds; its driver services are of every type and start value, with each form
# of ImagePath and none; ControlSet001 differs. A property of 3 bytes, a Type that is a
# string and two corrupt value cells give one warning each and take no row with them. Every
# view in every format read back field for field.
python3 "$here/views_reg.py" "$tmp/views.reg" || fail "views .reg not written"
hive_from_reg "$tmp/views.hive" "$tmp/views.reg" || fail "views hive not made"
patch_hive "$tmp/views.hive" "ControlSet002\\Enum\\PCI\\VEN_8086&DEV_15B7\\3&11583659&0&FE=131666263040000000" \
  "ControlSet002\\Services\\e1dexpress=131666263040000000" \
  "ControlSet002\\Enum\\USBSTOR\\Disk&Ven_Kingston&Prod_DataTraveler\\0019E06B9C85&0|ContainerID=0x7ffffff0" \
  "ControlSet002\\Services\\usbstor|Group=0x7ffffff0" || fail "views hive not patched"
cp "$tmp/views.hive" "$tmp/views.before"
for view in devices services; do
  for format in text csv json jsonl; do
    run --view "$view" -f "$format" "$tmp/views.hive"
    expect_eq "$view, $format: status" 0 "$status"
    cp "$tmp/out" "$tmp/views.$view.$format"
    cp "$tmp/err" "$tmp/views.$view.$format.err"
  done
done
cmp -s "$tmp/views.hive" "$tmp/views.before" || fail "views: the hive was changed"
python3 - "$tmp" <<'PY' && echo "ok: devices and services read back in every format" || fail "views read back"
import csv, json, sys
tmp = sys.argv[1]
hive = tmp + "/views.hive"
def read(view):
    rows = list(csv.DictReader(open("%s/views.%s.csv" % (tmp, view), newline="", encoding="utf-8")))
    assert rows == json.load(open("%s/views.%s.json" % (tmp, view), encoding="utf-8")), view
    assert rows == [json.loads(l) for l in open("%s/views.%s.jsonl" % (tmp, view), encoding="utf-8")], view
    return rows
def warnings(view):
    said = {open("%s/views.%s.%s.err" % (tmp, view, f), encoding="utf-8").read() for f in ("text", "csv", "json", "jsonl")}
    assert len(said) == 1, said
    return sorted(said.pop().splitlines())
q = lambda path: "'" + path.replace("\\", "\\\\") + "'"
w = "tolvane-list: warning: " + q(hive) + ": "
base = {"hive": hive, "computer_name": "VIEWS-PC", "control_set": "ControlSet002"}
z = "1601-01-01T00:00:00Z"
e = "ControlSet002\\Enum\\"
def device(device_id, **fields):
    row = dict(base, device_id=device_id, enumerator=device_id.split("\\")[0], key_path=e + device_id,
               last_written=fields.pop("last_written", z))
    for f in ("description", "description_raw", "friendly_name", "friendly_name_raw", "manufacturer",
              "manufacturer_raw", "class_guid", "class_name", "hardware_ids", "compatible_ids", "service",
              "driver_key", "driver", "container_id", "config_flags", "disabled", "install_date",
              "first_install_date", "last_arrival_date", "last_removal_date"):
        row[f] = fields.pop(f, "")
    assert not fields, fields
    return row
hub_desc = "@System32\\drivers\\usbxhci.sys,#1073807361;%1 USB %2 eXtensible Host Controller - %3 (Microsoft);(Intel,3.0,1.0)"
devices = [
    device("PCI\\VEN_8086&DEV_15B7\\3&11583659&0&FE", last_written="2018-03-27T12:11:44Z",
           description="Intel(R) Ethernet Connection",
           description_raw="@oem12.inf,%e15b7.devicedesc%;Intel(R) Ethernet Connection",
           manufacturer="Intel", manufacturer_raw="@oem12.inf,%intel%;Intel",
           class_guid="{4d36e972-e325-11ce-bfc1-08002be10318}", class_name="Net",
           hardware_ids="PCI\\VEN_8086&DEV_15B7&SUBSYS_07A61028;PCI\\VEN_8086&DEV_15B7",
           compatible_ids="PCI\\CC_020000", service="e1dexpress",
           driver_key="{4D36E972-E325-11CE-BFC1-08002BE10318}\\0003", driver="Intel(R) Ethernet Connection I219-LM",
           container_id="{00000000-0000-0000-ffff-ffffffffffff}", config_flags="0", disabled="no",
           install_date="2021-01-02T03:04:05Z", first_install_date="2019-05-04T10:20:30Z",
           last_arrival_date="2021-02-03T04:05:06Z"),
    device("ROOT\\LEGACY_BAD\\0000", description="Bad times", description_raw="Bad times", service="usbstor",
           last_arrival_date="2019-05-04T10:20:31Z"),
    device("USB\\ROOT_HUB30\\4&2a8c4a0b&0", description="Intel USB 3.0 eXtensible Host Controller - 1.0 (Microsoft)",
           description_raw=hub_desc, service="USBHUB3", driver_key="{36fc9e60-c465-11cf-8056-444553540000}\\0099",
           config_flags="65", disabled="yes", install_date="2019-05-04T10:20:31Z",
           first_install_date="2019-05-04T10:20:30Z", last_removal_date="2021-02-03T04:05:06Z"),
    device("USBSTOR\\Disk&Ven_Kingston&Prod_DataTraveler\\0019E06B9C85&0", friendly_name="Флешка 😀 USB",
           friendly_name_raw="Флешка 😀 USB", service="USBSTOR"),
]
got = read("devices")
assert [r["device_id"] for r in got] == [r["device_id"] for r in devices], got
for g, want in zip(got, devices):
    assert list(g) == list(want), (list(g), list(want))
    for f in want:
        assert g[f] == want[f], (want["device_id"], f, g[f], want[f])
assert warnings("devices") == sorted([
    w + q(e + "ROOT\\LEGACY_BAD\\0000\\Properties\\{83da6326-97a6-4088-9453-a1923f573b29}\\0064") + ": invalid data",
    w + q(e + "USBSTOR\\Disk&Ven_Kingston&Prod_DataTraveler\\0019E06B9C85&0") + " value 'ContainerID': corrupt registry data",
]), warnings("devices")
s = "ControlSet002\\Services\\"
def service(name, **fields):
    row = dict(base, name=name, key_path=s + name, last_written=fields.pop("last_written", z))
    for f in ("display_name", "display_name_raw", "description", "description_raw", "type", "start",
              "error_control", "group", "tag", "image_path", "file_path", "owners", "devices"):
        row[f] = fields.pop(f, "")
    assert not fields, fields
    return row
services = [
    service("e1dexpress", last_written="2018-03-27T12:11:44Z", display_name="Intel(R) PRO/1000 Driver",
            display_name_raw="@oem12.inf,%e1dexpress.svc%;Intel(R) PRO/1000 Driver", type="kernel",
            start="demand", error_control="normal", group="NDIS", tag="5",
            image_path="\\SystemRoot\\System32\\drivers\\e1d68x64.sys",
            file_path="%SystemRoot%\\System32\\drivers\\e1d68x64.sys", owners="oem12.inf", devices="1"),
    service("Fs_Rec", description="@%SystemRoot%\\system32\\drivers\\fs_rec.sys,-100",
            description_raw="@%SystemRoot%\\system32\\drivers\\fs_rec.sys,-100", type="recognizer",
            start="auto", error_control="ignore", image_path="system32\\drivers\\fs_rec.sys",
            file_path="%SystemRoot%\\system32\\drivers\\fs_rec.sys", devices="0"),
    service("netadapter", type="adapter", start="system", error_control="severe",
            image_path="\\??\\C:\\Drivers\\netadp.sys", file_path="C:\\Drivers\\netadp.sys", devices="0"),
    service("Ntfs", type="file system", start="boot", error_control="critical", group="Boot File System",
            file_path="%SystemRoot%\\System32\\drivers\\Ntfs.sys", devices="0"),
    service("offdrv", type="kernel", start="disabled", error_control="9",
            image_path="\\SystemRoot\\system32\\drivers\\offdrv.sys",
            file_path="%SystemRoot%\\system32\\drivers\\offdrv.sys", devices="0"),
    service("USBHUB3", type="kernel", start="7", image_path="\\SystemRoot\\System32\\drivers\\UsbHub3.sys",
            file_path="%SystemRoot%\\System32\\drivers\\UsbHub3.sys", devices="1"),
    service("usbstor", type="kernel", start="demand", error_control="normal",
            image_path="System32\\drivers\\USBSTOR.SYS", file_path="%SystemRoot%\\System32\\drivers\\USBSTOR.SYS",
            devices="2"),
]
got = read("services")
assert [r["name"] for r in got] == [r["name"] for r in services], [r["name"] for r in got]
for g, want in zip(got, services):
    assert list(g) == list(want), (list(g), list(want))
    for f in want:
        assert g[f] == want[f], (want["name"], f, g[f], want[f])
assert warnings("services") == sorted([
    w + q(s + "BadType") + " value 'Type': invalid data",
    w + q(s + "usbstor") + " value 'Group': corrupt registry data",
]), warnings("services")
text = open(tmp + "/views.devices.text", encoding="utf-8").read().split("\n")
assert text[0].split("  ")[0] == "Control set" and " ".join(text[0].split()) == \
    "Control set Device ID Last arrival First install Description Driver Service", text[0]
assert " ".join(text[1].split()) == "ControlSet002 PCI\\VEN_8086&DEV_15B7\\3&11583659&0&FE " \
    "2021-02-03T04:05:06Z 2019-05-04T10:20:30Z Intel(R) Ethernet Connection Intel(R) Ethernet Connection I219-LM e1dexpress", text[1]
assert "Флешка 😀 USB" in text[4] and len(text) == 6, text
text = open(tmp + "/views.services.text", encoding="utf-8").read().split("\n")
assert " ".join(text[0].split()) == "Control set Name Start Type Last written Display name File path", text[0]
assert " ".join(text[4].split()) == "ControlSet002 Ntfs boot file system 1601-01-01T00:00:00Z " \
    "%SystemRoot%\\System32\\drivers\\Ntfs.sys", text[4]
PY
run --view services --control-set 1 -f csv "$tmp/views.hive"
expect_eq "services, --control-set 1: the other set's services" "oldsvc,demand,%SystemRoot%\\System32\\drivers\\old.sys" \
  "$(python3 -c 'import csv,sys; print("|".join(",".join((r["name"], r["start"], r["file_path"])) for r in csv.DictReader(open(sys.argv[1]))))' "$tmp/out")"
run --view devices --all-control-sets -f jsonl "$tmp/views.hive"
expect_eq "devices, --all-control-sets" "ControlSet001 ROOT\\OLD\\0000 Old device,4" \
  "$(python3 -c 'import json,sys; r=[json.loads(l) for l in open(sys.argv[1])]; print(r[0]["control_set"], r[0]["device_id"], r[0]["description"] + "," + str(len(r) - 1))' "$tmp/out")"
expect_refused "the save format of another view" 2 "tolvane-list: the save format writes the records alone: --view devices is not for it (*)" \
  --view devices -f save "$tmp/views.hive"
expect_refused "an unknown view" 2 "tolvane-list: unknown view 'drivers' (records, devices, services, packages, files or timeline) (*)" \
  --view drivers "$tmp/views.hive"
run --view devices "$tmp/demo.hive"
expect_eq "devices of a hive with no Enum key" "1 tolvane-list: '$tmp/demo.hive': ControlSet001 has no Enum key." "$status $err"

# 11. A real Windows 10 SYSTEM hive (dirty, without its logs: read as it stands): every device
# instance and driver service of its current control set, as a reading of the test's own
# (hivexregedit's export for the values, python3-hivex for the times) finds them.
real=$here/../data/real-hives
xz -dc "$real/SYSTEM_2.xz" >"$tmp/SYSTEM_2" || fail "SYSTEM_2 not unpacked"
for view in devices services; do
  run --no-logs --view "$view" -f csv "$tmp/SYSTEM_2"
  expect_eq "SYSTEM_2, $view: status and the one line said" \
    "0 tolvane-list: warning: '$tmp/SYSTEM_2' is dirty (sequence numbers 205 and 204); its transaction logs were not read (--no-logs)" \
    "$status $err"
  cp "$tmp/out" "$tmp/SYSTEM_2.$view.csv"
done
# python3-hivex is Debian's: the system's Python, whatever python3 comes first on the PATH.
hivex_python=python3
python3 -c 'import hivex' 2>/dev/null || hivex_python=/usr/bin/python3
if said=$("$hivex_python" "$here/real_views_check.py" "$tmp/SYSTEM_2" "$tmp/SYSTEM_2.devices.csv" \
  "$tmp/SYSTEM_2.services.csv"); then
  echo "ok: SYSTEM_2: $said"
else
  fail "SYSTEM_2: $said"
fi

# A file of more than 8 MB is read in two halves at once: SYSTEM_2 with 2 MB of slack after
# its bins (as a carved file can have) lists every view byte for byte as SYSTEM_2 does.
mkdir -p "$tmp/large"
cat "$tmp/SYSTEM_2" >"$tmp/large/SYSTEM_2"
head -c $((2 << 20)) /dev/urandom >>"$tmp/large/SYSTEM_2"
for view in records devices services packages timeline; do
  "${runner[@]}" --no-logs --view "$view" -f csv "$tmp/SYSTEM_2" >"$tmp/small.csv" 2>/dev/null
  run --no-logs --view "$view" -f csv "$tmp/large/SYSTEM_2"
  sed -i "s|$tmp/large/|$tmp/|g" "$tmp/out"
  if [ "$status" -ne 0 ] || ! cmp -s "$tmp/small.csv" "$tmp/out" || [ ! -s "$tmp/out" ]; then
    fail "SYSTEM_2 with slack after its bins, $view: status $status, listed otherwise"
  fi
done
echo "ok: SYSTEM_2 read in two halves lists every view as it does read whole"

# 12. Hives of three kinds, told by what they hold: a SYSTEM hive with the driver store's
# packages (an inbox one, two versions of one OEM package of which the second is active, one
# whose Version is 20 bytes), a DRIVERS hive, Amcache hives of both layouts (keys named by
# path with a DriverId, and by the file's id), and the known-vulnerable list in JSON and CSV.
# Every view in every format read back field for field; the list's matches go by SHA-1 alone.
python3 - "$tmp" <<'PY' || fail "kinds .reg files not written"
import json, struct, sys
tmp = sys.argv[1]
def hexs(data): return ",".join("%02x" % x for x in data)
def sz(name, text): return '%s=hex(1):%s' % ('@' if name == "@" else '"%s"' % name, hexs((text + "\0").encode("utf-16-le")))
def multi(name, items): return '"%s"=hex(7):%s' % (name, hexs(("\0".join(items) + "\0\0").encode("utf-16-le")))
def dword(name, n): return '"%s"=dword:%08x' % (name, n)
def binary(name, data): return '"%s"=hex:%s' % (name, hexs(data))
def key(path, *values): return "[HKEY_LOCAL_MACHINE\\SYSTEM\\%s]\r\n%s\r\n" % (path, "".join(v + "\r\n" for v in values))
def version(guid, filetime, parts):
    a, b, c, d = parts
    return b"\0" * 8 + struct.pack("<IHH", *guid[:3]) + bytes(guid[3]) + struct.pack("<QQ", filetime, a << 48 | b << 32 | c << 16 | d) + b"\0" * 8
net = (0x4d36e972, 0xe325, 0x11ce, [0xbf, 0xc1, 0x08, 0x00, 0x2b, 0xe1, 0x03, 0x18])
system = (0x4d36e97d, 0xe325, 0x11ce, [0xbf, 0xc1, 0x08, 0x00, 0x2b, 0xe1, 0x03, 0x18])
p, f = "DriverDatabase\\DriverPackages\\", "DriverDatabase\\DriverInfFiles\\"
old, new = "netrtwlane.inf_amd64_a6f7c3b2e1d0f9a8", "netrtwlane.inf_amd64_0b1c2d3e4f5a6b7c"
reg = "Windows Registry Editor Version 5.00\r\n\r\n"
open(tmp + "/kinds_system.reg", "w", newline="").write(reg + "".join([
    key("Select", dword("Current", 1)),
    key("ControlSet001\\Control\\ComputerName\\ComputerName", sz("ComputerName", "STORE-PC")),
    key("ControlSet001\\Control\\Class\\{4D36E972-E325-11CE-BFC1-08002BE10318}", sz("Class", "Net")),
    key(p + "machine.inf_amd64_c7e9c8a2a1f0e3d4", sz("@", "machine.inf"), sz("Provider", "Microsoft"),
        sz("InfName", "machine.inf"), sz("SignerName", "Microsoft Windows"), dword("SignerScore", 0x0d000001),
        binary("Version", version(system, 130000000000000000, (10, 0, 19041, 1)))),
    key(p + old, sz("@", "oem12.inf"), sz("Provider", "Realtek"), dword("SignerScore", 0x0d000005),
        sz("Catalog", "netrtwlane.cat"), binary("ImportDate", struct.pack("<Q", 132014388300000000)),
        binary("Version", version(net, 131000000000000000, (2024, 10, 1021, 2019)))),
    key(p + new, sz("@", "oem12.inf"), sz("Provider", "Realtek"), dword("SignerScore", 0x0d000005),
        sz("SignerName", "Microsoft Windows Hardware Compatibility Publisher"),
        binary("Version", version(net, 132540302450000000, (2024, 10, 1021, 2023)))),
    key(p + "usb_dev.inf_x86_1234abcd", sz("@", "OEM3.INF"), binary("Version", bytes(range(20)))),
    key(f + "oem12.inf", multi("@", [old, new]), sz("Active", new.upper())),
    key(f + "machine.inf", multi("@", ["machine.inf_amd64_c7e9c8a2a1f0e3d4"]), sz("Active", "machine.inf_amd64_c7e9c8a2a1f0e3d4"))]))
open(tmp + "/kinds_drivers.reg", "w", newline="").write(reg + key(p + "keyboard.inf_arm64_99aa", sz("@", "keyboard.inf"),
    sz("Provider", "Microsoft"), binary("Version", version(system, 125911584000000000, (6, 1, 7601, 17514)))))
sha_vuln, sha_afd, sha_old = "0B4F1C2D3E4F5A6B7C8D9E0F1A2B3C4D5E6F7A8B", "1" * 40, "c0ffee" + "2" * 34
a = "Root\\InventoryDriverBinary\\"
open(tmp + "/kinds_amcache.reg", "w", newline="").write(reg + "".join([
    key(a + "c:/windows/system32/drivers/vuln.sys", sz("DriverId", "0000" + sha_vuln), sz("DriverName", "vuln.sys"),
        sz("DriverCompany", "Vuln Corp"), sz("Product", "Vuln Tools"), sz("ProductVersion", "1.0"),
        sz("DriverVersion", "1.0.0.7"), sz("DriverSigned", "true"), sz("DriverInBox", "false"),
        sz("DriverIsKernelMode", "true"), dword("DriverTimeStamp", 1500000000),
        sz("DriverLastWriteTime", "09/15/2018 09:28:46"), dword("ImageSize", 53248), sz("Service", "vuln"),
        sz("Inf", "oem7.inf"), sz("DriverPackageStrongName", "vuln.inf_amd64_1a2b"), sz("WdfVersion", "1.15")),
    key(a + "c:/windows/system32/drivers/afd.sys", sz("DriverId", "0000" + sha_afd), sz("DriverName", "afd.sys"),
        sz("DriverSigned", "false"), sz("DriverLastWriteTime", "not a date")),
    key(a + "c:/windows/system32/drivers/short.sys", sz("DriverId", "0000" + "3" * 39), sz("DriverName", "short.sys"),
        sz("DriverSigned", "maybe"))]))
open(tmp + "/kinds_amcache_ids.reg", "w", newline="").write(reg + key(a + "0000" + sha_old, sz("DriverName", "old.sys"),
    dword("DriverSigned", 1), sz("ImageSize", "0x1000"), sz("DriverTimeStamp", "0")))
entries = [
    {"Id": "0b4f0000-1111-2222-3333-444455556666", "Category": "vulnerable driver", "Tags": ["vuln.sys"],
     "KnownVulnerableSamples": [{"Filename": "vuln.sys", "MD5": "0" * 32, "SHA1": sha_vuln.lower(), "SHA256": "5" * 64,
                                 "Imports": ["ntoskrnl.exe"], "Signatures": [{"Certificates": [{"SHA1": "6" * 40}]}]},
                                {"Filename": "afd.sys", "SHA256": "7" * 64}]},
    {"Id": "aaaa0000-1111-2222-3333-444455556666", "Category": "malicious",
     "KnownVulnerableSamples": [{"Filename": "afd.sys", "SHA1": "8" * 40}]},
    {"Id": "cafe0000-1111-2222-3333-444455556666", "KnownVulnerableSamples": [{"SHA1": sha_old.upper()}], "Category": "malicious"},
    {"Id": "no-samples", "Category": "malicious"}]
json.dump(entries, open(tmp + "/drivers.json", "w"), indent=1)
open(tmp + "/drivers.csv", "w", newline="").write(
    'Id,Category,KnownVulnerableSamples_Filename,KnownVulnerableSamples_SHA1,Description\r\n'
    '0b4f0000-1111-2222-3333-444455556666,vulnerable driver,"vuln.sys, afd.sys",%s,"a ""quoted"",\r\nlong text"\r\n'
    'aaaa0000-1111-2222-3333-444455556666,malicious,afd.sys,%s,\r\n'
    'cafe0000-1111-2222-3333-444455556666,malicious,,"%s, %s",\r\n' % (sha_vuln.lower(), "8" * 40, "9" * 40, sha_old))
open(tmp + "/nosha1.json", "w").write('[{"Id": "a", "Category": "malicious", "KnownVulnerableSamples": [{"Filename": "afd.sys"}]}]')
open(tmp + "/notjson.json", "w").write('[{"Id": "a", "KnownVulnerableSamples": [{"SHA1": "%s"}]' % ("8" * 40))
open(tmp + "/empty.json", "w").write("")
open(tmp + "/other.json", "w").write('[{"Id": "z", "Category": "malicious", "KnownVulnerableSamples": [{"Filename": "vuln.sys", "SHA1": "%s"}]}]' % ("f" * 40))
PY
for kind in system drivers amcache amcache_ids; do
  hive_from_reg "$tmp/kinds_$kind.hive" "$tmp/kinds_$kind.reg" || fail "$kind hive not made"
done
patch_hive "$tmp/kinds_system.hive" "DriverDatabase\\DriverPackages\\netrtwlane.inf_amd64_0b1c2d3e4f5a6b7c=131666263040000000" ||
  fail "kinds hive not patched"
for hive in system drivers amcache amcache_ids; do cp "$tmp/kinds_$hive.hive" "$tmp/kinds_$hive.before"; done
for format in text csv json jsonl; do
  run --view packages -f "$format" "$tmp/kinds_system.hive" "$tmp/kinds_drivers.hive"
  expect_eq "packages, $format: status" 0 "$status"
  cp "$tmp/out" "$tmp/kinds.packages.$format"
  cp "$tmp/err" "$tmp/kinds.packages.$format.err"
  run -f "$format" --known-vulnerable "$tmp/drivers.json" "$tmp/kinds_amcache.hive" "$tmp/kinds_amcache_ids.hive"
  expect_eq "files, $format: status" 0 "$status"
  cp "$tmp/out" "$tmp/kinds.files.$format"
  cp "$tmp/err" "$tmp/kinds.files.$format.err"
done
python3 - "$tmp" <<'PY' && echo "ok: packages and files read back in every format" || fail "packages and files read back"
import csv, json, sys
tmp = sys.argv[1]
def read(view):
    rows = list(csv.DictReader(open("%s/kinds.%s.csv" % (tmp, view), newline="", encoding="utf-8")))
    assert rows == json.load(open("%s/kinds.%s.json" % (tmp, view), encoding="utf-8")), view
    assert rows == [json.loads(l) for l in open("%s/kinds.%s.jsonl" % (tmp, view), encoding="utf-8")], view
    return rows
def said(view):
    lines = {open("%s/kinds.%s.%s.err" % (tmp, view, f), encoding="utf-8").read() for f in ("text", "csv", "json", "jsonl")}
    assert len(lines) == 1, lines
    return lines.pop().splitlines()
def check(got, want):
    assert len(got) == len(want), (len(got), [list(g.values())[:4] for g in got])
    for g, w in zip(got, want):
        assert list(g) == list(w), (list(g), list(w))
        for field in w:
            assert g[field] == w[field], (w["key_path"], field, g[field], w[field])
q = lambda path: "'" + path.replace("\\", "\\\\") + "'"
z = "1601-01-01T00:00:00Z"
def package(hive, name, **fields):
    row = {"hive": tmp + "/kinds_%s.hive" % hive, "computer_name": "STORE-PC" if hive == "system" else "",
           "package": name, "key_path": "DriverDatabase\\DriverPackages\\" + name, "last_written": fields.pop("last_written", z)}
    for field in ("published_name", "original_name", "provider", "class_guid", "class_name", "version", "driver_date_iso",
                  "signer", "signer_score", "import_date", "catalog", "active", "inbox"):
        row[field] = fields.pop(field, "")
    assert not fields, fields
    return row
net, system = "{4d36e972-e325-11ce-bfc1-08002be10318}", "{4d36e97d-e325-11ce-bfc1-08002be10318}"
check(read("packages"), [
    package("system", "machine.inf_amd64_c7e9c8a2a1f0e3d4", published_name="machine.inf", original_name="machine.inf",
            provider="Microsoft", class_guid=system, version="10.0.19041.1", driver_date_iso="2012-12-14",
            signer="Microsoft Windows", signer_score="0d000001", active="yes", inbox="yes"),
    package("system", "netrtwlane.inf_amd64_0b1c2d3e4f5a6b7c", last_written="2018-03-27T12:11:44Z", published_name="oem12.inf",
            original_name="netrtwlane.inf", provider="Realtek", class_guid=net, class_name="Net", version="2024.10.1021.2023",
            driver_date_iso="2021-01-02", signer="Microsoft Windows Hardware Compatibility Publisher", signer_score="0d000005",
            active="yes", inbox="no"),
    package("system", "netrtwlane.inf_amd64_a6f7c3b2e1d0f9a8", published_name="oem12.inf", original_name="netrtwlane.inf",
            provider="Realtek", class_guid=net, class_name="Net", version="2024.10.1021.2019", driver_date_iso="2016-02-15",
            signer_score="0d000005", import_date="2019-05-04T10:20:30Z", catalog="netrtwlane.cat", active="no", inbox="no"),
    package("system", "usb_dev.inf_x86_1234abcd", published_name="OEM3.INF", original_name="usb_dev.inf", active="no", inbox="no"),
    package("drivers", "keyboard.inf_arm64_99aa", published_name="keyboard.inf", original_name="keyboard.inf", provider="Microsoft",
            class_guid=system, version="6.1.7601.17514", driver_date_iso="2000-01-01", active="no", inbox="yes"),
])
assert said("packages") == ["tolvane-list: warning: %s: %s value 'Version': invalid data"
                            % (q(tmp + "/kinds_system.hive"), q("DriverDatabase\\DriverPackages\\usb_dev.inf_x86_1234abcd"))], said("packages")
def file(hive, key_name, **fields):
    row = {"hive": tmp + "/kinds_%s.hive" % hive, "key_path": "Root\\InventoryDriverBinary\\" + key_name, "last_written": z,
           "path": "" if hive == "amcache_ids" else key_name}
    for field in ("name", "sha1", "company", "product", "product_version", "version", "signed", "inbox", "kernel_mode",
                  "link_date", "last_modified", "image_size", "service", "inf", "package", "wdf_version", "known_vulnerable"):
        row[field] = fields.pop(field, "")
    assert not fields, fields
    return row
check(read("files"), [
    file("amcache", "c:/windows/system32/drivers/afd.sys", name="afd.sys", sha1="1" * 40, signed="no", last_modified="not a date"),
    file("amcache", "c:/windows/system32/drivers/short.sys", name="short.sys"),
    file("amcache", "c:/windows/system32/drivers/vuln.sys", name="vuln.sys", sha1="0b4f1c2d3e4f5a6b7c8d9e0f1a2b3c4d5e6f7a8b",
         company="Vuln Corp", product="Vuln Tools", product_version="1.0", version="1.0.0.7", signed="yes", inbox="false",
         kernel_mode="true", link_date="2017-07-14T02:40:00Z", last_modified="2018-09-15T09:28:46Z", image_size="53248",
         service="vuln", inf="oem7.inf", package="vuln.inf_amd64_1a2b", wdf_version="1.15",
         known_vulnerable="vulnerable driver 0b4f0000-1111-2222-3333-444455556666"),
    file("amcache_ids", "0000c0ffee" + "2" * 34, name="old.sys", sha1="c0ffee" + "2" * 34, signed="yes",
         link_date="1970-01-01T00:00:00Z", image_size="4096", known_vulnerable="malicious cafe0000-1111-2222-3333-444455556666"),
])
assert said("files") == [
    "tolvane-list: warning: %s: %s value 'DriverSigned': invalid data" % (q(tmp + "/kinds_amcache.hive"), q("Root\\InventoryDriverBinary\\c:/windows/system32/drivers/short.sys")),
    "tolvane-list: 2 of 4 driver files are on the known-vulnerable list '%s/drivers.json'" % tmp], said("files")
text = open(tmp + "/kinds.packages.text", encoding="utf-8").read().split("\n")
assert " ".join(text[0].split()) == "Hive Published Original Provider Class Version Driver date Active Package", text[0]
assert " ".join(text[2].split()) == tmp + "/kinds_system.hive oem12.inf netrtwlane.inf Realtek Net 2024.10.1021.2023 2021-01-02 yes " \
    "netrtwlane.inf_amd64_0b1c2d3e4f5a6b7c", text[2]
assert " ".join(text[1].split()).split()[4] == system, text[1]
PY
for hive in system drivers amcache amcache_ids; do
  cmp -s "$tmp/kinds_$hive.hive" "$tmp/kinds_$hive.before" || fail "kinds: the $hive hive was changed"
done
# The CSV form of the list marks the same files; a file name alone is no match.
run -f csv --known-vulnerable "$tmp/drivers.csv" "$tmp/kinds_amcache_ids.hive" "$tmp/kinds_amcache.hive"
expect_eq "files, the CSV list: status, marks and the line said" "0 old.sys=malicious cafe0000-1111-2222-3333-444455556666|afd.sys=|short.sys=|vuln.sys=vulnerable driver 0b4f0000-1111-2222-3333-444455556666" \
  "$status $(python3 -c 'import csv,sys; print("|".join(r["name"] + "=" + r["known_vulnerable"] for r in csv.DictReader(open(sys.argv[1]))))' "$tmp/out")"
expect_eq "files, the CSV list: the last line" "tolvane-list: 2 of 4 driver files are on the known-vulnerable list '$tmp/drivers.csv'" \
  "$(tail -1 "$tmp/err")"
run --known-vulnerable "$tmp/drivers.json" "$tmp/kinds_amcache_ids.hive" -f jsonl --view files "$tmp/kinds_system.hive"
expect_eq "files of a SYSTEM hive beside an Amcache one: status and lines" \
  "1 tolvane-list: '$tmp/kinds_system.hive' is a SYSTEM hive: it holds driver records (--view records), devices (--view devices), driver services (--view services) and driver packages (--view packages), not driver files.
tolvane-list: 1 of 1 driver files is on the known-vulnerable list '$tmp/drivers.json'" "$status $err"
run -f jsonl --known-vulnerable "$tmp/other.json" "$tmp/kinds_amcache_ids.hive"
expect_eq "a list naming a file of the hive with another SHA-1: status and the line said" \
  "0 tolvane-list: none of the 1 driver files are on the known-vulnerable list '$tmp/other.json'" "$status $err"
# The list as its project publishes it, in both forms (tests/data/loldrivers): every sample's
# SHA-1 marks its file with the entry the test's own reading of the list names; the SHA-1 of
# an Authentihash marks nothing.
lists=$here/../data/loldrivers
python3 - "$tmp" "$lists" <<'PY' || fail "the real lists' hive not written"
import csv, json, sys
tmp, lists = sys.argv[1:]
marks = {"json": {}, "csv": {}}
for entry in json.load(open(lists + "/drivers.json", encoding="utf-8")):
    for sample in entry["KnownVulnerableSamples"]:
        marks["json"][sample["SHA1"].lower()] = " ".join(x for x in (entry["Category"], entry.get("Id", "")) if x)
authentihashes = set()
for record in csv.DictReader(open(lists + "/drivers.csv", encoding="utf-8", newline="")):
    for sha1 in filter(None, (x.strip() for x in record["KnownVulnerableSamples_SHA1"].split(","))):
        marks["csv"][sha1.lower()] = record["Category"] + " " + record["Id"]
    authentihashes.update(filter(None, (x.strip() for x in record["KnownVulnerableSamples_Authentihash_SHA1"].split(","))))
files = sorted(set(marks["json"]) | set(marks["csv"]) | authentihashes)
assert len(marks["json"]) == 3 and len(marks["csv"]) == 24 and len(authentihashes) == 22, (marks, authentihashes)
def sz(name, text): return '"%s"=hex(1):%s' % (name, ",".join("%02x" % b for b in (text + "\0").encode("utf-16-le")))
with open(tmp + "/reallists.reg", "w", newline="") as reg:
    reg.write("Windows Registry Editor Version 5.00\r\n\r\n")
    for n, sha1 in enumerate(files):
        reg.write("[HKEY_LOCAL_MACHINE\\SYSTEM\\Root\\InventoryDriverBinary\\c:/windows/system32/drivers/f%02d.sys]\r\n"
                  "%s\r\n%s\r\n\r\n" % (n, sz("DriverId", "0000" + sha1), sz("DriverName", "f%02d.sys" % n)))
for form in marks:
    json.dump({"f%02d.sys" % n: marks[form].get(sha1, "") for n, sha1 in enumerate(files)}, open(tmp + "/reallists." + form, "w"))
PY
hive_from_reg "$tmp/reallists.hive" "$tmp/reallists.reg" || fail "the real lists' hive not made"
for form in json csv; do
  run -f csv --known-vulnerable "$lists/drivers.$form" "$tmp/reallists.hive"
  expect_eq "the real list, $form: status, marks and the line said" \
    "0 same tolvane-list: $(python3 -c 'import json,sys; m=json.load(open(sys.argv[1])); print(sum(1 for v in m.values() if v), "of", len(m))' "$tmp/reallists.$form") driver files are on the known-vulnerable list '$lists/drivers.$form'" \
    "$status $(python3 -c 'import csv,json,sys; print("same" if {r["name"]: r["known_vulnerable"] for r in csv.DictReader(open(sys.argv[1]))} == json.load(open(sys.argv[2])) else "differ")' "$tmp/out" "$tmp/reallists.$form") $err"
done
# A dirty Amcache hive is brought up to date from its log first, as a SYSTEM hive is.
mkdir -p "$tmp/amdirty"
cp "$tmp/kinds_amcache_ids.hive" "$tmp/amstage.hive"
hive_merge "$tmp/amstage.hive" "$tmp/kinds_amcache.reg" &&
  python3 "$here/dirty_hive.py" "$tmp/kinds_amcache_ids.hive" "$tmp/amstage.hive" \
    --primary "$tmp/amdirty/Amcache.hve" --new "$tmp/amdirty/Amcache.hve.LOG1" ||
  fail "dirty Amcache hive not made"
run -f csv "$tmp/amdirty/Amcache.hve"
expect_eq "a dirty Amcache hive: status, files and the first line said" \
  "0 4 tolvane-list: recovered '$tmp/amdirty/Amcache.hve', dirty (sequence numbers 3 and 2)" \
  "$status $(($(wc -l <"$tmp/out") - 1)) $(sed -n '1s/, from its.*//p' "$tmp/err")"
# Each kind lists its own view unless one is asked for; kinds cannot be mixed without one.
run -f csv "$tmp/kinds_drivers.hive"
expect_eq "a DRIVERS hive lists its packages" "0 package" "$status $(head -1 "$tmp/out" | cut -d, -f3)"
for bad in notjson nosha1 empty missing; do
  case $bad in
    notjson) why="not valid JSON at byte *" ;;
    nosha1) why="no sample's SHA1 in it" ;;
    empty) why="empty file" ;;
    missing) why="No such file or directory" ;;
  esac
  expect_refused "the known-vulnerable list, $bad" 2 \
    "tolvane-list: cannot use the known-vulnerable list '$tmp/$bad.json': $why." \
    --known-vulnerable "$tmp/$bad.json" "$tmp/kinds_amcache.hive"
done
expect_refused "hives of two kinds without --view" 2 \
  "tolvane-list: hives of different kinds need --view: '$tmp/kinds_amcache_ids.hive' lists its files, '$tmp/kinds_drivers.hive' its packages (*)" \
  "$tmp/kinds_amcache_ids.hive" "$tmp/kinds_drivers.hive"
expect_refused "the list with another view" 2 "tolvane-list: --known-vulnerable checks driver files: --view packages is not for it (*)" \
  --view packages --known-vulnerable "$tmp/drivers.json" "$tmp/kinds_drivers.hive"
run --view devices "$tmp/kinds_amcache.hive"
expect_eq "devices of an Amcache hive" \
  "1 tolvane-list: '$tmp/kinds_amcache.hive' is an Amcache hive: it holds driver files (--view files), not devices." "$status $err"
run --view packages "$tmp/demo.hive"
expect_eq "packages of a SYSTEM hive without a driver store" \
  "1 tolvane-list: '$tmp/demo.hive': no DriverDatabase\\DriverPackages key (Windows keeps one since Windows 8)" "$status $err"
# The driver store of the real Windows 10 SYSTEM hive of section 11, against the test's own
# reading of the same keys (hivexregedit's export, python3-hivex, the Version bytes decoded
# with Python's uuid and struct).
run --no-logs -f csv "$tmp/SYSTEM_2" --view packages
expect_eq "SYSTEM_2, packages: status and rows" "0 159" "$status $(($(wc -l <"$tmp/out") - 1))"
cp "$tmp/out" "$tmp/SYSTEM_2.packages.csv"
if said=$("$hivex_python" "$here/real_packages_check.py" "$tmp/SYSTEM_2" "$tmp/SYSTEM_2.packages.csv"); then
  echo "ok: SYSTEM_2: $said"
else
  fail "SYSTEM_2, packages: $said"
fi

# 13. The timeline rebuilt here from the views' own rows: of the views hive with two packages
# of the driver store added (store.hive) beside a hive of records alone, and of a DRIVERS and
# an Amcache hive; one row for each time that reads, with its texts, oldest first, at one time
# in the views' order; --since and --until at their edges, a date standing for its whole day;
# --diff of the store hive and a copy changed by hivexregedit lists exactly the changes, with
# the fields that changed and their old values, and nothing against itself.
cp "$tmp/views.hive" "$tmp/store.hive"
packages='HKEY_LOCAL_MACHINE\SYSTEM\DriverDatabase\DriverPackages'
{
  reg_header
  printf '[%s\\usbstor.inf_amd64_8a1b2c3d]\r\n@="usbstor.inf"\r\n"Provider"="Microsoft"\r\n\r\n' "$packages"
  printf '[%s\\e1d68x64.inf_amd64_4f5e6d7c]\r\n@="oem12.inf"\r\n"Provider"="Intel"\r\n' "$packages"
  printf '"ImportDate"=hex:%s\r\n' "$(python3 -c 'import struct; print(",".join("%02x" % b for b in struct.pack("<Q", 132540302450000000)))')"
} >"$tmp/store.reg"
hive_merge "$tmp/store.hive" "$tmp/store.reg" || fail "store hive not made"
cp "$tmp/store.hive" "$tmp/store.before"
for view in records devices services packages; do
  run --view "$view" -f csv "$tmp/store.hive"
  cp "$tmp/out" "$tmp/store.$view.csv"
done
for view in packages files; do
  run --view "$view" -f csv "$tmp/kinds_drivers.hive" "$tmp/kinds_amcache.hive"
  cp "$tmp/out" "$tmp/kinds2.$view.csv"
done
for format in text csv json jsonl; do
  run --view timeline -f "$format" "$tmp/store.hive" "$tmp/inventory.hive"
  expect_eq "timeline, $format: status and warnings" "0 5" "$status $(wc -l <"$tmp/err")"
  cp "$tmp/out" "$tmp/timeline.$format"
done
run --view timeline -f csv "$tmp/kinds_drivers.hive" "$tmp/kinds_amcache.hive"
expect_eq "timeline of a DRIVERS and an Amcache hive: status" 0 "$status"
cp "$tmp/out" "$tmp/timeline.kinds.csv"
run --view timeline -f csv --since 2021-02-03T04:05:06 --until 2021-02-03T04:05:06Z "$tmp/views.hive"
cp "$tmp/out" "$tmp/timeline.edge.csv"
run --view timeline -f csv --since 2019-05-04 --until 2019-05-04 "$tmp/views.hive"
cp "$tmp/out" "$tmp/timeline.day.csv"
run --view devices -f csv --since 2021-02-03T04:05:06 "$tmp/views.hive"
cp "$tmp/out" "$tmp/devices.since.csv"
run --view devices -f csv --since 2021-02-03T04:05:07 "$tmp/views.hive"
cp "$tmp/out" "$tmp/devices.after.csv"
run --view records -f csv --until 2019-03-14 --since 2019-03-14T00:00 "$tmp/views.hive"
cp "$tmp/out" "$tmp/records.day.csv"
python3 - "$tmp" <<'PY' && echo "ok: the timeline, --since and --until" || fail "timeline"
import csv, json, re, sys
tmp = sys.argv[1]
def csv_rows(name): return list(csv.DictReader(open("%s/%s" % (tmp, name), newline="", encoding="utf-8")))
times = {"records": [("last_written", "Driver record last written"), ("driver_date_iso", "Driver date (declared by its INF)")],
         "devices": [("last_written", "Device key last written"), ("install_date", "Device driver installed"),
                     ("first_install_date", "Device first installed"), ("last_arrival_date", "Device last arrived"),
                     ("last_removal_date", "Device last removed")],
         "services": [("last_written", "Driver service last written")],
         "packages": [("last_written", "Driver package key last written"), ("import_date", "Driver package imported into the driver store")],
         "files": [("last_written", "Driver file entry last written"), ("link_date", "Driver file linked (PE header)"),
                   ("last_modified", "Driver file last modified")]}
item = {"records": lambda r: r["class_guid"] + "\\" + r["instance"], "devices": lambda r: r["device_id"],
        "services": lambda r: r["name"], "packages": lambda r: r["package"], "files": lambda r: r["sha1"] or r["path"]}
fields = ["datetime", "timestamp_desc", "view", "hive", "key_path", "computer_name", "control_set", "item"]
def rebuilt(sources):
    want = []
    for name, view in sources:
        for r in csv_rows(name):
            for field, desc in times[view]:
                if re.fullmatch(r"\d{4}-\d\d-\d\d(T\d\d:\d\d:\d\dZ)?", r[field]):  # a time that reads
                    t = r[field] if "T" in r[field] else r[field] + "T00:00:00Z"
                    want.append([t, desc, view, r["hive"], r["key_path"], r.get("computer_name", ""), r.get("control_set", ""), item[view](r)])
    want.sort(key=lambda w: (w[0], list(times).index(w[2])))
    return want
def check(got, want):
    got = [[g[f] for f in fields] for g in got]
    assert got == want, "\n".join(map(str, got)) + "\n" + "\n".join(map(str, want))
got = csv_rows("timeline.csv")
assert list(got[0])[:3] == ["datetime", "timestamp_desc", "message"], list(got[0])
assert got == json.load(open(tmp + "/timeline.json", encoding="utf-8"))
assert got == [json.loads(l) for l in open(tmp + "/timeline.jsonl", encoding="utf-8")]
check(got, rebuilt([("store.%s.csv" % v, v) for v in ("records", "devices", "services", "packages")] + [("inventory.csv", "records")]))
assert len(got) == 49, len(got)
check(csv_rows("timeline.kinds.csv"), rebuilt([("kinds2.packages.csv", "packages"), ("kinds2.files.csv", "files")]))
msg = {(g["item"], g["timestamp_desc"]): g["message"] for g in got}
assert msg[("PCI\\VEN_8086&DEV_15B7\\3&11583659&0&FE", "Device first installed")] == \
    "PCI\\VEN_8086&DEV_15B7\\3&11583659&0&FE (Intel(R) Ethernet Connection), driver Intel(R) Ethernet Connection I219-LM, service e1dexpress: first installed"
assert msg[("{4d36e972-e325-11ce-bfc1-08002be10318}\\0003", "Driver date (declared by its INF)")] == \
    "{4d36e972-e325-11ce-bfc1-08002be10318}\\0003 (Intel(R) Ethernet Connection I219-LM), version 12.17.8.9: driver dated", msg
assert msg[("Ntfs", "Driver service last written")] == "Ntfs, start boot, file %SystemRoot%\\System32\\drivers\\Ntfs.sys: last written"
assert msg[("e1d68x64.inf_amd64_4f5e6d7c", "Driver package imported into the driver store")] == \
    "e1d68x64.inf_amd64_4f5e6d7c (Intel), published as oem12.inf: imported into the driver store", msg
text = open(tmp + "/timeline.text", encoding="utf-8").read().split("\n")
assert " ".join(text[0].split()) == "Hive Time What View Message" and len(text) == len(got) + 2, text[0]
pick = lambda name: [(g["datetime"], g["timestamp_desc"], g["item"]) for g in csv_rows(name)]
assert pick("timeline.edge.csv") == [("2021-02-03T04:05:06Z", "Device last arrived", "PCI\\VEN_8086&DEV_15B7\\3&11583659&0&FE"),
                                     ("2021-02-03T04:05:06Z", "Device last removed", "USB\\ROOT_HUB30\\4&2a8c4a0b&0")]
assert [t for t, _, _ in pick("timeline.day.csv")] == ["2019-05-04T10:20:30Z"] * 2 + ["2019-05-04T10:20:31Z"] * 2
assert [r["device_id"] for r in csv_rows("devices.since.csv")] == ["PCI\\VEN_8086&DEV_15B7\\3&11583659&0&FE", "USB\\ROOT_HUB30\\4&2a8c4a0b&0"]
assert csv_rows("devices.after.csv") == []
assert [r["driver_date_iso"] for r in csv_rows("records.day.csv")] == ["2019-03-14"]
PY
{
  reg_header
  printf '[\\ControlSet002\\Control\\Class\\{4d36e972-e325-11ce-bfc1-08002be10318}\\0003]\r\n"DriverVersion"="12.17.9.1"\r\n\r\n'
  printf '[\\ControlSet002\\Enum\\USB\\VID_0781&PID_5567]\r\n\r\n'
  printf '[\\ControlSet002\\Enum\\USB\\VID_0781&PID_5567\\4C530001]\r\n"DeviceDesc"="SanDisk Cruzer"\r\n\r\n'
  printf '[\\ControlSet002\\Services\\e1dexpress]\r\n"Start"=dword:00000004\r\n\r\n'
  printf '[-\\DriverDatabase\\DriverPackages\\usbstor.inf_amd64_8a1b2c3d]\r\n'
} >"$tmp/changes.reg"
cp "$tmp/store.hive" "$tmp/changed.hive"
hivexregedit --merge --prefix '' "$tmp/changed.hive" "$tmp/changes.reg" || fail "changed hive not made"
for view in records devices services packages; do
  for format in text csv json jsonl; do
    run --view "$view" -f "$format" --diff "$tmp/store.hive" "$tmp/changed.hive"
    expect_eq "diff, $view, $format: status" 0 "$status"
    cp "$tmp/out" "$tmp/diff.$view.$format"
    run --view "$view" -f "$format" --diff "$tmp/store.hive" "$tmp/store.hive"
    expect_eq "diff of a hive with itself, $view, $format: nothing" "0 $([ "$format" = csv ] && echo 1 || echo 0)" \
      "$status $(grep -cv '^\[\]$' "$tmp/out")"
  done
done
cmp -s "$tmp/store.hive" "$tmp/store.before" || fail "diff: the hive was changed"
python3 - "$tmp" <<'PY' && echo "ok: diff in every format" || fail "diff"
import csv, json, sys
tmp = sys.argv[1]
got = {}
for view in ("records", "devices", "services", "packages"):
    rows = list(csv.DictReader(open("%s/diff.%s.csv" % (tmp, view), newline="", encoding="utf-8")))
    assert rows == json.load(open("%s/diff.%s.json" % (tmp, view), encoding="utf-8")), view
    assert rows == [json.loads(l) for l in open("%s/diff.%s.jsonl" % (tmp, view), encoding="utf-8")], view
    views = list(csv.DictReader(open("%s/store.%s.csv" % (tmp, view), newline="", encoding="utf-8")))
    fields = list(views[0])
    for r in rows:
        assert [f for f in r if f.startswith("old_")] == ["old_" + f for f in fields], list(r)
        assert list(r)[0] == "change" and sorted(f for f in r if not f.startswith("old_") and f not in ("change", "changed_fields")) == sorted(fields)
        changed = r["changed_fields"].split(";") if r["changed_fields"] else []
        assert all(r["old_" + f] == "" for f in fields if f not in changed), r
        got[view] = (r["change"], r["changed_fields"], {f: r["old_" + f] for f in changed},
                     {f: r[f] for f in changed}, r["hive"].rsplit("/", 1)[1])
    text = open("%s/diff.%s.text" % (tmp, view), encoding="utf-8").read().splitlines()
    assert len(text) == len(rows) + 1, text
    got[view + " text"] = " ".join(text[0].split()) + " | " + " ".join(text[1].split())
want = {"records": ("changed", "version", {"version": "12.17.8.9"}, {"version": "12.17.9.1"}, "changed.hive"),
        "devices": ("added", "", {}, {}, "changed.hive"),
        "services": ("changed", "start", {"start": "demand"}, {"start": "disabled"}, "changed.hive"),
        "packages": ("removed", "", {}, {}, "store.hive"),
        "records text": "Change Class GUID Instance Changed fields Driver | changed {4d36e972-e325-11ce-bfc1-08002be10318} 0003 version Intel(R) Ethernet Connection I219-LM",
        "devices text": "Change Device ID Changed fields Description | added USB\\VID_0781&PID_5567\\4C530001 SanDisk Cruzer",
        "services text": "Change Name Changed fields Display name | changed e1dexpress start Intel(R) PRO/1000 Driver",
        "packages text": "Change Package Changed fields Provider | removed usbstor.inf_amd64_8a1b2c3d Microsoft"}
assert got == want, got
PY
# The same of the real hive: a row for each time its views hold, in order; a service's start
# changed by hivexregedit in a copy is its one change.
run --no-logs --view records -f csv "$tmp/SYSTEM_2"
cp "$tmp/out" "$tmp/SYSTEM_2.records.csv"
run --no-logs --view timeline -f csv "$tmp/SYSTEM_2"
cp "$tmp/out" "$tmp/SYSTEM_2.timeline.csv"
read -r set service start < <(python3 -c 'import csv,sys; r=next(r for r in csv.DictReader(open(sys.argv[1])) if r["start"] == "demand"); print(r["control_set"], r["name"], r["start"])' "$tmp/SYSTEM_2.services.csv")
cp "$tmp/SYSTEM_2" "$tmp/SYSTEM_2.changed"
{ reg_header; printf '[\\%s\\Services\\%s]\r\n"Start"=dword:00000004\r\n' "$set" "$service"; } >"$tmp/SYSTEM_2.reg"
hivexregedit --merge --prefix '' "$tmp/SYSTEM_2.changed" "$tmp/SYSTEM_2.reg" || fail "changed SYSTEM_2 not made"
run --no-logs --view services -f csv --diff "$tmp/SYSTEM_2" "$tmp/SYSTEM_2.changed"
python3 - "$tmp" "$service" <<'PY' && echo "ok: SYSTEM_2: timeline and diff" || fail "SYSTEM_2: timeline and diff"
import csv, sys
tmp, service = sys.argv[1], sys.argv[2]
rows = lambda name: list(csv.DictReader(open("%s/%s" % (tmp, name), newline="", encoding="utf-8")))
fields = {"records": ("last_written", "driver_date_iso"), "services": ("last_written",),
          "packages": ("last_written", "import_date"),
          "devices": ("last_written", "install_date", "first_install_date", "last_arrival_date", "last_removal_date")}
count = sum(1 for view in fields for r in rows("SYSTEM_2.%s.csv" % view) for f in fields[view] if r[f])
got = rows("SYSTEM_2.timeline.csv")
assert len(got) == count > 400, (len(got), count)
assert [g["datetime"] for g in got] == sorted(g["datetime"] for g in got)
diff = rows("out")
assert [(d["change"], d["name"], d["changed_fields"], d["old_start"], d["start"]) for d in diff] == \
    [("changed", service, "start", "demand", "disabled")], diff
PY
run --view records --diff "$tmp/store.hive" "$tmp/none.hive"
expect_eq "diff with a hive missing: status, one line, nothing listed" "1 1 0" "$status $(wc -l <"$tmp/err") $(stat -c %s "$tmp/out")"
expect_refused "diff of the timeline" 2 "tolvane-list: --diff compares rows by their key: the timeline has none (*)" \
  --view timeline --diff "$tmp/views.hive" "$tmp/changed.hive"
expect_refused "diff of three hives" 2 "tolvane-list: --diff OLD NEW compares two hives: give no other HIVE (*)" \
  --diff "$tmp/views.hive" "$tmp/changed.hive" "$tmp/views.hive"
expect_refused "a time that does not parse" 2 "tolvane-list: no time '2019-02-29' (*)" --since 2019-02-29 "$tmp/views.hive"

# 14. Damaged hives (tests/hive/damage_hive.py damages a copy one way and names the records
# the damage touches): every other record lists as it did, a damaged bin or root says so in
# its line, and nothing hangs or ends with a signal.
xz -dc "$here/../data/real-hives/SYSTEM_2.xz" >"$tmp/real.hive"
for case in demo:zero-bin demo:foreign-bin demo:value-list demo:self-list demo:root-value real:cut; do
  source_hive=$tmp/${case%%:*}.hive kind=${case#*:}
  python3 "$here/damage_hive.py" "$source_hive" "$tmp/damaged-$kind.hive" "$kind" \
    >"$tmp/touched" 2>/dev/null || fail "damaged hive $kind not made"
  "${runner[@]}" -f jsonl "$source_hive" >"$tmp/clean.jsonl" 2>/dev/null
  status=0
  timeout 60 "${runner[@]}" -f jsonl "$tmp/damaged-$kind.hive" >"$tmp/out" 2>"$tmp/err" || status=$?
  sed -i 's/\r$//' "$tmp/err"
  expect_eq "damaged hive, $kind: status" 0 "$status"
  python3 - "$tmp/clean.jsonl" "$tmp/out" "$tmp/touched" <<'PY' || fail "damaged hive, $kind: records"
import json, sys
# Each record without the field that names its hive file.
clean, damaged = ([{k: v for k, v in json.loads(line).items() if k != "hive"} for line in open(f)]
                  for f in sys.argv[1:3])
touched = set(open(sys.argv[3]).read().split("\n"))
keep = [r for r in clean if r["key_path"] not in touched]
missing = [r["key_path"] for r in keep if r not in damaged]
foreign = [r["key_path"] for r in damaged if r["key_path"] not in {c["key_path"] for c in clean}]
print(f"{len(damaged)} of {len(clean)} records, {len(keep)} untouched", file=sys.stderr)
sys.exit(1 if missing or foreign or not keep else 0)
PY
  case $kind in
    zero-bin | foreign-bin | cut) grep -q "^tolvane-list: warning: '$tmp/damaged-$kind.hive' is damaged: [1-9][0-9]* of [0-9]* pages are not part of a valid bin; listing what the rest holds$" "$tmp/err" ;;
    root-value) grep -q "is damaged: its root offset names no key node" "$tmp/err" ;;
    *) grep -q ": corrupt registry data$" "$tmp/err" ;;
  esac || fail "damaged hive, $kind: no warning line: $(head -3 "$tmp/err")"
done
# Lists that name the same keys over and over (16 million records from half a megabyte) are
# given up once the cells read pass four for every 8 bytes of the hive: one line, status 1, a
# bounded part listed.
python3 "$here/damage_hive.py" "$tmp/demo.hive" "$tmp/repeats.hive" repeats >/dev/null 2>&1 ||
  fail "damaged hive repeats not made"
for view in records timeline; do
  status=0
  lines=$({ timeout 300 "${runner[@]}" --view "$view" -f jsonl "$tmp/repeats.hive" 2>"$tmp/err" ||
    echo $? >"$tmp/status"; } | wc -l)
  [ ! -f "$tmp/status" ] || status=$(cat "$tmp/status")
  rm -f "$tmp/status"
  sed -i 's/\r$//' "$tmp/err"
  [[ $status$(tail -1 "$tmp/err") == "1tolvane-list: '$tmp/repeats.hive': corrupt registry hive (its lists lead to the same keys over and over: given up after "*" cell reads)" && $lines -lt 100000 ]] &&
    echo "ok: lists that repeat, $view: given up after $lines lines" ||
    fail "lists that repeat, $view: status $status, $lines lines, said $(tail -1 "$tmp/err")"
done

# 15. The Windows build lists every hive made above as the Linux build does (TOLVANE_LIST_LINUX
# names the Linux build, where the test runs a Windows one beside it), in every format.
if [[ $list == *.exe && -x ${TOLVANE_LIST_LINUX:-} ]]; then
  same=0
  for hive in "$tmp"/*.hive; do
    for format in text csv json jsonl save; do
      "$TOLVANE_LIST_LINUX" -f "$format" "$hive" >"$tmp/linux.out" 2>/dev/null
      "${runner[@]}" -f "$format" "$hive" >"$tmp/out" 2>/dev/null
      if cmp -s "$tmp/linux.out" "$tmp/out"; then
        same=$((same + 1))
      else
        fail "the Windows build lists $hive in $format otherwise"
      fi
    done
  done
  echo "ok: the Windows build lists $same hives and formats byte for byte as the Linux build"
fi

# 16. libhivex as the oracle: every key, value and time of every hive made above that hivex
# opens is read alike by both (the build's hive_oracle, where it has one).
if [ -n "${TOLVANE_HIVE_ORACLE:-}" ]; then
  mapfile -t hives < <(find "$tmp" -type f -size -64M)
  if "$TOLVANE_HIVE_ORACLE" "${hives[@]}" >"$tmp/oracle"; then
    echo "ok: libhivex reads $(grep -c ': same$' "$tmp/oracle") hives as ours does"
  else
    fail "libhivex reads a hive otherwise: $(grep -v ': same$\|not opened by hivex$' "$tmp/oracle")"
  fi
fi

if [ "$failed" -ne 0 ]; then exit 1; fi
echo "all checks passed"
