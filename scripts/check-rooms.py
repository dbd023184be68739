#!/usr/bin/env python3
"""The house is built bottom-up: no file includes a header of a room above
its own. Prints every include that does and ends with 1, else with 0."""
import pathlib
import re
import sys

ROOT = pathlib.Path(__file__).resolve().parent.parent

# What each room may include besides itself (and resources/, which holds
# only generated ids and tables).
ALLOWED = {
    "base/threads": set(),
    "base/system": {"base/threads"},
    "base/files": {"base/threads", "base/system"},
    "base/settings": {"base/threads", "base/system", "base/files"},
    "base/window": {"base/threads", "base/system"},
    "logging": {"base/threads", "base/system", "base/files", "base/window", "base/settings"},
    "serial": {"base/threads", "base/system"},
    "gidei": {"base/threads", "base/system", "serial"},
    "ui": {"base/threads", "base/system", "base/files", "base/settings", "base/window", "logging", "serial", "gidei"},
}
# The engine needs records and a log, never the settings store or the sinks.
ENGINE_HEADERS = {"base/settings/SettingsRecords.h", "logging/Log.h"}

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def room_of(path):
    for room in sorted(ALLOWED, key=len, reverse=True):
        if path.startswith(room + "/"):
            return room
    return None


def main():
    bad = []
    for file in sorted(ROOT.glob("**/*")):
        if file.suffix not in (".h", ".cpp") or "build" in file.relative_to(ROOT).parts:
            continue
        path = file.relative_to(ROOT).as_posix()
        room = room_of(path)
        if room is None:
            continue
        for included in INCLUDE.findall(file.read_text(encoding="latin-1")):
            target = room_of(included)
            if target is None or target == room or target in ALLOWED[room]:
                continue
            if room in ("serial", "gidei") and included in ENGINE_HEADERS:
                continue
            bad.append(f"{path}: {included}")
    for line in bad:
        print("upward include:", line)
    return 1 if bad else 0


if __name__ == "__main__":
    sys.exit(main())
