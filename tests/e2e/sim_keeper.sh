#!/bin/sh
# The reader side of one end-to-end case: karvo-sim on COM7's Linux end, its
# files in the case's folder WORK (transcript.txt, then transcript-N.txt for
# the N-th reader), where the driver reads them through Wine's drive Z:.
#
#   sim_keeper.sh WORK PORTDIR "FIRST READER'S ARGUMENTS"
#
# sim.request: another reader with the arguments it holds; answer
# sim.answer: its number. A reader that hung up (--fault hang-up=N) takes
# COM7's pseudo-terminal pair with it; the pair is made again for the next
# reader and when the keeper leaves (keeper.stop, or the caller's end).
# ARGUMENTS beginning with "ser2net": the reader is on a pseudo-terminal of
# its own (work/reader) behind ser2net's RFC 2217 accepter on 127.0.0.1, with
# a listener beside it that never answers; network.ports: their two ports.
# Environment: KARVO_SIM, WINEPREFIX, SER2NET.
set -u
work=$1 ports=$2 first=$3
com_ports="$(dirname "$0")/../../scripts/wine-com-ports.sh"
n=0 sim="" args="" cut=0 parent=$PPID line="--tty $ports/com7-peer" server="" silent="" behind=""
case $first in ser2net*) line="--pty $work/reader" first=${first#ser2net} behind=ser2net ;; esac

listening() { grep -q "^ *[0-9]*: 0100007F:$(printf %04X "$1") 00000000:0000 0A" /proc/net/tcp; }

# ser2net (ser2net 4's YAML) and the silent listener on two free ports.
serve() {
    for attempt in 1 2 3 4 5; do
        port=$((20000 + ($$ * 7 + attempt * 131) % 30000)) i=0
        printf '%s\n' "%YAML 1.1" "---" "connection: &reader" "  accepter: telnet(rfc2217),tcp,127.0.0.1,$port" \
            "  connector: serialdev,$work/reader,9600n81,local" "  options:" "    mdns: false" >"$work/ser2net.yaml"
        listening $port || listening $((port + 1)) && continue
        "$SER2NET" -n -u -c "$work/ser2net.yaml" -P "$work/ser2net.pid" >"$work/ser2net.log" 2>&1 & server=$!
        socat -u "TCP-LISTEN:$((port + 1)),bind=127.0.0.1,reuseaddr,fork" OPEN:/dev/null 2>"$work/silent.log" & silent=$!
        while ! { listening $port && listening $((port + 1)); } && [ $i -lt 50 ]; do sleep 0.1; i=$((i + 1)); done
        [ $i -lt 50 ] && echo "$port $((port + 1))" >"$work/network.ports" && return
        kill "$server" "$silent" 2>/dev/null
    done
}

start_sim() {
    n=$((n + 1)) args=$1
    suffix=""
    [ $n -gt 1 ] && suffix="-$n"
    if [ $cut = 1 ]; then sh "$com_ports" mend "$WINEPREFIX" "$ports" com7 && cut=0; fi
    # Bytes an earlier program left in the pseudo-terminals would reach this reader.
    for link in com5 com6 com7-peer; do
        timeout 2 dd if="$ports/$link" iflag=nonblock of=/dev/null bs=4096 count=64 2>/dev/null
    done
    # shellcheck disable=SC2086
    "$KARVO_SIM" $line --transcript "$work/transcript$suffix.txt" --flash-out "$work/flash$suffix.hex" $args \
        >"$work/sim$suffix.out" 2>&1 &
    sim=$!
    i=0
    while [ ! -s "$work/sim$suffix.out" ] && [ $i -lt 50 ]; do sleep 0.1; i=$((i + 1)); done
    [ $n = 1 ] && [ -n "$behind" ] && serve
    printf '%s\n' "$n" >"$work/sim.tmp" && mv "$work/sim.tmp" "$work/sim.answer"
}

start_sim "$first"
while [ ! -f "$work/keeper.stop" ] && kill -0 "$parent" 2>/dev/null; do
    if [ -f "$work/sim.request" ]; then
        kill -TERM "$sim" 2>/dev/null
        wait "$sim" 2>/dev/null
        start_sim "$(cat "$work/sim.request")"
        rm -f "$work/sim.request"
    fi
    # A reader that ended is a zombie until waited for.
    if [ $cut = 0 ] && ! grep -qs '^State:[[:space:]]*[^Z]' "/proc/$sim/status"; then
        case " $args " in
        *hang-up=*) sh "$com_ports" cut "$WINEPREFIX" "$ports" com7 && cut=1 ;;
        esac
    fi
    sleep 0.05
done
kill -TERM "$sim" $server $silent 2>/dev/null
wait "$sim" $server $silent 2>/dev/null
[ $cut = 0 ] || sh "$com_ports" mend "$WINEPREFIX" "$ports" com7
