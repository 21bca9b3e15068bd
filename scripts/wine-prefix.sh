#!/bin/sh
# Creates a private Wine prefix once and keeps one wineserver alive for it
# (start), or ends that wineserver (stop). With PORTDIR, also provides the
# test COM ports (scripts/wine-com-ports.sh) for the same time.
#   wine-prefix.sh start|stop PREFIX [PORTDIR]
set -e
action=$1
export WINEPREFIX="$2"
ports=${3:-}
here=$(dirname "$0")
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
case "$action" in
start)
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        mkdir -p "$WINEPREFIX"
        wineboot -i </dev/null >/dev/null 2>&1
        wineserver -w
    fi
    # Before the persistent server: registering a port restarts the session.
    if [ -n "$ports" ]; then
        sh "$here/wine-com-ports.sh" start "$WINEPREFIX" "$ports"
    fi
    # Keep the server up between test processes, and let one throw-away
    # process start the session's services now: whatever outlives a test must
    # not hold the test runner's pipes open.
    wineserver -p </dev/null >/dev/null 2>&1
    wine cmd /c exit </dev/null >/dev/null 2>&1
    ;;
stop)
    # Waits for the server's end: a start right after must not find it.
    wineserver -k </dev/null >/dev/null 2>&1 || true
    wineserver -w </dev/null >/dev/null 2>&1 || true
    if [ -n "$ports" ]; then
        sh "$here/wine-com-ports.sh" stop "$WINEPREFIX" "$ports"
    fi
    ;;
*)
    echo "usage: $0 start|stop PREFIX [PORTDIR]" >&2
    exit 2
    ;;
esac
