#!/usr/bin/env python3
"""End-to-end tests of the sign-in helper and its service under Wine. Wine
has no secure desktop and no SYSTEM token: the test builds of the helper
take themselves to be there while secure-desktop.txt beside them says so
("1" the secure desktop takes input, "0" the user's desktop does).

    signin_e2e.py --build build/win64 [SCENARIO ...]   (all when none named)
"""
import os
import shutil
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
from engine_e2e import (ADAPTER_IDS, ESC, VirtualAdapter, adapter_id, adapter_name, chars,  # noqa: E402
                        lines_of, run_scenarios)
from wine_testing import (WAIT, Lines, end_by_input, expect, machine_key, regedit, remove_machine_key, sc,  # noqa: E402
                          windows_path, wine_harness)

PORT = 7


class SignIn(VirtualAdapter):
    """The helper in a folder of its own, with a settings file that names
    another port, the machine's key, an adapter behind COM7 and an observer
    on the desktop."""

    def __init__(self, build, name, key, device=adapter_id(1), seams=True, secure="1", start=True):
        self.build = build
        self.start = start  # the helper started here, not by its service
        self.key = key
        self.device = device
        self.work = os.path.join(build, "e2e-signin", name)
        shutil.rmtree(self.work, ignore_errors=True)
        os.makedirs(self.work)
        exe = os.path.join(build, "tests", "vemuKeysSignInSeams.exe") if seams else \
            os.path.join(build, "vemuKeysSignIn.exe")
        shutil.copy(exe, os.path.join(self.work, "vemuKeysSignIn.exe"))
        # Anyone may write the shared file: the helper never reads it.
        with open(os.path.join(self.work, "vemuKeys.set"), "w", newline="\r\n") as f:
            f.write("[Port]\nPort=5\nRate=9600\n[Extended]\nFileLog=1\nFileName=gelesen.log\n")
        if seams:
            self.set_secure(secure)
        self.files = sorted(os.listdir(self.work))

    def set_secure(self, value):
        with open(os.path.join(self.work, "secure-desktop.txt"), "w") as f:
            f.write(value)

    def __enter__(self):
        self.open_session()
        self.plug_in(PORT, self.device)
        # The port the shared settings name, with an adapter behind it too.
        self.shared_context = wine_harness.virtual_com(self.procs, 5)
        self.shared_peer = os.open(self.shared_context.__enter__(), os.O_WRONLY | os.O_NOCTTY)
        self.devices.add(5, adapter_id(5), adapter_name(5), ADAPTER_IDS)
        regedit(self.env, self.key)
        self.observer_proc = self.procs.start(["wine", os.path.join(self.build, "tests", "observer.exe")],
                                              stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                              stderr=subprocess.DEVNULL, env=self.env)
        self.observer = Lines(self.observer_proc.stdout, "observer")
        self.observer.until(lambda l: l == "ready", "ready line")
        self.helper = None
        if self.start:
            self.helper = self.procs.start(["wine", os.path.join(self.work, "vemuKeysSignIn.exe")],
                                           stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                           stderr=subprocess.DEVNULL, env=self.env, cwd=self.work)
        return self

    def send(self, data):
        os.write(self.peer, data)

    def typed(self, data, what):
        """data sent until the observer sees it typed: the helper opens the
        port in its own time, and what arrived before is dropped."""
        for _ in range(20):
            self.send(data)
            seen = self.observer.quiet(1.0)
            if seen:
                expect(seen + self.observer.quiet(0.5), chars(data), what)
                return
        raise AssertionError("%s: nothing typed" % what)

    def __exit__(self, *exc):
        if self.helper and self.helper.poll() is None:
            self.helper.kill()
        if helpers_running():
            kill_helpers(self.env)
        end_by_input(self.observer_proc)
        remove_machine_key(self.env)
        os.close(self.shared_peer)
        self.shared_context.__exit__(None, None, None)
        self.close_session()
        return False


def nothing_typed(run, data, what):
    run.send(data)
    expect(run.observer.quiet(1.5), [], what)


# Scenarios ------------------------------------------------------------------

def scenario_outside(build):
    """The helper that is shipped, started by a user on the user's desktop,
    ends at once with 2: it opens no port and writes nothing."""
    with SignIn(build, "outside", machine_key(), seams=False) as run:
        expect(run.helper.wait(timeout=WAIT), 2, "exit code")
        nothing_typed(run, b"a", "typed after it ended")
    expect(sorted(os.listdir(run.work)), run.files, "files in its folder")


