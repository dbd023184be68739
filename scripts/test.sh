#!/usr/bin/env bash
# Sets up the machine, builds both presets and the release packages, and runs
# every test: the host tests natively, the Windows tests (the packages'
# among them) under Wine. Ends with one summary line.
set -uo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
logs="$top/build/test-logs"

scripts/setup.sh || exit 1
mkdir -p "$logs"

build() {
    cmake --preset "$1" >"$logs/configure-$1.log" 2>&1 || { cat "$logs/configure-$1.log"; echo "configure $1 failed"; exit 1; }
    cmake --build --preset "$1" >"$logs/build-$1.log" 2>&1 || { grep -E 'error|FAILED' "$logs/build-$1.log" | head -50; echo "build $1 failed"; exit 1; }
}
build host
build win64
scripts/package.sh >"$logs/package.log" 2>&1 || { tail -5 "$logs/package.log"; echo "packaging failed"; exit 1; }

# One X display and one Wine server for the whole Windows run, ended by id.
# The server starts with the display: Wine's desktop keeps the display it
# was started with.
export WINEPREFIX="$top/build/wineprefix" WINEDEBUG=-all
python3 scripts/wine_harness.py prefix || exit 1
display=""
xvfb_pid=""
cleanup() {
    wineserver -k 2>/dev/null || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    wait 2>/dev/null
}
trap cleanup EXIT
for n in $(seq 90 189); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 100); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.05; done
    display=":$n"
    break
done
[ -n "$display" ] || { echo "no free X display for Xvfb"; exit 1; }
wineserver -k 2>/dev/null || true
# The server keeps the output it starts with and dumps its object table
# there when it ends: into the log, not into the test output.
wineserver -p 60 </dev/null >"$logs/wineserver.log" 2>&1
DISPLAY="$display" wine wineboot </dev/null >/dev/null 2>&1
export VEMU_DISPLAY="$display"

ctest --preset host 2>&1 | tee "$logs/ctest-host.log"
ctest --preset win64 2>&1 | tee "$logs/ctest-win64.log"

total=0
failed=0
for log in "$logs/ctest-host.log" "$logs/ctest-win64.log"; do
    line=$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -1)
    if [ -z "$line" ]; then
        echo "no test summary in $log"
        failed=$((failed + 1))
        continue
    fi
    f=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<<"$line")
    n=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\2/' <<<"$line")
    total=$((total + n))
    failed=$((failed + f))
done
echo "$((total - failed)) passed, $failed failed"
[ "$failed" -eq 0 ] && [ "$total" -gt 0 ]
