"""The installer under Wine, as the installer tests drive it: silent runs of
the installer and the uninstaller, the prefix's files and registry, the
icacls calls the installer makes, and things held while it runs."""
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
ICACLS_RECORDER = os.path.join(TEST_PROGRAMS, "icacls_recorder.exe")

INSTALL_DIR = r"C:\Program Files\Vemu Keys"
START_MENU = r"C:\ProgramData\Microsoft\Windows\Start Menu\Programs"
LINKS = {"Vemu Keys.lnk": release.programs()[0], "Vemu Keys Anleitung.lnk": release.GUIDE}
UNINSTALL_KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\VemuKeys"
SETTINGS = "vemuKeys.set"
UNINSTALLER = "uninstall.exe"
MAIN_PROGRAM = release.programs()[0]
SYSTEM_ICACLS = r"C:\windows\system32\icacls.exe"
STEP_TIMEOUT = 60  # seconds for one installer run or program start on a loaded machine

# The exit codes of a run that did not do its work.
EXIT_RUNNING = 2
EXIT_FOREIGN_FOLDER = 3
EXIT_FILE = 4
EXIT_RIGHTS = 5

# The files every user's program writes in the folder, in the installer's
# order.
DATA_FILES = [SETTINGS, "vemuKeys.set.journal", "Errors.log", "Errors.old.log"]

# The rights the installer asks icacls for, by well-known SID: the folder
# and each kind of file in it. Users may read and write the data files and
# read and run the rest; nobody but the administrators and the system may
# change anything else.
SYSTEM, ADMINISTRATORS, USERS = "*S-1-5-18", "*S-1-5-32-544", "*S-1-5-32-545"
OWNER = ["/setowner", ADMINISTRATORS]
FILE_RIGHTS = ["/inheritance:r", "/grant:r", SYSTEM + ":(F)", ADMINISTRATORS + ":(F)", USERS + ":(RX)"]
FOLDER_CLOSED = [OWNER, ["/reset"], ["/inheritance:r", "/grant:r", SYSTEM + ":(OI)(CI)(F)",
                                       ADMINISTRATORS + ":(OI)(CI)(F)", USERS + ":(OI)(CI)(RX)"]]
FOLDER_LEFT = ["/grant:r", USERS + ":(OI)(CI)(RX)"]
# A folder a user made, taken from him, everything in it included, before
# it is removed.
TREE_TAKEN = [OWNER + ["/T", "/C", "/L"], ["/reset", "/T", "/C", "/L"]]
# Files the installer keeps: their owner taken, their rights made anew.
DATA_RIGHTS = [OWNER, ["/reset"], ["/inheritance:r", "/grant:r", SYSTEM + ":(F)", ADMINISTRATORS + ":(F)",
                                    USERS + ":(R,W)"]]
FOREIGN_RIGHTS = [OWNER, ["/reset"], ["/inheritance:r", "/grant:r", SYSTEM + ":(F)", ADMINISTRATORS + ":(F)"]]


def unix(path):
    """A C: path of the prefix on this machine."""
    return os.path.join(wine_harness.PREFIX, "drive_c", *path[3:].split("\\"))


