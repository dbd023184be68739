#!/usr/bin/env python3
"""Runs the Windows build under Wine: a throwaway prefix under build/, an X
display when windows or input injection are involved, and virtual COM ports
made of socat pty pairs linked into the prefix. Everything it starts it ends
again, by process id.

    wine_harness.py prefix                 create the prefix (once)
    wine_harness.py run [--x] EXE [ARGS]   run a program, exit with its code
    wine_harness.py com N [--x|--desktop] [--link PATH] [--describe NAME] -- CMD...
                                           run CMD (a Linux command) with COM N
                                           linked to a pty; CMD finds the other
                                           end in $VEMU_COM_PEER, and at PATH
                                           with --link. --x: an Xvfb display;
                                           --desktop: $DISPLAY, else Xvfb;
                                           --describe: the device-setup API
                                           lists COM N as a device named NAME.

The prefix is build/wineprefix, or $VEMU_WINEPREFIX. Wine runs with an
English locale (what the tests expect), or the one in $VEMU_WINE_LOCALE
(looked up in $VEMU_WINE_LOCPATH when given). $VEMU_WINE_FONTS names font
files of Wine's own (package fonts-wine) that the prefix gets in its font
folder, for windows that look as they do on Windows.
"""
import contextlib
import fcntl
import getpass
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

TOP = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
PREFIX = os.environ.get("VEMU_WINEPREFIX", os.path.join(TOP, "build", "wineprefix"))
LOGS = os.path.join(TOP, "build", "test-logs")


def windows_path(path):
    """A file of this machine as Wine's programs name it: on drive C: when it
    lies in the prefix's drive_c, otherwise on drive Z:, the root of the file
    system."""
    full = os.path.abspath(path)
    drive_c = os.path.join(PREFIX, "drive_c")
    if full == drive_c or full.startswith(drive_c + os.sep):
        return "C:" + (full[len(drive_c):] or "/").replace("/", "\\")
    return "Z:" + full.replace("/", "\\")


def profile_folder(*names):
    """The Wine user's own profile folder in the prefix (C:\\users\\<user>),
    or a path in it: the programs open the files the settings name only
    there. Its Desktop, Documents and like folders are links out of it."""
    return os.path.join(PREFIX, "drive_c", "users", getpass.getuser(), *names)


def server_log():
    """The file the Wine server writes to: when it ends it can dump its whole
    object table (tens of thousands of lines), which must not reach the test
    output."""
    os.makedirs(LOGS, exist_ok=True)
    path = os.path.join(LOGS, "wineserver.log")
    # One dump is some 20 MB: keep the last few, not all of them.
    with contextlib.suppress(FileNotFoundError):
        if os.path.getsize(path) > 64 << 20:
            os.replace(path, path + ".old")
    return open(path, "ab")


def wine_env(display=None):
    env = dict(os.environ)
    env["WINEPREFIX"] = PREFIX
    env["WINEDEBUG"] = env.get("VEMU_WINEDEBUG", "-all")
    env["WINEDLLOVERRIDES"] = "mscoree,mshtml="  # no Mono/Gecko install prompts
    # Wine takes the Windows locale, and with it the input language, from
    # the Unix one: the same for every test run, whatever the caller's.
    locale = os.environ.get("VEMU_WINE_LOCALE", "C.UTF-8")
    env["LANG"] = env["LC_ALL"] = locale
    if os.environ.get("VEMU_WINE_LOCPATH"):
        env["LOCPATH"] = os.environ["VEMU_WINE_LOCPATH"]
    if display:
        env["DISPLAY"] = display
    return env


# Where Debian's fonts-wine puts Wine's own fonts. This Wine does not find
# them there by itself: without Marlett the caption buttons show letters
# ("r" for the close box), without Tahoma dialogs take another face.
WINE_FONTS = "/usr/share/wine/fonts"


def link_fonts(names):
    """Wine's font files named, linked into the prefix's font folder."""
    folder = os.path.join(PREFIX, "drive_c", "windows", "Fonts")
    os.makedirs(folder, exist_ok=True)
    for name in names:
        source = os.path.join(WINE_FONTS, name)
        if not os.path.isfile(source):
            sys.exit("wine_harness: missing %s (package fonts-wine)" % source)
        target = os.path.join(folder, name)
        if os.path.realpath(target) != source:
            with contextlib.suppress(FileNotFoundError):
                os.remove(target)
            os.symlink(source, target)


