#!/usr/bin/env python3
"""The installer under Wine where it must not do its work, silent as an
administrator would run it: it refuses or stops with its exit code, says so,
and leaves the apps entry, the autostart value and the Start menu links
matching the files that are there.

1. folders that are not the program's (a file or a folder of something
   else in them) are refused and stay as they were;
2. the program of another user (a mutex that cannot be opened) stops the
   installer;
3. a file a user put into the folder and keeps open stops the
   installation before anything in the folder changes;
4. rights that cannot be set stop the installation: nothing is written
   into a folder that cannot be closed, and a program file that cannot be
   protected takes the new files out again;
5. an installation after the stops is whole; a refused installation into
   another folder and a failed update leave it, its Start menu entries and
   its apps entry as they were;
6. the other user's program stops the uninstaller; files in use stop a new
   installation before it changes anything, a program file opened while an
   update runs stops it with every old file as it was, and files in use
   stop the uninstaller, which leaves what it could not remove with the
   settings and its entries and can be run again;
7. an uninstall keeping the settings reports a folder it could not close.

    installer_guards_test.py --version 1.0.0
"""
import os
import shutil
import sys

import installer
import release
from installer import (DATA_FILES, EXIT_FILE, EXIT_FOREIGN_FOLDER, EXIT_RIGHTS, EXIT_RUNNING, FILE_RIGHTS,
                       FOLDER_CLOSED, FOLDER_LEFT, INSTALL_DIR, MAIN_PROGRAM, SETTINGS, UNINSTALLER, entries,
                       expect_true, full_installation_calls, held, in_folder, install, install_holding,
                       installed_files, uninstall, unix)
from wine_testing import INSTANCE_MUTEX

FOREIGN_DIR = r"C:\Werkzeuge"
CLOSING_CALLS = [[INSTALL_DIR] + args for args in FOLDER_CLOSED]
ALL_ENTRIES = {"apps entry", "autostart \"%s\"" % in_folder(MAIN_PROGRAM)} | set(installer.LINKS)


def say(text):
    print("installer_guards_test: " + text)


def snapshot(folder):
    """Every file and folder below folder with its contents."""
    found = {}
    for path, dirs, files in os.walk(unix(folder)):
        for name in dirs:
            found[os.path.relpath(os.path.join(path, name), unix(folder))] = "folder"
        for name in files:
            with open(os.path.join(path, name), "rb") as data:
                found[os.path.relpath(os.path.join(path, name), unix(folder))] = data.read()
    return found


def expect_untouched(what, calls, before_entries=frozenset()):
    expect_true(not calls, "%s changed rights: %s" % (what, calls))
    expect_true(entries() == set(before_entries), "%s left the entries %s" % (what, sorted(entries())))


def foreign_folders(setup):
    say("1. folders of something else are refused")
    for content, is_folder in (("notizen.txt", False), ("Daten", True)):
        shutil.rmtree(unix(FOREIGN_DIR), ignore_errors=True)
        os.makedirs(unix(FOREIGN_DIR))
        path = os.path.join(unix(FOREIGN_DIR), content)
        if is_folder:
            os.mkdir(path)
        else:
            with open(path, "w") as note:
                note.write("eigene Notizen")
        before = snapshot(FOREIGN_DIR)
        calls = install(setup, "/AUTOSTART=1", "/D=" + FOREIGN_DIR, code=EXIT_FOREIGN_FOLDER)
        expect_true(snapshot(FOREIGN_DIR) == before, "the refused folder with %s was changed" % content)
        expect_untouched("refusing the folder with %s" % content, calls)
    shutil.rmtree(unix(FOREIGN_DIR))


def other_users_program(setup):
    say("2. the program of another user: the installer refuses")
    with held("mutex", INSTANCE_MUTEX):
        calls = install(setup, "/AUTOSTART=1", code=EXIT_RUNNING)
    expect_true(not os.path.exists(unix(INSTALL_DIR)), "the refusing installer made the folder")
    expect_untouched("the refusing installer", calls)


def kept_open_plant(setup):
    say("3. a file a user put there and keeps open")
    os.makedirs(unix(INSTALL_DIR))
    planted = os.path.join(unix(INSTALL_DIR), MAIN_PROGRAM)
    with open(planted, "wb") as faked:
        faked.write(b"planted")
    before = snapshot(INSTALL_DIR)
    with held("file", in_folder(MAIN_PROGRAM)):
        calls = install(setup, "/AUTOSTART=1", code=EXIT_FILE)
    expect_true(snapshot(INSTALL_DIR) == before, "the stopped installation changed the folder: %s" % installed_files())
    expect_untouched("the stopped installation", calls)


