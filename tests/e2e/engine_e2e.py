#!/usr/bin/env python3
"""End-to-end tests of the engine under Wine: bytes written into a virtual
COM port reach vemuKeysCon.exe, and an observer with low-level hooks sees the
records that reach the desktop.

    engine_e2e.py --build build/win64 [SCENARIO ...]   (all when none named)
"""
import argparse
import contextlib
import os
import pathlib
import shutil
import subprocess
import sys
import tempfile
import time
import zlib

TOP = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(TOP, "tests", "support"))
from wine_testing import WAIT, Held, Lines, end_by_input, expect, windows_path, wine_harness  # noqa: E402

ESC = b"\x1b"
PORT = 7


# A USB-serial adapter without a serial number as the system's device list
# describes it.
ADAPTER_MODEL = "VID_1234&PID_5678"
ADAPTER_IDS = ["USB\\VID_1234&PID_5678&REV_0254", "USB\\VID_1234&PID_5678"]


def adapter_id(socket):
    """The instance id of the adapter in USB socket number socket."""
    return "USB\\VID_1234&PID_5678\\5&2A5C9B4&0&%d" % socket


def adapter_name(number):
    return "USB Serial Adapter (COM%d)" % number


class VirtualAdapter:
    """A USB-serial adapter behind COM7 that can be pulled out and plugged
    in again, on the session's display; with an instance id, the system's
    device list names it (the owner has procs, peer, com_context,
    display_context and devices)."""

    def open_session(self):
        """The prefix, a display with the Wine server on it, and the device
        list; no port yet."""
        wine_harness.ensure_prefix()
        self.procs = wine_harness.Processes()
        self.display_context = wine_harness.x_display(self.procs, True)
        self.display = self.display_context.__enter__()
        wine_harness.start_server(self.display)
        self.env = wine_harness.wine_env(self.display)
        self.com_context = None
        self.peer = None
        self.devices = wine_harness.PortDevices(self.env)

    def close_session(self):
        """The port, the device entries, the display and every process the
        session started."""
        if self.peer is not None:
            os.close(self.peer)
        if self.com_context:
            self.com_context.__exit__(None, None, None)
        if self.devices:
            self.devices.close()
        self.display_context.__exit__(None, None, None)
        self.procs.stop_all()

    def unplug(self, instance_id=None):
        """The adapter pulled out: the socat pair behind its port ends, its
        link goes, and so does its device entry."""
        os.close(self.peer)
        self.peer = None
        self.com_context.__exit__(None, None, None)
        self.com_context = None
        if instance_id:
            self.devices.remove(instance_id)

    def plug_in(self, number=PORT, instance_id=None):
        """The adapter back: a new socat pair linked as COM<number>, and
        its device entry."""
        self.com_context = wine_harness.virtual_com(self.procs, number)
        self.peer = os.open(self.com_context.__enter__(), os.O_WRONLY | os.O_NOCTTY)
        if instance_id:
            self.devices.add(number, instance_id, adapter_name(number), ADAPTER_IDS)


