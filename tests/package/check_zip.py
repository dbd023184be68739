#!/usr/bin/env python3
"""Checks the zip package: exactly the programs of the build, the guide and
the notes in one folder; the programs the current 64-bit build with the
project version; the guide and the notes made for Windows readers.

    check_zip.py --build build/win64 --version 1.0.0
"""
import argparse
import os
import re
import struct
import sys
import zipfile

import release

FIXED_INFO = struct.pack("<I", 0xFEEF04BD)  # signature of a file's fixed version block


def pe_machine(data):
    if data[:2] != b"MZ":
        return None
    offset = struct.unpack_from("<I", data, 0x3C)[0]
    if data[offset:offset + 4] != b"PE\0\0":
        return None
    return struct.unpack_from("<H", data, offset + 4)[0]


def file_version(data):
    """The four numbers of the fixed version block, or None."""
    at = data.find(FIXED_INFO)
    if at < 0:
        return None
    most, least = struct.unpack_from("<II", data, at + 8)
    return (most >> 16, most & 0xFFFF, least >> 16, least & 0xFFFF)


def check(build, version):
    problems = []
    expected_version = tuple(int(n) for n in version.split(".")) + (0,)
    with zipfile.ZipFile(release.package(version, "win64.zip")) as archive:
        names = sorted(archive.namelist())
        wanted = sorted("%s/%s" % (release.FOLDER, name) for name in release.package_files())
        if names != wanted:
            return ["the zip holds %s, not %s" % (names, wanted)]
        for program in release.programs():
            data = archive.read("%s/%s" % (release.FOLDER, program))
            with open(os.path.join(build, program), "rb") as built:
                if data != built.read():
                    problems.append("%s differs from the build's: package again" % program)
            if pe_machine(data) != 0x8664:
                problems.append("%s is no 64-bit Windows program" % program)
            if file_version(data) != expected_version:
                problems.append("%s has the file version %s, not %s" % (program, file_version(data), version))

        guide = archive.read("%s/%s" % (release.FOLDER, release.GUIDE)).decode("utf-8")
        if "<title>Vemu Keys %s" % version not in guide or '<html lang="de">' not in guide:
            problems.append("the guide lacks its German page head with the version")
        if 'src="screenshots/' in guide:
            problems.append("the guide refers to screenshot files instead of holding them")
        if " 1.5x" not in guide:
            problems.append("the guide offers no sharper pictures to high-density screens")
        # A picture the guide names but the packaging could not find shows
        # as its description only: the icons' table would explain nothing.
        if "<em>[Bild:" in guide:
            problems.append("the guide lacks pictures it names: " +
                            ", ".join(sorted(set(re.findall(r"<em>\[Bild: ([^]]*)\]</em>", guide)))))

        notes = archive.read("%s/%s" % (release.FOLDER, release.NOTES))
        if not notes.startswith(b"\xef\xbb\xbf"):
            problems.append("the notes lack the UTF-8 mark Windows editors need")
        if notes.replace(b"\r\n", b"").count(b"\n") or notes.count(b"\r") != notes.count(b"\r\n"):
            problems.append("the notes have line ends other than CR LF")
        text = notes.decode("utf-8-sig")
        if "Vemu Keys %s" % version not in text or "@VERSION@" in text:
            problems.append("the notes do not name the version")
    return problems


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", required=True)
    parser.add_argument("--version", required=True)
    args = parser.parse_args()
    problems = check(args.build, args.version)
    for problem in problems:
        print("check_zip: " + problem)
    if not problems:
        print("check_zip: the zip holds %s" % ", ".join(release.package_files()))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
