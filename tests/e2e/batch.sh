#!/usr/bin/env bash
# Batch runs of morvel as a script drives them: every mode (decay list, the
# evolution of a set chosen by number or by object, -E, -D, OMM input, -W),
# each kind of bad input and unsafe output name, with the one stderr line
# that names it and the exit status; and no run ever reads the console: every
# run's standard input is a pipe that is held open and never written (a read
# would wait until the time limit), one run's is closed.
#   batch.sh MORVEL SOURCE-DIR
set -uo pipefail
bin=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
src=$(cd "$2" && pwd)
work=$(mktemp -d /tmp/morvel-batch-XXXXXX)
trap 'exec 7>&-; rm -rf "$work"' EXIT
cd "$work"
mkfifo held
exec 7<> held
fail=0
say() { echo "FAIL $*"; fail=1; }

# run NAME ARGS...: morvel ARGS, stdin the held pipe, under a time limit;
# NAME.out, NAME.err and NAME.status.
run() {
  local name=$1
  shift
  timeout 20 "$bin" "$@" <&7 > "$name.out" 2> "$name.err"
  echo $? > "$name.status"
}
status() { [ "$(cat "$1.status")" = "$2" ] || say "$1: status $(cat "$1.status"), not $2"; }
errline() { grep -Fxq -- "$2" "$1.err" || { say "$1: no stderr line: $2"; sed 's/^/    /' "$1.err"; }; }
errlast() { [ "$(tail -n 1 "$1.err")" = "$2" ] || say "$1: last stderr line '$(tail -n 1 "$1.err")', not: $2"; }
# Every stderr line one of the program's own, naming itself.
ownlines() { ! grep -qv '^morvel: ' "$1.err" || say "$1: stderr line not its own: $(grep -v '^morvel: ' "$1.err" | head -1)"; }
same() { diff "$1" "$2" > "$3.diff" || { say "$3: $1 and $2 differ"; head -5 "$3.diff"; }; }
nofile() { [ ! -e "$1" ] || say "$2: $1 written"; }
# The decay list rows of a .dk file as stdout shows them: a blank line, the
# column header, the rows (the screen's count goes to stderr).
rows() { echo; sed -n '/^ Elset/,$p' "$1" | grep -v '^Screened: '; }

cp "$src/examples/starlink-24.tle" sl.tle
cp "$src/tests/data/space-weather/sw-2026-05-05.csv" sw.csv

# ---- every mode ------------------------------------------------------------

# The decay list: its rows on stdout, as the console and the .dk show them,
# and the counts last.
run list --batch -L2 sl.tle
status list 0
same list.out <(rows sl.dk) list
errlast list "morvel: sl.tle: 496 sets read, 0 rejected, 6 listed"
ownlines list
[ "$(wc -l < list.err)" = 1 ] || say "list: more than the counts on stderr"
mkdir console && cp sl.tle console/ && (cd console && printf '495\nby-number.txt\n0\n' | "$bin" -L2 -P1 sl.tle > list.console)
same sl.dk console/sl.dk list-file
# A closed standard input changes nothing.
timeout 20 "$bin" --batch -L2 sl.tle <&- > closed.out 2> closed.err
[ $? = 0 ] || say "closed: status not 0"
same closed.out list.out closed

# The evolution of a set by its number: the report the console run writes.
run evolve --batch -L2 -P1 --evolve=495 --report=by-number.txt sl.tle
status evolve 0
same by-number.txt console/by-number.txt evolve
same evolve.out list.out evolve-list
# By its object: the newest set of 44238, the file's last (496), listed or not.
(cd console && printf '496\nby-object.txt\n0\n' | "$bin" -L2 -P1 sl.tle > /dev/null)
run object --batch -L0.06 -P1 --object=44238 --report=by-object.txt sl.tle
status object 0
errline object "morvel: No object with lifetime <0.060000 days"
same by-object.txt console/by-object.txt object
[ ! -s object.out ] || say "object: stdout holds more than the decay list"
run no-object --batch -L2 --object=25544 --report=none.txt sl.tle
status no-object 1
errlast no-object "morvel: No set of object 25544 in sl.tle"
nofile none.txt no-object
run no-set --batch -L2 --evolve=497 --report=none.txt sl.tle
status no-set 2
errlast no-set "morvel: Set 497 is not in sl.tle, which holds 496 sets"

# The equator-crossing file: nothing on stdout.
run eqx --batch -E sl.tle
status eqx 0
[ ! -s eqx.out ] || say "eqx: stdout not empty"
errlast eqx "morvel: sl.tle: 496 sets read, 0 rejected, 496 written"
(cd console && "$bin" -E sl.tle < /dev/null > /dev/null)
same sl.eqx console/sl.eqx eqx

