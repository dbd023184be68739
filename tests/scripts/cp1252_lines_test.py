#!/usr/bin/env python3
"""scripts/cp1252_lines.py hands on each line as it is written, before the
writer pauses or ends, and turns Windows-1252 into UTF-8."""
import os
import select
import subprocess
import sys

TOP = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
CONVERTER = os.path.join(TOP, "scripts", "cp1252_lines.py")


def read_line(stream, seconds):
    ready, _, _ = select.select([stream], [], [], seconds)
    return stream.readline() if ready else None


def main():
    converter = subprocess.Popen([sys.executable, CONVERTER], stdin=subprocess.PIPE, stdout=subprocess.PIPE)
    try:
        converter.stdin.write("### Verbindung zu COM7 wiederhergestellt\r\n".encode("cp1252"))
        converter.stdin.flush()
        first = read_line(converter.stdout, 5)
        if first != "### Verbindung zu COM7 wiederhergestellt\r\n".encode("utf-8"):
            print("the first line did not arrive while the writer paused: %r" % first)
            return 1
        converter.stdin.write("Grüße ".encode("cp1252") + b"\x80\n\x81\n")
        converter.stdin.close()
        rest = converter.stdout.read()
        if rest != "Grüße €\n\ufffd\n".encode("utf-8"):
            print("converted %r" % rest)
            return 1
        return 0 if converter.wait(timeout=10) == 0 else 1
    finally:
        converter.kill()


if __name__ == "__main__":
    sys.exit(main())
