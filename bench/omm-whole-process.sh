#!/usr/bin/env bash
# Whole-process time of the equator-crossing file of the catalogue snapshot:
# read as TLE and converted to each OMM encoding, and written as TLE and in
# each OMM encoding (--omm); run side by side (interleaved), median of N runs
# (default 21), outputs in $TMPDIR or /tmp (morvel writes nothing under
# /dev, /dev/shm included). Uses hyperfine when it is installed. The converter is a test program: the build
# directory must be one built with the tests (build/release), not the bench
# preset's.
#   bench/omm-whole-process.sh [build-dir] [runs]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build/release}" && pwd)  # absolute: the runs happen in a scratch directory
runs=${2:-21}
bin=$build/morvel/morvel
conv=$build/tests/omm/morvel_omm_convert
base=${TMPDIR:-/tmp}
work=$(mktemp -d "$base/omm-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
cp "$root/tests/data/catalogue-2026-05-07.tle" "$work/cat.tle"
cd "$work"
fmts="csv json xml kvn"
for f in $fmts; do "$conv" "$f" cat.tle "cat-$f.$f"; done
# Each run: a label and the arguments of morvel.
labels=(tle); runargs=("-E cat.tle")
for f in $fmts; do labels+=("in-$f"); runargs+=("-E cat-$f.$f"); done
for f in $fmts; do labels+=("out-$f"); runargs+=("-E --omm=$f cat.tle"); done
if command -v hyperfine >/dev/null 2>&1; then
  args=(); for a in "${runargs[@]}"; do args+=("$bin $a"); done
  # -N runs without a shell; hyperfine's standard input is null by default.
  hyperfine -N -w 3 -r "$runs" "${args[@]}"
  exit 0
fi
for l in "${labels[@]}"; do : > "$l.times"; done
for ((r = 0; r < runs; r++)); do
  for k in "${!labels[@]}"; do
    t0=$(date +%s%N); "$bin" ${runargs[$k]} < /dev/null > /dev/null; t1=$(date +%s%N)
    echo $(( (t1 - t0) / 1000 )) >> "${labels[$k]}.times"
  done
done
median() { sort -n "$1" | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
tle=$(median tle.times)
printf '%-12s %8s %6s\n' run "ms" "x TLE"
for l in "${labels[@]}"; do
  m=$(median "$l.times")
  awk -v n="$l" -v m="$m" -v t="$tle" 'BEGIN { printf "%-12s %8.1f %6.2f\n", n, m / 1000, m / t }'
done
