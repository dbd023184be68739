"""The installer under Wine, as the installer tests drive it: silent runs of
the test installer and its uninstaller, the prefix's files and registry, the
calls its rights helper makes, and things held while it runs."""
import contextlib
import os
import shutil
import subprocess
import sys
import tempfile
import time
import zipfile

import release

sys.path.insert(0, os.path.join(release.TOP, "tests", "support"))
import wine_testing  # noqa: E402
from wine_testing import RUN_KEY, RUN_VALUE, Failure, expect_true, windows_path, wine_harness  # noqa: E402,F401

BUILD = os.path.join(release.TOP, "build", "win64")
TEST_PROGRAMS = os.path.join(BUILD, "tests")
HOLDER = os.path.join(TEST_PROGRAMS, "holder.exe")
RIGHTS_HELPER = os.path.join(TEST_PROGRAMS, "vemuKeysRightsSeams.exe")

INSTALL_DIR = r"C:\Program Files\Vemu Keys"
START_MENU = r"C:\ProgramData\Microsoft\Windows\Start Menu\Programs"
LINKS = {"Vemu Keys.lnk": release.programs()[0], "Vemu Keys Anleitung.lnk": release.GUIDE}
# Where an uninstall that kept the settings records the folder it left.
KEPT_FOLDER_KEY = r"HKLM\SOFTWARE\Vemu Keys"
UNINSTALL_KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\VemuKeys"
SETTINGS = "vemuKeys.set"
UNINSTALLER = "uninstall.exe"
MAIN_PROGRAM = release.programs()[0]
STEP_TIMEOUT = 60  # seconds for one installer run or program start on a loaded machine

# The exit codes of a run that did not do its work.
EXIT_RUNNING = 2
EXIT_FOREIGN_FOLDER = 3
EXIT_FILE = 4
EXIT_RIGHTS = 5

# The files every user's program writes in the folder, in the installer's
# order.
DATA_FILES = [SETTINGS, "vemuKeys.set.journal", "Errors.log", "Errors.old.log"]

# The owner and rights the helper gives the folder and each kind of file in
# it, as SDDL: owned by the Administrators, a protected list (nothing
# inherited from above). Users may read and write the data files and read
# and run the rest; nobody but the administrators and the system may change
# anything else.
FOLDER = "O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)"
PROGRAM_FILE = "O:BAD:P(A;;FA;;;SY)(A;;FA;;;BA)(A;;0x1200a9;;;BU)"
DATA_FILE = "O:BAD:P(A;;FA;;;SY)(A;;FA;;;BA)(A;;0x12019f;;;BU)"
FOREIGN_FILE = "O:BAD:P(A;;FA;;;SY)(A;;FA;;;BA)"
# A folder a user made, taken from him before it is walked and removed.
TAKEN_FOLDER = "O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)"
PARENT = r"C:\Program Files"
# What Windows sets on these parents; Wine makes every folder the prefix
# user's. Under a volume's root, what users make inherits Modify.
PARENTS = {PARENT: "O:S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464"
                   "D:P(A;OICI;FA;;;S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464)"
                   "(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)(A;OICIIO;GA;;;CO)",
           "C:\\": "O:SYD:(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)(A;OICI;0x1200a9;;;BU)(A;OICIIO;0x1301bf;;;AU)(A;;0x4;;;AU)"}


def unix(path):
    """A C: path of the prefix on this machine."""
    return os.path.join(wine_harness.PREFIX, "drive_c", *path[3:].split("\\"))


