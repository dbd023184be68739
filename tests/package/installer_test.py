#!/usr/bin/env python3
"""The installer under Wine through its life, silent as an administrator
would run it:

1. install with autostart and the sign-in service: the files, the Start
   menu links, the apps entry, the autostart value (the program's path in
   quotes), the service (LocalSystem,
   its program by a quoted path in the folder), and the owner and rights the
   installer's helper sets, in their order: the new folder made with its
   protected rights in the creating call;
2. start the installed program; while it runs, the uninstaller and the
   installer refuse and change nothing;
3. uninstall keeping the settings: a complete journal is taken up first,
   only the settings file stays, users may no longer change files in the
   folder (owner and protected rights in one call), and the service, the
   machine's key and the autostart value an older version wrote (unquoted)
   are gone;
4. a user puts program files into that folder, keeping a link to each; the
   installation again (without the switch) takes the folder, writes new
   files and leaves the user's alone; the settings are still there, no
   autostart value appears; the folder the uninstall recorded is closed in
   one call;
5. an update over an installation into which users could put files (as an
   older version let them): what could change a program start goes (a
   folder only once it is taken from the user), other files stay without
   any right of the Users group (a folder walked by handle, taken before it
   is walked), a data file's second name goes, the
   settings file with a second name keeps its settings, and an unquoted
   autostart value is written quoted;
6. uninstall as the apps entry says, with an autostart value that starts a
   copy elsewhere: that value stays, and nothing else of the program is left.

    installer_test.py --version 1.0.0
"""
import contextlib
import os
import shutil
import subprocess
import sys
import tempfile
import time

import release
from installer import (BUILD, DATA_FILES, EXIT_RUNNING, FOLDER, INSTALL_DIR, LINKS, MAIN_PROGRAM, RUN_KEY,
                       RUN_VALUE, SETTINGS, START_MENU, STEP_TIMEOUT, TAKEN_FOLDER, UNINSTALL_KEY, UNINSTALLER, Failure,
                       env, expect_true, full_installation_calls, in_folder, install, installed_files, matches_zip,
                       reg_key_exists,
                       reg_value, run_command_line, uninstall, unix, wine, wine_harness)
import installer
from wine_testing import IDC_EXIT, MAIN_WINDOW_CLASS, driver_answer, windows_path

sys.path.insert(0, os.path.join(release.TOP, "tests", "e2e"))
from engine_e2e import journal_record  # noqa: E402

# The sign-in helper's service and the machine's key it reads.
SIGNIN_SERVICE_KEY = r"HKLM\System\CurrentControlSet\Services\vemuKeysSignIn"
SIGNIN_KEY = r"HKLM\SOFTWARE\Vemu Keys\SignIn"

# The error file that takes the lines of one grown too large.
OLD_ERROR_FILE = "Errors.old.log"

# What users could put into the folder of an older installation, and what an
# update does with each: the loader reads the first four before any code of
# the program runs (a folder may hold a private assembly or be a .local
# redirection).
PLANTED = [("vemuKeys.exe.config", "removed"), ("Microsoft.Windows.Common-Controls.manifest", "removed"),
           ("comctl32.dll", "removed"), ("vemuKeys.exe.local", "removed folder"), ("Daten", "removed folder"),
           ("notizen.txt", "locked")]

# The program this test starts from the installation, named in this one
# place: the tray program. It is up when its main window exists; "Beenden"
# (pressed by the UI driver) ends it and it stores its settings.
STARTED_PROGRAM = "vemuKeys.exe"


