#!/usr/bin/env python3
"""No function of the program is longer than 80 lines: prints those that are
(a body from a '{' alone at the start of a line to the next '}' there) and
ends with 1, else with 0."""
import pathlib
import sys

ROOT = pathlib.Path(__file__).resolve().parent.parent
ROOMS = ("app", "base", "gidei", "logging", "serial", "ui")
LIMIT = 80


def long_functions(path):
    lines = path.read_text(encoding="latin-1").splitlines()
    start = None
    for number, line in enumerate(lines, 1):
        if line == "{":
            start = number
        elif line.startswith("}") and start is not None:
            if number - start - 1 > LIMIT:
                yield start - 1, lines[start - 2].strip(), number - start - 1
            start = None


def main():
    found = []
    for room in ROOMS:
        for file in sorted((ROOT / room).glob("**/*.cpp")):
            for line, head, length in long_functions(file):
                found.append(f"{file.relative_to(ROOT)}:{line}: {head} ({length} lines)")
    for entry in found:
        print("too long:", entry)
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