# -D: the input by object number.
mkdir -p tle/44000 && cp sl.tle tle/44000/44238.els
run lookup --batch -Dtle/ -L2 44238
status lookup 0
same lookup.out list.out lookup
errlast lookup "morvel: tle/44000/44238.els: 496 sets read, 0 rejected, 6 listed"
[ -f 44238.dk ] || say "lookup: 44238.dk not written"

# OMM input, with -W and --screen: stdout the screened list alone. Every set
# of the file is of 2026 September, months after the space-weather file.
cp "$src/tests/e2e/cases/omm-six-digit-json-decay-list/files/active.json" active.json
run omm --batch -Wsw.csv -L40 --screen active.json
status omm 0
same omm.out <(rows active.dk) omm
errline omm "morvel: Sets with epochs more than 30 days after the last observed day of space weather file sw.csv (2026 May 5) took that day's flux: 34"
ownlines omm
grep -q '^Screened: ' omm.out && say "omm: the screen's count on stdout"
errline omm "morvel: $(grep '^Screened: ' active.dk)"

# -W: each row with its flux; a set within the file's days is not stale.
sed -n 1,3p "$src/tests/e2e/cases/weather-list-and-reports-of-each-kind/files/sets.tle" > may.tle
run weather --batch -Wsw.csv -L1e9 may.tle
status weather 0
[ "$(awk 'NR == 3 { print $6 }' weather.out)" = 125.6 ] || say "weather: the row's flux is not 125.6"
[ "$(wc -l < weather.err)" = 1 ] || say "weather: a set two days past the file was counted as stale"

# ---- inputs that hold no element set -----------------------------------------

gzip -9n < sl.tle > sl.tle.gz
gzip -9n < sl.tle | tail -c +11 | head -c 4000 > random.tle
: > empty.tle
printf 'No GP data found\n' > gp.tle
printf '<!DOCTYPE html>\n<html><head><title>404 Not Found</title></head>\n<body><h1>Not Found</h1></body></html>\n' > page.tle
for f in sl.tle.gz random.tle empty.tle gp.tle page.tle; do
  for mode in list eqx; do
    flag=-L1e9; [ $mode = eqx ] && flag=-E
    did=listed; [ $mode = eqx ] && did=written
    run "$f-$mode" --batch $flag "$f"
    status "$f-$mode" 1
    errline "$f-$mode" "morvel: No element set read from $f"
    errlast "$f-$mode" "morvel: $f: 0 sets read, 0 rejected, 0 $did"
    [ ! -s "$f-$mode.out" ] || say "$f-$mode: stdout not empty"
  done
done
nofile sl.eqx.gz empty-eqx; nofile empty.eqx empty-eqx; nofile gp.eqx gp-eqx; nofile page.eqx page-eqx

# ---- faulty TLE sets ---------------------------------------------------------

# A line 2 one character short: refused, not read as an orbit thousands of
# km higher; the set after it is read.
{ sed -n 1,2p sl.tle; sed -n 3p sl.tle | sed 's/^\(.\{19\}\)./\1/'; sed -n 4,6p sl.tle; } > short.tle
run short --batch -L1e9 short.tle
status short 0
errline short "morvel: short.tle:3: set (object 44238) rejected: line 2 has no decimal point in column 21 (right ascension of the node)"
errlast short "morvel: short.tle: 1 sets read, 1 rejected, 1 listed"
# A missing line 2: named, and its title stays with it.
{ echo LOST; sed -n 2p sl.tle; echo KEPT; sed -n 5,6p sl.tle; } > missing.tle
run missing --batch -E missing.tle
status missing 0
errline missing "morvel: missing.tle:2: set (object 44238) rejected: line 2 is missing after its line 1"
[ "$(head -c 4 missing.eqx)" = KEPT ] || say "missing: the set after it is not titled KEPT"
# Wrong check digits: read, and counted in one line.
{ sed -n 1,2p sl.tle; sed -n 3p sl.tle | sed 's/.$/0/'; sed -n 4,6p sl.tle; } > digits.tle
run digits --batch -L1e9 digits.tle
status digits 0
errline digits "morvel: digits.tle:3: check digit wrong in sets read as they stand: 1, the first here"
errlast digits "morvel: digits.tle: 2 sets read, 0 rejected, 2 listed"

# A stale space-weather file: its last day named, the sets counted.
printf 'NEW\n1 44238U 19029D   26200.50000000  .00010000  00000+0  30000-3 0  9990\n2 44238  52.9880 215.1848 0012690 195.7579 337.2493 15.90000000189744\n' > july.tle
run stale --batch -Wsw.csv -L1e9 july.tle
status stale 0
errline stale "morvel: Sets with epochs more than 30 days after the last observed day of space weather file sw.csv (2026 May 5) took that day's flux: 1"
# A space-weather file that cannot be used ends the run.
run weather-refused --batch -Wpage.tle -L2 sl.tle
status weather-refused 1
errline weather-refused "morvel: Space weather file page.tle has no column DATE, F10.7_DATA_TYPE, F10.7_OBS_LAST81"