def traces():
    """Everything in the prefix that names the program: paths under C: and
    registry lines (with their key)."""
    found = set()
    for folder, dirs, files in os.walk(os.path.join(wine_harness.PREFIX, "drive_c")):
        for name in dirs + files:
            if "vemu" in name.lower():
                found.add(os.path.relpath(os.path.join(folder, name), wine_harness.PREFIX))
    export = os.path.join(tempfile.mkdtemp(prefix="vemu-reg-"), "all.reg")
    try:
        result = wine(["regedit", "/E", windows_path(export)], timeout=120)
        expect_true(result.returncode == 0 and os.path.exists(export), "regedit could not export the registry")
        with open(export, "rb") as exported:
            text = exported.read().decode("utf-16")
    finally:
        shutil.rmtree(os.path.dirname(export), ignore_errors=True)
    key = ""
    for line in text.splitlines():
        if line.startswith("["):
            key = line
        if "vemu" in line.lower() or "vemu" in key.lower():
            found.add(key + " " + line)
    return found


def file_identities():
    """Each installed file's inode and modification time: what a refusing
    run must leave as it is."""
    return {name: (os.stat(os.path.join(unix(INSTALL_DIR), name)).st_ino,
                   os.stat(os.path.join(unix(INSTALL_DIR), name)).st_mtime_ns) for name in installed_files()}


def check_installation(version, zip_path, calls, kept=(), made="set"):
    """The installation, with the files of something else that were kept."""
    expected = sorted(release.package_files() + [UNINSTALLER] + DATA_FILES)
    present = sorted(expected + list(kept))
    expect_true(installed_files() == present, "installed %s, not %s" % (installed_files(), present))
    for name in release.package_files():
        expect_true(matches_zip(zip_path, name), "the installed %s differs from the zip's" % name)

    for link, target in LINKS.items():
        path = os.path.join(unix(START_MENU), link)
        expect_true(os.path.isfile(path), "no Start menu link %s" % link)
        with open(path, "rb") as saved:
            data = saved.read()
        full = "%s\\%s" % (INSTALL_DIR, target)
        expect_true(full.encode("ascii") in data or full.encode("utf-16-le") in data,
               "the link %s does not lead to %s" % (link, full))

    entry = {name: reg_value(UNINSTALL_KEY, name) for name in
             ("DisplayName", "DisplayVersion", "Publisher", "UninstallString", "QuietUninstallString",
              "InstallLocation")}
    expect_true(entry["DisplayName"] == ("REG_SZ", "Vemu Keys"), "apps entry name %r" % (entry["DisplayName"],))
    expect_true(entry["DisplayVersion"] == ("REG_SZ", version), "apps entry version %r" % (entry["DisplayVersion"],))
    expect_true(entry["Publisher"] and entry["Publisher"][1], "apps entry without publisher")
    expect_true(entry["InstallLocation"] == ("REG_SZ", INSTALL_DIR), "apps entry location %r" % (entry["InstallLocation"],))
    uninstaller = '"%s\\%s"' % (INSTALL_DIR, UNINSTALLER)
    expect_true(entry["UninstallString"] == ("REG_SZ", uninstaller), "uninstall string %r" % (entry["UninstallString"],))
    expect_true(entry["QuietUninstallString"] == ("REG_SZ", uninstaller + " /S"),
           "quiet uninstall string %r" % (entry["QuietUninstallString"],))

    # The folder is made or closed first; each program file gets its owner
    # and rights right after it is written.
    wanted = full_installation_calls(kept, made)
    expect_true(calls == wanted, "the rights helper ran as\n  %s\nnot\n  %s" % ("\n  ".join(map(str, calls)),
                                                                   "\n  ".join(map(str, wanted))))


