#!/usr/bin/env bash
# Whole-process time of the decay list of a catalogue snapshot, plain and
# screened (--screen, and --screen with --csv), at -L20 and with every
# predictable set listed (-L1e9, the most rows to screen), run side by side
# (interleaved), median of N runs (default 31), outputs in $TMPDIR or /tmp.
# Uses hyperfine when it is installed.
#   bench/screen-whole-process.sh [build-dir] [runs]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/bench/interleaved.sh"
scratch screen-bench "$@"
cp "$root/tools/validate/data/screening/active-2026-07-04T1722Z.tle" "$work/cat.tle"
cd "$work"
names=(plain screen screen-csv plain-all screen-all)
cmds=("$bin -L20 cat.tle" "$bin --screen -L20 cat.tle" "$bin --screen --csv=cat.csv -L20 cat.tle"
      "$bin -L1e9 cat.tle" "$bin --screen -L1e9 cat.tle")
baseline() { case $1 in *-all) echo plain-all ;; *) echo plain ;; esac; }
interleaved "$runs" "x plain"
