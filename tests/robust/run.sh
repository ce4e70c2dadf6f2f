#!/usr/bin/env bash
# Whole-program robustness sessions: every mode, a closed console, garbage
# element files, long names, outputs that cannot be created (a directory, a
# working directory where nothing can be made), outputs that are the input
# file, and the same in batch runs. Each session must end by itself (under a
# time limit) with an exit status of the program's own (0, 1 or 2), write to
# stderr nothing but the program's own lines (none outside a batch run), and
# report nothing under the binary's sanitizers or under valgrind's memcheck.
#   run.sh MORVEL [PLAIN]   sessions of MORVEL (built with the sanitizers),
#                           and of PLAIN (built without them) under memcheck
#   VALGRIND=0 run.sh ...   skip the memcheck runs
set -uo pipefail
bin=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
plain=
[ $# -ge 2 ] && plain=$(cd "$(dirname "$2")" && pwd)/$(basename "$2")
here=$(cd "$(dirname "$0")" && pwd)
data=$here/../data
# No '.' in its path: a derived name ends at the first one.
work=$(mktemp -d /tmp/morvel-robust-XXXXXX)
[ -n "${KEEP:-}" ] || trap 'rm -rf "$work"' EXIT; echo "sessions in $work"
cd "$work"

usevalgrind=${VALGRIND:-1}
[ -n "$plain" ] || usevalgrind=0
command -v valgrind >/dev/null 2>&1 || usevalgrind=0

failures=0
sessions=0

# session NAME STDIN ARGS...: the program and, where asked, memcheck, run
# in the directory $rundir (the sessions' own unless set).
rundir=.
session() {
  local name=$1 input=$2
  shift 2
  sessions=$((sessions + 1))
  printf -- "$input" | (cd "$rundir" && timeout 60 "$bin" "$@") > "out-$name" 2> "err-$name"
  local status=$?
  if [ "$status" -gt 2 ]; then
    echo "FAIL $name: status $status (or time limit)"; tail -5 "err-$name"; failures=$((failures + 1)); return
  fi
  if grep -qv '^morvel: ' "err-$name" || { [ -s "err-$name" ] && [ "$1" != --batch ]; }; then
    echo "FAIL $name: stderr"; head -20 "err-$name"; failures=$((failures + 1)); return
  fi
  if [ "$usevalgrind" = 1 ]; then
    printf -- "$input" | (cd "$rundir" && timeout 300 valgrind -q --error-exitcode=99 \
        --leak-check=no "$plain" "$@") > /dev/null 2> "vg-$name"
    status=$?
    if [ "$status" -gt 2 ] || grep -qv '^morvel: ' "vg-$name"; then
      echo "FAIL $name: memcheck (status $status)"; head -20 "vg-$name"; failures=$((failures + 1)); return
    fi
  fi
  echo "ok   $name"
}

# Inputs.
tail -30 "$here/../../examples/starlink-24.tle" > sets.tle
head -600 "$data/catalogue-2026-05-07.tle" > cat.tle
head -c 65536 "$bin" > binary.tle
{ printf 'TITLE\0WITH NUL\n'; sed -n 1,3p sets.tle | tr 'A' '\0'; cat sets.tle; } > nul.tle
{ head -c 100000 < /dev/zero | tr '\0' 'x'; echo; sed -n 1,3p sets.tle;
  printf '1 %0100000d\n' 0; cat sets.tle; } > long.tle
{ sed -n 1,6p sets.tle; sed -n 8p sets.tle | head -c 40; } > cut.tle
printf '1 44238U 19029D   22297.11509713  .34454348  12142-4  41432-2 0  9996' > line1only.tle
: > empty.tle
mkdir -p dir.dk dir.eqx
cp sets.tle dir.tle
ln -sf sets.tle sets.eqx.link
cp sets.tle lnk.tle
ln -sf lnk.tle lnk.eqx
cp sets.tle own.dk
cp sets.tle own.eqx
name79=$(printf 'n%.0s' $(seq 75)).tle
name80=$(printf 'n%.0s' $(seq 76)).tle
cp sets.tle "$name79"

# Every mode, console replies ending early.
session list-closed-console "" -L10 sets.tle
session list-pick-and-end "3\nr1.txt\n0\n" -L10 -P1 sets.tle
session list-pick-closed-at-name "3\n" -L10 -P1 sets.tle
session one-set-evolution "r2.txt\n\n" -L0.2 -P1 sets.tle
session transition-region "3\nr3.txt\n0\n" -L10 -P1 -S1 -T-3 -Q0.8 -H1.2 -F90 sets.tle
session equator-crossing "" -E cat.tle
session prompts-closed "" -L -P -S -T -Q -H -F
session typed-name-closed ""
session object-number-closed "" -D./
# Garbage element files, in both modes.
for f in binary nul long cut line1only empty; do
  session "garbage-$f-list" "1\nrg.txt\n0\n" -L1e9 -P0.5 "$f.tle"
  session "garbage-$f-eqx" "" -E "$f.tle"
done
# Space-weather files (-W): the real excerpt in both modes, garbage, a
# directory, a prompt at the end of the input, the report named as the file.
cp "$data/space-weather/sw-2026-05-05.csv" sw.csv
session weather-list "1\nrw.txt\n0\n" -Wsw.csv -L1e9 -P0.5 sets.tle
session weather-eqx "" -Wsw.csv -E cat.tle
for f in binary nul long cut line1only empty; do
  session "weather-garbage-$f" "\n" "-W$f.tle" -L10 sets.tle
done
session weather-directory "\n" -Wdir.dk -L10 sets.tle
session weather-prompt-closed "" -W sets.tle
session weather-report-is-the-file "3\nsw.csv\n\n" -Wsw.csv -L10 sets.tle
cmp -s sw.csv "$data/space-weather/sw-2026-05-05.csv" || { echo "FAIL sw.csv was changed"; failures=$((failures + 1)); }
# Names at and over the limit.
session name-79 "\n" -L10 "$name79"
session name-80 "\n" "$name80"
session name-80-typed "$name80\n\n"
session directory-80 "\n" "-D$(printf 'd%.0s' $(seq 80))/" 25544
# Outputs that cannot be created, outputs that are the input.
session list-output-is-a-directory "\n" -L10 dir.tle
session eqx-output-is-a-directory "\n" -E dir.tle
session report-is-a-directory "3\n.\n\n" -L10 sets.tle
session report-is-the-input "3\n./sets.tle\n\n" -L10 sets.tle
session report-is-a-link-to-the-input "3\nsets.eqx.link\n\n" -L10 sets.tle
session eqx-is-a-link-to-the-input "\n" -E lnk.tle
session list-output-is-the-input "\n" -L10 own.dk
session eqx-output-is-the-input "\n" -E own.eqx
# Where nothing can be created, even by root: the decay list and the
# crossing file of an input named in /proc (its file open on descriptor 3)
# would go there, and so does a typed report name in /proc.
exec 3< sets.tle
session unwritable-directory-list "\n" -L10 /proc/self/fd/3
session unwritable-directory-eqx "\n" -E /proc/self/fd/3
rundir=/proc
session unwritable-directory-report "3\nr.txt\n\n" -L10 -P1 "$work/sets.tle"
rundir=.
exec 3<&-
# Batch runs (their outputs are checked by the end-to-end cases): the
# evolution, and the garbage files in both modes.
session batch-evolve "" --batch -L10 -P1 --evolve=3 --report=rb.txt sets.tle
for f in binary nul long cut line1only empty; do
  session "batch-garbage-$f" "" --batch -L1e9 "$f.tle"
  session "batch-garbage-$f-eqx" "" --batch -E "$f.tle"
done
for f in sets.tle lnk.tle own.dk own.eqx; do
  cmp -s "$f" <(tail -30 "$here/../../examples/starlink-24.tle") || { echo "FAIL $f was changed"; failures=$((failures + 1)); }
done

echo "$((sessions - failures)) passed, $failures failed"
[ "$failures" = 0 ]
