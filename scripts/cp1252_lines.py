#!/usr/bin/env python3
"""Prints what the console engine writes (Windows-1252) as UTF-8, each line
as soon as it is complete, so that a line logged now shows now; iconv would
hold everything until the end. Ctrl+C is left to the engine: the converter
goes on until its input ends and prints the engine's last lines too.

    wine vemuKeysCon.exe ... | cp1252_lines.py
"""
import signal
import sys


def convert(source, target):
    """Copies source to target line by line, decoded from Windows-1252
    (a byte it does not define stays visible as U+FFFD)."""
    for line in iter(source.readline, b""):
        target.write(line.decode("cp1252", "replace").encode("utf-8"))
        target.flush()


def main():
    signal.signal(signal.SIGINT, signal.SIG_IGN)
    try:
        convert(sys.stdin.buffer, sys.stdout.buffer)
    except BrokenPipeError:
        pass
    return 0


if __name__ == "__main__":
    sys.exit(main())