class StartedProgram:
    """The installed program, seen and ended through the UI driver."""

    def __init__(self):
        path = "%s\\%s" % (INSTALL_DIR, STARTED_PROGRAM)
        self.proc = subprocess.Popen(["wine", path], env=env(), stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                     stderr=subprocess.DEVNULL, start_new_session=True)
        self.window = None

    def ask(self, command):
        """One answer of a fresh UI driver; "" when it gave none in time."""
        return driver_answer(BUILD, env(), command, timeout=30)

    def wait_until_up(self):
        deadline = time.monotonic() + STEP_TIMEOUT
        while time.monotonic() < deadline:
            self.window = self.ask("find %s * 3000" % MAIN_WINDOW_CLASS)
            if self.window not in ("", "none"):
                return
            if self.proc.poll() is not None:
                raise Failure("%s ended with %d before its window came" % (STARTED_PROGRAM, self.proc.returncode))
        raise Failure("%s did not come up (no main window)" % STARTED_PROGRAM)

    def end(self):
        self.ask("command %s %d" % (self.window, IDC_EXIT))
        try:
            return self.proc.wait(timeout=STEP_TIMEOUT)
        except subprocess.TimeoutExpired:
            raise Failure("%s did not end on Beenden" % STARTED_PROGRAM) from None

    def kill(self):
        if self.proc.poll() is None:
            # The Windows process may outlive its launcher: it goes by name.
            wine(["taskkill", "/F", "/IM", STARTED_PROGRAM])
            with contextlib.suppress(ProcessLookupError):
                os.killpg(self.proc.pid, 9)
            self.proc.wait()


def plant(names, keep):
    """Files a user put into the program's folder under the names of the
    program's files, each with a second link in keep (the user's way back
    to it): returns each one's inode."""
    planted = {}
    for name in names:
        path = os.path.join(unix(INSTALL_DIR), name)
        with open(path, "wb") as faked:
            faked.write(b"planted " + name.encode())
        os.link(path, os.path.join(keep, name))
        planted[name] = os.stat(path).st_ino
    return planted


def check_planted_left_alone(planted, keep, zip_path):
    for name, inode in planted.items():
        expect_true(os.stat(os.path.join(unix(INSTALL_DIR), name)).st_ino != inode,
               "%s was written into the file a user put there" % name)
        with open(os.path.join(keep, name), "rb") as faked:
            expect_true(faked.read() == b"planted " + name.encode(), "the file a user put there as %s was changed" % name)
    expect_true(matches_zip(zip_path, MAIN_PROGRAM), "the installed %s is not the zip's" % MAIN_PROGRAM)