class Run(VirtualAdapter):
    """One engine on COM7 with an observer, in a folder of its own."""

    def __init__(self, build, name, settings, link_port=True, planted=False, device=None, others=(),
                 held=False):
        self.build = build
        self.held = held  # the settings file held without sharing when the engine starts
        self.device = device  # the instance id the device list gives COM7
        self.others = others  # more adapters present at the start: (number, instance id)
        # In the user's own profile folder, where the engine takes its log
        # file beside itself.
        wine_harness.ensure_prefix()
        self.work = wine_harness.profile_folder("e2e", name)
        shutil.rmtree(self.work, ignore_errors=True)
        os.makedirs(self.work)
        shutil.copy(os.path.join(build, "vemuKeysCon.exe"), self.work)
        with open(os.path.join(self.work, "vemuKeys.set"), "w", newline="\r\n") as f:
            f.write(settings)
        self.link_port = link_port
        self.planted = planted
        if planted:
            plant_dll(build, self.work)

    def __enter__(self):
        self.open_session()
        env = self.env
        if self.link_port:
            self.plug_in(PORT, self.device)
        self.other_ports = {}  # number -> (its link, the peer written to)
        for number, instance_id in self.others:
            self.link_other(number)
            self.devices.add(number, instance_id, adapter_name(number), ADAPTER_IDS)
        self.observer_proc = self.procs.start(["wine", os.path.join(self.build, "tests", "observer.exe")],
                                              stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                              stderr=subprocess.DEVNULL, env=env)
        self.observer = Lines(self.observer_proc.stdout, "observer")
        self.observer.until(lambda l: l == "ready", "ready line")
        if self.held:
            self.holder = Held(os.path.join(self.build, "tests", "holder.exe"), env, "file", "vemuKeys.set",
                               cwd=self.work, procs=self.procs)
        self.engine_proc = self.procs.start(["wine", windows_path(os.path.join(self.work, "vemuKeysCon.exe")), "--events",
                                             "all"],
                                            stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                            stderr=subprocess.DEVNULL, env=planted_env(env) if self.planted else env,
                                            cwd=self.work)
        self.log = Lines(self.engine_proc.stdout, "engine")
        # A held settings file is waited for up to ten seconds at the start.
        self.log.until(lambda l: l.startswith("Beenden mit"), "start-up", timeout=WAIT + (10 if self.held else 0))
        # The port opens on a thread of its own: its state comes when the
        # start's attempt has ended, before or after the start-up line.
        if not [l for l in self.log.seen if l.startswith("Vemu Keys (")]:
            self.log.until(lambda l: l.startswith("Vemu Keys ("), "the state the start found")
        return self

    def send(self, data):
        os.write(self.peer, data)

    def release_settings(self):
        """The program that held the settings file lets go of it."""
        self.holder.release()

    def link_other(self, number):
        """A port for another adapter whose device entry is there already."""
        context = wine_harness.virtual_com(self.procs, number)
        self.other_ports[number] = (context, os.open(context.__enter__(), os.O_WRONLY | os.O_NOCTTY))

    def unlink_other(self, number):
        context, peer = self.other_ports.pop(number)
        os.close(peer)
        context.__exit__(None, None, None)

    def end(self):
        """Closes the engine's standard input: it must end on its own."""
        self.engine_proc.stdin.close()
        self.log.until(lambda l: l.startswith("<<< End"), "end line")
        self.engine_proc.wait(timeout=WAIT)

    def __exit__(self, *exc):
        if self.engine_proc.poll() is None:
            end_by_input(self.engine_proc)
        end_by_input(self.observer_proc)
        for number in list(self.other_ports):
            self.unlink_other(number)
        self.close_session()
        return False


PLANTED_AS = "uxtheme"  # loaded by name when the first window is made


def plant_dll(build, folder):
    """A DLL in the program's folder under the name of a system DLL that is
    loaded by name at run time; loaded, it leaves planted-loaded.txt."""
    shutil.copy(os.path.join(build, "tests", "plantedlib.dll"), os.path.join(folder, PLANTED_AS + ".dll"))


def planted_env(env):
    """Wine prefers its own copy of a system DLL; Windows looks in the
    program's folder first, as this makes Wine do."""
    env = dict(env)
    env["WINEDLLOVERRIDES"] = env.get("WINEDLLOVERRIDES", "") + ";%s=n,b" % PLANTED_AS
    return env


def assert_not_planted(folder):
    marker = os.path.join(folder, "planted-loaded.txt")
    if os.path.exists(marker):
        with open(marker, encoding="cp1252", errors="replace") as f:
            raise AssertionError("the planted DLL was loaded by %s" % f.read())


def fault(build, env, window_class):
    """The program takes its last-resort path, as a fault of its own would."""
    done = subprocess.run(["wine", os.path.join(build, "tests", "faulter.exe"), window_class], env=env,
                          stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, timeout=WAIT)
    out = done.stdout.decode("ascii", "replace").strip()
    assert out.startswith("faulted "), "faulter: %r" % out


def settings(extra=""):
    return "[Port]\nPort=%d\nRate=9600\n[Debug]\nWait=0\n%s" % (PORT, extra)


def lines_of(taken):
    return [line for _, line in taken]


def chars(text):
    out = []
    for byte in text:
        out += ["key E7 %02X down" % byte, "key E7 %02X up" % byte]
    return out


# Scenarios ------------------------------------------------------------------

def scenario_text(build):
    text = "Grüße, Äpfel!".encode("cp1252")
    with Run(build, "text", settings()) as run:
        run.send(text)
        expect(lines_of(run.observer.take(2 * len(text))), chars(text), "typed text")
        run.end()
    assert any(line.startswith("  ") and "Received: 4772FC" in line for line in run.log.seen), run.log.seen