class RightsRecorder:
    """Where the test build of the rights helper records its calls, and what
    it is told: the parents' rights, a call to fail, a call to pause at."""

    def __init__(self):
        self.folder = tempfile.mkdtemp(prefix="vemu-rights-")
        self.log = os.path.join(self.folder, "calls.txt")
        self.parents = os.path.join(self.folder, "parents.txt")
        with open(self.parents, "w", encoding="utf-8") as given:
            given.writelines("%s\t%s\n" % item for item in PARENTS.items())
        self.fail_on = ""
        self.pause_on = ""

    def __enter__(self):
        return self

    def __exit__(self, *_):
        shutil.rmtree(self.folder, ignore_errors=True)

    def env(self):
        return {"VEMU_RIGHTS_LOG": windows_path(self.log), "VEMU_RIGHTS_FAIL": self.fail_on,
                "VEMU_RIGHTS_PAUSE": self.pause_on, "VEMU_RIGHTS_PARENTS": windows_path(self.parents)}

    @contextlib.contextmanager
    def failing(self, call):
        """Within the with block, the call whose record (fields separated
        by tabs) contains call fails."""
        self.fail_on = call
        try:
            yield
        finally:
            self.fail_on = ""

    def take_calls(self):
        """The calls since the last look: each its list of fields (kind,
        path and, for create and set, the descriptor)."""
        if not os.path.exists(self.log):
            return []
        with open(self.log, encoding="utf-8") as log:
            calls = [line.rstrip("\n").split("\t") for line in log]
        os.remove(self.log)
        return calls


RECORDER = None  # the RightsRecorder of the running test


def env(debug="-all"):
    result = wine_harness.wine_env(os.environ.get("VEMU_DISPLAY"))
    result["WINEDEBUG"] = debug
    # Links saved in the prefix must not become menu entries of this machine.
    result["WINEDLLOVERRIDES"] += ";winemenubuilder.exe=d"
    if RECORDER:
        result.update(RECORDER.env())
    return result


def wine(args, timeout=STEP_TIMEOUT):
    """Runs a program of the prefix without its output: a desktop process it
    may start inherits the pipes, and waiting for their end would wait for
    that process."""
    try:
        return subprocess.run(["wine"] + args, env=env(), stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL, timeout=timeout)
    except subprocess.TimeoutExpired:
        raise Failure("wine %s did not end within %d s" % (" ".join(args), timeout)) from None


def reg_value(key, name):
    """(type, data) of a registry value, or None."""
    return wine_testing.reg_value(env(), key, name)


def reg_key_exists(key):
    return wine(["reg", "query", key]).returncode == 0


def links_present():
    return sorted(link for link in LINKS if os.path.exists(os.path.join(unix(START_MENU), link)))


def entries():
    """What of the program the registry and the Start menu hold: a set of
    "apps entry", "autostart <value>" and the links."""
    found = set(links_present())
    if reg_key_exists(UNINSTALL_KEY):
        found.add("apps entry")
    autostart = reg_value(RUN_KEY, RUN_VALUE)
    if autostart:
        found.add("autostart " + autostart[1])
    return found


def remove_leftovers():
    """What an earlier, failed run may have left."""
    shutil.rmtree(unix(INSTALL_DIR), ignore_errors=True)
    for link in LINKS:
        with contextlib.suppress(FileNotFoundError):
            os.remove(os.path.join(unix(START_MENU), link))
    wine(["reg", "delete", UNINSTALL_KEY, "/f"])
    wine(["reg", "delete", RUN_KEY, "/v", RUN_VALUE, "/f"])
    wine(["reg", "delete", KEPT_FOLDER_KEY, "/v", "KeptFolder", "/f"])


def install(setup, *switches, code=0):
    """Runs the installer silently and checks its exit code; returns the
    rights helper's calls it made."""
    RECORDER.take_calls()
    result = wine([setup, "/S"] + list(switches))
    expect_true(result.returncode == code,
           "the installer %s ended with %d, not %d" % (" ".join(switches), result.returncode, code))
    return RECORDER.take_calls()


