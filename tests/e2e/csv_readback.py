#!/usr/bin/env python3
"""The CSV list of a screened run read back with Python's standard CSV reader:
its header, a title with a comma and quotes, every number a number, every date
ISO 8601 UTC, and every listed row agreeing with the console's row of the same
set (epoch, decay date and day, window, coefficient), the thrust rows counted
by the console's one line.

    csv_readback.py MORVEL SETS.TLE
"""
import csv
import datetime
import math
import os
import re
import subprocess
import sys
import tempfile

COLUMNS = ["NORAD_CAT_ID", "OBJECT_NAME", "OBJECT_ID", "EPOCH", "FLUX", "LIFETIME_DAYS", "DECAY_EPOCH",
           "DECAY_EARLIEST", "DECAY_LATEST", "BALLISTIC_COEFFICIENT", "DESCENT"]
QUOTED_TITLE = 'CUBE, "QUOTED" ONE'
ROW = re.compile(r"^\s*(\d+)\s+(\S+)\s+(\d+)\s+([\d.]+)\s+([\d.]+)\s+([\d.]+)\s+([\d.]+)\s+([\d.]+)\s+([\d.]+)"
                 r"\s+\((\d+) (\w+) (\d+)\)$")


def epoch_form(text):
    """YYDDD.dddddddd of an ISO 8601 UTC text, and the datetime."""
    t = datetime.datetime.strptime(text, "%Y-%m-%dT%H:%M:%SZ")
    day = t.timetuple().tm_yday + (t.hour * 3600 + t.minute * 60 + t.second) / 86400
    return (t.year % 100) * 1000 + day, t


def main(morvel, sets):
    failures = []

    def check(ok, what):
        if not ok:
            failures.append(what)

    with tempfile.TemporaryDirectory() as work:
        lines = open(sets).read().splitlines()
        # The first set again under a title that needs quoting.
        with open(os.path.join(work, "sets.tle"), "w") as f:
            f.write("\n".join(lines + [QUOTED_TITLE] + lines[4:6]) + "\n")
        run = subprocess.run([morvel, "--screen", "-L20", "--csv=list.csv", "sets.tle"], cwd=work, input="0\n",
                             capture_output=True, text=True)
        check(run.returncode == 0, "exit status %d" % run.returncode)
        with open(os.path.join(work, "list.csv"), newline="") as f:
            reader = csv.DictReader(f)
            check(reader.fieldnames == COLUMNS, "header %s" % reader.fieldnames)
            rows = list(reader)

    console = {}
    for line in run.stdout.splitlines():
        m = ROW.match(line)
        if m:
            console.setdefault(int(m.group(3)), []).append(m)
    left_out = int(re.search(r"Screened: (\d+) listed sets left out", run.stdout).group(1))

    check(any(r["OBJECT_NAME"] == QUOTED_TITLE for r in rows), "the quoted title did not read back")
    thrust = [r for r in rows if r["DESCENT"] == "thrust"]
    drag = [r for r in rows if r["DESCENT"] == "drag"]
    check(len(thrust) + len(drag) == len(rows), "a descent that is neither drag nor thrust")
    check(len(thrust) == left_out and thrust, "%d thrust rows, the console left out %d" % (len(thrust), left_out))
    check(len(drag) == sum(len(v) for v in console.values()) and drag,
          "%d drag rows, %d console rows" % (len(drag), sum(len(v) for v in console.values())))

    for r in rows:
        numbers = [float(r[c]) for c in ("FLUX", "LIFETIME_DAYS", "BALLISTIC_COEFFICIENT")]
        check(all(math.isfinite(x) and x > 0 for x in numbers), "not a positive number in %s" % r)
        epoch, _ = epoch_form(r["EPOCH"])
        decay, decay_time = epoch_form(r["DECAY_EPOCH"])
        earliest, _ = epoch_form(r["DECAY_EARLIEST"])
        latest, _ = epoch_form(r["DECAY_LATEST"])
        check(epoch <= earliest <= decay <= latest, "window out of order in %s" % r)
        check(abs(decay - epoch - float(r["LIFETIME_DAYS"])) < 1e-4, "lifetime against the dates in %s" % r)
        b = float(r["BALLISTIC_COEFFICIENT"])
        check((b > 0.1) == (r["DESCENT"] == "thrust"), "descent against the coefficient in %s" % r)
        if r["DESCENT"] != "drag":
            continue
        # The console's row of the same set: the one with the same epoch.
        matches = [m for m in console.get(int(r["NORAD_CAT_ID"]), []) if abs(float(m.group(4)) - epoch) < 1e-5]
        check(len(matches) >= 1, "no console row for %s" % r)
        for m in matches[:1]:
            check(abs(float(m.group(5)) - decay) < 1e-5, "decay %s against %s" % (m.group(5), r["DECAY_EPOCH"]))
            check(abs(float(m.group(6)) - float(r["LIFETIME_DAYS"])) <= 0.005, "days in %s" % r)
            check(abs(float(m.group(7)) - earliest) < 1e-4 and abs(float(m.group(8)) - latest) < 1e-4,
                  "window %s %s against %s" % (m.group(7), m.group(8), r))
            check(abs(float(m.group(9)) - b) <= 5e-5, "coefficient %s against %s" % (m.group(9), r))
            civil = "%d %s %d" % (decay_time.year, decay_time.strftime("%B"), decay_time.day)
            check(civil == " ".join(m.group(10, 11, 12)), "date %s against %s" % (m.group(10, 11, 12), civil))

    for f in failures:
        print("FAIL:", f)
    print("%d rows read back, %d failures" % (len(rows), len(failures)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2]))