def scenario_unicode_folder(build):
    """Unpacked in the user's folder under a name with letters beyond
    Windows-1252: the program finds its settings there, keeps its log file
    beside itself and saves there at its end."""
    folder = "\u0141ukasz \u015eahin"
    stored = settings("[Extended]\nFileLog=1\nFileName=sitzung.log\n")
    with Run(build, folder, stored) as run:
        run.send(b"a")
        expect(lines_of(run.observer.take(2)), chars(b"a"), "typed from the port the settings name")
        run.end()
    text = pathlib.Path(run.work, "sitzung.log").read_bytes().decode("cp1252")
    assert text.startswith(">>> Start ") and "<<< End " in text, text
    assert "LogEvents=" in settings_file(run), settings_file(run)


def scenario_hold_shift(build):
    with Run(build, "hold_shift", settings()) as run:
        run.send(ESC + b",hold,shift.a")
        expect(lines_of(run.observer.take(4)), ["key 10 00 down", "key 41 00 down", "key 41 00 up", "key 10 00 up"],
               "shift held for one key")
        run.end()


def scenario_combine(build):
    with Run(build, "combine", settings()) as run:
        run.send(ESC + b",combine,ctrl,alt,del.")
        expect(lines_of(run.observer.take(6)),
               ["key 11 00 down", "key 12 00 down", "key 2E 00 down", "key 2E 00 up", "key 12 00 up",
                "key 11 00 up"], "control+alt+delete")
        run.end()


def scenario_click_goto(build):
    with Run(build, "click_goto", settings()) as run:
        run.send(ESC + b",goto,100,50.")
        expect(lines_of(run.observer.take(1)), ["move 100 50"], "absolute move")
        run.send(ESC + b",click." + ESC + b",click,right.")
        expect(lines_of(run.observer.take(4)), ["left down", "left up", "right down", "right up"], "clicks")
        run.end()


def scenario_movement(build):
    with Run(build, "movement", settings()) as run:
        run.send(ESC + b",goto,100,300.")
        run.observer.take(1)
        run.send(ESC + b",mougo,right,3.")
        moves = lines_of(run.observer.take(5))
        xs = [int(line.split()[1]) for line in moves]
        ys = [int(line.split()[2]) for line in moves]
        assert all(line.startswith("move ") for line in moves), moves
        assert xs == sorted(xs) and xs[-1] > 100, moves
        assert set(ys) == {300}, moves
        run.send(ESC + b",moustop.")
        run.log.until(lambda l: "Sequence ><esc>,moustop.<" in l, "moustop")
        run.observer.settle(0.3)  # a tick already on its way may still arrive
        late = run.observer.quiet(1.0)
        expect(late, [], "moves after moustop")
        run.end()


def scenario_reset(build):
    with Run(build, "reset", settings()) as run:
        run.send(ESC + b",lock,shift." + ESC + b",moulock.")
        expect(lines_of(run.observer.take(2)), ["key 10 00 down", "left down"], "locked")
        run.send(ESC + b".")
        expect(lines_of(run.observer.take(3)), ["left up", "move 0 0", "key 10 00 up"], "reset")
        run.send(b"x")
        expect(lines_of(run.observer.take(2)), chars(b"x"), "plain character after the reset")
        run.end()


def scenario_faulty_plain(build):
    with Run(build, "faulty_plain", settings()) as run:
        run.send(ESC + b"xyz." + ESC + b",foo." + b"k")
        expect(lines_of(run.observer.take(2)), chars(b"k"), "only the plain character")
        run.end()
    joined = "\n".join(run.log.seen)
    assert "Parameter error >xyz<" in joined and "Unsupported command foo" in joined, run.log.seen


def scenario_faulty_gidei(build):
    with Run(build, "faulty_gidei", settings("[GIDEI]\nUse=1\n")) as run:
        run.send(ESC + b"xyz.")
        expect(lines_of(run.observer.take(8)), chars(b"xyz."), "the faulty sequence typed")
        run.send(ESC + b"ab\tc.")
        expect(lines_of(run.observer.take(6)), chars(b"\tc."), "typed from the bad byte")
        run.end()
    assert any("GIDEI problem" in line for line in run.log.seen), run.log.seen


def scenario_pause_after(build):
    with Run(build, "pause_after", settings("[Extended]\nWaitAfter=1\nWaitFor=500\n")) as run:
        run.send(b"ab")
        taken = run.observer.take(4)
        expect(lines_of(taken), chars(b"ab"), "two characters")
        gap = taken[2][0] - taken[1][0]
        assert gap >= 0.4, "the second character came %.3f s after the first" % gap
        run.end()


