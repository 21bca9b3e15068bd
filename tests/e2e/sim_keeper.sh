#!/bin/sh
# The reader side of one end-to-end case: runs karvo-sim on COM7's Linux end
# and answers the driver's requests, which arrive as files in the case's
# work folder (the driver reads and writes it through Wine's drive Z:):
#
#   sim.request      restart the reader with the arguments the file holds
#                    (the operator power-cycles it, or puts another one on
#                    the line); answer sim.answer: its number n, whose files
#                    are transcript-n.txt, flash-n.hex, sim-n.args (the first:
#                    transcript.txt, flash.hex, sim.args)
#   port.request     who holds COM7's Windows end; answer port.answer:
#                    "closed", "open PID NAME...", "gone" (the line is cut)
#                    or "held though gone: PID NAME..."
#   figures.request  the Linux figures of the process that runs the program
#                    the file names (FILE.exe); answer figures.answer:
#                    "VmRSS-kB VmSize-kB descriptors threads", or "none"
#   keeper.stop      end the reader and leave (so does the end of the caller)
#
#   sim_keeper.sh WORK PORTDIR "FIRST READER'S ARGUMENTS"
#
# A reader started with a hang-up fault takes its line with it: when it has
# hung up, COM7's pseudo-terminal pair is cut (the Windows side's writes
# fail, its reads find nothing, an open fails), and made again before the
# next reader starts and when the keeper leaves.
# Environment: KARVO_SIM, WINEPREFIX.
set -u
work=$1 ports=$2 first_args=$3
here=$(cd "$(dirname "$0")" && pwd)
com_ports="$here/../../scripts/wine-com-ports.sh"

n=0 sim_pid="" sim_args="" suffix="" cut=0
parent=$PPID  # run_case.sh: should it be killed, the keeper leaves too

answer() {  # answer NAME TEXT: written whole, then renamed into place
    printf '%s\n' "$2" >"$work/$1.tmp" && mv "$work/$1.tmp" "$work/$1.answer"
}

# The processes apart from socat that hold COM7's Windows end open (after a
# cut, the pseudo-terminal that was COM7).
holders() {
    target=$(readlink "$ports/com7" 2>/dev/null) || target=$(cat "$work/com7.cut" 2>/dev/null) || return 0
    find /proc/[0-9]*/fd -maxdepth 1 -lname "$target" 2>/dev/null | cut -d/ -f3 | sort -u |
        while read -r pid; do
            comm=$(cat "/proc/$pid/comm" 2>/dev/null)
            [ "$comm" = socat ] || echo "$pid $comm"
        done
}

port_state() {
    held=$(holders | tr '\n' ' ')
    if [ ! -e "$ports/com7" ]; then
        if [ -n "$held" ]; then echo "held though gone: $held"; else echo gone; fi
    elif [ -n "$held" ]; then
        echo "open $held"
    else
        echo closed
    fi
}

# Bytes that an earlier reader or program left in the pseudo-terminals would
# reach the next one: empty the ends that nobody holds now (COM7's Windows
# end only while no program has it open).
drain() {
    links="com5 com6 com7-peer"
    [ -z "$(holders)" ] && links="$links com7"
    for link in $links; do
        [ -e "$ports/$link" ] && timeout 2 dd if="$ports/$link" iflag=nonblock of=/dev/null bs=4096 count=64 2>/dev/null
    done
    return 0
}

running() {  # the reader has not ended (a zombie has)
    [ -n "$sim_pid" ] && grep -q '^State:[[:space:]]*[^Z]' /proc/"$sim_pid"/status 2>/dev/null
}

stop_sim() {
    [ -n "$sim_pid" ] || return 0
    kill -TERM "$sim_pid" 2>/dev/null
    wait "$sim_pid" 2>/dev/null
    sim_pid=""
}

mend() {
    [ $cut = 1 ] || return 0
    sh "$com_ports" mend "$WINEPREFIX" "$ports" com7 && cut=0 && rm -f "$work/com7.cut"
}

start_sim() {  # start_sim ARGUMENTS: 0 when the reader is up
    n=$((n + 1))
    suffix=""
    [ $n -gt 1 ] && suffix="-$n"
    sim_args=$1
    printf '%s\n' "$sim_args" >"$work/sim$suffix.args"
    drain
    # shellcheck disable=SC2086
    "$KARVO_SIM" --tty "$ports/com7-peer" --transcript "$work/transcript$suffix.txt" \
        --flash-out "$work/flash$suffix.hex" $sim_args >"$work/sim$suffix.out" 2>"$work/sim$suffix.err" &
    sim_pid=$!
    i=0
    while [ ! -s "$work/sim$suffix.out" ] && [ $i -lt 50 ]; do sleep 0.1; i=$((i + 1)); done
    echo "$n" >"$work/sim.current"
    [ -s "$work/sim$suffix.out" ]
}

if ! start_sim "$first_args"; then
    answer sim "error: karvo-sim did not start: $(cat "$work/sim.err")"
    stop_sim
    exit 1
fi
answer sim "$n"

while [ ! -f "$work/keeper.stop" ] && kill -0 "$parent" 2>/dev/null; do
    if [ -f "$work/sim.request" ]; then
        args=$(cat "$work/sim.request")
        rm -f "$work/sim.request" "$work/sim.answer"
        stop_sim
        mend
        if start_sim "$args"; then
            answer sim "$n"
        else
            answer sim "error: karvo-sim did not start: $(cat "$work/sim$suffix.err")"
        fi
    fi
    if [ -f "$work/port.request" ]; then
        rm -f "$work/port.request" "$work/port.answer"
        answer port "$(port_state)"
    fi
    if [ -f "$work/figures.request" ]; then
        program=$(cat "$work/figures.request")
        rm -f "$work/figures.request" "$work/figures.answer"
        figures=none
        for p in /proc/[0-9]*; do
            # Wine starts a program as a process whose first argument is its path.
            first=$(tr '\0' '\n' <"$p/cmdline" 2>/dev/null | head -n 1)
            if [ -n "$program" ] && [ "${first##*[/\\]}" = "$program" ]; then
                rss=$(awk '/^VmRSS:/ { print $2 }' "$p/status" 2>/dev/null)
                size=$(awk '/^VmSize:/ { print $2 }' "$p/status" 2>/dev/null)
                threads=$(awk '/^Threads:/ { print $2 }' "$p/status" 2>/dev/null)
                fds=$(ls "$p/fd" 2>/dev/null | wc -l)
                figures="$rss $size $fds $threads"
                break
            fi
        done
        answer figures "$figures"
    fi
    if [ -n "$sim_pid" ] && ! running; then
        wait "$sim_pid" 2>/dev/null
        echo $? >"$work/sim$suffix.exit"
        sim_pid=""
        case " $sim_args " in
        *hang-up=*)
            readlink "$ports/com7" >"$work/com7.cut"
            sh "$com_ports" cut "$WINEPREFIX" "$ports" com7 && cut=1
            echo "cut" >"$work/line$suffix.cut"
            ;;
        esac
    fi
    sleep 0.05
done
stop_sim
mend
exit 0
