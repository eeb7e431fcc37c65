#!/usr/bin/env python3
"""Lists the pairs of units that include each other's header.

A unit is a folder/Name pair: its Name.h and Name.cpp together. Includes are written as
"folder/Unit.h" from the source root. Exits with status 1 when any pair is found.
"""
import pathlib
import re
import sys

ROOT = pathlib.Path(__file__).resolve().parent.parent
FOLDERS = ["platform", "foundation", "language", "errors", "checks", "host", "agent", "resources"]
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)\.h"', re.MULTILINE)


def units():
    includes = {}
    for folder in FOLDERS:
        for path in (ROOT / folder).rglob("*"):
            if path.suffix not in (".h", ".cpp", ".in"):
                continue
            relative = path.relative_to(ROOT).as_posix()
            unit = re.sub(r"(\.h\.in|\.h|\.cpp)$", "", relative)
            found = set(INCLUDE.findall(path.read_text(encoding="utf-8", errors="replace")))
            includes.setdefault(unit, set()).update(found - {unit})
    return includes


def main():
    includes = units()
    pairs = sorted({tuple(sorted((a, b))) for a, targets in includes.items() for b in targets
                    if a in includes.get(b, ())})
    for a, b in pairs:
        print(f"{a} <-> {b}")
    return 1 if pairs else 0


if __name__ == "__main__":
    sys.exit(main())
