#!/usr/bin/env bash
# The catalogue snapshot's equator-crossing file written in each OMM
# encoding: the same console as the TLE run, and every set read back as
# written and as the TLE file of the same run has it (written.cpp).
#   written.sh morvel checker catalogue.tle
set -euo pipefail
bin=$1 check=$2 tle=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
cp "$tle" cat.tle
"$bin" -E cat.tle < /dev/null > tle.console
fail=0
for fmt in csv json xml kvn; do
  "$bin" -E --omm=$fmt cat.tle < /dev/null > $fmt.console
  cmp tle.console $fmt.console || { echo "$fmt: console differs"; fail=1; }
  "$check" $fmt cat.eqx cat.eqx.$fmt || fail=1
done
[ "$(grep -c '^1 ' cat.eqx)" -gt 14000 ] || { echo ".eqx nearly empty"; fail=1; }
exit $fail