def scenario_missing_port(build):
    with Run(build, "missing_port", settings(), link_port=False) as run:
        run.end()
    errors = [line for line in run.log.seen if "Serial Init Error" in line]
    expect(len(errors), 1, "error lines")
    assert errors[0].startswith("! ERROR ### Fehler: Serial Init Error (1): "), errors
    assert "Vemu Keys (keine Verbindung)" in run.log.seen, run.log.seen
    assert "Vemu Keys (aktiv)" not in run.log.seen, run.log.seen


def scenario_replug(build):
    with Run(build, "replug", settings()) as run:
        run.send(b"a")
        expect(lines_of(run.observer.take(2)), chars(b"a"), "typed before the adapter is pulled")
        run.send(ESC + b",goto,100,300." + ESC + b",mougo,right,2.")
        run.observer.take(3)
        run.unplug()
        run.log.until(lambda l: l == "Vemu Keys (keine Verbindung)", "state 0 once the adapter is gone")
        run.observer.quiet(0.3)  # a tick already on its way
        expect(run.observer.quiet(1.0), [], "the pointer stops while the device is gone")
        time.sleep(5)  # a few quiet attempts while it is away
        run.plug_in()
        run.log.until(lambda l: l == "Vemu Keys (aktiv)", "state 2 once it is back")
        run.send(b"b")
        expect(lines_of(run.observer.take(2)), chars(b"b"), "typed again without a restart")
        run.end()
    states = [line for line in run.log.seen if line.startswith("Vemu Keys (")]
    expect(states, ["Vemu Keys (aktiv)", "Vemu Keys (keine Verbindung)", "Vemu Keys (aktiv)"], "states")
    errors = [line for line in run.log.seen if line.startswith("! ERROR")]
    expect(len(errors), 1, "error lines (the loss, none per attempt): %r" % errors)
    assert errors[0].startswith("! ERROR Serial Comm Error: "), errors
    assert "### Verbindung zu COM7 wiederhergestellt" in run.log.seen, run.log.seen


def settings_file(run):
    with open(os.path.join(run.work, "vemuKeys.set"), encoding="cp1252") as f:
        return f.read()


def scenario_list_ports(build):
    """--list-ports: one line per port the system lists, its name cleaned,
    without "(COMn)"; it opens nothing, so it runs beside the engine. A
    device list it cannot read is an error, not an empty list."""
    wine_harness.ensure_prefix()
    wine_harness.start_server()
    env = wine_harness.wine_env()
    with wine_harness.port_devices(env) as devices:
        devices.add(9, adapter_id(2), adapter_name(9), ADAPTER_IDS)
        devices.add(4, "BTHENUM\\{00001101-0000-1000-8000-00805F9B34FB}_LOCALMFG&000F\\7&1F9F5C5E&0&001A7DDA7113_C00000000",
                    "Sprach\x1b[2J\tger\xe4t (COM4)")
        devices.add(3, "VSERBUS\\VID_2345+PID_6789+A50285BI\\0000")
        result = subprocess.run(["wine", os.path.join(build, "vemuKeysCon.exe"), "--list-ports"], env=env,
                                stdin=subprocess.DEVNULL, capture_output=True, timeout=WAIT * 2)
    lines = result.stdout.decode("cp1252").splitlines()
    expect(sorted(lines), [
        "COM3: - (Ger\xe4t VSERBUS\\VID_2345+PID_6789+A50285BI\\0000, Modell VID_2345&PID_6789)",
        "COM4: Sprach [2J ger\xe4t (Ger\xe4t BTHENUM\\{00001101-0000-1000-8000-00805F9B34FB}_LOCALMFG&000F\\"
        "7&1F9F5C5E&0&001A7DDA7113_C00000000, Modell BT_001A7DDA7113)",
        "COM9: USB Serial Adapter (Ger\xe4t USB\\VID_1234&PID_5678\\5&2A5C9B4&0&2, Modell VID_1234&PID_5678)"],
        "listed ports")
    expect(result.returncode, 0, "exit code")
    # Without the device-setup library there is no list to give: said, and
    # no "no ports" with success.
    env["WINEDLLOVERRIDES"] += ";setupapi=d"
    result = subprocess.run(["wine", os.path.join(build, "vemuKeysCon.exe"), "--list-ports"], env=env,
                            stdin=subprocess.DEVNULL, capture_output=True, timeout=WAIT * 2)
    expect((result.returncode, result.stdout, result.stderr.decode("cp1252").strip()),
           (1, b"", "Die Ger\xe4teliste des Systems konnte nicht gelesen werden."), "without the device list")


