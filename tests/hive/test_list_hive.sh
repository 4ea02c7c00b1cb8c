#!/usr/bin/env bash
# tolvane-list --hive end to end, on hives this test makes: every kind of bad input (an empty
# file, random bytes, a truncated hive, a hive without a Class key, a file too large to be a
# hive, a missing file) gives one clear error line and exit status 1 with nothing listed; a
# bad command line gives one usage line and status 2; the control set order and --current;
# names found whatever their case; texts in 1252 and 65001; the NUL and size rules of text
# data; a value that is not text stops the list after the rows before it; CSV and JSON read
# back by Python's own parsers give the registry's texts.   usage: test_list_hive.sh TOLVANE_LIST
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
list=$1
source "$here/hive_lib.sh"
source "$here/../gui/save_lib.sh"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
failed=0
fail() { echo "FAIL: $*" >&2; failed=1; }
expect_eq() { if [ "$2" != "$3" ]; then fail "$1: expected '$2', got '$3'"; else echo "ok: $1"; fi; }

# run ARGS...: runs the program; sets status, out (file), err (text).
run() {
  status=0
  "$list" "$@" >"$tmp/out" 2>"$tmp/err" || status=$?
  err=$(cat "$tmp/err")
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
for size in 4 4096 6000 20000; do
  head -c "$size" "$tmp/demo.hive" >"$tmp/truncated.hive"
  expect_refused "hive truncated to $size bytes" 1 \
    "tolvane-list: '$tmp/truncated.hive': truncated or corrupt registry hive (*)" \
    --hive "$tmp/truncated.hive"
done
# A bin whose size points past the end of the file.
cp "$tmp/demo.hive" "$tmp/corrupt.hive"
printf '\xff\xff\xff\x7f' | dd of="$tmp/corrupt.hive" bs=1 seek=$((0x1008)) conv=notrunc 2>/dev/null
expect_refused "corrupt bin" 1 "tolvane-list: '$tmp/corrupt.hive': truncated or corrupt registry hive (*)" \
  --hive "$tmp/corrupt.hive"
python3 "$here/empty_hive.py" "$tmp/bare.hive"
expect_refused "hive without a Class key" 1 \
  "tolvane-list: no Class key in ControlSet002, ControlSet003 or ControlSet001." --hive "$tmp/bare.hive"
truncate -s 3G "$tmp/huge.hive"
printf regf | dd of="$tmp/huge.hive" conv=notrunc 2>/dev/null
expect_refused "file too large to be a hive" 1 \
  "tolvane-list: '$tmp/huge.hive': larger than any registry hive can be (2 GiB)" --hive "$tmp/huge.hive"
rm -f "$tmp/huge.hive"
expect_refused "missing file" 1 "tolvane-list: '$tmp/none.hive': No such file or directory." \
  --hive "$tmp/none.hive"

# 2. Bad command lines.
expect_refused "unknown option" 2 "tolvane-list: unknown option '--fast' (*)" --hive "$tmp/demo.hive" --fast
expect_refused "no hive" 2 "tolvane-list: --hive FILE is needed*" --format csv
expect_refused "unknown format" 2 "tolvane-list: unknown format 'xml'*" --hive "$tmp/demo.hive" --format xml
expect_refused "code page not supported" 2 "tolvane-list: unsupported code page '437'*" \
  --hive "$tmp/demo.hive" --codepage 437
expect_refused "option without its value" 2 "tolvane-list: --hive needs a value*" --hive
expect_refused "argument" 2 "tolvane-list: unexpected argument 'extra'*" --hive "$tmp/demo.hive" extra
run --version
expect_eq "--version" "tolvane-list 1.07 beta" "$(cat "$tmp/out")"
run --help
grep -q 'ControlSet002, ControlSet003, ControlSet001' "$tmp/out" || fail "--help names the window's order"

# 3. The demo records live in ControlSet001 alone: the third try finds them.
run --hive "$tmp/demo.hive"
expect_eq "demo: status" 0 "$status"
expect_eq "demo: rows" 30 "$(grep -c $'\r$' "$tmp/out")"
expect_eq "demo: first line" $'USB Root Hub (USB 3.0),Microsoft,10.0.19041.1202\r' "$(head -1 "$tmp/out")"

# 4. ControlSet002 before ControlSet001; --current takes what Select names; names and value
# names in any case.
{
  printf 'Windows Registry Editor Version 5.00\r\n\r\n'
  printf '[HKEY_LOCAL_MACHINE\\SYSTEM\\Select]\r\n"Current"=dword:00000001\r\n\r\n'
  printf '[HKEY_LOCAL_MACHINE\\SYSTEM\\controlset002\\CONTROL\\class\\Net\\0000]\r\n'
  printf '"driverdesc"="From 002"\r\n"PROVIDERNAME"="Two"\r\n\r\n'
  printf '[HKEY_LOCAL_MACHINE\\SYSTEM\\ControlSet001\\Control\\Class\\Net\\0000]\r\n'
  printf '"DriverDesc"="From 001"\r\n"ProviderName"="One"\r\n\r\n'
} >"$tmp/sets.reg"
hive_from_reg "$tmp/sets.hive" "$tmp/sets.reg" || fail "sets hive not made"
run --hive "$tmp/sets.hive"
expect_eq "window's order" $'From 002,Two,\r' "$(cat "$tmp/out")"
run --hive "$tmp/sets.hive" --current
expect_eq "--current" $'From 001,One,\r' "$(cat "$tmp/out")"

# 5. A value that is not text: the rows before it, the row it cut short (as Save writes it),
# then the error box's message.
{
  printf 'Windows Registry Editor Version 5.00\r\n\r\n'
  for i in 1 2 3 4 5; do
    printf '[HKEY_LOCAL_MACHINE\\SYSTEM\\ControlSet002\\Control\\Class\\Class%02d\\0000]\r\n' "$i"
    printf '"DriverDesc"="Driver %02d"\r\n"ProviderName"="Maker %02d"\r\n' "$i" "$i"
    printf '"DriverVersion"="1.0.%d.0"\r\n"InfPath"="oem%d.inf"\r\n' "$i" "$i"
    [ "$i" -ne 3 ] || printf '"InfSection"=dword:00000001\r\n'
    printf '\r\n'
  done
} >"$tmp/bad.reg"
hive_from_reg "$tmp/bad.hive" "$tmp/bad.reg" || fail "bad hive not made"
for format in text csv json; do
  run --hive "$tmp/bad.hive" --format "$format"
  expect_eq "$format, bad type: status" 1 "$status"
  expect_eq "$format, bad type: message" "tolvane-list: Invalid data type for 'InfSection'" "$err"
  cp "$tmp/out" "$tmp/bad.$format"
done
expect_eq "text, bad type: rows before and the cut row" \
  "$(printf 'Driver 01,Maker 01,1.0.1.0\r\nDriver 02,Maker 02,1.0.2.0\r\nDriver 03,Maker 03,1.0.3.0\r\n_')" \
  "$(cat "$tmp/bad.text"; echo _)"
expect_eq "csv, bad type: header and the whole rows" 3 "$(grep -c $'\r$' "$tmp/bad.csv")"
expect_eq "json, bad type: the whole rows" 2 \
  "$(python3 -c 'import json,sys; print(len(json.load(open(sys.argv[1]))))' "$tmp/bad.json")"

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
run --hive "$tmp/texts.hive"
{ for row in "${rows[@]}"; do save_split "$row"; printf '%s,%s,%s\r\n' "$desc" "$provider" "$version"; done; } |
  python3 -c 'import sys; sys.stdout.buffer.write(sys.stdin.read().encode("cp1252", "replace"))' \
    >"$tmp/texts.1252"
cmp -s "$tmp/out" "$tmp/texts.1252" && echo "ok: Windows-1252 bytes" ||
  fail "Windows-1252 bytes: $(cmp "$tmp/out" "$tmp/texts.1252" 2>&1)"
run --hive "$tmp/texts.hive" --codepage 65001
{ for row in "${rows[@]}"; do save_split "$row"; printf '%s,%s,%s\r\n' "$desc" "$provider" "$version"; done; } >"$tmp/texts.utf8"
cmp -s "$tmp/out" "$tmp/texts.utf8" && echo "ok: UTF-8 bytes" || fail "UTF-8 bytes: $(cmp "$tmp/out" "$tmp/texts.utf8" 2>&1)"
for cp in 1252 65001; do
  "$list" --hive "$tmp/texts.hive" --codepage "$cp" --format csv >"$tmp/texts.csv"
  "$list" --hive "$tmp/texts.hive" --codepage "$cp" --format json >"$tmp/texts.json"
  python3 - "$tmp/texts.csv" "$tmp/texts.json" "$cp" "${rows[@]}" <<'PY' && echo "ok: CSV and JSON in $cp" || fail "CSV and JSON in $cp"
import csv, json, sys
csv_file, json_file, cp, rows = sys.argv[1], sys.argv[2], sys.argv[3], sys.argv[4:]
encoding = "cp1252" if cp == "1252" else "utf-8"
def ansi(text):
    return text.encode(encoding, errors="replace").decode(encoding) if cp == "1252" else text
raw = open(csv_file, "rb").read()
assert raw.endswith(b"\r\n") and b"\r\n".join(raw.split(b"\r\n")) == raw
table = list(csv.reader(open(csv_file, newline="", encoding=encoding)))
objects = json.load(open(json_file, encoding="utf-8"))
captions = table[0]
assert captions == ["Driver", "Provider", "Version", "Driver Date", "Inf Path", "Inf Section",
                    "Inf Section Ext", "Matching Device Id", "EnumPropPages32"], captions
assert len(table) == len(rows) + 1 and len(objects) == len(rows)
for i, row in enumerate(rows):
    desc, provider, version = [ansi(f) for f in row.split("\x1f")]
    want = [desc, provider, version, "", "oem%d.inf" % (i + 1), "", "", "", ""]
    assert table[i + 1] == want, (table[i + 1], want)
    assert objects[i] == dict(zip(captions, want)), (objects[i], want)
PY
done

# 7. Data as the reader gets it from the A calls: a text without its NUL, an odd byte count,
# a NUL inside the text, an empty text, REG_EXPAND_SZ unexpanded; then REG_MULTI_SZ stops.
{
  printf 'Windows Registry Editor Version 5.00\r\n\r\n'
  printf '[HKEY_LOCAL_MACHINE\\SYSTEM\\ControlSet003\\Control\\Class\\Raw\\0000]\r\n'
  printf '"DriverDesc"=hex(2):25,00,53,00,79,00,73,00,25,00\r\n'
  printf '"ProviderName"=hex(1):41,00,42\r\n"DriverVersion"=hex(1):61,00,00,00,62,00,00,00\r\n'
  printf '"DriverDate"=hex(1):\r\n"InfPath"=hex(7):61,00,00,00,00,00\r\n\r\n'
} >"$tmp/data.reg"
hive_from_reg "$tmp/data.hive" "$tmp/data.reg" || fail "data hive not made"
run --hive "$tmp/data.hive"
expect_eq "text rules: the row" $'%Sys%,A,a\r' "$(cat "$tmp/out")"
expect_eq "text rules: REG_MULTI_SZ is no text" "tolvane-list: Invalid data type for 'InfPath'" "$err"

# 8. Dirty hives and their transaction logs (tests/hive/dirty_hive.py writes them from a clean
# hive and two later states of it): recovered in memory from logs beside the hive or named,
# in either format, up to a bad entry, from the log that goes furthest, never from a log of
# another hive or a bad one; saved with --save-recovered; no input file ever changed.
d=$tmp/dirty
mkdir "$d"
reg_header() { printf 'Windows Registry Editor Version 5.00\r\n\r\n'; }
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
for stage in clean stage1 stage2; do "$list" --hive "$tmp/$stage.hive" >"$tmp/$stage.rows"; done
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

# Entries taken while they hold; of two logs the one that goes furthest; another hive's refused.
rm -f "$d"/SYSTEM.*
for bad in hash:2:stage1 hash:1:clean repeat:2:stage1 past-end:2:stage1 overlap:1:clean zero-size:1:clean; do
  IFS=: read -r kind entry rows <<<"$bad"
  dirty --primary "$d/SYSTEM" --new "$d/SYSTEM.LOG1" --corrupt "$entry:$kind"
  pattern="$recovered '$d/SYSTEM.LOG1': 1 log entry, *"
  [ "$rows" = stage1 ] || pattern="$not_found ('$d/SYSTEM.LOG1': *)"
  run_dirty "entry $entry: $kind" "$rows" "$pattern" --hive "$d/SYSTEM"
done
for pair in LOG1:LOG2 LOG2:LOG1; do
  dirty --primary "$d/SYSTEM" --new "$d/SYSTEM.${pair%:*}" --new "$d/SYSTEM.${pair#*:}:1"
  run_dirty "two logs, the longer in .${pair%:*}" stage2 "$recovered '$d/SYSTEM.${pair%:*}': 2 log entries, *" \
    --hive "$d/SYSTEM"
  rm -f "$d"/SYSTEM.*
done
dirty --primary "$d/other" --new "$d/other.LOG1" --old "$d/other.LOG" --time 1
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

# A hive cut short again and again while it is read: never a signal, rows or one line.
cp "$tmp/stage2.hive" "$tmp/race.hive"
(while [ ! -e "$tmp/race.stop" ]; do cp "$tmp/stage2.hive" "$tmp/race.tmp";
  mv "$tmp/race.tmp" "$tmp/race.hive"; truncate -s 9000 "$tmp/race.hive"; done) 2>/dev/null &
racer=$!
outcomes=""
for _ in $(seq 30); do
  run --hive "$tmp/race.hive"
  if [ "$status" -eq 0 ] && [ -s "$tmp/out" ]; then outcomes+=r
  elif [ "$status" -eq 1 ] && [ "$(wc -l <"$tmp/err")" -eq 1 ]; then outcomes+=e
  else fail "hive cut short while read: status $status, '$err'"
  fi
done
touch "$tmp/race.stop"
wait "$racer"
echo "ok: hive cut short while read: $outcomes (r rows, e one line)"

if [ "$failed" -ne 0 ]; then exit 1; fi
echo "all checks passed"
