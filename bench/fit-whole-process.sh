#!/usr/bin/env bash
# Whole-process time of the decay list of two catalogue snapshots put in one
# file (31,842 sets, 15,924 objects), plain and fitted (--fit), at -L20 (the
# screened list's), at the default -L1000 and at -L1000 with a space-weather
# file that has predicted rows (the flights take them), run side by side
# (interleaved), median of N runs (default 31), outputs in $TMPDIR or /tmp.
# Uses hyperfine when it is installed.
#   bench/fit-whole-process.sh [build-dir] [runs]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/bench/interleaved.sh"
scratch fit-bench "$@"
cat "$root/tools/validate/data/screening/active-2026-07-04T1722Z.tle" \
    "$root/tools/validate/data/screening/active-2026-07-05T0953Z.tle" > "$work/two.tle"
cp "$root/tests/data/space-weather/sw-end-2026-05-16.csv" "$work/sw.csv"
cd "$work"
names=(plain-20 fit-20 plain-1000 fit-1000 plain-w fit-w)
cmds=("$bin -L20 two.tle" "$bin --fit -L20 two.tle" "$bin -L1000 two.tle" "$bin --fit -L1000 two.tle"
      "$bin -Wsw.csv -L1000 two.tle" "$bin --fit -Wsw.csv -L1000 two.tle")
baseline() { echo "plain-${1#*-}"; }
interleaved "$runs" "x plain"