def scenario_moved_adapter(build):
    """The adapter pulled out of one USB socket and plugged into another:
    Windows gives it another number (COM9) and another instance id, the
    model stays. The engine opens it there by itself and types on; the new
    number and identity are stored."""
    with Run(build, "moved_adapter", settings(), device=adapter_id(1)) as run:
        run.send(b"a")
        expect(lines_of(run.observer.take(2)), chars(b"a"), "typed at COM7")
        run.unplug(adapter_id(1))
        run.log.until(lambda l: l == "Vemu Keys (keine Verbindung)", "state 0 once the adapter is gone")
        time.sleep(3)  # attempts while it is away
        run.plug_in(9, adapter_id(2))
        run.log.until(lambda l: l == "### Ger\xe4t an COM9 gefunden (vorher COM7)", "the adapter found at COM9")
        run.log.until(lambda l: l == "Vemu Keys (aktiv)", "state 2 at COM9")
        run.send(b"b")
        expect(lines_of(run.observer.take(2)), chars(b"b"), "typed at COM9 without a restart")
        run.end()
    stored = settings_file(run)
    for line in ("Port=9", "Device=" + adapter_id(2).upper(), "DeviceModel=" + ADAPTER_MODEL):
        assert line in stored.splitlines(), "%r not stored: %r" % (line, stored)
    assert "### Verbindung zu COM7 wiederhergestellt" not in run.log.seen, run.log.seen
    expect(len([l for l in run.log.seen if "gefunden" in l]), 1, "lines about the move")


def scenario_moved_while_off(build):
    """The adapter sits in another socket when the engine starts: another
    number, another instance id, the same model, and no other adapter of
    it. The person may have no other way to reach the settings: it is
    opened there."""
    stored = settings("").replace("[Debug]", "Device=%s\nDeviceModel=%s\n[Debug]" % (adapter_id(1), ADAPTER_MODEL))
    with Run(build, "moved_while_off", stored, link_port=False, others=[(9, adapter_id(2))]) as run:
        # Found while the engine starts: the lines may come before its
        # start-up line.
        for line, what in (("### Ger\xe4t an COM9 gefunden (vorher COM7)", "the adapter found at COM9"),
                           ("Vemu Keys (aktiv)", "state 2 at COM9")):
            if line not in run.log.seen:
                run.log.until(lambda l, line=line: l == line, what)
        os.write(run.other_ports[9][1], b"c")
        expect(lines_of(run.observer.take(2)), chars(b"c"), "typed at COM9")
        run.end()
    assert not [l for l in run.log.seen if "Serial Init Error" in l], run.log.seen
    assert "Port=9" in settings_file(run).splitlines(), settings_file(run)


def scenario_two_adapters(build):
    """The stored adapter is away at the start. Two of its model arrive while
    it is awaited: nothing tells them apart, so none is opened by itself
    (bytes on them are not typed), state 0 stays, and the log says why once,
    not at every attempt. One of them leaves: the other is opened."""
    stored = settings("").replace("[Debug]", "Device=%s\nDeviceModel=%s\n[Debug]" % (adapter_id(1), ADAPTER_MODEL))
    with Run(build, "two_adapters", stored, link_port=False) as run:
        # Said while the engine starts, before its start-up line.
        assert [l for l in run.log.seen if "Serial Init Error" in l], run.log.seen
        # Both listed before either port can be opened, so that no attempt
        # sees one of them alone.
        run.devices.add(9, adapter_id(4), adapter_name(9), ADAPTER_IDS)
        run.devices.add(10, adapter_id(5), adapter_name(10), ADAPTER_IDS)
        for number in (9, 10):
            run.link_other(number)
        run.log.until(lambda l: "nicht eindeutig" in l, "the reason nothing is chosen")
        for number in (9, 10):
            os.write(run.other_ports[number][1], b"y")
        expect(run.observer.quiet(3.0), [], "typed from a port nobody chose")
        run.devices.remove(adapter_id(5))
        run.unlink_other(10)
        run.log.until(lambda l: l == "### Ger\xe4t an COM9 gefunden (vorher COM7)", "the adapter left at COM9")
        run.log.until(lambda l: l == "Vemu Keys (aktiv)", "state 2 at COM9")
        os.write(run.other_ports[9][1], b"z")
        expect(lines_of(run.observer.take(2)), chars(b"z"), "typed at COM9")
        run.end()
    reasons = [l for l in run.log.seen if "nicht eindeutig" in l]
    expect(reasons, ["### Ger\xe4t von COM7 nicht eindeutig gefunden (COM9, COM10 passen): bitte im "
                     "Einstellungsdialog w\xe4hlen"], "the reason, once")
    states = [l for l in run.log.seen if l.startswith("Vemu Keys (")]
    expect(states, ["Vemu Keys (keine Verbindung)", "Vemu Keys (aktiv)"], "states")
    assert "Port=9" in settings_file(run).splitlines(), settings_file(run)


