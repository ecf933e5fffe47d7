#!/usr/bin/env python3
"""Adds up the GoogleTest XML results of the given build folders into one closing line."""
import glob
import os
import sys
import xml.etree.ElementTree as ET


def count(build_dir):
    passed = failed = skipped = 0
    for path in sorted(glob.glob(os.path.join(build_dir, "test-results", "*.xml"))):
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


def main():
    args = sys.argv[1:]
    fuzz_failed = 0
    if "--fuzz-failed" in args:
        at = args.index("--fuzz-failed")
        fuzz_failed = int(args[at + 1])
        del args[at:at + 2]
    dirs = args
    total = [0, 0, 0]
    for d in dirs:
        p, f, s = count(d)
        print(f"{d}: {p} passed, {f} failed, {s} skipped")
        total = [total[0] + p, total[1] + f, total[2] + s]
    if total[0] == 0:
        print("no test results found")
        total[1] += 1
    # The fuzzing run counts as one test of its own.
    print(f"fuzzer: {1 - fuzz_failed} passed, {fuzz_failed} failed")
    total = [total[0] + 1 - fuzz_failed, total[1] + fuzz_failed, total[2]]
    print(f"Summary: {total[0]} passed, {total[1]} failed, {total[2]} skipped")
    return 1 if total[1] else 0


if __name__ == "__main__":
    sys.exit(main())
