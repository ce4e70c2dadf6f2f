#!/usr/bin/env python3
"""A real OMM client on Morvel's output: python-sgp4 (sgp4.omm) reads the
catalogue's equator-crossing file written as CSV and as XML, and each set
gives the satellite record that its TLE file of the same run gives, to the
precision of each TLE column. Exits 77 (skipped) without python-sgp4.

    sgp4_client.py MORVEL CATALOGUE.TLE
"""
import math
import os
import shutil
import subprocess
import sys
import tempfile

try:
    from sgp4 import omm
    from sgp4.api import Satrec
except ImportError:
    # Debian's package serves the system's interpreter, which may not be the first python3.
    if os.path.realpath(sys.executable) != os.path.realpath("/usr/bin/python3") and os.path.exists("/usr/bin/python3"):
        os.execv("/usr/bin/python3", ["/usr/bin/python3", *sys.argv])
    print("python-sgp4 (Debian's python3-sgp4) is not installed: the OMM client test is skipped")
    sys.exit(77)

RAD = math.pi / 180
PER_MINUTE = 2 * math.pi / 1440  # rev/day to rad/min, as the record keeps the mean motion
# Half a unit of each TLE column, in the record's units: epoch (days), mean
# motion (rad/min), eccentricity, angles (rad), first derivative (rad/min^2).
COLUMNS = [("epoch", 0.5e-8 + 1e-9), ("no_kozai", (0.5e-8 + 1e-12) * PER_MINUTE), ("ecco", 0.5e-7 + 1e-12),
           ("inclo", 0.5e-4 * RAD + 1e-11), ("nodeo", 0.5e-4 * RAD + 1e-11), ("argpo", 0.5e-4 * RAD + 1e-11),
           ("mo", 0.5e-4 * RAD + 1e-11), ("ndot", (0.5e-8 + 1e-12) * PER_MINUTE / 1440)]


def value(sat, name):
    if name == "epoch":
        return sat.jdsatepoch + sat.jdsatepochF
    return getattr(sat, name)


def mantissa_half_unit(x):
    """Half a unit of a five-digit mantissa 0.MMMMM x 10^E; the TLE writes 1e-8 and less as zero."""
    return 0.5e-5 * 10 ** math.ceil(math.log10(abs(x))) + 1e-8 if x else 1e-8


def differences(o, t, ddot):
    """What of the OMM record `o` differs from the TLE record `t` beyond the TLE columns."""
    out = [n for n in ("satnum", "elnum", "revnum", "classification", "intldesg") if getattr(o, n) != getattr(t, n)]
    for name, half in COLUMNS:
        apart = value(o, name) - value(t, name)
        if name in ("inclo", "nodeo", "argpo", "mo"):
            apart = math.remainder(apart, 2 * math.pi)
        if abs(apart) > half:
            out.append(name)
    if abs(o.bstar - t.bstar) > mantissa_half_unit(o.bstar):
        out.append("bstar")
    # python-sgp4 keeps MEAN_MOTION_DDOT as given (rev/day^3) where its TLE
    # reader converts the field to rad/min^3: compared in rev/day^3.
    if abs(ddot - t.nddot / (PER_MINUTE / 1440 / 1440)) > mantissa_half_unit(ddot):
        out.append("nddot")
    return out


def main(morvel, catalogue):
    with tempfile.TemporaryDirectory() as work:
        shutil.copy(catalogue, os.path.join(work, "cat.tle"))
        for flags in ([], ["--omm=csv"], ["--omm=xml"]):
            subprocess.run([morvel, "-E", *flags, "cat.tle"], cwd=work, stdin=subprocess.DEVNULL,
                           stdout=subprocess.DEVNULL, check=True)
        with open(os.path.join(work, "cat.eqx")) as f:
            lines = f.read().splitlines()
        tle = [Satrec.twoline2rv(lines[k + 1], lines[k + 2]) for k in range(0, len(lines), 3)]
        failures = 0
        for encoding, parse in (("csv", omm.parse_csv), ("xml", omm.parse_xml)):
            with open(os.path.join(work, "cat.eqx." + encoding), newline="") as f:
                records = list(parse(f))
            if len(records) != len(tle) or len(tle) < 14000:
                print(f"{encoding}: {len(records)} records for {len(tle)} TLE sets")
                failures += 1
                continue
            for k, (fields, t) in enumerate(zip(records, tle)):
                o = Satrec()
                omm.initialize(o, fields)
                wrong = differences(o, t, float(fields["MEAN_MOTION_DDOT"]))
                if wrong:
                    print(f"{encoding}: set {k + 1} ({fields['NORAD_CAT_ID']}): {', '.join(wrong)} differ")
                    failures += 1
            print(f"{encoding}: {len(records)} sets read by python-sgp4, {failures} differing from the TLE file's")
        return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:]))
