#!/bin/sh
# The soak: twenty (or CYCLES) search-and-update cycles in one run of
# Flintwell.exe under Wine against karvo-sim on a virtual COM port, with the
# program's handle count and memory measured after each cycle; fails when an
# update fails, and prints each figure's growth after the warm-up (the first
# four cycles).
#
#   sh scripts/soak.sh [CYCLES]
#
# It uses the build with the small test image (tests/e2e/small_firmware.hex,
# nine blocks), so a cycle takes a few seconds. The figures and the verdict
# are printed; every check is in build/gui/soak.log, the case's files in
# build/gui/e2e/soak/.
set -e
cd "$(dirname "$0")/.."
root=$(pwd)
cycles=${1:-20}
case $cycles in
'' | *[!0-9]*) echo "usage: sh scripts/soak.sh [CYCLES]" >&2; exit 2 ;;
esac
sh scripts/install-deps.sh
cmake --preset native >/dev/null
cmake --build --preset native --target flintwell-image karvo-sim flintwell-e2e-flash-check >/dev/null
cmake --preset windows >/dev/null
cmake --build --preset windows --target Flintwell-small flintwell-e2e-driver >/dev/null

session="$root/build/gui"
export WINEPREFIX="$session/wineprefix"
export FLINTWELL_WINE_PORTS="$session/wine-ports"
export DRIVER="$root/build/windows/bin/flintwell-e2e-driver.exe"
export KARVO_SIM="$root/build/native/tools/karvo-sim"
export FLASH_CHECK="$root/build/native/tests/e2e/flintwell-e2e-flash-check"
sh scripts/wine-prefix.sh stop "$WINEPREFIX" "$FLINTWELL_WINE_PORTS"
trap 'sh scripts/wine-prefix.sh stop "$WINEPREFIX" "$FLINTWELL_WINE_PORTS"' EXIT
sh scripts/wine-prefix.sh start "$WINEPREFIX" "$FLINTWELL_WINE_PORTS"

# About 5 s a cycle; the bound leaves room for a loaded machine.
status=0
sh tests/e2e/run_case.sh --name soak --exe "$root/build/windows/e2e/bin/Flintwell-small.exe" \
    --case "soak $cycles" --leave no --flash "$root/tests/e2e/small_firmware.hex" \
    --timeout $((60 + cycles * 20)) >"$session/soak.log" 2>&1 || status=$?
grep -v '^PASS' "$session/soak.log" | grep -v '^ *$' || true
echo "=== the figures after the warm-up and at the end"
grep -E 'cycles, all successful|growth|measured' "$session/soak.log" || true
[ $status = 0 ] && echo "The soak passed (every line: $session/soak.log)." ||
    echo "The soak FAILED (every line: $session/soak.log)." >&2
exit $status
