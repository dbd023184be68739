#!/usr/bin/env python3
"""The programs are single static files: they import only DLLs that every
Windows has and always loads, with what they load in turn, from its own
folder (the Known DLLs). A DLL that Windows would look for in the program's
folder first could be planted there, since that folder is writable for the
settings, and imports are loaded before the program can restrict the
search; everything else (the common controls among them) is loaded at run
time after that.

    check_imports.py EXE...
"""
import subprocess
import sys

ALLOWED = {"advapi32.dll", "comdlg32.dll", "gdi32.dll", "kernel32.dll", "msvcrt.dll", "ole32.dll",
           "shell32.dll", "user32.dll"}


def imports(exe):
    dump = subprocess.run(["x86_64-w64-mingw32-objdump", "-p", exe], check=True, capture_output=True, text=True).stdout
    return [line.split(":", 1)[1].strip().lower() for line in dump.splitlines() if "DLL Name:" in line]


def main():
    failed = False
    for exe in sys.argv[1:]:
        names = imports(exe)
        extra = sorted(set(names) - ALLOWED)
        print("%s imports %s" % (exe, ", ".join(names)))
        if not names or extra:
            print("  not allowed: %s" % (", ".join(extra) or "no imports found at all"))
            failed = True
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
