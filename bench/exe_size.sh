#!/usr/bin/env bash
# The shipped i686 executable: its size once stripped (at most 300 KB) and the DLLs it
# imports (only those every Windows has). Builds it first when it is missing.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
exe=${TOLVANE_BUILD:-$root/build}/win32/tolvane.exe
[ -f "$exe" ] || "$root/scripts/build" win32 >/dev/null
stripped=$(mktemp)
trap 'rm -f "$stripped"' EXIT
i686-w64-mingw32-strip -o "$stripped" "$exe"
size=$(stat -c %s "$stripped")
echo "i686 tolvane.exe stripped: $size bytes ($((size / 1024)) KB; limit 300 KB)"
allowed=" kernel32.dll user32.dll gdi32.dll advapi32.dll comctl32.dll comdlg32.dll shell32.dll winspool.drv msvcrt.dll "
status=0
echo "imported DLLs:"
while read -r dll; do
  lower=$(echo "$dll" | tr 'A-Z' 'a-z')
  if [[ $allowed == *" $lower "* ]]; then echo "  $dll"; else echo "  $dll  (not a system DLL)"; status=1; fi
done < <(i686-w64-mingw32-objdump -p "$exe" | sed -n 's/^\s*DLL Name: //p')
[ "$size" -le $((300 * 1024)) ] || status=1
exit $status
