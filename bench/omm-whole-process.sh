#!/usr/bin/env bash
# Whole-process time of the equator-crossing file of the catalogue snapshot:
# read as TLE and converted to each OMM encoding, and written as TLE and in
# each OMM encoding (--omm); run side by side (interleaved), median of N runs
# (default 21), outputs in $TMPDIR or /tmp. Uses hyperfine when it is
# installed. The converter is a test program: the build directory must be
# one built with the tests (build/release), not the bench preset's.
#   bench/omm-whole-process.sh [build-dir] [runs]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/bench/interleaved.sh"
scratch omm-bench "${1:-}" "${2:-21}"
conv=$build/tests/omm/morvel_omm_convert
cp "$root/tests/data/catalogue-2026-05-07.tle" "$work/cat.tle"
cd "$work"
fmts="csv json xml kvn"
for f in $fmts; do "$conv" "$f" cat.tle "cat-$f.$f"; done
names=(tle); cmds=("$bin -E cat.tle")
for f in $fmts; do names+=("in-$f"); cmds+=("$bin -E cat-$f.$f"); done
for f in $fmts; do names+=("out-$f"); cmds+=("$bin -E --omm=$f cat.tle"); done
baseline() { echo tle; }
interleaved "$runs" "x TLE"
