#!/usr/bin/env bash
# Whole-process time of the decay list of a catalogue snapshot, plain and
# screened (--screen, and --screen with --csv), at -L20 and with every
# predictable set listed (-L1e9, the most rows to screen), run side by side
# (interleaved), median of N runs (default 31), outputs in $TMPDIR or /tmp
# (morvel writes nothing under /dev, /dev/shm included). Uses hyperfine
# when it is installed.
#   bench/screen-whole-process.sh [build-dir] [runs]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build/release}" && pwd)  # absolute: the runs happen in a scratch directory
runs=${2:-31}
bin=$build/morvel/morvel
base=${TMPDIR:-/tmp}
work=$(mktemp -d "$base/screen-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
cp "$root/tools/validate/data/screening/active-2026-07-04T1722Z.tle" "$work/cat.tle"
cd "$work"
names=(plain screen screen-csv plain-all screen-all)
cmds=("$bin -L20 cat.tle" "$bin --screen -L20 cat.tle" "$bin --screen --csv=cat.csv -L20 cat.tle"
      "$bin -L1e9 cat.tle" "$bin --screen -L1e9 cat.tle")
if command -v hyperfine >/dev/null 2>&1; then
  hyperfine -N -w 3 -r "$runs" "${cmds[@]}"
  exit 0
fi
for n in "${names[@]}"; do : > "$n.times"; done
for ((r = 0; r < runs; r++)); do
  for i in "${!names[@]}"; do
    t0=$(date +%s%N); ${cmds[$i]} < /dev/null > /dev/null; t1=$(date +%s%N)
    echo $(( (t1 - t0) / 1000 )) >> "${names[$i]}.times"
  done
done
median() { sort -n "$1" | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
printf '%-12s %8s %6s\n' run "ms" "x plain"
for n in "${names[@]}"; do
  m=$(median "$n.times")
  case $n in *-all) p=$(median plain-all.times);; *) p=$(median plain.times);; esac
  awk -v n="$n" -v m="$m" -v t="$p" 'BEGIN { printf "%-12s %8.1f %6.2f\n", n, m / 1000, m / t }'
done