def install_holding(setup, call, what, name, code=0):
    """Runs the installer as install() does, and from the moment of the
    helper's call whose record (fields separated by tabs) contains call on, holds
    what name as held() does: something a user opens while it runs."""
    RECORDER.take_calls()
    paused = RECORDER.log + ".paused"
    RECORDER.pause_on = call
    proc = subprocess.Popen(["wine", setup, "/S"], env=env(), stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL)
    RECORDER.pause_on = ""
    try:
        deadline = time.monotonic() + STEP_TIMEOUT
        while not os.path.exists(paused) and proc.poll() is None and time.monotonic() < deadline:
            time.sleep(0.05)
        expect_true(os.path.exists(paused), "the installer made no rights call with %r" % call)
        with held(what, name):
            os.remove(paused)
            result = proc.wait(timeout=STEP_TIMEOUT)
    except subprocess.TimeoutExpired:
        raise Failure("the installer did not end within %d s" % STEP_TIMEOUT) from None
    finally:
        with contextlib.suppress(FileNotFoundError):
            os.remove(paused)
        if proc.poll() is None:
            proc.kill()
            proc.wait()
    expect_true(result == code, "the installer ended with %d, not %d" % (result, code))
    return RECORDER.take_calls()


def run_command_line(line, folder):
    """Runs a Windows command line exactly as written (through a batch file
    in folder, which cmd hands on unchanged); returns its exit code."""
    script = os.path.join(folder, "run.bat")
    with open(script, "w", newline="\r\n") as batch:
        batch.write("@%s\n@exit /b %%ERRORLEVEL%%\n" % line)
    return wine(["cmd", "/c", windows_path(script)]).returncode


def uninstall(*switches, code=0):
    """Runs a copy of the uninstaller outside the folder on the folder, as
    the uninstaller itself does, but waiting for it; checks its exit code
    and returns the rights helper's calls it made."""
    RECORDER.take_calls()
    work = tempfile.mkdtemp(prefix="vemu-uninstall-")
    try:
        shutil.copy(os.path.join(unix(INSTALL_DIR), UNINSTALLER), work)
        # _?= names the folder; it comes last and unquoted.
        result = run_command_line('"%s\\%s" /S %s _?=%s' % (windows_path(work), UNINSTALLER, " ".join(switches),
                                                            INSTALL_DIR), work)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    expect_true(result == code, "the uninstaller %s ended with %d, not %d" % (" ".join(switches), result, code))
    return RECORDER.take_calls()


def installed_files(folder=INSTALL_DIR):
    path = unix(folder)
    return sorted(os.listdir(path)) if os.path.isdir(path) else []


def in_folder(name):
    return "%s\\%s" % (INSTALL_DIR, name)


def rights_calls(names, descriptor):
    """The calls that give the files names in the folder the descriptor."""
    return [["set", in_folder(name), descriptor] for name in names]


def folder_calls(made="set"):
    """The calls that make (made "create") or close (made "set") the folder:
    its parent is looked at first."""
    return [["parent", PARENT], [made, INSTALL_DIR, FOLDER]]


def full_installation_calls(foreign=(), made="set"):
    """Every rights call of an installation that went through, in order: the
    folder made or closed, the files of something else it found there
    locked for users, the data files opened for them, each program file
    protected."""
    return (folder_calls(made) + rights_calls(foreign, FOREIGN_FILE) + rights_calls(DATA_FILES, DATA_FILE)
            + rights_calls(release.package_files() + [UNINSTALLER], PROGRAM_FILE))


def matches_zip(zip_path, name):
    with zipfile.ZipFile(zip_path) as archive, open(os.path.join(unix(INSTALL_DIR), name), "rb") as installed:
        return installed.read() == archive.read("%s/%s" % (release.FOLDER, name))


def held(what, name):
    """A file or the program's mutex held by the holder until the end of the
    with block (what: "file" or "mutex")."""
    return wine_testing.Held(HOLDER, env(), what, name, timeout=STEP_TIMEOUT)


def main(run, name):
    """Runs a test with the Wine server and the rights helper's record."""
    import argparse
    parser = argparse.ArgumentParser()
    parser.add_argument("--version", required=True)
    args = parser.parse_args()
    wine_harness.ensure_prefix()
    wine_harness.start_server(os.environ.get("VEMU_DISPLAY"))
    global RECORDER
    try:
        with RightsRecorder() as RECORDER:
            run(args.version)
    except Failure as failure:
        print("%s: FAILED: %s" % (name, failure))
        return 1
    finally:
        RECORDER = None
        # An autostart value left behind would start the program with the
        # next Wine session, and the next run would find it running.
        remove_leftovers()
    print("%s: passed" % name)
    return 0