class IcaclsRecorder:
    """Puts the recording stand-in where the installer looks for icacls (the
    prefix's system folder) while the tests run, and gives back the calls
    made since the last look. Wine loads its own icacls unless told to load
    the file there, so the stand-in acts only where env() says so; an
    interrupted run that left it behind changes nothing else."""

    def __init__(self):
        self.system_copy = unix(SYSTEM_ICACLS)
        self.saved = self.system_copy + ".wine"
        self.folder = tempfile.mkdtemp(prefix="vemu-icacls-")
        self.log = os.path.join(self.folder, "calls.txt")
        self.fail_on = ""
        self.pause_on = ""

    def __enter__(self):
        if not os.path.exists(self.saved):
            os.replace(self.system_copy, self.saved)
        shutil.copy(ICACLS_RECORDER, self.system_copy)
        return self

    def __exit__(self, *_):
        os.replace(self.saved, self.system_copy)
        shutil.rmtree(self.folder, ignore_errors=True)

    def env(self):
        return {"VEMU_ICACLS_LOG": windows_path(self.log), "VEMU_ICACLS_FAIL": self.fail_on,
                "VEMU_ICACLS_PAUSE": self.pause_on}

    @contextlib.contextmanager
    def failing(self, call):
        """Within the with block, the call whose arguments (separated by
        tabs) contain call fails."""
        self.fail_on = call
        try:
            yield
        finally:
            self.fail_on = ""

    def take_calls(self):
        """The calls since the last look: each its list of arguments. Each
        must have named icacls by its full path in the system folder."""
        if not os.path.exists(self.log):
            return []
        with open(self.log, encoding="utf-8") as log:
            calls = [line.rstrip("\n").split("\t") for line in log]
        os.remove(self.log)
        for call in calls:
            expect_true(call[0].lower() == SYSTEM_ICACLS.lower(), "icacls was called as %s" % call[0])
        return [call[1:] for call in calls]


RECORDER = None  # the IcaclsRecorder of the running test


def env(debug="-all"):
    result = wine_harness.wine_env(os.environ.get("VEMU_DISPLAY"))
    result["WINEDEBUG"] = debug
    # Links saved in the prefix must not become menu entries of this machine.
    result["WINEDLLOVERRIDES"] += ";winemenubuilder.exe=d"
    if RECORDER:
        result["WINEDLLOVERRIDES"] += ";icacls.exe=n"
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


def install(setup, *switches, code=0):
    """Runs the installer silently and checks its exit code; returns the
    icacls calls it made."""
    RECORDER.take_calls()
    result = wine([setup, "/S"] + list(switches))
    expect_true(result.returncode == code,
           "the installer %s ended with %d, not %d" % (" ".join(switches), result.returncode, code))
    return RECORDER.take_calls()


def install_holding(setup, call, what, name, code=0):
    """Runs the installer as install() does, and from the moment of the
    icacls call whose arguments (separated by tabs) contain call on, holds
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
        expect_true(os.path.exists(paused), "the installer made no icacls call with %r" % call)
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
    and returns the icacls calls it made."""
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


def protection_calls(names):
    """The calls that give installed files their owner and rights, in order."""
    calls = []
    for name in names:
        calls += [[in_folder(name)] + OWNER, [in_folder(name)] + FILE_RIGHTS]
    return calls


def rights_calls(names, rights):
    """The calls that give the files names kept in the folder the rights."""
    return [[in_folder(name)] + args for name in names for args in rights]


def full_installation_calls(foreign=()):
    """Every icacls call of an installation that went through, in order: the
    folder closed, the files of something else it found there locked for
    users, the data files opened for them, each program file protected."""
    return ([[INSTALL_DIR] + args for args in FOLDER_CLOSED] + rights_calls(foreign, FOREIGN_RIGHTS)
            + rights_calls(DATA_FILES, DATA_RIGHTS) + protection_calls(release.package_files() + [UNINSTALLER]))


def matches_zip(zip_path, name):
    with zipfile.ZipFile(zip_path) as archive, open(os.path.join(unix(INSTALL_DIR), name), "rb") as installed:
        return installed.read() == archive.read("%s/%s" % (release.FOLDER, name))


def held(what, name):
    """A file or the program's mutex held by the holder until the end of the
    with block (what: "file" or "mutex")."""
    return wine_testing.Held(HOLDER, env(), what, name, timeout=STEP_TIMEOUT)


def main(run, name):
    """Runs a test with the Wine server and the icacls stand-in in place."""
    import argparse
    parser = argparse.ArgumentParser()
    parser.add_argument("--version", required=True)
    args = parser.parse_args()
    wine_harness.ensure_prefix()
    wine_harness.start_server(os.environ.get("VEMU_DISPLAY"))
    global RECORDER
    try:
        with IcaclsRecorder() as RECORDER:
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
