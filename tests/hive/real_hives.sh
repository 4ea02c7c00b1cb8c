# shellcheck shell=bash
# Dirty hives Windows 10 wrote, with the transaction logs it left beside them (log entries,
# split between LOG1 and LOG2; a LOG2 older than the hive): saved with --save-recovered, each
# exports as an independent reader recovered it, and a listing names the logs it used; the
# generator's seed holds every entry's hashes. Sourced by test_list_hive.sh (run, fail,
# expect_eq, $tmp, $here). The files, from regipy's test data (MIT, LICENSE.regipy-test-data
# beside them), are unpacked here and never changed.
real=$tmp/real
mkdir "$real"
for packed in "$here/../data/real-hives"/*.xz; do
  xz -dc "$packed" >"$real/$(basename "$packed" .xz)" || fail "$packed not unpacked"
done
said=$(python3 "$here/dirty_hive.py" --check-hashes "$real"/*.LOG[12] "$real"/*.log[12]) &&
  echo "ok: the generator's seed: $said" || fail "the generator's seed: $said"
# real_hive HIVE SAID: --save-recovered and a listing of HIVE say SAID (after "recovered"),
# the saved hive exports as HIVE.recovered.reg, no file of $real changed.
real_hive() {
  local hive=$1 pattern="tolvane-list: recovered '$real/$1', dirty $2" before
  before=$(cd "$real" && sha256sum -- *)
  run --save-recovered "$tmp/$hive.saved" "$real/$hive"
  expect_eq "$hive: --save-recovered status" 0 "$status"
  # shellcheck disable=SC2053  # the pattern is a glob
  [[ $err == $pattern ]] || fail "$hive: '$err' is not like '$pattern'"
  hivexregedit --export "$tmp/$hive.saved" '\' 2>/dev/null | cmp -s - "$real/$hive.recovered.reg" &&
    echo "ok: $hive: recovered as the independent reader did" ||
    fail "$hive: the saved hive does not export as the reference"
  run "$real/$hive"
  # shellcheck disable=SC2053
  [[ $(head -1 "$tmp/err") == $pattern ]] || fail "$hive: the listing said '$err'"
  expect_eq "$hive: input files unchanged" "$before" "$(cd "$real" && sha256sum -- *)"
}
real_hive UsrClass.dat "(sequence numbers 256 and 255), from its transaction logs \
'$real/UsrClass.dat.LOG1' and '$real/UsrClass.dat.LOG2': 14 log entries, 158 pages (796 KiB) written back."
real_hive transactions_NTUSER.DAT "(sequence numbers 567 and 566), from its transaction log \
'$real/transactions_ntuser.dat.log1': 23 log entries, 132 pages (1008 KiB) written back."
