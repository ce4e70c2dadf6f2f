# Sourced by the whole-process scripts, after they set `root`.
#
# `scratch TAG [build-dir] [runs]` sets `build` (default build/release),
# `bin` (its program), `runs` (default 31) and `work`, a scratch directory in
# $TMPDIR or /tmp, removed at exit.
scratch() {
  build=$(cd "${2:-$root/build/release}" && pwd)  # absolute: the runs happen in the scratch directory
  runs=${3:-31}
  bin=$build/morvel/morvel
  work=$(mktemp -d "${TMPDIR:-/tmp}/$1.XXXXXX")
  trap 'rm -rf "$work"' EXIT
}

# `interleaved RUNS BASE-HEADER` runs
# the commands of the array `cmds` (named by the array `names`) in turn,
# RUNS rounds, standard input and output null, and prints each one's median
# in ms and against the median of the run whose name `baseline NAME` prints
# (a function the script defines). Uses hyperfine when it is installed.
interleaved() {
  local runs=$1 header=$2 r i n m t0 t1
  if command -v hyperfine >/dev/null 2>&1; then
    hyperfine -N -w 3 -r "$runs" "${cmds[@]}"
    return
  fi
  for n in "${names[@]}"; do : > "$n.times"; done
  for ((r = 0; r < runs; r++)); do
    for i in "${!names[@]}"; do
      t0=$(date +%s%N); ${cmds[$i]} < /dev/null > /dev/null; t1=$(date +%s%N)
      echo $(( (t1 - t0) / 1000 )) >> "${names[$i]}.times"
    done
  done
  median() { sort -n "$1" | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
  printf '%-12s %8s %6s\n' run "ms" "$header"
  for n in "${names[@]}"; do
    m=$(median "$n.times")
    awk -v n="$n" -v m="$m" -v t="$(median "$(baseline "$n").times")" \
      'BEGIN { printf "%-12s %8.1f %6.2f\n", n, m / 1000, m / t }'
  done
}