# ---- output names ------------------------------------------------------------

# The stem ends at the first dot of the file's own name.
mkdir -p sub.v2 dots && cp sl.tle sub.v2/x.tle && cp sl.tle x.tle && cp sl.tle dots/.hidden.tle
kvn=$src/tests/data/omm/v05-omm-3.0-header-optional-keywords-omitted.kvn
{ cat "$kvn"; echo "NORAD_CAT_ID        = 25544"; } > v05-omm-3.0.kvn
for f in ./x.tle sub.v2/x.tle dots/.hidden.tle v05-omm-3.0.kvn; do
  run "name-${f//\//_}" --batch -E "$f"
  status "name-${f//\//_}" 0
done
[ -s x.eqx ] && [ -s sub.v2/x.eqx ] && [ -s dots/.hidden.eqx ] && [ -s v05-omm-3.eqx ] || say "names: an .eqx missing"
nofile .eqx names; nofile sub.eqx names; nofile dots/.eqx names
(cd sub.v2 && "$bin" --batch -L2 ../x.tle <&7 > /dev/null 2>&1) && [ -s x.dk ] || say "names: ../x.tle did not give ../x.dk"
# The sample as published has no catalogue number: no set, no file.
mkdir v05 && cp "$kvn" v05/v05-omm-3.0.kvn
run v05 --batch -E v05/v05-omm-3.0.kvn
status v05 1
errline v05 "morvel: v05/v05-omm-3.0.kvn:1: record 1 (ISS (ZARYA)) rejected: NORAD_CAT_ID missing"
errlast v05 "morvel: v05/v05-omm-3.0.kvn: 0 sets read, 1 rejected, 0 written"
nofile v05/v05-omm-3.eqx v05
# Places that are no file, or no file of the run.
run dev-stdin --batch -E /dev/stdin
status dev-stdin 1
errline dev-stdin "morvel: Output file /dev/stdin.eqx is among the system's device or process files: not written"
run no-directory --batch -L2 --evolve=495 --report=nowhere/r.txt sl.tle
status no-directory 1
errline no-directory "morvel: Output file nowhere/r.txt is not in a directory that may be written: not written"
run report-directory --batch -L2 --evolve=495 --report=sub.v2 sl.tle
status report-directory 1
errline report-directory "morvel: Output file sub.v2 is not a regular file: not written"
run report-input --batch -L2 --evolve=495 --report=./sl.tle sl.tle
status report-input 1
errline report-input "morvel: Output file ./sl.tle is the input file"
same sl.tle "$src/examples/starlink-24.tle" report-input
# Standard output that cannot be written.
if [ -w /dev/full ]; then
  timeout 20 "$bin" --batch -L2 sl.tle <&7 > /dev/full 2> full.err
  echo $? > full.status
  status full 1
  errline full "morvel: standard output could not be written"
fi

# ---- usage errors: status 2, one line, nothing read -------------------------

usage() {  # NAME LINE ARGS...
  local name=$1 line=$2
  shift 2
  run "$name" "$@"
  status "$name" 2
  [ "$(cat "$name.err")" = "$line" ] || say "$name: stderr '$(cat "$name.err")', not: $line"
  [ ! -s "$name.out" ] || say "$name: stdout not empty"
}
usage bare-value "morvel: Control flag -L needs its value after it in a batch run" --batch -L sl.tle
usage bare-weather "morvel: Control flag -W needs its file after it in a batch run" -W --batch sl.tle
usage no-input "morvel: --batch needs the element file (or with -D the object number) on the command line" --batch -L2
usage no-report "morvel: --evolve needs --report=FILE" --batch --evolve=3 sl.tle
usage no-object-report "morvel: --object needs --report=FILE" --batch --object=44238 sl.tle
usage report-alone "morvel: --report needs --evolve=N or --object=NORAD" --batch --report=r.txt sl.tle
usage both-chosen "morvel: --evolve and --object both choose the set: give one of them" --batch --evolve=1 --object=1 --report=r.txt sl.tle
usage eqx-evolve "morvel: -E writes the equator-crossing file alone: --evolve and --object do not apply" --batch -E --evolve=1 --report=r.txt sl.tle
usage not-a-number "morvel: Control flag --evolve needs a whole number from 1: --evolve=3x" --batch --evolve=3x --report=r.txt sl.tle
usage zero-set "morvel: Control flag --evolve needs a whole number from 1: --evolve=0" --batch --evolve=0 --report=r.txt sl.tle
usage unknown "morvel: Unrecognised control flag --bach" --batch --bach sl.tle
usage batch-value "morvel: Control flag --batch takes no value: --batch=yes" --batch=yes sl.tle
usage long-name "morvel: Name too long (at most 79 characters): $(printf 'n%.0s' $(seq 80))" --batch "$(printf 'n%.0s' $(seq 80))"

exit $fail
