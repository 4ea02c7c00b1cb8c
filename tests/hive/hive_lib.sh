# shellcheck shell=bash
# Hive files for the tests and benchmarks of tolvane-list, made from .reg text on this
# machine: an empty hive of our own (tests/hive/empty_hive.py) with the records merged into
# it by hivexregedit. Source it.

HIVE_LIB_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

# hive_with_parents: copies .reg text from standard input to standard output with a section
# for every missing ancestor of each key before it: hivexregedit creates no parents itself.
hive_with_parents() {
  tr -d '\r' | awk '
    /^\[/ {
      key = substr($0, 2, length($0) - 2)
      n = split(key, part, "\\")
      path = part[1]
      for (i = 2; i < n; i++) {
        path = path "\\" part[i]
        if (!(tolower(path) in seen)) { seen[tolower(path)] = 1; print "[" path "]"; print "" }
      }
      seen[tolower(key)] = 1
    }
    { print }'
}

# hive_from_reg HIVE REG...: a new hive HIVE standing for HKEY_LOCAL_MACHINE\SYSTEM, holding
# the keys and values of each .reg file (keys outside HKEY_LOCAL_MACHINE\SYSTEM are refused).
hive_from_reg() {
  local hive=$1
  shift
  python3 "$HIVE_LIB_DIR/empty_hive.py" "$hive" || return 1
  hive_merge "$hive" "$@"
}

# hive_merge HIVE REG...: the keys and values of each .reg file merged into the hive HIVE.
hive_merge() {
  local hive=$1 reg
  shift
  for reg in "$@"; do
    hive_with_parents <"$reg" >"$hive.reg" || return 1
    hivexregedit --merge --prefix 'HKEY_LOCAL_MACHINE\SYSTEM' "$hive" "$hive.reg" || return 1
  done
  rm -f "$hive.reg"
}
