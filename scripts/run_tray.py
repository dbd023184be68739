#!/usr/bin/env python3
"""Runs vemuKeys.exe (the tray program) for trying it by hand: in
build/run, on the virtual COM port the harness links, with its log written
to build/run/vemuKeys.log and shown here as it grows (Windows-1252 turned
into the terminal's UTF-8). Ends when the program ends ("Beenden" in its
dialog or tray menu); Ctrl+C ends the program the same way.
"""
import os
import signal
import subprocess
import sys
import time

TOP = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
RUN = os.path.join(TOP, "build", "run")
BUILD = os.path.join(TOP, "build", "win64")
LOG = "vemuKeys.log"
FIRST_SETTINGS = ("[Start]\r\nExtendedUI=1\r\nGIDEIUI=1\r\n[Port]\r\nPort=7\r\nRate=9600\r\n"
                  "[Extended]\r\nFileLog=1\r\nFileName=%s\r\nLogEvents=-1\r\n" % LOG)


def end_program(program):
    """Beenden, pressed by the UI driver: the program saves and ends."""
    driver = os.path.join(BUILD, "tests", "uidriver.exe")
    script = "find TvemuCfgDlg * 2000\n"
    answer = subprocess.run(["wine", driver], input=(script + "quit\n").encode(), capture_output=True, timeout=60)
    window = answer.stdout.decode("utf-8", "replace").split()[-1:]
    if window and window[0] != "none":
        subprocess.run(["wine", driver], input=("command %s 1002\nquit\n" % window[0]).encode(),
                       capture_output=True, timeout=60)
    try:
        program.wait(timeout=20)
    except subprocess.TimeoutExpired:
        program.kill()


def main():
    os.makedirs(RUN, exist_ok=True)
    subprocess.run(["cp", os.path.join(BUILD, "vemuKeys.exe"), RUN], check=True)
    settings = os.path.join(RUN, "vemuKeys.set")
    if not os.path.exists(settings):
        with open(settings, "w", newline="") as f:
            f.write(FIRST_SETTINGS)
    log_path = os.path.join(RUN, LOG)
    offset = os.path.getsize(log_path) if os.path.exists(log_path) else 0
    program = subprocess.Popen(["wine", os.path.join(RUN, "vemuKeys.exe")], cwd=RUN, stdin=subprocess.DEVNULL,
                               start_new_session=True)
    interrupted = False

    def interrupt(*_):
        nonlocal interrupted
        interrupted = True

    signal.signal(signal.SIGINT, interrupt)
    while True:
        if os.path.exists(log_path):
            with open(log_path, "rb") as log:
                log.seek(offset)
                data = log.read()
            if data:
                offset += len(data)
                sys.stdout.write(data.decode("cp1252", "replace").replace("\r\n", "\n"))
                sys.stdout.flush()
        if program.poll() is not None:
            return 0
        if interrupted:
            print("\nrun: ending vemuKeys.exe")
            end_program(program)
            interrupted = False
        time.sleep(0.2)


if __name__ == "__main__":
    sys.exit(main())
