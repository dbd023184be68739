"""What the Windows tests under Wine share (the end-to-end tests in
tests/e2e, the package tests in tests/package): the program's names they
meet, the checks that fail a test, the output lines of a program they
started, the holder program and the UI driver.

    sys.path.insert(0, os.path.join(TOP, "tests", "support"))
    from wine_testing import expect, Lines, UiDriver
"""
import os
import queue
import subprocess
import sys
import tempfile
import threading
import time

TOP = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(TOP, "scripts"))
import wine_harness  # noqa: E402
from wine_harness import windows_path  # noqa: E402,F401  (the tests' one way to name a file for Windows)

WAIT = 15.0  # seconds an expected line or answer may take on a loaded machine

# The program's names that the tests meet.
MAIN_WINDOW_CLASS = "TvemuCfgDlg"
INSTANCE_MUTEX = "Celeborn"
RUN_KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Run"
RUN_VALUE = "vemuKeys"
IDOK, IDCANCEL = 1, 2
IDC_EXIT = 1002  # "Beenden" in the main window
STATIC_TEXT = 0xFFFF  # the text of a message box


class Failure(AssertionError):
    """A check of a Windows test that failed."""


def expect(actual, expected, what):
    if actual != expected:
        raise Failure("%s:\n  expected %r\n  got      %r" % (what, expected, actual))


def expect_true(condition, what):
    if not condition:
        raise Failure(what)


class Lines:
    """The output lines of a process, read on a thread of their own: the
    program's own output in Windows-1252, the UI driver's in UTF-8."""

    def __init__(self, stream, name, encoding="cp1252"):
        self.name = name
        self.encoding = encoding
        self.lines = queue.Queue()
        self.seen = []
        self.thread = threading.Thread(target=self._read, args=(stream,), daemon=True)
        self.thread.start()

    def _read(self, stream):
        for raw in iter(stream.readline, b""):
            self.lines.put((time.monotonic(), raw.rstrip(b"\r\n").decode(self.encoding, "replace")))
        self.lines.put((time.monotonic(), None))

    def next(self, timeout):
        try:
            stamp, line = self.lines.get(timeout=timeout)
        except queue.Empty:
            return None, None
        if line is not None:
            self.seen.append(line)
        return stamp, line

    def until(self, predicate, what, timeout=WAIT):
        """Lines up to and including the first that satisfies predicate."""
        taken = []
        deadline = time.monotonic() + timeout
        while True:
            left = deadline - time.monotonic()
            if left <= 0:
                raise Failure("%s: no %s within %.0f s; saw %r" % (self.name, what, timeout, taken))
            stamp, line = self.next(left)
            if line is None:
                if stamp is None:
                    continue
                raise Failure("%s ended before %s; saw %r" % (self.name, what, taken))
            taken.append((stamp, line))
            if predicate(line):
                return taken

    def take(self, count, timeout=WAIT):
        """The next count lines, with their arrival times."""
        taken = []
        deadline = time.monotonic() + timeout
        while len(taken) < count:
            left = deadline - time.monotonic()
            if left <= 0:
                raise Failure("%s: %d of %d lines within %.0f s: %r" % (self.name, len(taken), count, timeout, taken))
            stamp, line = self.next(left)
            if line is None:
                if stamp is None:
                    continue
                raise Failure("%s ended after %r" % (self.name, taken))
            taken.append((stamp, line))
        return taken

    def settle(self, gap, timeout=WAIT):
        """Waits until no line has come for gap seconds; the lines taken."""
        taken = []
        deadline = time.monotonic() + timeout
        while True:
            more = self.quiet(gap)
            if not more:
                return taken
            taken += more
            if time.monotonic() > deadline:
                raise Failure("%s: lines keep coming after %.0f s: %r" % (self.name, timeout, taken[-5:]))

    def quiet(self, seconds):
        """The lines that come within the time (expected: none)."""
        taken = []
        deadline = time.monotonic() + seconds
        while True:
            left = deadline - time.monotonic()
            if left <= 0:
                return taken
            _, line = self.next(left)
            if line is not None:
                taken.append(line)


def end_by_input(proc, timeout=WAIT):
    """A program of the tests that ends when its standard input closes."""
    try:
        proc.stdin.close()
        proc.wait(timeout=timeout)
    except Exception:
        pass


def reg_value(env, key, name):
    """(type, data) of a registry value of the prefix, or None."""
    try:
        result = subprocess.run(["wine", "reg", "query", key, "/v", name], env=env, stdin=subprocess.DEVNULL,
                                capture_output=True, timeout=WAIT * 4)
    except subprocess.TimeoutExpired:
        raise Failure("reg query %s /v %s did not end" % (key, name)) from None
    for line in result.stdout.decode("utf-8", "replace").splitlines():
        parts = line.strip().split(None, 2)
        if len(parts) >= 2 and parts[0] == name:
            return parts[1], parts[2] if len(parts) > 2 else ""
    return None


