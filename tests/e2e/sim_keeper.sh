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
# Environment: KARVO_SIM, WINEPREFIX.
set -u
work=$1 ports=$2
com_ports="$(dirname "$0")/../../scripts/wine-com-ports.sh"
n=0 sim="" args="" cut=0 parent=$PPID

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
    "$KARVO_SIM" --tty "$ports/com7-peer" --transcript "$work/transcript$suffix.txt" $args >"$work/sim$suffix.out" 2>&1 &
    sim=$!
    i=0
    while [ ! -s "$work/sim$suffix.out" ] && [ $i -lt 50 ]; do sleep 0.1; i=$((i + 1)); done
    printf '%s\n' "$n" >"$work/sim.tmp" && mv "$work/sim.tmp" "$work/sim.answer"
}

start_sim "$3"
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
kill -TERM "$sim" 2>/dev/null
wait "$sim" 2>/dev/null
[ $cut = 0 ] || sh "$com_ports" mend "$WINEPREFIX" "$ports" com7
