#!/usr/bin/env bash
# The catalogue snapshot in OMM, both ways. Read: converted to CSV, JSON,
# XML and KVN, it gives the TLE file's decay list (console and rows of the
# .dk file) and .eqx bytes. Written: its equator-crossing file in each
# encoding (--omm) has the console of the TLE run, and read back by the
# converter its sets come out again byte for byte (each number the very
# double written, the epoch to the microsecond, the heights of the same
# elements) and written as TLE they are the TLE file of the same run, which
# leaves out the sets renumbered above 339999 that only OMM holds.
#   catalogue.sh morvel converter catalogue.tle
set -euo pipefail
bin=$1 conv=$2 tle=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
cp "$tle" cat.tle
# The decay list's rows: everything after its file's head, which names the input.
rows() { sed -n '/^ Elset/,$p' "$1"; }
run() {  # input -> <stem>.console, <stem>.dk, <stem>.eqx
  "$bin" -E "$1" < /dev/null > "${1%%.*}.econsole"
  printf '0\n' | "$bin" "$1" > "${1%%.*}.console"
}
run cat.tle
fail=0
for fmt in csv json xml kvn; do
  "$conv" "$fmt" cat.tle "omm-$fmt.$fmt"
  run "omm-$fmt.$fmt"
  cmp cat.eqx "omm-$fmt.eqx" || { echo "$fmt: .eqx differs"; fail=1; }
  cmp cat.console "omm-$fmt.console" || { echo "$fmt: decay list console differs"; fail=1; }
  cmp cat.econsole "omm-$fmt.econsole" || { echo "$fmt: crossing console differs"; fail=1; }
  cmp <(rows cat.dk) <(rows "omm-$fmt.dk") || { echo "$fmt: decay list rows differ"; fail=1; }
  "$bin" -E --omm=$fmt cat.tle < /dev/null > "out-$fmt.console"
  cmp cat.econsole "out-$fmt.console" || { echo "$fmt: console of the written run differs"; fail=1; }
  "$conv" $fmt "cat.eqx.$fmt" again || fail=1
  cmp "cat.eqx.$fmt" again || { echo "$fmt: written again from its sets read back, it differs"; fail=1; }
  "$conv" tle "cat.eqx.$fmt" back.tle || fail=1
  cmp cat.eqx back.tle || { echo "$fmt: its sets as TLE are not the TLE run's"; fail=1; }
done
# Not an empty comparison: the catalogue lists sets and writes them all.
[ "$(rows cat.dk | wc -l)" -gt 10 ] || { echo "decay list nearly empty"; fail=1; }
[ "$(grep -c '^1 ' cat.eqx)" -gt 14000 ] || { echo ".eqx nearly empty"; fail=1; }
# Every thousandth row renumbered past 339999 (unquoted rows: the number is
# the 12th field): the TLE run says each it leaves out, OMM writes them all.
awk -F, 'BEGIN { OFS = "," } NR % 1000 == 0 && !/"/ { $12 = 799501600 + NR } { print }' omm-csv.csv > nine.csv
"$bin" -E nine.csv < /dev/null > nine.console
"$bin" -E --omm=csv nine.csv < /dev/null > /dev/null
"$conv" tle nine.eqx.csv back.tle || fail=1
cmp nine.eqx back.tle || { echo "renumbered: the sets up to 339999 as TLE are not the TLE run's"; fail=1; }
left=$(grep -c 'above 339999, set not written' nine.console || true)
[ "$left" -gt 5 ] && [ $(($(grep -c , nine.eqx.csv) - 1 - left)) -eq "$(grep -c '^1 ' nine.eqx)" ] ||
  { echo "renumbered: $left sets left out of the TLE file, not all of them in the OMM file"; fail=1; }
exit $fail