class Held:
    """A file or a mutex held by the holder program (tests/holder.exe) until
    release() or the end of the with block (what: "file" or "mutex"); a file
    without any sharing, as a scanner may hold it. With procs, the process is
    one of theirs, so that it ends with them."""

    def __init__(self, holder, env, what, name, cwd=None, procs=None, timeout=WAIT):
        args = ["wine", holder, what, name]
        pipes = dict(stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, env=env, cwd=cwd)
        self.proc = procs.start(args, **pipes) if procs else subprocess.Popen(args, start_new_session=True, **pipes)
        self.what = "%s %s" % (what, name)
        self.timeout = timeout
        try:
            Lines(self.proc.stdout, "holder").until(lambda l: l == "ready", "ready line", timeout)
        except Failure as failure:
            self.release()
            raise Failure("the holder could not hold %s: %s" % (self.what, failure)) from None

    def release(self):
        """The holder lets go and ends."""
        if self.proc.poll() is not None:
            return
        try:
            self.proc.stdin.close()
        except BrokenPipeError:
            pass
        try:
            self.proc.wait(timeout=self.timeout)
        except subprocess.TimeoutExpired:
            os.killpg(self.proc.pid, 9)
            self.proc.wait()
            raise Failure("the holder of %s did not end" % self.what) from None

    def __enter__(self):
        return self

    def __exit__(self, *_):
        self.release()


class UiDriver:
    """The UI driver (tests/uidriver.exe) on the session's display, asked
    one command at a time (its commands are listed in uidriver.cpp)."""

    def __init__(self, procs, build, env, timeout=WAIT):
        self.timeout = timeout
        self.proc = procs.start(["wine", os.path.join(build, "tests", "uidriver.exe")], stdin=subprocess.PIPE,
                                stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, env=env)
        self.lines = Lines(self.proc.stdout, "uidriver", "utf-8")
        self.lines.until(lambda l: l == "ready", "driver ready line", timeout)

    def ask(self, command):
        self.proc.stdin.write((command + "\n").encode("utf-8"))
        self.proc.stdin.flush()
        _, line = self.lines.next(self.timeout + 10)
        if line is None:
            raise Failure("driver gave no answer to %r" % command)
        return line

    def wait_for(self, command, wanted, what, timeout=None):
        """Asks until the answer is wanted."""
        deadline = time.monotonic() + (self.timeout if timeout is None else timeout)
        answer = None
        while time.monotonic() < deadline:
            answer = self.ask(command)
            if answer == wanted:
                return
            time.sleep(0.1)
        raise Failure("%s: %r answered %r, not %r" % (what, command, answer, wanted))

    def await_box(self, title=None, text=None, control=None, timeout=0.0):
        """The dialog box of any program with this title, whose text holds
        text and which has a control with the id control (each when given),
        looked for until the time is up; "none" when none comes."""
        deadline = time.monotonic() + timeout
        while True:
            for box in self.ask("dialogs").split():
                if ((title is None or self.ask("title %s" % box) == title)
                        and (text is None or text in self.ask("text %s %d" % (box, STATIC_TEXT)))
                        and (control is None or self.ask("control %s %d" % (box, control)) != "none")):
                    return box
            if time.monotonic() >= deadline:
                return "none"
            time.sleep(0.1)

    def close(self):
        end_by_input(self.proc)


def driver_answer(build, env, command, timeout=60):
    """One answer of a UI driver started for it alone; "" when it gave none
    in time."""
    try:
        done = subprocess.run(["wine", os.path.join(build, "tests", "uidriver.exe")], env=env,
                              input=(command + "\nquit\n").encode(), capture_output=True, timeout=timeout)
    except subprocess.TimeoutExpired:
        return ""
    words = done.stdout.decode("utf-8", "replace").split()
    return words[-1] if words else ""


# The sign-in helper's machine key and service ---------------------------------

SIGNIN_KEY = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Vemu Keys\\SignIn"
SIGNIN_SERVICE = "vemuKeysSignIn"


def regedit(env, lines):
    with tempfile.NamedTemporaryFile("w", suffix=".reg", delete=False, newline="\r\n", encoding="ascii") as f:
        f.write("REGEDIT4\n\n" + "\n".join(lines) + "\n")
        path = f.name
    try:
        subprocess.run(["wine", "regedit", "/S", windows_path(path)], env=env, check=True, timeout=60,
                       stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    finally:
        os.remove(path)


def machine_key(port=7, device=None, rate=9600, extra=()):
    lines = ["[-%s]" % SIGNIN_KEY, "[%s]" % SIGNIN_KEY, '"Port"=dword:%08x' % port, '"Rate"=dword:%08x' % rate,
             '"ByteSize"=dword:00000008', '"Parity"=dword:00000000', '"StopBits"=dword:00000000']
    if device:
        lines.append('"Device"="%s"' % device.replace("\\", "\\\\"))
    return lines + list(extra)


def remove_machine_key(env):
    regedit(env, ["[-%s]" % SIGNIN_KEY])


def sc(env, *args):
    return subprocess.run(["wine", "sc"] + list(args), env=env, timeout=60, stdin=subprocess.DEVNULL,
                          stdout=subprocess.PIPE, stderr=subprocess.DEVNULL).stdout.decode("cp1252", "replace")
