#!/usr/bin/env python3
"""Measures what the programs cost while their port is quiet: runs
vemuKeysCon.exe and then vemuKeys.exe (in the notification area) under Wine
on a virtual COM port that receives nothing and reads each process's CPU
time and wake-ups from /proc over a stretch of time.

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


def measure(name, seconds, display, work, start, stop):
    """start() gives the process once it is up; stop(process) ends it."""
    engine = start()
    time.sleep(3)  # start-up settles
    cpu0, wake0, t0 = cpu_seconds(engine.pid), wakeups(engine.pid), time.monotonic()
    time.sleep(seconds)
    cpu1, wake1, t1 = cpu_seconds(engine.pid), wakeups(engine.pid), time.monotonic()
    stop(engine)
    wall = t1 - t0
    cpu = cpu1 - cpu0
    print("%s idle on a quiet port, %.0f s: CPU %.2f s (%.2f %% of one core), %d wake-ups (%.1f per second)"
          % (name, wall, cpu, 100.0 * cpu / wall, wake1 - wake0, (wake1 - wake0) / wall))


def main():
    seconds = float(sys.argv[1]) if len(sys.argv) > 1 else 30.0
    build = os.path.join(TOP, "build", "win64")
    work = os.path.join(TOP, "build", "idle")
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    for program in ("vemuKeysCon.exe", "vemuKeys.exe"):
        shutil.copy(os.path.join(build, program), work)
    wine_harness.ensure_prefix()
    procs = wine_harness.Processes()
    try:
        with wine_harness.x_display(procs, True) as display, wine_harness.virtual_com(procs, 7):
            wine_harness.start_server(display)
            env = wine_harness.wine_env(display)

            def settings(text):
                with open(os.path.join(work, "vemuKeys.set"), "w") as f:
                    f.write(text)

            def start_console():
                settings("[Port]\r\nPort=7\r\nRate=9600\r\n")
                engine = procs.start(["wine", os.path.join(work, "vemuKeysCon.exe")], stdin=subprocess.PIPE,
                                     stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, env=env, cwd=work)
                for raw in iter(engine.stdout.readline, b""):
                    if raw.startswith(b"Beenden"):
                        break
                return engine

            def stop_console(engine):
                engine.stdin.close()
                engine.wait(timeout=20)

            def start_tray():
                settings("[Start]\r\nTray=1\r\n[Port]\r\nPort=7\r\nRate=9600\r\n")
                program = procs.start(["wine", os.path.join(work, "vemuKeys.exe")], stdin=subprocess.DEVNULL,
                                      stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, env=env, cwd=work)
                driver(env, "find TvemuCfgDlg * 30000")
                return program

            def stop_tray(program):
                window = driver(env, "find TvemuCfgDlg * 5000")
                driver(env, "command %s 1002" % window)
                program.wait(timeout=20)

            measure("vemuKeysCon", seconds, display, work, start_console, stop_console)
            measure("vemuKeys", seconds, display, work, start_tray, stop_tray)
    finally:
        procs.stop_all()
    return 0


def driver(env, command):
    """One answer of the UI driver."""
    exe = os.path.join(TOP, "build", "win64", "tests", "uidriver.exe")
    done = subprocess.run(["wine", exe], input=(command + "\nquit\n").encode(), env=env, capture_output=True,
                          timeout=90)
    words = done.stdout.decode("utf-8", "replace").split()
    return words[-1] if words else ""


if __name__ == "__main__":
    sys.exit(main())
