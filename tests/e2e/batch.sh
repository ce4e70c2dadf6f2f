#!/usr/bin/env bash
# Batch runs of morvel as a script drives them. Every batch-* case of
# cases/ (each mode, each input that holds no set, each faulty set, each
# unsafe output name, each usage error, with its stdout, its stderr lines,
# its files and its exit status) is run with standard input a pipe that is
# held open and never written, under a time limit: a run that read its
# console would wait. (The end-to-end harness runs them with stdin at its
# end.) Then what a case directory cannot say: a closed stdin, outputs
# beside an input in another directory, an unwritable stdout.
#   batch.sh MORVEL SOURCE-DIR
set -uo pipefail
shopt -s dotglob
bin=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
src=$(cd "$2" && pwd)
work=$(mktemp -d /tmp/morvel-batch-XXXXXX)
trap 'exec 7>&-; rm -rf "$work"' EXIT
mkfifo "$work/held"
exec 7<> "$work/held"
fail=0
say() { echo "FAIL $*"; fail=1; }
same() { diff "$1" "$2" > "$work/diff" || { say "$3: $1 differs"; head -5 "$work/diff"; }; }

for dir in "$src"/tests/e2e/cases/batch-*; do
  c=$(basename "$dir") w=$work/$(basename "$dir")
  mkdir "$w" && cp -rP "$dir/files/." "$w/" 2> /dev/null
  mapfile -t args < "$dir/args"
  (cd "$w" && timeout 20 "$bin" "${args[@]}" <&7 > .console 2> .stderr)
  status=$?
  [ "$status" = "$(cat "$dir/status" 2>/dev/null || echo 0)" ] || say "$c: status $status"
  for f in "$dir"/expected/*; do
    n=$(basename "$f")
    case $n in console) got=$w/.console ;; stderr) got=$w/.stderr ;; *) got=$w/$n ;; esac
    same "$f" "$got" "$c"
  done
  while read -r n; do [ ! -e "$w/$n" ] || say "$c: $n written"; done < <(cat "$dir/absent" 2>/dev/null)
done

cd "$work"
cp "$src/examples/starlink-24.tle" sl.tle
# A closed stdin changes nothing. (The batch cases' list, report and crossing
# file are the console's of the same input and flags, byte for byte.)
timeout 20 "$bin" --batch -L2 sl.tle <&- > closed.out 2> closed.err || say "closed: status $?"
same closed.out <(echo; sed -n '/^ Elset/,$p' sl.dk) closed
# Outputs beside the input: in a directory with a dot, from a directory below.
mkdir -p sub.v2 && cp sl.tle sub.v2/x.tle && cp sl.tle x.tle
timeout 20 "$bin" --batch -E sub.v2/x.tle <&7 2> /dev/null
[ -s sub.v2/x.eqx ] && [ ! -e sub.eqx ] || say "sub.v2/x.tle did not give sub.v2/x.eqx alone"
(cd sub.v2 && timeout 20 "$bin" --batch -L2 ../x.tle <&7 > /dev/null 2>&1) && [ -s x.dk ] || say "../x.tle did not give ../x.dk"
# /dev/shm holds ordinary files: outputs beside an input there are written.
if shm=$(mktemp -d /dev/shm/morvel.XXXXXX 2> /dev/null); then
  cp sl.tle "$shm/sl.tle"
  timeout 20 "$bin" --batch -E "$shm/sl.tle" <&7 2> /dev/null && [ -s "$shm/sl.eqx" ] || say "/dev/shm: no sl.eqx"
  rm -rf "$shm"
fi
# Outputs whose writing fails (every file limited to 1 KiB): each named, status 1.
(ulimit -f 1; trap '' XFSZ; timeout 20 "$bin" --batch -L1e9 sl.tle <&7 > big.out 2> big.err) && say "big: status 0"
grep -Fxq "morvel: Unable to write file sl.dk" big.err && grep -Fxq "morvel: standard output could not be written" big.err ||
  say "big: $(cat big.err)"
exit $fail
