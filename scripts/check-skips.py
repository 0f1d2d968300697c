#!/usr/bin/env python3
"""Lists the tests that CTest skipped (from its JUnit reports) and fails when one of them is
not on the allow-list: a skip hides a test as well as a pass does.

Usage: check-skips.py ALLOW_LIST REPORT.xml..."""
import fnmatch
import sys
import xml.etree.ElementTree as ET


def allowed_patterns(path):
    patterns = []
    with open(path, encoding="utf-8") as f:
        for line in f:
            line = line.split("#", 1)[0].strip()
            if line:
                patterns.append(line)
    return patterns


def skipped_tests(report):
    try:
        root = ET.parse(report).getroot()
    except (OSError, ET.ParseError) as error:
        sys.exit(f"check-skips: cannot read {report}: {error}")
    for case in root.iter("testcase"):
        if case.find("skipped") is not None or case.get("status") in ("notrun", "disabled"):
            yield case.get("name", "?")


def main(argv):
    if len(argv) < 3:
        sys.exit(__doc__)
    patterns = allowed_patterns(argv[1])
    skipped = sorted({name for report in argv[2:] for name in skipped_tests(report)})
    unexpected = [n for n in skipped if not any(fnmatch.fnmatchcase(n, p) for p in patterns)]
    print(f"== Skipped tests: {len(skipped)}")
    for name in skipped:
        print(f"  {name}{'' if name not in unexpected else '   <- not on the allow-list'}")
    if unexpected:
        print(f"check-skips: {len(unexpected)} skipped test(s) not on {argv[1]}")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
