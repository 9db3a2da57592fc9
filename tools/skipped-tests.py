#!/usr/bin/env python3
"""Names every test a ctest run did not run, with the reason the test gave,
from the run's JUnit report (ctest --output-junit), so none passes unnoticed.

The recorded sound check plays into a private PipeWire and compares what it
recorded sample for sample; without real-time priority for PipeWire it skips.
On a machine where it can run (as root, with pipewire and ALSA's route to it,
pipewire-alsa, installed) a skip fails the run; elsewhere one line says why it
did not run.

usage: tools/skipped-tests.py REPORT.xml
Exit status: 0; 1 when the recorded sound check did not run where it can;
2 wrong usage or an unreadable report.
"""

import os
import shutil
import subprocess
import sys
import xml.etree.ElementTree as ET

RECORDED = "AlsaWaveDevice.HeldPeriodReachesTheSoundServerSampleForSample"


def reason(case):
    """The test's own words: what GoogleTest prints after "file:line: Skipped",
    else the last line of its output (a script's), else ctest's message."""
    lines = [line.strip() for line in (case.findtext("system-out") or "").splitlines()]
    for i, line in enumerate(lines):
        if line.endswith(": Skipped"):
            words = []
            for following in lines[i + 1:]:
                if not following or following.startswith("[  SKIPPED ]"):
                    break
                words.append(following)
            if words:
                return " ".join(words)
    said = [line for line in lines if line]
    if said:
        return said[-1]
    skipped = case.find("skipped")
    return skipped.get("message", "") if skipped is not None else ""


def pipewire_alsa_installed():
    try:
        status = subprocess.run(
            ["dpkg-query", "-W", "-f=${Status}", "pipewire-alsa"],
            capture_output=True, text=True, check=False).stdout
    except OSError:
        return False
    return status == "install ok installed"


def main(argv):
    if len(argv) != 2:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    try:
        cases = ET.parse(argv[1]).getroot().iter("testcase")
    except (OSError, ET.ParseError) as error:
        print(f"skipped-tests: {argv[1]}: {error}", file=sys.stderr)
        return 2

    skipped, disabled, recorded = [], [], None
    for case in cases:
        name, status = case.get("name", ""), case.get("status", "")
        if status == "notrun":
            skipped.append((name, reason(case)))
        elif status == "disabled":
            disabled.append(name)
        if name == RECORDED:
            recorded = status

    print(f"skipped: {len(skipped)} test{'' if len(skipped) == 1 else 's'}")
    for name, why in skipped:
        print(f"  {name}: {why}" if why else f"  {name}")
    if disabled:
        print(f"disabled, run only by hand: {', '.join(disabled)}")

    # A failure is ctest's to report.
    if recorded in ("run", "fail"):
        return 0
    why = dict(skipped).get(RECORDED) or "it is not in this run"
    root = os.geteuid() == 0
    can_run = root and shutil.which("pipewire") is not None and pipewire_alsa_installed()
    if can_run:
        print(f"the recorded sound check did not run as root with PipeWire installed, where it "
              f"must: {why}")
        return 1
    where = "not root" if not root else "pipewire or pipewire-alsa is not installed"
    print(f"the recorded sound check did not run ({where}): {why}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
