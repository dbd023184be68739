#!/usr/bin/env python3
"""Feeds the console engine (vemuKeysCon.exe) under Wine each kind of
command at the 115,200-baud line rate on a virtual COM port and prints how
much its resident memory grew per kind. Each kind gets an engine of its
own, so that what one kind leaves behind is not counted for the next.

    scripts/memory_soak.py [--exe PATH] [SECONDS_PER_KIND] [KIND ...]
                           (default: build/win64/vemuKeysCon.exe, 30 s, all kinds)

Not a test: the figures depend on the machine and on Wine; a kind whose
memory grows steadily while the others stay flat is what it looks for.
"""
import os
import shutil
import subprocess
import sys
import threading
import time

TOP = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(TOP, "scripts"))
import wine_harness  # noqa: E402

ESC = b"\x1b"
# Bytes per second at 115,200 baud with 8 data bits, no parity, 1 stop bit.
LINE_RATE = 11520
PORT = 7

# Each kind's stream, repeated: pairs that bring the pointer and the keys
# back where they were, so that nothing drifts to a screen edge or stays down.
KINDS = {
    "text": b"abcdefghij klmnopqrst 0123456789\r",
    "keys": ESC + b"shift." + ESC + b",combine,ctrl,c." + ESC + b"tab.",
    "clicks": ESC + b",click,left." + ESC + b",click,right." + ESC + b"escape.",
    "move": ESC + b",move,7,5." + ESC + b",move,-7,-5.",
    "goto": ESC + b",goto,300,200." + ESC + b",goto,500,400.",
    "mougo/moustop": ESC + b",mougo,right." + ESC + b",moustop." + ESC + b",mougo,left." + ESC + b",moustop.",
    "anchors": ESC + b",anchor,a." + ESC + b",anchor,b.",
}


def resident_kb(pid):
    """VmRSS of the process that runs vemuKeysCon.exe: the wine loader
    becomes it, or starts it as a child."""
    for candidate in [pid] + children(pid):
        try:
            with open("/proc/%d/cmdline" % candidate, "rb") as f:
                if b"vemuKeysCon" not in f.read():
                    continue
            with open("/proc/%d/status" % candidate) as f:
                for line in f:
                    if line.startswith("VmRSS:"):
                        return int(line.split()[1])
        except FileNotFoundError:
            continue
    raise RuntimeError("no process of vemuKeysCon.exe below %d" % pid)


def children(pid):
    found = []
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open("/proc/%s/stat" % entry) as f:
                parent = int(f.read().rsplit(")", 1)[1].split()[1])
        except (FileNotFoundError, ProcessLookupError):
            continue
        if parent == pid:
            found.append(int(entry))
            found.extend(children(int(entry)))
    return found


def feed(peer, stream, seconds):
    """Writes stream over and over at the line rate; returns the commands sent."""
    chunk = max(1, LINE_RATE // 100)  # 10 ms of line time per write
    data = stream * (chunk // len(stream) + 2)
    units = stream.count(b".") if ESC in stream else len(stream)
    sent = 0
    start = time.monotonic()
    with open(peer, "wb", buffering=0) as port:
        while time.monotonic() - start < seconds:
            due = (time.monotonic() - start) * LINE_RATE
            while sent < due:
                offset = sent % len(stream)
                port.write(data[offset:offset + chunk])
                sent += chunk
            time.sleep(0.01)
    return sent * units // len(stream)


def soak(procs, env, work, kind, seconds):
    with wine_harness.virtual_com(procs, PORT) as peer:
        with open(os.path.join(work, "vemuKeys.set"), "w") as f:
            f.write("[Port]\r\nPort=%d\r\nRate=115200\r\n" % PORT)
        engine = procs.start(["wine", os.path.join(work, "vemuKeysCon.exe")], stdin=subprocess.PIPE,
                             stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, env=env, cwd=work)
        for raw in iter(engine.stdout.readline, b""):
            if raw.startswith(b"Beenden"):
                break
        # Whatever it prints from now on is read, so that it never waits.
        threading.Thread(target=lambda: engine.stdout.read(), daemon=True).start()
        time.sleep(3)  # start-up settles
        before = resident_kb(engine.pid)
        units = feed(peer, KINDS[kind], seconds)
        time.sleep(2)  # what is still queued is carried out
        after = resident_kb(engine.pid)
        engine.stdin.close()
        engine.wait(timeout=30)
    growth = after - before
    print("%-14s %5.0f s  %7d commands  RSS %6d -> %6d KB  %+6d KB  %+7.2f KB/s  %+6.0f bytes/command"
          % (kind, seconds, units, before, after, growth, growth / seconds, growth * 1024.0 / max(units, 1)),
          flush=True)


def main():
    args = sys.argv[1:]
    exe = os.path.join(TOP, "build", "win64", "vemuKeysCon.exe")
    if args[:1] == ["--exe"]:
        exe, args = args[1], args[2:]
    seconds = float(args[0]) if args else 30.0
    kinds = args[1:] or list(KINDS)
    unknown = [k for k in kinds if k not in KINDS]
    if unknown:
        sys.exit("unknown kinds: %s (known: %s)" % (", ".join(unknown), ", ".join(KINDS)))
    work = os.path.join(TOP, "build", "memory-soak")
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    shutil.copy(exe, work)
    wine_harness.ensure_prefix()
    procs = wine_harness.Processes()
    try:
        with wine_harness.x_display(procs, True) as display:
            wine_harness.start_server(display)
            env = wine_harness.wine_env(display)
            print("console engine at 115,200 baud (%d bytes/s), %g s per kind" % (LINE_RATE, seconds), flush=True)
            for kind in kinds:
                soak(procs, env, work, kind, seconds)
    finally:
        procs.stop_all()
    return 0


if __name__ == "__main__":
    sys.exit(main())