def run(version):
    setup = release.test_installer(version)
    zip_path = release.package(version, "win64.zip")
    unquoted_target = "%s\\%s" % (INSTALL_DIR, MAIN_PROGRAM)
    run_target = '"%s"' % unquoted_target

    installer.remove_leftovers()
    before = traces()

    print("installer_test: 1. silent install with autostart")
    calls = install(setup, "/AUTOSTART=1", "/SIGNIN")
    check_installation(version, zip_path, calls, made="create")
    service = SIGNIN_SERVICE_KEY
    expect_true(reg_value(service, "ImagePath") == ("REG_SZ", '"%s\\vemuKeysSignInService.exe"' % INSTALL_DIR),
                "the service's program %r" % (reg_value(service, "ImagePath"),))
    expect_true(reg_value(service, "ObjectName") == ("REG_SZ", "LocalSystem"),
                "the service runs as %r" % (reg_value(service, "ObjectName"),))
    expect_true(reg_value(service, "Start") == ("REG_DWORD", "0x2"), "the service does not start with Windows")
    expect_true(reg_value(RUN_KEY, RUN_VALUE) == ("REG_SZ", run_target),
           "autostart value %r, not %s" % (reg_value(RUN_KEY, RUN_VALUE), run_target))

    print("installer_test: 2. %s from the installation; uninstaller and installer refuse while it runs"
          % STARTED_PROGRAM)
    program = StartedProgram()
    try:
        program.wait_until_up()
        untouched = file_identities()
        calls = uninstall(code=EXIT_RUNNING)
        expect_true(file_identities() == untouched, "the refusing uninstaller changed the folder: %s" % installed_files())
        calls += install(setup, "/AUTOSTART=0", code=EXIT_RUNNING)
        expect_true(file_identities() == untouched, "the refusing installer changed the folder: %s" % installed_files())
        expect_true(not calls, "the refusing runs changed rights: %s" % calls)
        expect_true(reg_value(RUN_KEY, RUN_VALUE) == ("REG_SZ", run_target), "the refusing installer changed the autostart")
        code = program.end()
        expect_true(code == 0, "%s ended with %d" % (STARTED_PROGRAM, code))
    finally:
        program.kill()
    settings_path = os.path.join(unix(INSTALL_DIR), SETTINGS)
    with open(settings_path, "rb") as settings:
        settings_text = settings.read()
    expect_true(b"[Start]" in settings_text, "the program wrote no settings into %s: %r" % (SETTINGS, settings_text))

    print("installer_test: 3. silent uninstall keeping the settings")
    wine(["reg", "add", SIGNIN_KEY, "/v", "Port", "/t", "REG_DWORD", "/d", "3", "/f"])
    wine(["reg", "add", RUN_KEY, "/v", RUN_VALUE, "/t", "REG_SZ", "/d", unquoted_target, "/f"])
    # The last write of the settings was cut off: its journal is complete.
    with open(settings_path, "rb") as settings:
        replaced = settings.read()
    settings_text = replaced.replace(b"[Start]", b"[Start]\r\nLeft=123", 1)
    with open(os.path.join(unix(INSTALL_DIR), DATA_FILES[1]), "wb") as journal:
        journal.write(journal_record(settings_text, replaced))
    calls = uninstall("/KEEPSETTINGS")
    with open(settings_path, "rb") as settings:
        expect_true(settings.read() == settings_text, "the kept settings are not those of the journal")
    expect_true(not reg_key_exists(SIGNIN_SERVICE_KEY), "the sign-in service is still registered")
    expect_true(not reg_key_exists(SIGNIN_KEY), "the machine's sign-in key is still there")
    expect_true(installed_files() == [SETTINGS], "left in the folder: %s" % installed_files())
    expect_true(calls == [["set", INSTALL_DIR, FOLDER]], "the folder left behind got the rights %s" % calls)
    expect_true(not reg_key_exists(UNINSTALL_KEY), "the apps entry is still there")
    expect_true(reg_value(RUN_KEY, RUN_VALUE) is None, "the autostart value is still there")
    expect_true(not installer.links_present(), "a Start menu link is still there")

    print("installer_test: 4. a user's files in the folder; silent install again, without autostart")
    keep = tempfile.mkdtemp(prefix="planted-", dir=wine_harness.PREFIX)
    try:
        planted = plant([MAIN_PROGRAM, UNINSTALLER], keep)
        # A file the program writes beside itself is no reason to refuse
        # the folder; it stays.
        errors_path = os.path.join(unix(INSTALL_DIR), OLD_ERROR_FILE)
        with open(errors_path, "w") as errors:
            errors.write("01.01.2026 10:00:00 Fehler\n")
        # Nor is the settings' replacement an older version left when it
        # ended while writing them; it goes.
        leftover = os.path.join(unix(INSTALL_DIR), SETTINGS + ".1234.new")
        with open(leftover, "w") as replacement:
            replacement.write("[Port]\n")
        check_installation(version, zip_path, install(setup))
        check_planted_left_alone(planted, keep, zip_path)
        with open(errors_path) as errors:
            expect_true(errors.read() == "01.01.2026 10:00:00 Fehler\n", "the older error file was changed")
    finally:
        shutil.rmtree(keep, ignore_errors=True)
    with open(settings_path, "rb") as settings:
        expect_true(settings.read() == settings_text, "installing again changed the settings")
    expect_true(reg_value(RUN_KEY, RUN_VALUE) is None, "installing without the switch added an autostart value")
    expect_true(not reg_key_exists(SIGNIN_SERVICE_KEY), "installing without the switch registered the service")

    print("installer_test: 5. an update over files users put into the folder")
    for name, kind in PLANTED:
        path = os.path.join(unix(INSTALL_DIR), name)
        if kind == "removed folder":
            os.mkdir(path)
            path = os.path.join(path, "comctl32.dll")
        with open(path, "w") as planted_file:
            planted_file.write("planted")
    # The journal as a second name of a document elsewhere.
    document, journal = unix(r"C:\Dokument.txt"), os.path.join(unix(INSTALL_DIR), DATA_FILES[1])
    with open(document, "w") as text:
        text.write("eigener Text")
    os.remove(journal)
    os.link(document, journal)
    # Any user may give the settings file a second name of his own.
    other_name = os.path.join(tempfile.mkdtemp(prefix="second-name-", dir=wine_harness.PREFIX), SETTINGS)
    os.link(settings_path, other_name)
    wine(["reg", "add", RUN_KEY, "/v", RUN_VALUE, "/t", "REG_SZ", "/d", unquoted_target, "/f"])
    calls = install(setup)
    expect_true(reg_value(RUN_KEY, RUN_VALUE) == ("REG_SZ", run_target),
                "the update left the autostart value %r" % (reg_value(RUN_KEY, RUN_VALUE),))
    with open(settings_path, "rb") as settings:
        expect_true(settings.read() == settings_text and os.stat(settings_path).st_nlink == 1,
                    "the settings file with a second name lost its settings or kept the name")
    with open(other_name, "rb") as settings:
        expect_true(settings.read() == settings_text, "the second name's file was changed")
    shutil.rmtree(os.path.dirname(other_name), ignore_errors=True)
    folders = [in_folder(name) for name, kind in PLANTED if kind == "removed folder"]
    for folder in folders:
        walked = [call for call in calls if call[1].startswith(folder)]
        expect_true(walked == [["set", folder, TAKEN_FOLDER], ["remove", folder + "\\comctl32.dll"], ["remove", folder]],
                    "%s was removed as\n  %s" % (folder, "\n  ".join(map(str, walked))))
    check_installation(version, zip_path, [call for call in calls if not call[1].startswith(tuple(folders))],
                       kept=[name for name, kind in PLANTED if kind == "locked"])
    with open(document) as text:
        expect_true(text.read() == "eigener Text" and os.stat(document).st_nlink == os.stat(journal).st_nlink == 1,
               "the document behind the journal was taken as the journal")
    os.remove(document)
    with open(settings_path, "rb") as settings:
        expect_true(settings.read() == settings_text, "the update changed the settings")
    # The uninstaller leaves files of something else; an administrator
    # takes this one away.
    for name, kind in PLANTED:
        if kind == "locked":
            os.remove(os.path.join(unix(INSTALL_DIR), name))

    print("installer_test: 6. uninstall as the apps entry says; a copy's autostart value stays")
    elsewhere = r"D:\Hilfen\vemuKeys.exe"
    wine(["reg", "add", RUN_KEY, "/v", RUN_VALUE, "/t", "REG_SZ", "/d", elsewhere, "/f"])
    quiet = reg_value(UNINSTALL_KEY, "QuietUninstallString")[1]
    work = tempfile.mkdtemp(prefix="vemu-uninstall-")
    try:
        code = run_command_line(quiet, work)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    expect_true(code == 0, "the quiet uninstall string ended with %d" % code)
    # It hands over to a copy of itself outside the folder and returns.
    deadline = time.monotonic() + STEP_TIMEOUT
    while (os.path.exists(unix(INSTALL_DIR)) or reg_key_exists(UNINSTALL_KEY)) and time.monotonic() < deadline:
        time.sleep(0.5)
    expect_true(not os.path.exists(unix(INSTALL_DIR)), "the folder is still there: %s" % installed_files())
    expect_true(reg_value(RUN_KEY, RUN_VALUE) == ("REG_SZ", elsewhere), "the copy's autostart value went")
    wine(["reg", "delete", RUN_KEY, "/v", RUN_VALUE, "/f"])
    left = traces() - before
    expect_true(not left, "left behind: %s" % sorted(left))


if __name__ == "__main__":
    sys.exit(installer.main(run, "installer_test"))
