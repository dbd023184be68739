#!/usr/bin/env bash
# Sets up, builds and runs the program under Wine on a virtual COM7: the tray
# program vemuKeys.exe when a display is there ($DISPLAY), the console engine
# vemuKeysCon.exe when none is. Either way everything it logs is printed
# here. Send GIDEI to it from a second terminal with tools/gidei-send.
#
# It runs in a Wine prefix of its own (build/wineprefix-run) that looks like
# a German user's Windows (scripts/wine-german.sh), with COM7 listed as a
# device ("Virtueller Anschluss (socat)") so that the dialog offers it by
# name.
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
scripts/setup.sh
cmake --preset win64 >/dev/null
cmake --build --preset win64 --target vemuKeys vemuKeysCon uidriver >/dev/null
mkdir -p build/run

export VEMU_WINEPREFIX="$top/build/wineprefix-run"
. scripts/wine-german.sh
port_name="Virtueller Anschluss (socat)"

if [ -n "${DISPLAY:-}" ]; then
    cat <<'TEXT'
Vemu Keys (vemuKeys.exe, the tray program) on virtual COM7 under Wine, on
your display. Its log is printed here. In a second terminal, send GIDEI:
    tools/gidei-send "Hallo ESC,hold,shift.a"
    tools/gidei-send "ESC,combine,ctrl,alt,del."
    tools/gidei-send "ESC,mougo,right,3." ... "ESC,moustop."
End with "Beenden" (dialog or tray menu) or Ctrl+C.
TEXT
    exec python3 scripts/wine_harness.py com 7 --desktop --link "$top/build/run/com7" --describe "$port_name" -- \
        python3 "$top/scripts/run_tray.py"
fi

cat <<'TEXT'
No display: the console engine (vemuKeysCon.exe) on virtual COM7 under Wine;
it prints every log line. In a second terminal, send GIDEI:
    tools/gidei-send "Hallo ESC,hold,shift.a"
    tools/gidei-send "ESC,combine,ctrl,alt,del."
    tools/gidei-send "ESC,mougo,right,3." ... "ESC,moustop."
End with Ctrl+C or Ctrl+D.
TEXT
# The engine writes Windows-1252 into the pipe; the terminal reads UTF-8.
# The converter hands on each line at once, and ignores Ctrl+C, so it prints
# the engine's last lines too.
exec python3 scripts/wine_harness.py com 7 --desktop --link "$top/build/run/com7" --describe "$port_name" -- \
    sh -c 'wine "$0" --port 7 --events all | python3 "$1"' \
    "$top/build/win64/vemuKeysCon.exe" "$top/scripts/cp1252_lines.py"
