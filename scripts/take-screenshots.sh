#!/bin/sh
# Retakes the pictures of the window that the README shows, at 96 DPI:
#   docs/window-ru-found.png    docs/window-ru-updated.png
#   docs/window-en-found.png    docs/window-en-updated.png
# and at 144 DPI (150 %): docs/window-ru-found-144dpi.png, window-ru-updated-144dpi.png;
# those at 192 DPI (200 %) stay in build/gui/screenshots-192/.
# Flintwell.exe runs under Wine on Xvfb against karvo-sim on a virtual COM
# port; the end-to-end driver's Update suite finds the reader, runs the
# update, switches to English and does both again, photographing the window
# in each state (E2E_SHOTS).
set -e
cd "$(dirname "$0")/.."
root=$(pwd)
sh scripts/install-deps.sh
cmake --preset native >/dev/null
cmake --build --preset native --target flintwell-image karvo-sim
cmake --preset windows >/dev/null
cmake --build --preset windows --target Flintwell flintwell-e2e-driver

session="$root/build/gui"
export WINEPREFIX="$session/wineprefix"
export FLINTWELL_WINE_PORTS="$session/wine-ports"
export DRIVER="$root/build/windows/bin/flintwell-e2e-driver.exe"
export KARVO_SIM="$root/build/native/tools/karvo-sim"
sh scripts/wine-prefix.sh stop "$WINEPREFIX" "$FLINTWELL_WINE_PORTS"
trap 'sh scripts/wine-prefix.sh stop "$WINEPREFIX" "$FLINTWELL_WINE_PORTS"' EXIT
sh scripts/wine-prefix.sh start "$WINEPREFIX" "$FLINTWELL_WINE_PORTS"
sh scripts/wine-fonts.sh "$WINEPREFIX"

# The window's scale follows the prefix's DPI (LogPixels), read when the
# session starts.
set_dpi() {
    wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f </dev/null >/dev/null 2>&1
    wine reg add 'HKCU\Software\Fonts' /v LogPixels /t REG_DWORD /d "$1" /f </dev/null >/dev/null 2>&1
    sh scripts/wine-prefix.sh stop "$WINEPREFIX"
    sh scripts/wine-prefix.sh start "$WINEPREFIX"
}

# take DPI SCREEN: the update in both languages, photographed, into $session/screenshots-DPI
take() {
    shots="$session/screenshots-$1"
    rm -rf "$shots"
    mkdir -p "$shots"
    set_dpi "$1"
    E2E_SHOTS="$shots" sh tests/e2e/run_case.sh Update 1251 default "$2" || return 1
    for bmp in "$shots"/*.bmp; do convert "$bmp" "${bmp%.bmp}.png" && rm "$bmp"; done
}

# keep DPI SUFFIX NAME...: pictures into docs/, stripped of the time stamps
# ImageMagick writes, so an unchanged picture stays byte for byte the same.
keep() {
    dpi=$1 suffix=$2
    shift 2
    mkdir -p docs
    for name in "$@"; do
        convert "$session/screenshots-$dpi/$name.png" -strip -define png:exclude-chunks=date,time \
            "docs/$name$suffix.png"
        echo "docs/$name$suffix.png"
    done
}

status=0
take 96 1024x768 || status=1
take 144 1280x1024 || status=1
take 192 1600x1600 || status=1
set_dpi 96
keep 96 "" window-ru-found window-ru-updated window-en-found window-en-updated
keep 144 -144dpi window-ru-found window-ru-updated
echo "at 192 DPI (not kept): $session/screenshots-192/"
exit $status
