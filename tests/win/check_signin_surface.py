#!/usr/bin/env python3
"""The sign-in helper runs as SYSTEM on the secure desktop and handles
passwords: nothing in its file may make a window or a dialog, ask for a
file, play a sound, start a program or call the shell, and it must not know
the shared settings file, its journal or the error file. Checked on every
name it imports and every string it holds (ASCII and UTF-16), so that a
function found at run time by name is caught as well.

    check_signin_surface.py EXE
"""
import fnmatch
import re
import subprocess
import sys

FORBIDDEN = ["CreateWindow*", "CreateDialog*", "DialogBox*", "MessageBox*", "Get*FileName*", "ShellExecute*",
             "Shell_NotifyIcon*", "PlaySound*", "CreateProcess*", "WinExec", "vemuKeys.set*", "Errors.log",
             "*.journal", "HKEY_CURRENT_USER*", "comdlg32*", "shell32*", "winmm*"]


def words(data):
    """Every run of printable characters, as ASCII and as UTF-16."""
    found = set(m.group().decode("ascii") for m in re.finditer(rb"[\x20-\x7e]{4,}", data))
    found |= set(m.group().decode("utf-16-le") for m in re.finditer(rb"(?:[\x20-\x7e]\x00){4,}", data))
    # A name inside a longer string ("__imp_MessageBoxW", a mangled name).
    return {piece for text in found for piece in re.split(r"[^A-Za-z0-9_.*]+", text) if piece}


def main():
    exe = sys.argv[1]
    data = open(exe, "rb").read()
    dump = subprocess.run(["x86_64-w64-mingw32-objdump", "-p", exe], check=True, capture_output=True,
                          text=True).stdout
    names = words(data) | set(re.findall(r"^\s+[0-9a-f]+\s+\d+\s+(\S+)$", dump, re.M))
    hits = sorted({name for name in names for pattern in FORBIDDEN
                   if fnmatch.fnmatch(name.lower(), pattern.lower()) or
                   fnmatch.fnmatch(name.lower().removeprefix("__imp_"), pattern.lower())})
    imported = re.findall(r"^\s+[0-9a-f]+\s+\d+\s+(\S+)$", dump, re.M)
    print("%s: %d imported functions, %d names looked at" % (exe, len(imported), len(names)))
    if not imported:
        print("  no import table found")
        return 1
    if hits:
        print("  not allowed: %s" % ", ".join(hits))
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
