#!/usr/bin/env bash
# The catalogue snapshot converted to CSV, JSON, XML and KVN gives the TLE
# file's decay list (console and rows of the .dk file) and .eqx bytes.
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
done
# Not an empty comparison: the catalogue lists sets and writes them all.
[ "$(rows cat.dk | wc -l)" -gt 10 ] || { echo "decay list nearly empty"; fail=1; }
[ "$(grep -c '^1 ' cat.eqx)" -gt 14000 ] || { echo ".eqx nearly empty"; fail=1; }
exit $fail
