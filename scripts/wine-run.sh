#!/bin/sh
# Runs a Windows program under Wine in the given private prefix:
#   wine-run.sh PREFIX PROGRAM.exe [ARGS...]
# CMake uses it as the emulator of the Windows build.
prefix=$1
shift
export WINEPREFIX="$prefix"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="mscoree,mshtml="
exec wine "$@"
