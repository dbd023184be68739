#!/usr/bin/env python3
"""Measures what the console engine costs while its port is quiet: runs
vemuKeysCon.exe under Wine on a virtual COM port that receives nothing and
reads the process's CPU time and wake-ups from /proc over a stretch of time.

    scripts/idle_cost.py [SECONDS]     (default 30)
"""
import os
import shutil
import subprocess
import sys
import time

TOP = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(TOP, "scripts"))
import wine_harness  # noqa: E402


def cpu_seconds(pid):
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def wakeups(pid):
    total = 0
    for task in os.listdir("/proc/%d/task" % pid):
        with open("/proc/%d/task/%s/status" % (pid, task)) as f:
            for line in f:
                if line.startswith(("voluntary_ctxt_switches", "nonvoluntary_ctxt_switches")):
                    total += int(line.split()[1])
    return total


def main():
    seconds = float(sys.argv[1]) if len(sys.argv) > 1 else 30.0
    build = os.path.join(TOP, "build", "win64")
    work = os.path.join(TOP, "build", "idle")
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    shutil.copy(os.path.join(build, "vemuKeysCon.exe"), work)
    with open(os.path.join(work, "vemuKeys.set"), "w") as f:
        f.write("[Port]\r\nPort=7\r\nRate=9600\r\n")
    wine_harness.ensure_prefix()
    procs = wine_harness.Processes()
    try:
        with wine_harness.x_display(procs, True) as display, wine_harness.virtual_com(procs, 7):
            wine_harness.start_server(display)
            engine = procs.start(["wine", os.path.join(work, "vemuKeysCon.exe")], stdin=subprocess.PIPE,
                                 stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                                 env=wine_harness.wine_env(display), cwd=work)
            for raw in iter(engine.stdout.readline, b""):
                if raw.startswith(b"Beenden"):
                    break
            time.sleep(3)  # start-up settles
            cpu0, wake0, t0 = cpu_seconds(engine.pid), wakeups(engine.pid), time.monotonic()
            time.sleep(seconds)
            cpu1, wake1, t1 = cpu_seconds(engine.pid), wakeups(engine.pid), time.monotonic()
            engine.stdin.close()
            engine.wait(timeout=20)
    finally:
        procs.stop_all()
    wall = t1 - t0
    cpu = cpu1 - cpu0
    print("idle engine on a quiet port, %.0f s: CPU %.2f s (%.2f %% of one core), %d wake-ups (%.1f per second)"
          % (wall, cpu, 100.0 * cpu / wall, wake1 - wake0, (wake1 - wake0) / wall))
    return 0


if __name__ == "__main__":
    sys.exit(main())
