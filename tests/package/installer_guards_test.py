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
4. a folder someone else made that holds anything, and a place under a
   parent that lets users rename its folders (a volume's root), are
   refused; rights that cannot be set stop the installation: nothing is
   written when the folder cannot be made, and a program file that cannot
   be protected takes the new files out again;
5. an installation after the stops is whole; a refused installation into
   another folder and a failed update leave it, its Start menu entries and
   its apps entry as they were;
6. the other user's program stops the uninstaller; files in use stop a new
   installation before it changes anything, a program file opened while an
   update runs stops it with every old file as it was, and files in use
   stop the uninstaller, which leaves what it could not remove with the
   settings and its entries and can be run again;
7. an uninstall keeping the settings reports a folder it could not close;
8. the helper removes a user's tree by handle: a link inside is removed as
   itself (Wine cannot remove one) and what it leads to stays.

    installer_guards_test.py --version 1.0.0
"""
import os
import shutil
import subprocess
import sys

import installer
import release
from installer import (DATA_FILES, EXIT_FILE, EXIT_FOREIGN_FOLDER, EXIT_RIGHTS, EXIT_RUNNING, FOLDER, INSTALL_DIR,
                       MAIN_PROGRAM, PARENT, RIGHTS_HELPER, SETTINGS, STEP_TIMEOUT, TAKEN_FOLDER, UNINSTALLER, entries,
                       env, expect_true, folder_calls, full_installation_calls, held, in_folder, install,
                       install_holding, installed_files, uninstall, unix)
from wine_testing import INSTANCE_MUTEX

FOREIGN_DIR = r"C:\Werkzeuge"
UNDER_ROOT = r"C:\VemuKeys"
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


def refused_and_rights_not_set(setup):
    say("4. a folder of someone else and a parent users may change are refused; rights that cannot be set")
    # The folder a user made holds his file: refused, as it was.
    before = snapshot(INSTALL_DIR)
    calls = install(setup, "/AUTOSTART=1", code=EXIT_FOREIGN_FOLDER)
    expect_true(calls == [["parent", PARENT]], "the helper ran as %s on a folder of someone else" % calls)
    expect_true(snapshot(INSTALL_DIR) == before, "the installer changed the folder of someone else")
    shutil.rmtree(unix(INSTALL_DIR))

    calls = install(setup, "/D=" + UNDER_ROOT, code=EXIT_FOREIGN_FOLDER)
    expect_true(calls == [["parent", "C:\\"]], "the helper ran as %s under the volume's root" % calls)
    expect_true(not os.path.exists(unix(UNDER_ROOT)), "the installer made a folder under the volume's root")

    # The folder cannot be made: nothing is written.
    with installer.RECORDER.failing("create\t"):
        calls = install(setup, "/AUTOSTART=1", code=EXIT_RIGHTS)
    expect_true(calls == folder_calls("create"), "the helper ran as %s while the folder could not be made" % calls)
    expect_true(not os.path.exists(unix(INSTALL_DIR)), "the installer wrote into a folder it could not make")
    expect_true(entries() == set(), "the stopped installation left the entries %s" % sorted(entries()))

    # A program file cannot be protected: the installation goes no further,
    # and the new program files are taken out again.
    last = ["set", in_folder("vemuKeysCon.exe")]
    with installer.RECORDER.failing("\t".join(last)):
        calls = install(setup, "/AUTOSTART=1", code=EXIT_RIGHTS)
    expect_true(calls and calls[-1][:2] == last,
           "the installation went on after the rights of %s failed: %s" % (last[1], calls[-1:]))
    expect_true(entries() == set(), "the stopped installation left the entries %s" % sorted(entries()))
    expect_true(installed_files() == sorted(DATA_FILES), "the stopped installation left %s" % installed_files())


def installation_left_alone(setup):
    say("5. an installation after the stops; a refused and a failed one leave it alone")
    # The folder the stopped one made is the program's: closed in one call.
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

    with installer.RECORDER.failing("set\t%s" % in_folder(UNINSTALLER)):
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
    install_holding(setup, "set\t%s" % in_folder(DATA_FILES[-1]), "file", in_folder(MAIN_PROGRAM),
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
    closing = ["set", INSTALL_DIR, FOLDER]
    with installer.RECORDER.failing("\t".join(closing)):
        calls = uninstall("/KEEPSETTINGS", code=EXIT_RIGHTS)
    expect_true(calls == [closing], "the uninstaller set the rights %s" % calls)
    expect_true(installed_files() == [SETTINGS], "the uninstaller left %s" % installed_files())
    expect_true(entries() == set(), "the uninstaller left the entries %s" % sorted(entries()))


def tree_with_link():
    say("8. a user's tree with a link inside, removed by handle")
    tree, target = unix(r"C:\Baum"), unix(r"C:\Ziel")
    for folder in (tree, target):
        shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(os.path.join(tree, "Daten"))
    os.makedirs(target)
    with open(os.path.join(target, "brief.txt"), "w") as letter:
        letter.write("eigener Text")
    # Wine shows a symbolic link as a folder's reparse point.
    os.symlink(target, os.path.join(tree, "Daten", "Verweis"))
    installer.RECORDER.take_calls()
    subprocess.run(["wine", RIGHTS_HELPER, "remove-tree", r"C:\Baum"], env=env(), stdin=subprocess.DEVNULL,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=STEP_TIMEOUT)
    calls = installer.RECORDER.take_calls()
    try:
        expect_true(calls[:3] == [["set", r"C:\Baum", TAKEN_FOLDER], ["set", r"C:\Baum\Daten", TAKEN_FOLDER],
                                  ["remove", r"C:\Baum\Daten\Verweis"]],
                    "the tree was walked as %s" % calls)
        expect_true(not any(call[1].startswith("C:\\Baum\\Daten\\Verweis\\") for call in calls),
                    "the walk followed the link: %s" % calls)
        with open(os.path.join(target, "brief.txt")) as letter:
            expect_true(letter.read() == "eigener Text", "the file behind the link was changed")
    finally:
        shutil.rmtree(tree, ignore_errors=True)
        shutil.rmtree(target, ignore_errors=True)


def run(version):
    setup = release.test_installer(version)
    installer.remove_leftovers()
    shutil.rmtree(unix(FOREIGN_DIR), ignore_errors=True)
    shutil.rmtree(unix(UNDER_ROOT), ignore_errors=True)

    foreign_folders(setup)
    other_users_program(setup)
    kept_open_plant(setup)
    refused_and_rights_not_set(setup)
    installation_left_alone(setup)
    files_in_use(setup)
    folder_not_closed()
    tree_with_link()


if __name__ == "__main__":
    sys.exit(installer.main(run, "installer_guards_test"))