def scenario_planted_dll(build):
    """A DLL planted in the program's folder is never loaded."""
    with Run(build, "planted_dll", settings(), planted=True) as run:
        run.send(b"a")
        expect(lines_of(run.observer.take(2)), chars(b"a"), "typed")
        run.end()
    assert_not_planted(run.work)


def scenario_settings_held(build):
    """The engine starts while another program holds its settings file
    without sharing (a scanner at the autostart, another user): after ten
    seconds it runs with the defaults and says so once; ended once the file
    is free again, it leaves the user's settings in it byte for byte, and
    says that it did not save."""
    with Run(build, "settings_held", settings("[Extended]\nLogEvents=4\n"), held=True) as run:
        path = os.path.join(run.work, "vemuKeys.set")
        with open(path, "rb") as f:
            before = f.read()
        run.release_settings()
        run.end()
    with open(path, "rb") as f:
        expect(f.read(), before, "the settings file")
    said = [l for l in run.log.seen if "Einstellungsdatei" in l]
    expect(len(said), 1, "lines about the file: %r" % said)
    assert said[0].startswith("! ERROR ### Einstellungsdatei blockiert, diese Sitzung schreibt nichts hinein: ") \
        and said[0].endswith("\\vemuKeys.set"), said
    expect([l for l in run.log.seen if "nicht gespeichert werden" in l],
           ["! ERROR ### Die Einstellungen konnten nicht gespeichert werden: %s" % windows_path(path)],
           "the failed save said at the end")
    expect(sorted(os.listdir(run.work)), ["Errors.log", "vemuKeys.set", "vemuKeysCon.exe"], "files left")


def journal_record(text, replaced):
    """The journal of a settings write, complete: the text, the text it
    replaces and the marker."""
    return text + replaced + b"\r\n; complete: %d bytes, CRC-32 %08X, replacing %d bytes, CRC-32 %08X\r\n" % (
        len(text), zlib.crc32(text), len(replaced), zlib.crc32(replaced))


def scenario_journal_taken_up(build):
    """A power cut while the settings file was written over: its journal is
    complete, the file holds the new text up to the middle of its rate over
    the rest of the old one. The engine's start completes the write before it
    reads a value (it opens the port the journal names) and says so."""
    old = b"[Debug]\r\nWait=0\r\n[Port]\r\nPort=0\r\nRate=300\r\n"
    text = b"[Debug]\r\nWait=0\r\n[Port]\r\nPort=%d\r\nRate=9600\r\n" % PORT
    cut = text.index(b"Rate=") + 2
    run = Run(build, "journal_taken_up", "")
    with open(os.path.join(run.work, "vemuKeys.set"), "wb") as f:
        f.write(text[:cut] + old[cut:])
    journal = os.path.join(run.work, "vemuKeys.set.journal")
    with open(journal, "wb") as f:
        f.write(journal_record(text, old))
    with run:
        run.send(b"ab")
        expect(lines_of(run.observer.take(4)), chars(b"ab"), "typed through the port the journal names")
        run.end()
    assert settings_file(run).startswith(text.decode("ascii").replace("\r\n", "\n")), settings_file(run)
    expect(os.path.getsize(journal), 0, "the journal's size")
    said = [l for l in run.log.seen if "Journal" in l]
    expect(said, ["! ERROR ### Unterbrochene Speicherung der Einstellungen aus dem Journal nachgeholt: %s"
                  % windows_path(os.path.join(run.work, "vemuKeys.set"))], "lines about the journal")


def scenario_fatal_release(build):
    """A fault that nothing handles ends the engine with no key down."""
    with Run(build, "fatal_release", settings()) as run:
        run.send(ESC + b",lock,shift.")
        expect(lines_of(run.observer.take(1)), ["key 10 00 down"], "shift locked")
        fault(build, run.env, "TvemuKeysConsole")
        expect(lines_of(run.observer.take(1)), ["key 10 00 up"], "shift released on the way out")
        try:
            code = run.engine_proc.wait(timeout=WAIT)
        except subprocess.TimeoutExpired:
            raise AssertionError("the engine did not end")
        expect(code, 1, "exit code")
    with open(os.path.join(run.work, "Errors.log"), encoding="cp1252") as f:
        errors = f.read()
    assert "! ERROR ### Exception EExternalException 0xC0000005" in errors, errors