def rights_not_set(setup):
    say("4. rights that cannot be set")
    # The folder cannot be closed: nothing is written.
    before = snapshot(INSTALL_DIR)
    with installer.RECORDER.failing("\t".join(FOLDER_CLOSED[1])):
        calls = install(setup, "/AUTOSTART=1", code=EXIT_RIGHTS)
    expect_true(calls == CLOSING_CALLS[:2], "icacls ran as %s while the folder could not be closed" % calls)
    expect_true(snapshot(INSTALL_DIR) == before, "the installer changed the folder it could not close")
    expect_true(entries() == set(), "the stopped installation left the entries %s" % sorted(entries()))

    # A program file cannot be protected: the installation goes no further,
    # and what was in the folder under the program's names is back.
    last = "vemuKeysCon.exe"
    with installer.RECORDER.failing("%s\t%s" % (in_folder(last), FILE_RIGHTS[0])):
        calls = install(setup, "/AUTOSTART=1", code=EXIT_RIGHTS)
    expect_true(calls and calls[-1] == [in_folder(last)] + FILE_RIGHTS,
           "the installation went on after the rights of %s failed: %s" % (last, calls[-1:]))
    expect_true(entries() == set(), "the stopped installation left the entries %s" % sorted(entries()))
    expect_true(installed_files() == sorted([MAIN_PROGRAM] + DATA_FILES),
           "the stopped installation left %s" % installed_files())
    with open(os.path.join(unix(INSTALL_DIR), MAIN_PROGRAM), "rb") as faked:
        expect_true(faked.read() == b"planted", "the file that was there is not back")


def installation_left_alone(setup):
    say("5. an installation after the stops; a refused and a failed one leave it alone")
    calls = install(setup, "/AUTOSTART=1")
    expect_true(calls == full_installation_calls(), "the installation after the stops set the rights %s" % calls)
    expect_true(entries() == ALL_ENTRIES, "the installation after the stops made the entries %s" % sorted(entries()))
    before = snapshot(INSTALL_DIR)

    os.makedirs(unix(FOREIGN_DIR))
    with open(os.path.join(unix(FOREIGN_DIR), "notizen.txt"), "w") as note:
        note.write("eigene Notizen")
    calls = install(setup, "/D=" + FOREIGN_DIR, code=EXIT_FOREIGN_FOLDER)
    expect_true(snapshot(INSTALL_DIR) == before, "the refused installation changed the installation")
    expect_untouched("the installation refused elsewhere", calls, ALL_ENTRIES)
    shutil.rmtree(unix(FOREIGN_DIR))

    with installer.RECORDER.failing("%s\t%s" % (in_folder(UNINSTALLER), FILE_RIGHTS[0])):
        install(setup, code=EXIT_RIGHTS)
    expect_true(snapshot(INSTALL_DIR) == before, "the failed update changed the installation: %s" % installed_files())
    expect_true(entries() == ALL_ENTRIES, "the failed update left the entries %s" % sorted(entries()))


def files_in_use(setup):
    say("6. files in use")
    with held("mutex", INSTANCE_MUTEX):
        before = snapshot(INSTALL_DIR)
        calls = uninstall(code=EXIT_RUNNING)
        expect_true(snapshot(INSTALL_DIR) == before, "the refusing uninstaller changed the folder")
        expect_untouched("the refusing uninstaller", calls, ALL_ENTRIES)

    before = snapshot(INSTALL_DIR)
    with held("file", in_folder(release.NOTES)):
        calls = install(setup, "/AUTOSTART=1", code=EXIT_FILE)
    expect_true(snapshot(INSTALL_DIR) == before, "the stopped installation changed the folder")
    expect_untouched("the stopped installation", calls, ALL_ENTRIES)

    # A program file someone opens once that check is passed, as the old
    # files are put aside: the update stops, and every old file is as it was.
    install_holding(setup, "%s\t%s" % (in_folder(DATA_FILES[-1]), FILE_RIGHTS[0]), "file", in_folder(MAIN_PROGRAM),
                    code=EXIT_FILE)
    expect_true(snapshot(INSTALL_DIR) == before, "the stopped update changed the installation: %s" % installed_files())
    expect_true(entries() == ALL_ENTRIES, "the stopped update left the entries %s" % sorted(entries()))

    # The settings stay with what could not be removed.
    with open(os.path.join(unix(INSTALL_DIR), SETTINGS), "w") as settings:
        settings.write("[Extended]\n")
    with held("file", in_folder(release.GUIDE)):
        calls = uninstall(code=EXIT_FILE)
    expect_true(installed_files() == sorted([release.GUIDE, UNINSTALLER] + DATA_FILES),
           "the stopped uninstaller left %s" % installed_files())
    expect_true(entries() == {"apps entry", "Vemu Keys Anleitung.lnk"},
           "the stopped uninstaller left the entries %s" % sorted(entries()))
    expect_true(not calls, "the stopped uninstaller changed rights: %s" % calls)


def folder_not_closed():
    say("7. an uninstall keeping the settings that cannot close the folder")
    with installer.RECORDER.failing("\t".join(FOLDER_LEFT)):
        calls = uninstall("/KEEPSETTINGS", code=EXIT_RIGHTS)
    expect_true(calls == [[INSTALL_DIR] + FOLDER_LEFT], "the uninstaller set the rights %s" % calls)
    expect_true(installed_files() == [SETTINGS], "the uninstaller left %s" % installed_files())
    expect_true(entries() == set(), "the uninstaller left the entries %s" % sorted(entries()))


def run(version):
    setup = release.package(version, "setup.exe")
    installer.remove_leftovers()
    shutil.rmtree(unix(FOREIGN_DIR), ignore_errors=True)

    foreign_folders(setup)
    other_users_program(setup)
    kept_open_plant(setup)
    rights_not_set(setup)
    installation_left_alone(setup)
    files_in_use(setup)
    folder_not_closed()


if __name__ == "__main__":
    sys.exit(installer.main(run, "installer_guards_test"))
