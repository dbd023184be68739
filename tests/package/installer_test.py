#!/usr/bin/env python3
"""The installer under Wine, silent as an administrator would run it:

1. install with autostart: the files, the Start menu links, the apps entry,
   the autostart value and the rights the installer asks icacls for;
2. start the installed program; while it runs, the uninstaller refuses;
3. uninstall keeping the settings: only the settings file stays;
4. install again without the switch: the settings are still there, no
   autostart value appears;
5. uninstall as the apps entry says, with an autostart value that starts a
   copy elsewhere: that value stays, and nothing else of the program is left.

    installer_test.py --version 1.0.0
"""
import argparse
import contextlib
import os
import shutil
import subprocess
import sys
import tempfile
import time
import zipfile

import release

sys.path.insert(0, os.path.join(release.TOP, "scripts"))
import wine_harness  # noqa: E402

# The program this test starts from the installation, named in this one
# place: the tray program. It is up when its main window exists; "Beenden"
# (pressed by the UI driver) ends it and it stores its settings.
STARTED_PROGRAM = "vemuKeys.exe"
MAIN_WINDOW_CLASS = "TvemuCfgDlg"
EXIT_BUTTON = 1002
UI_DRIVER = os.path.join(release.TOP, "build", "win64", "tests", "uidriver.exe")

INSTALL_DIR = r"C:\Program Files\Vemu Keys"
START_MENU = r"C:\ProgramData\Microsoft\Windows\Start Menu\Programs"
LINKS = {"Vemu Keys.lnk": release.programs()[0], "Vemu Keys Anleitung.lnk": release.GUIDE}
UNINSTALL_KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\VemuKeys"
RUN_KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Run"
RUN_VALUE = "vemuKeys"
SETTINGS = "vemuKeys.set"
UNINSTALLER = "uninstall.exe"
STEP_TIMEOUT = 60  # seconds for one installer run or program start on a loaded machine

# Every file the installer writes gets its inherited rights replaced; the
# folder gives users the right to change what they create in it.
PROTECT_ARGS = ["/inheritance:r", "/grant:r", "*S-1-5-18:(F)", "*S-1-5-32-544:(F)", "*S-1-5-32-545:(RX)"]
FOLDER_ARGS = ["/grant", "*S-1-5-32-545:(OI)(CI)(M)"]


class Failure(Exception):
    pass


def expect(condition, what):
    if not condition:
        raise Failure(what)


def env(debug="-all"):
    result = wine_harness.wine_env(os.environ.get("VEMU_DISPLAY"))
    result["WINEDEBUG"] = debug
    # Links saved in the prefix must not become menu entries of this machine.
    result["WINEDLLOVERRIDES"] += ";winemenubuilder.exe=d"
    return result


def unix(path):
    """A C: path of the prefix on this machine."""
    return os.path.join(wine_harness.PREFIX, "drive_c", *path[3:].split("\\"))


def wine(args, debug="-all", timeout=STEP_TIMEOUT):
    try:
        return subprocess.run(["wine"] + args, env=env(debug), stdin=subprocess.DEVNULL,
                              capture_output=True, timeout=timeout)
    except subprocess.TimeoutExpired:
        raise Failure("wine %s did not end within %d s" % (" ".join(args), timeout)) from None


def reg_value(key, name):
    """(type, data) of a registry value, or None."""
    result = wine(["reg", "query", key, "/v", name])
    for line in result.stdout.decode("utf-8", "replace").splitlines():
        parts = line.strip().split(None, 2)
        if len(parts) >= 2 and parts[0] == name:
            return parts[1], parts[2] if len(parts) > 2 else ""
    return None


def reg_key_exists(key):
    return wine(["reg", "query", key]).returncode == 0


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
        result = wine(["regedit", "/E", "Z:" + export.replace("/", "\\")], timeout=120)
        expect(result.returncode == 0 and os.path.exists(export), "regedit could not export the registry")
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


def remove_leftovers():
    """What an earlier, failed run may have left."""
    shutil.rmtree(unix(INSTALL_DIR), ignore_errors=True)
    for link in LINKS:
        with_path = os.path.join(unix(START_MENU), link)
        if os.path.exists(with_path):
            os.remove(with_path)
    wine(["reg", "delete", UNINSTALL_KEY, "/f"])
    wine(["reg", "delete", RUN_KEY, "/v", RUN_VALUE, "/f"])