# The drive letter of a stick in the tests, and where Wine keeps its drives.
STICK = "r:"
WINE_DRIVES = r"HKLM\Software\Wine\Drives"


@contextlib.contextmanager
def removable_drive(display, folder):
    """The folder as drive R:, which Wine reports as removable (a floppy): a
    stick put into the machine, and mounted in the user's folder too. Wine's
    mount manager reads the drive types when it starts, so the server is
    started again."""
    env = wine_harness.wine_env(display)
    link = os.path.join(wine_harness.PREFIX, "dosdevices", STICK)
    quiet = dict(env=env, stdin=subprocess.DEVNULL, capture_output=True, timeout=WAIT)
    if os.path.lexists(link):
        os.remove(link)  # left by a run that was killed
    os.symlink(folder, link)
    try:
        subprocess.run(["wine", "reg", "add", WINE_DRIVES, "/v", STICK, "/d", "floppy", "/f"], check=True, **quiet)
        subprocess.run(["wineserver", "-k"], env=env, check=False, timeout=WAIT)
        subprocess.run(["wineserver", "-w"], env=env, check=False, timeout=WAIT)
        wine_harness.start_server(display)
        yield
    finally:
        subprocess.run(["wine", "reg", "delete", WINE_DRIVES, "/v", STICK, "/f"], **quiet)
        os.remove(link)


@contextlib.contextmanager
def engine_session(build, name, stick=None):
    """A folder with vemuKeysCon.exe in the user's own profile folder and a
    Wine session on a display; yields the folder and a function that runs
    the engine there once with the log file given, without a port, and
    returns the lines it printed. With stick, the folder of that name in the
    work folder is drive R: as well, a removable one."""
    wine_harness.ensure_prefix()
    work = wine_harness.profile_folder("e2e", name)
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    shutil.copy(os.path.join(build, "vemuKeysCon.exe"), work)
    procs = wine_harness.Processes()
    with wine_harness.x_display(procs, True) as display, contextlib.ExitStack() as drives:
        wine_harness.start_server(display)
        if stick:
            os.makedirs(os.path.join(work, stick))
            drives.enter_context(removable_drive(display, os.path.join(work, stick)))
        env = wine_harness.wine_env(display)

        def run_with_log(log_name):
            with open(os.path.join(work, "vemuKeys.set"), "w", newline="\r\n", encoding="cp1252") as f:
                f.write(settings("[Extended]\nFileLog=1\nFileName=%s\n" % log_name))
            proc = procs.start(["wine", windows_path(os.path.join(work, "vemuKeysCon.exe")), "--events", "all"],
                               stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, env=env,
                               cwd=work)
            log = Lines(proc.stdout, "engine")
            log.until(lambda l: l.startswith("Beenden mit"), "start-up")
            proc.stdin.close()
            log.until(lambda l: l.startswith("<<< End"), "end line")
            proc.wait(timeout=WAIT)
            return log.seen

        try:
            yield work, run_with_log
        finally:
            procs.stop_all()


def refusals(seen):
    return [line for line in seen if line.startswith("! ERROR ### Log-Datei abgelehnt")]


def another_users(path):
    """Gives the file to another Unix user, whom Wine shows as another owner;
    False where the tests may not (without root): it stays the user's own."""
    try:
        os.chown(path, 65534, 65534)
        return True
    except PermissionError:
        return False


