#!/usr/bin/env bash
# Sets up, builds and runs the engine (vemuKeysCon.exe) under Wine on a
# virtual COM port, printing everything it logs. Send GIDEI to it from a
# second terminal with tools/gidei-send; end it with Ctrl+C (or Ctrl+D).
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
scripts/setup.sh
cmake --preset win64 >/dev/null
cmake --build --preset win64 --target vemuKeysCon >/dev/null
mkdir -p build/run

cat <<'TEXT'
Vemu Keys engine on virtual COM7 (Wine). In a second terminal, send GIDEI:
    tools/gidei-send "Hallo ESC,hold,shift.a"
    tools/gidei-send "ESC,combine,ctrl,alt,del."
    tools/gidei-send "ESC,mougo,right,3." ... "ESC,moustop."
End with Ctrl+C or Ctrl+D.
TEXT
exec python3 scripts/wine_harness.py com 7 --desktop --link "$top/build/run/com7" -- \
    wine "$top/build/win64/vemuKeysCon.exe" --port 7 --events all