def install(setup, *switches):
    """Runs the installer silently; returns the icacls command lines it ran
    (Wine's icacls only reports them)."""
    result = wine([setup, "/S"] + list(switches), debug="-all,fixme+icacls")
    expect(result.returncode == 0, "the installer ended with %d" % result.returncode)
    calls = []
    for line in result.stderr.decode("utf-8", "replace").splitlines():
        if "fixme:icacls:main stub:" in line:
            words = line.split("stub:", 1)[1].split('" "')
            calls.append([w.strip().strip('"').replace("\\\\", "\\") for w in words][1:])
    return calls


def windows_path(path):
    return "Z:" + path.replace("/", "\\")


def run_command_line(line, folder):
    """Runs a Windows command line exactly as written (through a batch file
    in folder, which cmd hands on unchanged); returns its exit code."""
    script = os.path.join(folder, "run.bat")
    with open(script, "w", newline="\r\n") as batch:
        batch.write("@%s\n@exit /b %%ERRORLEVEL%%\n" % line)
    return wine(["cmd", "/c", windows_path(script)]).returncode


def uninstall_waiting(*switches):
    """Runs a copy of the uninstaller outside the folder on the folder, as
    the uninstaller itself does, but waiting for it: returns its exit code."""
    work = tempfile.mkdtemp(prefix="vemu-uninstall-")
    try:
        shutil.copy(os.path.join(unix(INSTALL_DIR), UNINSTALLER), work)
        # _?= names the folder; it comes last and unquoted.
        return run_command_line('"%s\\%s" /S %s _?=%s' % (windows_path(work), UNINSTALLER, " ".join(switches),
                                                          INSTALL_DIR), work)
    finally:
        shutil.rmtree(work, ignore_errors=True)


def installed_files():
    folder = unix(INSTALL_DIR)
    return sorted(os.listdir(folder)) if os.path.isdir(folder) else []


def check_installation(version, zip_path, calls, kept=()):
    """The installation, with the files of an earlier one that were kept."""
    expected = sorted(release.package_files() + [UNINSTALLER])
    present = sorted(expected + list(kept))
    expect(installed_files() == present, "installed %s, not %s" % (installed_files(), present))
    with zipfile.ZipFile(zip_path) as archive:
        for name in release.package_files():
            with open(os.path.join(unix(INSTALL_DIR), name), "rb") as installed:
                expect(installed.read() == archive.read("%s/%s" % (release.FOLDER, name)),
                       "the installed %s differs from the zip's" % name)

    for link, target in LINKS.items():
        path = os.path.join(unix(START_MENU), link)
        expect(os.path.isfile(path), "no Start menu link %s" % link)
        with open(path, "rb") as saved:
            data = saved.read()
        full = "%s\\%s" % (INSTALL_DIR, target)
        expect(full.encode("ascii") in data or full.encode("utf-16-le") in data,
               "the link %s does not lead to %s" % (link, full))

    entry = {name: reg_value(UNINSTALL_KEY, name) for name in
             ("DisplayName", "DisplayVersion", "Publisher", "UninstallString", "QuietUninstallString",
              "InstallLocation")}
    expect(entry["DisplayName"] == ("REG_SZ", "Vemu Keys"), "apps entry name %r" % (entry["DisplayName"],))
    expect(entry["DisplayVersion"] == ("REG_SZ", version), "apps entry version %r" % (entry["DisplayVersion"],))
    expect(entry["Publisher"] and entry["Publisher"][1], "apps entry without publisher")
    expect(entry["InstallLocation"] == ("REG_SZ", INSTALL_DIR), "apps entry location %r" % (entry["InstallLocation"],))
    uninstaller = '"%s\\%s"' % (INSTALL_DIR, UNINSTALLER)
    expect(entry["UninstallString"] == ("REG_SZ", uninstaller), "uninstall string %r" % (entry["UninstallString"],))
    expect(entry["QuietUninstallString"] == ("REG_SZ", uninstaller + " /S"),
           "quiet uninstall string %r" % (entry["QuietUninstallString"],))

    # Wine's icacls changes nothing; it reports each call as a fixme line.
    expect(calls, "no icacls call seen: Wine's icacls no longer reports its calls?")
    wanted = [["%s\\%s" % (INSTALL_DIR, name)] + PROTECT_ARGS for name in expected] + [[INSTALL_DIR] + FOLDER_ARGS]
    expect(sorted(calls) == sorted(wanted), "icacls ran as %s, not %s" % (calls, wanted))
    # The folder's right comes last, when every installed file is protected.
    expect(calls[-1] == [INSTALL_DIR] + FOLDER_ARGS, "the folder's rights were not set last")