def scenario_log_file_refused(build):
    """The log file's name is in the settings that every user may change:
    another user's document and a new script file in their Startup folder
    are left alone, while a fresh .log file is made for the user alone."""
    with engine_session(build, "log_file_refused") as (work, run_with_log):
        document = pathlib.Path(work, "Brief.txt")
        document.write_bytes(b"Liebe Anna,\r\n")
        why = "Datei geh\xf6rt einem anderen Benutzer" if another_users(document) else "keine Log-Datei von Vemu Keys"
        os.makedirs(os.path.join(work, "Autostart"))
        for name, reason in (("Brief.txt", why), ("Autostart\\Gruss.hta", "Name endet nicht auf .log oder .txt")):
            expect(refusals(run_with_log(name)), ["! ERROR ### Log-Datei abgelehnt, %s: %s" % (reason, name)], name)
        expect(document.read_bytes(), b"Liebe Anna,\r\n", "the document")
        expect(os.listdir(os.path.join(work, "Autostart")), [], "the Startup folder")
        # Another user's folder, and one outside every profile: nothing is
        # made there. One shared name gives each user a log of their own.
        others = pathlib.Path(wine_harness.PREFIX, "drive_c", "users", "Public")
        outside = pathlib.Path(tempfile.mkdtemp(prefix="vemu-outside-"))
        try:
            for name in (windows_path(others / "fremd.log"), windows_path(outside / "vemu.log"),
                         "%USERPROFILE%\\..\\Public\\fremd.log"):
                expect(refusals(run_with_log(name)),
                       ["! ERROR ### Log-Datei abgelehnt, au\xdferhalb des eigenen Benutzerordners: %s" % name], name)
            expect(list(outside.iterdir()), [], "the folder outside the profile")
        finally:
            shutil.rmtree(outside, ignore_errors=True)
        expect((others / "fremd.log").exists(), False, "a log in another user's folder")
        expect(refusals(run_with_log("%USERPROFILE%\\e2e\\log_file_refused\\eigen.log")), [],
               "refusals of a log named by the profile")
        assert pathlib.Path(work, "eigen.log").read_bytes().startswith(b">>> Start "), "the log named by the profile"
        expect(refusals(run_with_log("frisch.log")), [], "refusals of a fresh log file")
        fresh = pathlib.Path(work, "frisch.log")
        text = fresh.read_bytes().decode("cp1252")
        assert text.startswith(">>> Start ") and "<<< End " in text, text
        # Wine keeps the rights as Unix modes: nobody else may read it.
        expect(os.stat(fresh).st_mode & 0o007, 0, "rights of others on the new log file")


def scenario_log_file_on_stick(build):
    """A stick is drive R: and mounted in the user's folder as well: a log
    named on it either way is refused and nothing is written there."""
    with engine_session(build, "log_file_on_stick", stick="Stick") as (work, run_with_log):
        for name, reason in (("R:\\vemu.log", "au\xdferhalb des eigenen Benutzerordners"),
                             ("Stick\\vemu.log", "Wechsellaufwerk oder Netzlaufwerk")):
            expect(refusals(run_with_log(name)), ["! ERROR ### Log-Datei abgelehnt, %s: %s" % (reason, name)], name)
        expect(os.listdir(os.path.join(work, "Stick")), [], "the stick")


def scenario_log_file_link(build):
    """The user's earlier log keeps working and becomes private again; once
    it has a second name, or a link stands in place of the log file, no
    line reaches the file behind it."""
    with engine_session(build, "log_file_link") as (work, run_with_log):
        earlier = pathlib.Path(work, "alt.log")
        earlier.write_bytes(b">>> Start 01.02.2024 08:00:00\r\n")
        earlier.chmod(0o644)
        expect(refusals(run_with_log("alt.log")), [], "refusals of the user's earlier log")
        assert earlier.read_bytes().count(b">>> Start ") == 2, earlier.read_bytes()
        expect(os.stat(earlier).st_mode & 0o007, 0, "rights of others on the earlier log")
        os.link(earlier, os.path.join(work, "zweit.log"))
        before = earlier.read_bytes()
        expect(refusals(run_with_log("alt.log")),
               ["! ERROR ### Log-Datei abgelehnt, Datei hat einen weiteren Namen: alt.log"], "a second name")
        expect(earlier.read_bytes(), before, "the log with a second name")
        # Wine follows a symbolic link and checks the file behind it (its
        # owner, or the document's text); Windows opens the link itself and
        # refuses it as a link.
        other = pathlib.Path(work, "fremd.log")
        other.write_bytes(b">>> Start 01.02.2024 09:00:00\r\n")
        if not another_users(other):
            other.write_bytes(b"Liebe Anna,\r\n")  # the user's own then: a document
        os.symlink(other, os.path.join(work, "link.log"))
        before = other.read_bytes()
        expect(len(refusals(run_with_log("link.log"))), 1, "refusals of a link")
        expect(other.read_bytes(), before, "the file behind the link")


def run_scenarios(scenarios):
    """The command line of an end-to-end test file: --build and the names of
    the scenarios to run (all when none are named)."""
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", default=os.path.join(TOP, "build", "win64"))
    parser.add_argument("scenarios", nargs="*")
    args = parser.parse_args()
    build = os.path.abspath(args.build)
    names = args.scenarios or sorted(scenarios)
    failed = 0
    for name in names:
        started = time.monotonic()
        try:
            scenarios[name](build)
            print("PASS %s (%.1f s)" % (name, time.monotonic() - started))
        except Exception as error:  # report every failure, then go on
            failed += 1
            print("FAIL %s: %s" % (name, error))
    print("%d passed, %d failed" % (len(names) - failed, failed))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(run_scenarios({name[len("scenario_"):]: fn for name, fn in globals().items()
                            if name.startswith("scenario_")}))
