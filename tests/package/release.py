"""What a release of this build is: its version, its programs and the two
package files, as scripts/package.sh makes them."""
import os

TOP = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
DIST = os.path.join(TOP, "build", "dist")
WORK = os.path.join(TOP, "build", "package")
FOLDER = "Vemu Keys"  # the folder in the zip, and the installation folder
GUIDE = "Anleitung.html"
NOTES = "LIESMICH.txt"


def programs():
    """The programs of packaging/programs.txt; the first is the main one."""
    with open(os.path.join(TOP, "packaging", "programs.txt"), encoding="ascii") as listing:
        return [line.strip() for line in listing if line.strip() and not line.startswith("#")]


def package_files():
    """Every file a package installs or unpacks, by name."""
    return sorted(programs() + [GUIDE, NOTES])


def package(version, kind):
    """The zip (kind "win64.zip") or the installer (kind "setup.exe"); a
    missing one stops the test with the way to make it."""
    path = os.path.join(DIST, "vemuKeys-%s-%s" % (version, kind))
    if not os.path.isfile(path):
        raise SystemExit("%s is missing: run scripts/package.sh" % os.path.relpath(path, TOP))
    return path


def test_installer(version):
    """The installer with the test build of its helper, which records the
    helper's calls; scripts/package.sh makes it beside the release."""
    path = os.path.join(WORK, "vemuKeys-%s-setup-test.exe" % version)
    if not os.path.isfile(path):
        raise SystemExit("%s is missing: run scripts/package.sh" % os.path.relpath(path, TOP))
    return path
