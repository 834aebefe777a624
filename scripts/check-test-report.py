#!/usr/bin/env python3
"""Reads the JUnit reports that ctest wrote and fails the run when a test did not run.

A skipped, disabled or not-run test passes under ctest's exit code, so a run could go green with a
whole area untested (the printing tests skip without a print queue). Every such test fails the run
unless its name matches an entry of the allow-list, which names the test and why it may skip.
A run that found no test at all also fails.

usage: check-test-report.py ALLOW_LIST REPORT.xml [REPORT.xml ...]
"""
import re
import sys
import xml.etree.ElementTree as ET


def read_allow_list(path):
    """Entries are lines "<regular expression for the ctest name>  # <reason>"; a reason is required."""
    entries = []
    with open(path, encoding="utf-8") as f:
        for number, line in enumerate(f, 1):
            text = line.strip()
            if not text or text.startswith("#"):
                continue
            pattern, _, reason = text.partition("#")
            pattern, reason = pattern.strip(), reason.strip()
            if not reason:
                raise SystemExit(f"{path}:{number}: an allowed skip needs a reason after '#'")
            entries.append((re.compile(pattern), reason))
    return entries


def main(argv):
    if len(argv) < 3:
        print(__doc__, file=sys.stderr)
        return 2
    allowed = read_allow_list(argv[1])
    total = ran = 0
    refused, tolerated = [], []
    for report in argv[2:]:
        try:
            root = ET.parse(report).getroot()
        except (OSError, ET.ParseError) as e:
            print(f"test report {report}: {e}", file=sys.stderr)
            return 1
        for case in root.iter("testcase"):
            total += 1
            name = case.get("name", "")
            status = case.get("status", "")
            if status in ("run", "fail"):
                ran += 1
                continue
            skipped = case.find("skipped")
            why = skipped.get("message", "") if skipped is not None else status
            out = (case.findtext("system-out") or "").strip().splitlines()
            detail = next((l for l in out if "SKIPPED" in l or "Skipped" in l), out[-1] if out else "")
            match = next((reason for pattern, reason in allowed if pattern.fullmatch(name)), None)
            (tolerated if match else refused).append((name, why, detail, match))
    for name, why, detail, reason in tolerated:
        print(f"allowed skip: {name} ({why}) - {reason}")
    for name, why, detail, _ in refused:
        print(f"NOT RUN: {name} ({why}) {detail}", file=sys.stderr)
    if total == 0:
        print("no test was found: nothing was tested", file=sys.stderr)
        return 1
    print(f"test report: {total} tests, {ran} ran, {len(tolerated)} allowed skips, {len(refused)} not run")
    return 1 if refused else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
