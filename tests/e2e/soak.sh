#!/bin/sh
# The soak: CYCLES (default 20) search-and-update cycles in one run of the
# small image's Flintwell.exe under Wine against karvo-sim on COM7, printing
# the program's handle count and memory after each cycle. No verdict on the
# figures: a leak shows as a column that keeps growing after the first few.
#
#   sh tests/e2e/soak.sh [CYCLES]
set -e
cd "$(dirname "$0")/../.."
root=$(pwd)
export E2E_SOAK_CYCLES=${1:-20} E2E_TIMEOUT=$((60 + ${1:-20} * 20))
cmake --preset native >/dev/null && cmake --build --preset native --target flintwell-image karvo-sim >/dev/null
cmake --preset windows >/dev/null && cmake --build --preset windows --target flintwell-e2e-driver >/dev/null
export WINEPREFIX="$root/build/gui/wineprefix" FLINTWELL_WINE_PORTS="$root/build/gui/wine-ports"
export DRIVER="$root/build/windows/bin/flintwell-e2e-driver.exe" KARVO_SIM="$root/build/native/tools/karvo-sim"
sh scripts/wine-prefix.sh stop "$WINEPREFIX" "$FLINTWELL_WINE_PORTS"
trap 'sh scripts/wine-prefix.sh stop "$WINEPREFIX" "$FLINTWELL_WINE_PORTS"' EXIT
sh scripts/wine-prefix.sh start "$WINEPREFIX" "$FLINTWELL_WINE_PORTS"
sh tests/e2e/run_case.sh Soak 1252 default | grep -E '^cycle|Failure|FAILED|PASSED'
