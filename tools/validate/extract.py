#!/usr/bin/env python3
"""Copies into tools/validate/data/ the part of the shared data that the validation
run reads, and records where each file came from.

Run once from the repository root:  python3 tools/validate/extract.py [SOURCE_DIR]
SOURCE_DIR defaults to ../shared/data. The selection rules are those of
morvel-validate (tools/validate/validation.h): for each object and each lead time,
the last set before the re-entry time less the lead, with the sets of the
fitting window before it; for the objects of the re-entry campaigns, every set
from the fitting window before the first forecast's issue day to the re-entry
(reentry/); the same with the days that the fitted ballistic coefficient reads
before each set (spans/: its longest span and its first pass); the space-weather
rows of the days of those sets' epochs and of the days between the sets of a
span; and the last months of one object for the decay picture.
"""
import csv
import datetime
import hashlib
import os
import sys

DAY_LEADS = (60, 30, 14, 7, 3, 1, 0)   # days before the re-entry time
HOUR_LEADS = (48, 24, 12, 6, 3)        # hours, for a re-entry known to the minute
FIT_WINDOW = 2.0                       # days of sets before the chosen one
LONGEST_SPAN = 14.0                    # days: the fitted coefficient's longest span (include/fit.h)
FIRST_PASS = 2.0                       # days: and its first pass
SPAN_DAYS = LONGEST_SPAN + FIRST_PASS  # days of sets before the chosen one in spans/
EXAMPLE = ("44238-starlink-24.tle", 120)  # long/ file, days before its last set
SPACE_WEATHER = "space-weather/SW-All-2026-05-16.csv"
STARLINK_KIND = "Starlink"

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


def parse_time(text):
    """(datetime, minutes?) of YYYY-MM-DD (its noon) or YYYY-MM-DDTHH:MM[Z]."""
    text = text.strip().rstrip("Z")
    if "T" in text:
        return datetime.datetime.fromisoformat(text), True
    return datetime.datetime.fromisoformat(text) + datetime.timedelta(hours=12), False


def sha256(path):
    return hashlib.sha256(open(path, "rb").read()).hexdigest()


def history_name(folder, norad):
    return [f for f in os.listdir(folder) if f.startswith(norad + "-")][0]


def keep_before(sets, t, keep, days):
    """Adds the last set before t and the sets of the days before it; its index or None."""
    before = [k for k, s in enumerate(sets) if s[0] < t]
    if not before:
        return None
    k = before[-1]
    start = sets[k][0] - datetime.timedelta(days=days)
    for j in range(k, -1, -1):
        if sets[j][0] < start:
            break
        keep.add(j)
    return k


def selection(sets, real, leads, issued, days):
    """Indices of the sets a run reads: each lead's set and the days before it, and
    for a campaign object every set from those days before its first forecast on."""
    keep = set()
    for lead in leads:
        keep_before(sets, real - lead, keep, days)
    if issued:
        start = min(issued) - datetime.timedelta(days=days + 1)
        keep.update(k for k, s in enumerate(sets) if start <= s[0] < real)
    return keep


def write_sets(path, title, sets, keep):
    with open(path, "w", encoding="ascii", newline="\n") as f:
        f.write(title + "\n")
        for k in sorted(keep):
            f.write(sets[k][1] + "\n" + sets[k][2] + "\n")


