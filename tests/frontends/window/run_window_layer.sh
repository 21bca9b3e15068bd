#!/bin/sh
# The window layer's test program under Wine on Xvfb, at one DPI, in a Wine
# desktop of its own that shows Wine's taskbar, so that the work area is
# smaller than the screen as on Windows:
#
#   run_window_layer.sh PREFIX PROGRAM DPI WxH
#
# Every program reads the prefix's LogPixels when it starts: a DPI other than
# 96 is set for this run only (the case runs alone) and taken out afterwards.
# The program is told the DPI (WINDOW_TEST_DPI) to see that it arrived.
# Wine's explorer does not pass on the exit status: GoogleTest's summary
# decides.
set -u
prefix=$1 program=$2 dpi=$3 screen=$4
desktop=flintwell-window-tests-$dpi
run="$(cd "$(dirname "$0")/../../../scripts" && pwd)/wine-run.sh"
reg() { "$run" "$prefix" reg "$@" /f </dev/null >/dev/null 2>&1; }
reg add "HKCU\\Software\\Wine\\Explorer\\Desktops\\$desktop" /v EnableShell /t REG_DWORD /d 1
[ "$dpi" = 96 ] || reg add "HKCU\\Control Panel\\Desktop" /v LogPixels /t REG_DWORD /d "$dpi"
export WINDOW_TEST_DPI="$dpi"
timeout 100 xvfb-run -a -s "-screen 0 ${screen}x24" "$run" "$prefix" explorer "/desktop=$desktop,$screen" "$program"
status=$?
[ "$dpi" = 96 ] || reg delete "HKCU\\Control Panel\\Desktop" /v LogPixels
exit $status
