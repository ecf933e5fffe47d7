#!/usr/bin/env python3
"""Adds up the GoogleTest XML results of the given build folders into one closing line.

Each folder is counted on a line of its own, under a label when given as LABEL=FOLDER.
--not-run LABEL REASON adds a line for suites that could not run here; they count as
neither passed nor failed. Each --fuzz-failed 0|1 adds a fuzzing run as one test.
"""
import glob
import os
import sys
import xml.etree.ElementTree as ET


def count(build_dir):
    passed = failed = skipped = 0
    paths = sorted(glob.glob(os.path.join(build_dir, "test-results", "*.xml")))
    if not paths:
        print(f"{build_dir}: no test results (did its tests start?)")
        return 0, 1, 0
    for path in paths:
        try:
            root = ET.parse(path).getroot()
        except ET.ParseError:
            print(f"{path}: unreadable results (the run crashed?)")
            failed += 1
            continue
        for case in root.iter("testcase"):
            if case.find("failure") is not None or case.find("error") is not None:
                failed += 1
            elif case.get("status") == "notrun" or case.find("skipped") is not None:
                skipped += 1
            else:
                passed += 1
    return passed, failed, skipped


def take_option(args, name, values):
    """Removes every `name v1 .. vN` from args and returns the lists of values."""
    found = []
    while name in args:
        at = args.index(name)
        found.append(args[at + 1:at + 1 + values])
        del args[at:at + 1 + values]
    return found


def main():
    args = sys.argv[1:]
    fuzz_runs = [int(values[0]) for values in take_option(args, "--fuzz-failed", 1)]
    not_run = take_option(args, "--not-run", 2)
    total = [0, 0, 0]
    for arg in args:
        label, _, folder = arg.rpartition("=")
        p, f, s = count(folder)
        name = f"{label} ({folder})" if label else folder
        print(f"{name}: {p} passed, {f} failed, {s} skipped")
        total = [total[0] + p, total[1] + f, total[2] + s]
    for label, reason in not_run:
        print(f"{label}: not run: {reason}")
    if total[0] == 0:
        print("no test results found")
        total[1] += 1
    # Each fuzzing run counts as one test of its own.
    fuzz_failed = sum(fuzz_runs)
    fuzz_passed = len(fuzz_runs) - fuzz_failed
    print(f"fuzzers: {fuzz_passed} passed, {fuzz_failed} failed")
    total = [total[0] + fuzz_passed, total[1] + fuzz_failed, total[2]]
    print(f"Summary: {total[0]} passed, {total[1]} failed, {total[2]} skipped")
    return 1 if total[1] else 0


if __name__ == "__main__":
    sys.exit(main())