def main():
    src = sys.argv[1] if len(sys.argv) > 1 else os.path.join(HERE, "..", "..", "..", "shared", "data")
    src = os.path.normpath(src)
    other = os.path.join(src, "reentry-other")
    os.makedirs(os.path.join(OUT, "reentry"), exist_ok=True)
    os.makedirs(os.path.join(OUT, "spans"), exist_ok=True)
    os.makedirs(os.path.join(OUT, "example"), exist_ok=True)

    objects = []  # (norad, name, kind, decay text, powered_until, folder)
    for r in csv.DictReader(open(os.path.join(src, "reentries.csv"), encoding="ascii")):
        objects.append((r["norad"], r["name"], STARLINK_KIND, r["reentry_utc"], "", os.path.join(src, "reentry")))
    for r in csv.DictReader(open(os.path.join(other, "reentries.csv"), encoding="ascii")):
        objects.append((r["norad"], r["name"], r["kind"], r["decay_utc"], r["powered_until"], other))
    campaigns = list(csv.DictReader(open(os.path.join(other, "campaign-predictions.csv"), encoding="ascii")))

    days = set()  # epoch days of the kept sets, and those within spans: the space-weather rows needed
    kept_total = 0
    span_total = 0
    files = []
    with open(os.path.join(OUT, "reentries.csv"), "w", encoding="ascii", newline="\n") as dk:
        dk.write("norad,name,kind,decay_utc,powered_until\n")
        for norad, name, kind, decay, powered, folder in objects:
            dk.write("%s,%s,%s,%s,%s\n" % (norad, name, kind, decay, powered))
            fname = history_name(folder, norad)
            title, sets = read_sets(os.path.join(folder, fname))
            real, minutes = parse_time(decay)
            leads = [datetime.timedelta(days=d) for d in DAY_LEADS]
            if minutes:
                leads += [datetime.timedelta(hours=h) for h in HOUR_LEADS]
            issued = [parse_time(c["issued_utc"])[0] - datetime.timedelta(hours=12)
                      if "T" not in c["issued_utc"] else parse_time(c["issued_utc"])[0]
                      for c in campaigns if c["norad"] == norad and c["issued_utc"]]
            keep = selection(sets, real, leads, issued, FIT_WINDOW)
            span = selection(sets, real, leads, issued, SPAN_DAYS)
            write_sets(os.path.join(OUT, "reentry", fname), title, sets, keep)
            write_sets(os.path.join(OUT, "spans", fname), title, sets, span)
            for k in keep:
                days.add(sets[k][0].date())
            # Every day between two sets of a span: the fit takes the flux of
            # the middle of each interval.
            previous = None
            for k in sorted(span):
                d = sets[k][0].date() if previous is None or (sets[k][0] - previous).days > SPAN_DAYS \
                    else previous.date()
                while d <= sets[k][0].date():
                    days.add(d)
                    d += datetime.timedelta(days=1)
                previous = sets[k][0]
            kept_total += len(keep)
            span_total += len(span)
            files.append((fname, len(keep), len(span), len(sets), os.path.relpath(folder, src)))

    # Space-weather rows of the epoch days, header and rows byte for byte.
    sw_src = os.path.join(src, SPACE_WEATHER)
    nsw = 0
    with open(sw_src, "rb") as f, open(os.path.join(OUT, "space-weather.csv"), "wb") as o:
        o.write(f.readline())
        for line in f:
            if datetime.date.fromisoformat(line[:10].decode("ascii")) in days:
                o.write(line)
                nsw += 1

    # The published forecasts, unchanged.
    cp_src = os.path.join(other, "campaign-predictions.csv")
    with open(cp_src, "rb") as f, open(os.path.join(OUT, "campaign-predictions.csv"), "wb") as o:
        o.write(f.read())

    # The last months of one object, every set, for the decay picture.
    ex_name, ex_days = EXAMPLE
    title, sets = read_sets(os.path.join(src, "long", ex_name))
    last = sets[-1][0]
    ex = [s for s in sets if (last - s[0]).total_seconds() <= ex_days * 86400]
    with open(os.path.join(OUT, "example", ex_name), "w", encoding="ascii", newline="\n") as f:
        f.write(title + "\n")
        for s in ex:
            f.write(s[1] + "\n" + s[2] + "\n")

    nstar = sum(1 for o in objects if o[2] == STARLINK_KIND)
    with open(os.path.join(OUT, "SOURCES.md"), "w", encoding="ascii", newline="\n") as f:
        f.write("# Where the validation data come from\n\n")
        f.write("Written by `tools/validate/extract.py` from the shared data folder (`%s`); "
                "do not edit by hand, run the script again.\n\n" % os.path.relpath(src, os.path.join(HERE, "..", "..")))
        f.write("- `reentries.csv`: norad, name, kind, decay and end of a known powered phase of the %d objects.\n"
                "  - %d Starlink satellites (kind `%s`) from the shared `reentries.csv` (sha256 %s): the decay is "
                "the CelesTrak SATCAT DECAY_DATE (18th Space Defense Squadron), a UTC day only.\n"
                "  - %d other objects from the shared `reentry-other/reentries.csv` (sha256 %s; its SOURCES.md, "
                "sha256 %s, gives every source): kind, decay (a day, or a time to the minute where 18 SPCS or the "
                "operator published one) and `powered_until` as written there.\n"
                % (len(objects), nstar, STARLINK_KIND, sha256(os.path.join(src, "reentries.csv")),
                   len(objects) - nstar, sha256(os.path.join(other, "reentries.csv")),
                   sha256(os.path.join(other, "SOURCES.md"))))
        f.write("- `reentry/*.tle`: for each object, only the sets that the validation reads: for each lead "
                "time (%s days before the re-entry, and %s hours for a re-entry known to the minute; a day's "
                "re-entry is taken at its noon) the last set before that time and every set of the %g days "
                "before it (the fitting window); for the objects of the re-entry campaigns, every set from "
                "%g days before the first forecast's issue day to the re-entry; %d sets in all. Title line "
                "once, then the sets in epoch order, copied unchanged from the shared files. The Starlink "
                "files are Space-Track `gp_history` results from the research repository "
                "`cricket-sun/Orbital-Maneuver-Patterns-of-Starlink-Constellation-Behavior-Inversion-Based-on-Historical-TLE-Data` "
                "(commit dc7e1af341180120692b201971713335e04e60ca), and for 44758 the CelesTrak `active` snapshots "
                "of `ivanfurlan1/data-satarg`; the others are described in `reentry-other/SOURCES.md`. "
                "Space-Track's user agreement limits passing its data on: check it before publishing this folder.\n"
                % (", ".join(str(x) for x in DAY_LEADS), ", ".join(str(x) for x in HOUR_LEADS), FIT_WINDOW,
                   FIT_WINDOW + 1, kept_total))
        f.write("- `spans/*.tle`: the same selection with %g days before each chosen set (the fitted ballistic "
                "coefficient's longest span, %g days, and its first pass, %g days) and, for the campaign objects, "
                "every set from %g days before the first forecast's issue day: the sets the fitted coefficient "
                "reads (its drag-decay flags and every other way read `reentry/`); %d sets in all, copied "
                "unchanged from the same files.\n" % (SPAN_DAYS, LONGEST_SPAN, FIRST_PASS, SPAN_DAYS + 1, span_total))
        f.write("- `space-weather.csv`: the header and the rows of the %d days on which a set of `reentry/` has "
                "its epoch, or that lie between two sets of `spans/` at most %g days apart (%d rows), byte for byte (CRLF line ends, every column), of the shared `%s` (CelesTrak "
                "SW-All.csv, sha256 %s; see `space-weather/SOURCES.md`). A set's flux is that day's "
                "`F10.7_OBS_LAST81`.\n" % (len(days), SPAN_DAYS, nsw, SPACE_WEATHER, sha256(sw_src), ))
        f.write("- `campaign-predictions.csv`: copied unchanged from the shared `reentry-other/` (sha256 %s): "
                "the predictions that the re-entry campaigns published.\n" % sha256(cp_src))
        f.write("- `example/%s`: the last %d days of sets of the shared `long/%s` (same research repository), "
                "%d sets, unchanged, for the decay picture of the README.\n\n" % (ex_name, ex_days, ex_name, len(ex)))
        f.write("| file | shared folder | sets kept | in spans/ | sets in the source file |\n|---|---|---|---|---|\n")
        for name, k, sp, n, folder in files:
            f.write("| reentry/%s | %s | %d | %d | %d |\n" % (name, folder, k, sp, n))
    print("kept %d sets of %d objects (%d in spans), %d space-weather rows, %d example sets"
          % (kept_total, len(files), span_total, nsw, len(ex)))


if __name__ == "__main__":
    main()