def scenario_machine_key(build):
    """On the secure desktop it types from the port of the machine's key,
    not from the one the shared settings name, as Unicode characters, and
    writes no file: neither the log the shared file asks for nor any other."""
    with SignIn(build, "machine_key", machine_key()) as run:
        run.typed("Grü".encode("cp1252"), "typed from COM7")
        os.write(run.shared_peer, b"x")
        expect(run.observer.quiet(1.5), [], "typed from the port of the shared file")
    expect(sorted(os.listdir(run.work)), run.files, "files in its folder")


def scenario_switch(build):
    """A switch back to the user's desktop lets go of a held key and of the
    port; the next switch to the secure desktop opens it again."""
    with SignIn(build, "switch", machine_key()) as run:
        run.typed(b"a", "typed")
        run.send(ESC + b",lock,shift.")
        expect(lines_of(run.observer.take(1)), ["key 10 00 down"], "shift locked")
        run.set_secure("0")
        expect(lines_of(run.observer.take(1)), ["key 10 00 up"], "shift released at the switch")
        time.sleep(0.5)
        nothing_typed(run, b"b", "typed while the user's desktop has the input")
        run.set_secure("1")
        run.typed(b"c", "typed after the switch back")


def scenario_software_port(build):
    """A port whose device is not on a hardware bus (a virtual pair) or that
    has no device entry at all is never opened."""
    with SignIn(build, "software_port", machine_key(), device="ROOT\\PORTS\\0000") as run:
        time.sleep(1)
        nothing_typed(run, b"a", "typed from a software port")
    with SignIn(build, "no_device", machine_key(), device=None) as run:
        time.sleep(1)
        nothing_typed(run, b"a", "typed from a port with no device")


def scenario_refused_key(build):
    """A value outside its list refuses the whole key: the helper stays, idle."""
    with SignIn(build, "refused_key", machine_key(rate=9601)) as run:
        time.sleep(1)
        nothing_typed(run, b"a", "typed with a refused key")
        expect(run.helper.poll(), None, "the helper still there")


def helpers_running():
    """Helper processes, as the host sees Wine's processes."""
    found = subprocess.run(["pgrep", "-fc", "vemuKeysSignIn.exe"], stdout=subprocess.PIPE, text=True).stdout
    return int(found.strip() or 0)


def kill_helpers(env):
    subprocess.run(["wine", "taskkill", "/f", "/im", "vemuKeysSignIn.exe"], env=env, timeout=60,
                   stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def await_helpers(count, what):
    deadline = time.monotonic() + WAIT
    while helpers_running() != count and time.monotonic() < deadline:
        time.sleep(0.2)
    expect(helpers_running(), count, what)


def scenario_service(build):
    """The service under Wine's service manager starts the helper, which
    types; a helper that ended is started again; stopped, the service ends
    it; without a valid machine key it starts none. (Wine's services run
    apart from the user's desktop unless they are interactive; Windows
    starts the helper on the secure desktop, which needs no such flag.)"""
    with SignIn(build, "service", machine_key(), start=False) as run:
        shutil.copy(os.path.join(build, "tests", "vemuKeysSignInServiceSeams.exe"),
                    os.path.join(run.work, "vemuKeysSignInService.exe"))
        path = windows_path(os.path.join(run.work, "vemuKeysSignInService.exe"))
        sc(run.env, "delete", "vemuKeysSignIn")
        sc(run.env, "create", "vemuKeysSignIn", "binPath=", '"%s"' % path, "start=", "demand", "type=", "own",
           "type=", "interact")
        try:
            sc(run.env, "start", "vemuKeysSignIn")
            run.typed(b"s", "typed by the helper the service started")
            expect(helpers_running(), 1, "helpers running")
            kill_helpers(run.env)
            run.typed(b"t", "typed by the helper started again")
            sc(run.env, "stop", "vemuKeysSignIn")
            await_helpers(0, "helpers after the service stopped")
            regedit(run.env, machine_key(port=0))
            sc(run.env, "start", "vemuKeysSignIn")
            time.sleep(2)
            expect(helpers_running(), 0, "helpers without a valid key")
        finally:
            sc(run.env, "stop", "vemuKeysSignIn")
            sc(run.env, "delete", "vemuKeysSignIn")

if __name__ == "__main__":
    sys.exit(run_scenarios({name[len("scenario_"):]: fn for name, fn in globals().items()
                            if name.startswith("scenario_")}))
