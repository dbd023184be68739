#!/usr/bin/env bash
# Builds the program and takes screenshots of every window under Wine, at 96
# and 144 DPI, into docs/screenshots/, in a prefix that looks like a German
# user's Windows.
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
scripts/setup.sh >/dev/null
cmake --preset win64 >/dev/null
cmake --build --preset win64 --target vemuKeys uidriver >/dev/null
. scripts/wine-german.sh
# Debian's Python, for Pillow (python3-pil).
exec /usr/bin/python3 scripts/screenshots.py "$@"