class StartedProgram:
    """The installed program, seen and ended through the UI driver."""

    def __init__(self):
        path = "%s\\%s" % (INSTALL_DIR, STARTED_PROGRAM)
        self.proc = subprocess.Popen(["wine", path], env=env(), stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                     stderr=subprocess.DEVNULL, start_new_session=True)
        self.window = None

    def ask(self, command):
        """One answer of a fresh UI driver; "" when it gave none in time."""
        try:
            done = subprocess.run(["wine", UI_DRIVER], env=env(), input=(command + "\nquit\n").encode(),
                                  capture_output=True, timeout=30)
        except subprocess.TimeoutExpired:
            return ""
        lines = done.stdout.decode("utf-8", "replace").split()
        return lines[-1] if lines else ""

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
        self.ask("command %s %d" % (self.window, EXIT_BUTTON))
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


def run(version):
    setup = release.package(version, "setup.exe")
    zip_path = release.package(version, "win64.zip")
    main_program = release.programs()[0]
    run_target = "%s\\%s" % (INSTALL_DIR, main_program)

    remove_leftovers()
    before = traces()

    print("installer_test: 1. silent install with autostart")
    calls = install(setup, "/AUTOSTART=1")
    check_installation(version, zip_path, calls)
    expect(reg_value(RUN_KEY, RUN_VALUE) == ("REG_SZ", run_target),
           "autostart value %r, not %s" % (reg_value(RUN_KEY, RUN_VALUE), run_target))

    print("installer_test: 2. %s from the installation; the uninstaller refuses while it runs" % STARTED_PROGRAM)
    program = StartedProgram()
    try:
        program.wait_until_up()
        code = uninstall_waiting()
        expect(code == 2, "the uninstaller ended with %d while the program ran" % code)
        expect(installed_files() == sorted(release.package_files() + [UNINSTALLER]),
               "the refusing uninstaller changed the folder: %s" % installed_files())
        code = program.end()
        expect(code == 0, "%s ended with %d" % (STARTED_PROGRAM, code))
    finally:
        program.kill()
    settings_path = os.path.join(unix(INSTALL_DIR), SETTINGS)
    expect(os.path.isfile(settings_path), "the program wrote no %s into its folder" % SETTINGS)
    with open(settings_path, "rb") as settings:
        settings_text = settings.read()

    print("installer_test: 3. silent uninstall keeping the settings")
    code = uninstall_waiting("/KEEPSETTINGS")
    expect(code == 0, "the uninstaller ended with %d" % code)
    expect(installed_files() == [SETTINGS], "left in the folder: %s" % installed_files())
    expect(not reg_key_exists(UNINSTALL_KEY), "the apps entry is still there")
    expect(reg_value(RUN_KEY, RUN_VALUE) is None, "the autostart value is still there")
    expect(not any(os.path.exists(os.path.join(unix(START_MENU), link)) for link in LINKS),
           "a Start menu link is still there")

    print("installer_test: 4. silent install again, without autostart")
    check_installation(version, zip_path, install(setup), kept=[SETTINGS])
    with open(settings_path, "rb") as settings:
        expect(settings.read() == settings_text, "installing again changed the settings")
    expect(reg_value(RUN_KEY, RUN_VALUE) is None, "installing without the switch added an autostart value")

    print("installer_test: 5. uninstall as the apps entry says; a copy's autostart value stays")
    elsewhere = r"D:\Hilfen\vemuKeys.exe"
    wine(["reg", "add", RUN_KEY, "/v", RUN_VALUE, "/t", "REG_SZ", "/d", elsewhere, "/f"])
    quiet = reg_value(UNINSTALL_KEY, "QuietUninstallString")[1]
    work = tempfile.mkdtemp(prefix="vemu-uninstall-")
    try:
        code = run_command_line(quiet, work)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    expect(code == 0, "the quiet uninstall string ended with %d" % code)
    # It hands over to a copy of itself outside the folder and returns.
    deadline = time.monotonic() + STEP_TIMEOUT
    while (os.path.exists(unix(INSTALL_DIR)) or reg_key_exists(UNINSTALL_KEY)) and time.monotonic() < deadline:
        time.sleep(0.5)
    expect(not os.path.exists(unix(INSTALL_DIR)), "the folder is still there: %s" % installed_files())
    expect(reg_value(RUN_KEY, RUN_VALUE) == ("REG_SZ", elsewhere), "the copy's autostart value went")
    wine(["reg", "delete", RUN_KEY, "/v", RUN_VALUE, "/f"])
    left = traces() - before
    expect(not left, "left behind: %s" % sorted(left))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--version", required=True)
    args = parser.parse_args()
    wine_harness.ensure_prefix()
    wine_harness.start_server(os.environ.get("VEMU_DISPLAY"))
    try:
        run(args.version)
    except Failure as failure:
        print("installer_test: FAILED: %s" % failure)
        return 1
    print("installer_test: passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
