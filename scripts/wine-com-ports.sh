#!/bin/sh
# COM ports for the Windows tests under Wine: pseudo-terminal pairs made by
# socat, registered in the prefix's HKLM\Software\Wine\Ports.
#   wine-com-ports.sh start|stop PREFIX PORTDIR
#   wine-com-ports.sh cut|mend PREFIX PORTDIR NAME
# Layout (links in PORTDIR):
#   COM5 = PORTDIR/com5  <->  COM6 = PORTDIR/com6     a Windows test talks to itself
#   COM7 = PORTDIR/com7  <->  PORTDIR/com7-peer       the Linux end, for a simulator
# start runs while no wineserver serves the prefix (wine-prefix.sh calls it
# before starting the persistent one): Wine reads the Ports key when its
# session starts, so a changed key is followed by wineserver -k.
# cut ends one pair's socat while the session runs (a reader whose port
# vanishes: the Windows side's writes fail, its reads find nothing); mend
# makes the pair again under the same links, which the next open follows.
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

# start_pair NAME LINK-A LINK-B
start_pair() {
    # socat's descriptors go nowhere near the caller's: it outlives this
    # step, and CTest waits for its pipes to close.
    socat "pty,raw,echo=0,link=$ports/$2" "pty,raw,echo=0,link=$ports/$3" </dev/null >/dev/null 2>&1 &
    echo $! >"$ports/$1.pid"
}

# stop_pair NAME
stop_pair() {
    pidfile="$ports/$1.pid"
    [ -f "$pidfile" ] || return 0
    pid=$(cat "$pidfile")
    # Only our own socat, never whatever process reuses the number.
    if [ -n "$pid" ] && [ "$(cat /proc/"$pid"/comm 2>/dev/null)" = socat ]; then
        kill "$pid" 2>/dev/null || true
        i=0
        # Gone, or a zombie whose descriptors are closed.
        while grep -q '^State:[[:space:]]*[^Z]' /proc/"$pid"/status 2>/dev/null && [ $i -lt 50 ]; do
            sleep 0.05
            i=$((i + 1))
        done
    fi
    rm -f "$pidfile"
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
        start_pair "$name" "$a" "$b"
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
cut | mend)
    pair=$(echo "$pairs" | while read -r name a b; do [ "$name" = "${4:-}" ] && echo "$name $a $b"; done)
    [ -n "$pair" ] || { echo "usage: $0 cut|mend PREFIX PORTDIR NAME (one of: com5 com7)" >&2; exit 2; }
    set -- $pair
    stop_pair "$1"
    rm -f "$ports/$2" "$ports/$3"
    if [ "$action" = mend ]; then
        start_pair "$1" "$2" "$3"
        for i in $(seq 50); do
            [ -L "$ports/$2" ] && [ -L "$ports/$3" ] && break
            sleep 0.1
        done
        [ -L "$ports/$2" ] && [ -L "$ports/$3" ] || { echo "socat did not make $1 again" >&2; exit 1; }
    fi
    ;;
*)
    echo "usage: $0 start|stop PREFIX PORTDIR, or cut|mend PREFIX PORTDIR NAME" >&2
    exit 2
    ;;
esac
