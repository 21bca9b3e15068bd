#!/bin/sh
# Retakes the pictures of the window that the README shows:
#   docs/window-ru-found.png    docs/window-ru-updated.png
#   docs/window-en-found.png    docs/window-en-updated.png
# Flintwell.exe runs under Wine on Xvfb against karvo-sim on a virtual COM
# port; the end-to-end driver finds the reader, runs the update, switches to
# English and does both again, and has each state photographed
# (import -window root, cropped to the window).
set -e
cd "$(dirname "$0")/.."
root=$(pwd)
sh scripts/install-deps.sh
cmake --preset native >/dev/null
cmake --build --preset native --target flintwell-image karvo-sim flintwell-e2e-flash-check
cmake --preset windows >/dev/null
cmake --build --preset windows --target Flintwell flintwell-e2e-driver

session="$root/build/gui"
export WINEPREFIX="$session/wineprefix"
export FLINTWELL_WINE_PORTS="$session/wine-ports"
export DRIVER="$root/build/windows/bin/flintwell-e2e-driver.exe"
export KARVO_SIM="$root/build/native/tools/karvo-sim"
export FLASH_CHECK="$root/build/native/tests/e2e/flintwell-e2e-flash-check"
sh scripts/wine-prefix.sh stop "$WINEPREFIX" "$FLINTWELL_WINE_PORTS"
trap 'sh scripts/wine-prefix.sh stop "$WINEPREFIX" "$FLINTWELL_WINE_PORTS"' EXIT
sh scripts/wine-prefix.sh start "$WINEPREFIX" "$FLINTWELL_WINE_PORTS"
sh scripts/wine-fonts.sh "$WINEPREFIX"

shots="$session/screenshots"
rm -rf "$shots"
sh tests/e2e/run_case.sh --name screenshots --exe "$root/build/windows/bin/Flintwell.exe" \
    --case update-both-languages --flash "$root/resources/firmware/karvo7_krm_1_05.hex" --leave no \
    --shots "$shots"
mkdir -p docs
for name in window-ru-found window-ru-updated window-en-found window-en-updated; do
    # Stripped of the time stamps ImageMagick writes, so an unchanged
    # picture stays byte for byte the same.
    convert "$shots/$name.png" -strip -define png:exclude-chunks=date,time "docs/$name.png"
    echo "docs/$name.png"
done