def ensure_prefix():
    """Creates the prefix once; concurrent callers wait for the first."""
    os.makedirs(os.path.dirname(PREFIX), exist_ok=True)
    with open(PREFIX + ".lock", "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        create_prefix()
        link_fonts(os.environ.get("VEMU_WINE_FONTS", "").split())


def create_prefix():
    """Makes the prefix unless a complete one is there."""
    marker = os.path.join(PREFIX, ".vemu-ready")
    if os.path.exists(marker):
        return
    if not shutil.which("wine"):
        sys.exit("wine_harness: wine is not installed (run scripts/setup.sh)")
    shutil.rmtree(PREFIX, ignore_errors=True)
    env = wine_env()
    env.pop("DISPLAY", None)
    subprocess.run(["wineboot", "-i"], env=env, check=True,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    subprocess.run(["wineserver", "-w"], env=env, check=False)
    open(marker, "w").close()


def start_server(display=None):
    """Starts the Wine server and its services detached from our output:
    services started later by a test program would inherit the test runner's
    pipes and keep it waiting after the test has ended. Wine's desktop takes
    the display it is started with, so the server starts with the display
    its programs will use."""
    env = wine_env(display)
    if not display:
        env.pop("DISPLAY", None)
    quiet = dict(stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    with server_log() as log:
        subprocess.run(["wineserver", "-p", "60"], env=env, check=False, stdin=subprocess.DEVNULL, stdout=log,
                       stderr=log)
    subprocess.run(["wine", "wineboot"], env=env, check=False, **quiet)


class Processes:
    """Processes started here, ended by their ids on exit."""

    def __init__(self):
        self.started = []

    def start(self, args, **kwargs):
        proc = subprocess.Popen(args, start_new_session=True, **kwargs)
        self.started.append(proc)
        return proc

    def stop_all(self):
        for proc in reversed(self.started):
            if proc.poll() is None:
                with contextlib.suppress(ProcessLookupError):
                    os.killpg(proc.pid, signal.SIGTERM)
                try:
                    proc.wait(timeout=5)
                except subprocess.TimeoutExpired:
                    with contextlib.suppress(ProcessLookupError):
                        os.killpg(proc.pid, signal.SIGKILL)
                    proc.wait()
        self.started.clear()


@contextlib.contextmanager
def x_display(procs, wanted=True):
    """An Xvfb display of our own, or the one we already have."""
    if not wanted:
        yield None
        return
    if os.environ.get("VEMU_DISPLAY"):
        yield os.environ["VEMU_DISPLAY"]
        return
    for number in range(90, 190):
        if os.path.exists("/tmp/.X%d-lock" % number) or os.path.exists("/tmp/.X11-unix/X%d" % number):
            continue
        display = ":%d" % number
        proc = procs.start(["Xvfb", display, "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        for _ in range(100):
            if os.path.exists("/tmp/.X11-unix/X%d" % number):
                break
            if proc.poll() is not None:
                break
            time.sleep(0.05)
        if proc.poll() is None:
            try:
                yield display
            finally:
                # Wine's desktop process belongs to the display it first
                # saw: once the display is gone, windows of later programs
                # in the same server fail. The server goes with its display.
                subprocess.run(["wineserver", "-k"], env=wine_env(), check=False,
                               stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
                procs.stop_all()
            return
    sys.exit("wine_harness: no free X display for Xvfb")


@contextlib.contextmanager
def virtual_com(procs, number):
    """A pty pair from socat; one end is COM<number> in the prefix. Yields the
    path of the other end, which Linux programs write to."""
    work = tempfile.mkdtemp(prefix="vemu-com-")
    port_end = os.path.join(work, "port")
    peer_end = os.path.join(work, "peer")
    proc = procs.start(["socat", "pty,raw,echo=0,link=" + port_end, "pty,raw,echo=0,link=" + peer_end],
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    for _ in range(100):
        if os.path.exists(port_end) and os.path.exists(peer_end):
            break
        time.sleep(0.02)
    else:
        sys.exit("wine_harness: socat made no pty pair")
    link = os.path.join(PREFIX, "dosdevices", "com%d" % number)
    with contextlib.suppress(FileNotFoundError):
        os.remove(link)
    os.symlink(os.path.realpath(port_end), link)
    try:
        yield peer_end
    finally:
        with contextlib.suppress(FileNotFoundError):
            os.remove(link)
        if proc.poll() is None:
            os.killpg(proc.pid, signal.SIGTERM)
            proc.wait()
        shutil.rmtree(work, ignore_errors=True)


PORTS_CLASS = "{4D36E978-E325-11CE-BFC1-08002BE10318}"
ENUM_KEY = r"HKEY_LOCAL_MACHINE\System\CurrentControlSet\Enum"


def reg_text(text):
    """A registry text value as REGEDIT4 bytes (Windows-1252, any byte)."""
    return "hex(1):" + ",".join("%02x" % b for b in text.encode("cp1252") + b"\0")


def reg_multi_text(texts):
    return "hex(7):" + ",".join("%02x" % b for b in b"".join(t.encode("cp1252") + b"\0" for t in texts) + b"\0")


class PortDevices:
    """Serial ports that the device-setup API lists: device entries of class
    "Ports" in the prefix's registry (Enum\\<instance id> with its friendly
    name and hardware ids, and PortName under "Device Parameters"). Wine
    lists every entry as present; removing one is pulling the device out.
    Only keys this object created are removed again, so the prefix is left
    as it was. Needs a running Wine server."""

    def __init__(self, env):
        self.env = env
        self.devices = set()  # instance ids added
        self.existing = {}    # key path below Enum -> whether it is there
        self.created = set()  # key paths we created

    def _regedit(self, lines):
        with tempfile.NamedTemporaryFile("w", suffix=".reg", delete=False, newline="\r\n", encoding="ascii") as f:
            f.write("REGEDIT4\n\n" + "\n".join(lines) + "\n")
            path = f.name
        try:
            subprocess.run(["wine", "regedit", "/S", windows_path(path)], env=self.env, check=True,
                           stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                           timeout=60)
        finally:
            os.remove(path)

    def _exists(self, path):
        if path not in self.existing:
            code = subprocess.run(["wine", "reg", "query", ENUM_KEY + "\\" + path], env=self.env,
                                  stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                  timeout=60).returncode
            self.existing[path] = code == 0
        return self.existing[path]

    @staticmethod
    def _keys(instance_id):
        """The key paths from the enumerator down to the device's own."""
        parts = instance_id.split("\\")
        return ["\\".join(parts[:i]) for i in range(1, len(parts) + 1)]

    def add(self, number, instance_id, friendly_name=None, hardware_ids=()):
        """COM<number> as a new device instance_id ("USB\\VID_1234&PID_5678\\5&1")."""
        for path in self._keys(instance_id):
            if not self._exists(path):
                self.created.add(path)
                self.existing[path] = True
        key = ENUM_KEY + "\\" + instance_id
        lines = ["[%s]" % key, '"ClassGUID"="%s"' % PORTS_CLASS, '"Class"="Ports"']
        if friendly_name is not None:
            lines.append('"FriendlyName"=%s' % reg_text(friendly_name))
        if hardware_ids:
            lines.append('"HardwareID"=%s' % reg_multi_text(hardware_ids))
        lines += ["", "[%s\\Device Parameters]" % key, '"PortName"="COM%d"' % number]
        self._regedit(lines)
        self.devices.add(instance_id)

    def remove(self, instance_id):
        """The device leaves the system's list: its key goes, and with it
        the keys above it that we created and no other device needs."""
        self.devices.discard(instance_id)
        keys = self._keys(instance_id)
        doomed = keys[-1]
        for path in reversed(keys[:-1]):
            if path not in self.created or any(d.startswith(path + "\\") for d in self.devices):
                break
            doomed = path
        self._regedit(["[-%s\\%s]" % (ENUM_KEY, doomed)])
        for path in list(self.existing):
            if path == doomed or path.startswith(doomed + "\\"):
                self.existing[path] = False
                self.created.discard(path)

    def close(self):
        for instance_id in list(self.devices):
            self.remove(instance_id)


@contextlib.contextmanager
def port_devices(env):
    devices = PortDevices(env)
    try:
        yield devices
    finally:
        devices.close()


def run(args):
    want_x = False
    if args and args[0] == "--x":
        want_x = True
        args = args[1:]
    if not args:
        sys.exit("usage: wine_harness.py run [--x] EXE [ARGS]")
    ensure_prefix()
    procs = Processes()
    try:
        with x_display(procs, want_x) as display:
            start_server(display)
            return subprocess.call(["wine"] + args, env=wine_env(display))
    finally:
        procs.stop_all()


def wait_through_interrupts(proc):
    """Ctrl+C reaches the child too, which ends itself in order: wait for it."""
    while True:
        try:
            return proc.wait()
        except KeyboardInterrupt:
            continue


def com(args):
    if len(args) < 3 or "--" not in args:
        sys.exit("usage: wine_harness.py com N [--x|--desktop] [--link PATH] [--describe NAME] -- CMD...")
    split = args.index("--")
    number = int(args[0])
    options = args[1:split]
    command = args[split + 1:]
    want_x = "--x" in options or ("--desktop" in options and not os.environ.get("DISPLAY"))
    link = options[options.index("--link") + 1] if "--link" in options else None
    name = options[options.index("--describe") + 1] if "--describe" in options else None
    ensure_prefix()
    procs = Processes()
    try:
        with x_display(procs, want_x) as display, virtual_com(procs, number) as peer:
            start_server(display or os.environ.get("DISPLAY"))
            env = wine_env(display)
            env["VEMU_COM_PEER"] = peer
            devices = PortDevices(env)
            if name is not None:
                devices.add(number, "ROOT\\PORTS\\%04d" % number, "%s (COM%d)" % (name, number))
            if link:
                with contextlib.suppress(FileNotFoundError):
                    os.remove(link)
                os.symlink(os.path.realpath(peer), link)
            try:
                return wait_through_interrupts(subprocess.Popen(command, env=env))
            finally:
                if link:
                    with contextlib.suppress(FileNotFoundError):
                        os.remove(link)
                devices.close()
    finally:
        procs.stop_all()


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    verb, args = sys.argv[1], sys.argv[2:]
    if verb == "prefix":
        ensure_prefix()
        return 0
    if verb == "run":
        return run(args)
    if verb == "com":
        return com(args)
    sys.exit(__doc__)


if __name__ == "__main__":
    sys.exit(main())
