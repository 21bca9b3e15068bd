#!/bin/sh
# COM ports for the Windows tests under Wine: pseudo-terminal pairs made by
# socat, registered in the prefix's HKLM\Software\Wine\Ports.
#   wine-com-ports.sh start|stop PREFIX PORTDIR
# Layout (links in PORTDIR):
#   COM5 = PORTDIR/com5  <->  COM6 = PORTDIR/com6     a Windows test talks to itself
#   COM7 = PORTDIR/com7  <->  PORTDIR/com7-peer       the Linux end, for a simulator
# start runs while no wineserver serves the prefix (wine-prefix.sh calls it
# before starting the persistent one): Wine reads the Ports key when its
# session starts, so a changed key is followed by wineserver -k.
set -e
action=$1
export WINEPREFIX="$2"
ports=$3
[ -n "$ports" ] || { echo "usage: $0 start|stop PREFIX PORTDIR" >&2; exit 2; }
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

# pair NAME LINK-A LINK-B
pairs="com5 com5 com6
com7 com7 com7-peer"

stop_pairs() {
    for pidfile in "$ports"/*.pid; do
        [ -f "$pidfile" ] || continue
        pid=$(cat "$pidfile")
        # Only our own socat, never whatever process reuses the number.
        if [ -n "$pid" ] && [ "$(cat /proc/"$pid"/comm 2>/dev/null)" = socat ]; then
            kill "$pid" 2>/dev/null || true
        fi
        rm -f "$pidfile"
    done
    echo "$pairs" | while read -r name a b; do
        rm -f "$ports/$a" "$ports/$b"
    done
}

registered() {
    grep -qxF "\"$1\"=\"$2\"" "$WINEPREFIX/system.reg" 2>/dev/null
}

case "$action" in
start)
    command -v socat >/dev/null || { echo "socat is missing (scripts/install-deps.sh)" >&2; exit 1; }
    mkdir -p "$ports"
    ports=$(cd "$ports" && pwd)  # Wine resolves the registered paths from anywhere
    stop_pairs
    echo "$pairs" | while read -r name a b; do
        # socat's descriptors go nowhere near the caller's: it outlives this
        # step, and CTest waits for its pipes to close.
        socat "pty,raw,echo=0,link=$ports/$a" "pty,raw,echo=0,link=$ports/$b" </dev/null >/dev/null 2>&1 &
        echo $! >"$ports/$name.pid"
    done
    for i in $(seq 50); do
        missing=0
        echo "$pairs" | { while read -r name a b; do
            [ -L "$ports/$a" ] && [ -L "$ports/$b" ] || exit 1
        done; } || missing=1
        [ $missing = 0 ] && break
        sleep 0.1
    done
    if [ $missing = 1 ]; then
        echo "socat did not create the pseudo-terminals in $ports" >&2
        stop_pairs
        exit 1
    fi
    changed=0
    for port in com5:COM5 com6:COM6 com7:COM7; do
        link=${port%%:*}
        com=${port##*:}
        if ! registered "$com" "$ports/$link"; then
            if ! wine reg add 'HKLM\Software\Wine\Ports' /v "$com" /t REG_SZ /d "$ports/$link" /f \
                </dev/null >/dev/null 2>&1; then
                echo "could not register $com in $WINEPREFIX" >&2
                stop_pairs
                exit 1
            fi
            changed=1
        fi
    done
    if [ $changed = 1 ]; then
        wineserver -k </dev/null >/dev/null 2>&1 || true
        wineserver -w </dev/null >/dev/null 2>&1 || true
    fi
    ;;
stop)
    stop_pairs
    ;;
*)
    echo "usage: $0 start|stop PREFIX PORTDIR" >&2
    exit 2
    ;;
esac
