#!/usr/bin/env python3
"""Copies into tools/validate/data/ the part of the shared data that the validation
run reads, and records where each file came from.

Run once from the repository root:  python3 tools/validate/extract.py [SOURCE_DIR]
SOURCE_DIR defaults to ../shared/data. The selection rules are those of
morvel-validate (tools/validate/validation.h): for each object and each lead time,
the last set before the re-entry time less the lead, with the sets of the
fitting window before it; the flux days of the trailing 81-day means at
those sets' epochs; and the last months of one object for the decay picture.
"""
import csv
import datetime
import hashlib
import os
import sys

LEADS = (60, 30, 14, 7, 3, 1, 0)   # days before the re-entry time
FIT_WINDOW = 2.0                   # days of sets before the chosen one
FLUX_DAYS = 81                     # trailing mean of the daily flux
EXAMPLE = ("44238-starlink-24.tle", 120)  # long/ file, days before its last set

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "data")


def epoch_of(line1):
    """Epoch of line 1 as a datetime (UTC)."""
    yy = int(line1[18:20])
    year = 2000 + yy if yy < 57 else 1900 + yy
    day = float(line1[20:32])
    return datetime.datetime(year, 1, 1) + datetime.timedelta(days=day - 1)


def read_sets(path):
    """(title, [(epoch, line1, line2)]) of a three-line element file."""
    lines = [l.rstrip("\n") for l in open(path, encoding="ascii")]
    title, sets = None, []
    for i, l in enumerate(lines):
        if l.startswith("1 ") and i + 1 < len(lines) and lines[i + 1].startswith("2 "):
            sets.append((epoch_of(l), l, lines[i + 1]))
        elif not l.startswith("2 ") and title is None:
            title = l.strip()
    return title, sets


def sha256(path):
    return hashlib.sha256(open(path, "rb").read()).hexdigest()


def main():
    src = sys.argv[1] if len(sys.argv) > 1 else os.path.join(HERE, "..", "..", "..", "shared", "data")
    src = os.path.normpath(src)
    os.makedirs(os.path.join(OUT, "reentry"), exist_ok=True)
    os.makedirs(os.path.join(OUT, "example"), exist_ok=True)

    rows = list(csv.DictReader(open(os.path.join(src, "reentries.csv"), encoding="ascii")))
    flux_days = set()
    kept_total = 0
    files = []
    with open(os.path.join(OUT, "reentries.csv"), "w", encoding="ascii", newline="\n") as dk:
        dk.write("norad,name,reentry_utc\n")
        for r in rows:
            dk.write("%s,%s,%s\n" % (r["norad"], r["name"], r["reentry_utc"]))
            name = [f for f in os.listdir(os.path.join(src, "reentry")) if f.startswith(r["norad"] + "-")][0]
            title, sets = read_sets(os.path.join(src, "reentry", name))
            real = datetime.datetime.fromisoformat(r["reentry_utc"]) + datetime.timedelta(hours=12)
            keep = set()
            for lead in LEADS:
                t = real - datetime.timedelta(days=lead)
                before = [k for k, s in enumerate(sets) if s[0] < t]
                if not before:
                    continue
                k = before[-1]
                start = sets[k][0] - datetime.timedelta(days=FIT_WINDOW)
                for j in range(k, -1, -1):
                    if sets[j][0] < start:
                        break
                    keep.add(j)
                day = sets[k][0].date()
                for d in range(FLUX_DAYS + 1):
                    flux_days.add(day - datetime.timedelta(days=d))
            out = os.path.join(OUT, "reentry", name)
            with open(out, "w", encoding="ascii", newline="\n") as f:
                f.write(title + "\n")
                for k in sorted(keep):
                    f.write(sets[k][1] + "\n" + sets[k][2] + "\n")
            kept_total += len(keep)
            files.append((name, len(keep), len(sets)))

    # Daily flux rows of the days the trailing means need.
    with open(os.path.join(src, "f107.csv"), encoding="ascii") as f, \
            open(os.path.join(OUT, "f107.csv"), "w", encoding="ascii", newline="\n") as o:
        o.write(f.readline())
        nflux = 0
        for line in f:
            if datetime.date.fromisoformat(line[:10]) in flux_days:
                o.write(line)
                nflux += 1

    # The last months of one object, every set, for the decay picture.
    ex_name, ex_days = EXAMPLE
    title, sets = read_sets(os.path.join(src, "long", ex_name))
    last = sets[-1][0]
    ex = [s for s in sets if (last - s[0]).total_seconds() <= ex_days * 86400]
    with open(os.path.join(OUT, "example", ex_name), "w", encoding="ascii", newline="\n") as f:
        f.write(title + "\n")
        for s in ex:
            f.write(s[1] + "\n" + s[2] + "\n")

    with open(os.path.join(OUT, "SOURCES.md"), "w", encoding="ascii", newline="\n") as f:
        f.write("# Where the validation data come from\n\n")
        f.write("Written by `tools/validate/extract.py` from the shared data folder (`%s`); "
                "do not edit by hand, run the script again.\n\n" % os.path.relpath(src, os.path.join(HERE, "..")))
        f.write("- `reentries.csv`: norad, name and catalogued decay day (`reentry_utc`) of the 90 objects, "
                "copied from the shared `reentries.csv` (sha256 %s). The decay day is the CelesTrak SATCAT "
                "DECAY_DATE (18th Space Defense Squadron), a UTC day only.\n" % sha256(os.path.join(src, "reentries.csv")))
        f.write("- `reentry/*.tle`: for each object, only the sets that the validation reads: for each lead "
                "time (%s days before the re-entry day's noon) the last set before that time and every set of "
                "the %g days before it (the fitting window); %d sets in all. Title line once, then the sets "
                "in epoch order, copied unchanged from the shared `reentry/` files. Those files are "
                "Space-Track `gp_history` results from the research repository "
                "`cricket-sun/Orbital-Maneuver-Patterns-of-Starlink-Constellation-Behavior-Inversion-Based-on-Historical-TLE-Data` "
                "(commit dc7e1af341180120692b201971713335e04e60ca), and for 44758 the CelesTrak `active` snapshots "
                "of `ivanfurlan1/data-satarg`. Space-Track's user agreement limits passing its data on: check it "
                "before publishing this folder.\n" % (", ".join(str(x) for x in LEADS), FIT_WINDOW, kept_total))
        f.write("- `f107.csv`: the rows of the shared `f107.csv` (CelesTrak SW-All.csv, observed daily F10.7 "
                "with its centred 81-day mean; sha256 %s) for the %d days that the trailing %d-day means at "
                "the chosen sets' epochs need (%d rows).\n" % (sha256(os.path.join(src, "f107.csv")), FLUX_DAYS + 1, FLUX_DAYS, nflux))
        f.write("- `example/%s`: the last %d days of sets of the shared `long/%s` (same research repository), "
                "%d sets, unchanged, for the decay picture of the README.\n\n" % (ex_name, ex_days, ex_name, len(ex)))
        f.write("| file | sets kept | sets in the source file |\n|---|---|---|\n")
        for name, k, n in files:
            f.write("| reentry/%s | %d | %d |\n" % (name, k, n))
    print("kept %d sets of %d objects, %d flux days, %d example sets" % (kept_total, len(files), nflux, len(ex)))


if __name__ == "__main__":
    main()
