#!/bin/sh
# The main job, end to end: builds Flintwell.exe and the reader simulator,
# puts a simulated Karvo-7KRM (firmware 1.04) on a virtual COM port (COM7: a
# socat pseudo-terminal pair registered in a private Wine prefix) and runs
# Flintwell.exe under Wine against it.
#
# With a display ($DISPLAY) the window opens for you to use: wait for the
# search, press START (СТАРТ), wait for SUCCESSFUL (УДАЧНО!!!), close it.
# Without one (a server, CI) a scripted operator (the end-to-end driver's
# Update suite) does the same under Xvfb and prints the console text.
# Exit status 0 only when the reader received the whole image and
# acknowledged the reset with the matching data sum.
set -e
cd "$(dirname "$0")/.."
root=$(pwd)
sh scripts/install-deps.sh
echo "=== Building (native: image tool, reader simulator; windows: Flintwell.exe)"
cmake --preset native >/dev/null
cmake --build --preset native --target flintwell-image karvo-sim >/dev/null
cmake --preset windows >/dev/null
cmake --build --preset windows --target Flintwell flintwell-e2e-driver >/dev/null

out="$root/build/demo"
session="$root/build/gui"
exe="$root/build/windows/bin/Flintwell.exe"
export WINEPREFIX="$session/wineprefix"
export FLINTWELL_WINE_PORTS="$session/wine-ports"
export DRIVER="$root/build/windows/bin/flintwell-e2e-driver.exe"
export KARVO_SIM="$root/build/native/tools/karvo-sim"
mkdir -p "$out"

echo "=== Wine prefix and virtual COM ports ($session)"
sh scripts/wine-prefix.sh stop "$WINEPREFIX" "$FLINTWELL_WINE_PORTS"
trap 'sh scripts/wine-prefix.sh stop "$WINEPREFIX" "$FLINTWELL_WINE_PORTS"' EXIT
sh scripts/wine-prefix.sh start "$WINEPREFIX" "$FLINTWELL_WINE_PORTS"
sh scripts/wine-fonts.sh "$WINEPREFIX"

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    echo "=== karvo-sim: a Karvo-7KRM with firmware 1.04 on COM7"
    rm -f "$out/transcript.txt"
    "$KARVO_SIM" --tty "$FLINTWELL_WINE_PORTS/com7-peer" --transcript "$out/transcript.txt" \
        >"$out/sim.out" 2>"$out/sim.err" &
    sim=$!
    i=0
    while [ ! -s "$out/sim.out" ] && [ $i -lt 50 ]; do sleep 0.1; i=$((i + 1)); done
    trap 'kill $sim 2>/dev/null || true; sh scripts/wine-prefix.sh stop "$WINEPREFIX" "$FLINTWELL_WINE_PORTS"' EXIT
    echo "=== Flintwell.exe opens on $DISPLAY. Wait for the search (a few seconds) to print the"
    echo "    reader, press СТАРТ (START), wait for УДАЧНО!!! (SUCCESSFUL!!!), then close the window."
    WINEDEBUG=-all wine "$exe" </dev/null >/dev/null 2>&1 || true
    kill -TERM $sim 2>/dev/null || true
    wait $sim 2>/dev/null || true
    if grep -q 'sum matches' "$out/transcript.txt"; then
        echo "The simulated reader received the whole image: the update succeeded."
        exit 0
    fi
    echo "The simulated reader was not updated (its transcript: $out/transcript.txt)." >&2
    exit 1
fi

echo "=== No display: a scripted operator runs the update under Xvfb"
status=0
sh tests/e2e/run_case.sh Update 1251 default >"$out/operator.log" || status=$?
work="$session/e2e/Update"
echo "=== The console of Flintwell.exe after the update:"
tr -d '\r' <"$work/console.txt" 2>/dev/null || echo "(not read)"
echo
echo "=== Checks"
grep -E '^\[ +(OK|FAILED|PASSED|SKIPPED) +\]' "$out/operator.log" || true
if [ $status = 0 ] && grep -q 'sum matches' "$work/transcript.txt"; then
    echo "The update succeeded: the simulated reader received the whole firmware 1.05 image and"
    echo "acknowledged the reset with the matching data sum (all checks in $out/operator.log)."
    exit 0
fi
echo "The demo failed: see $out/operator.log and $work/." >&2
exit 1
