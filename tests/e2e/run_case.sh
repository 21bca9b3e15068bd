#!/bin/sh
# One end-to-end case: Flintwell.exe under Wine in a desktop of its own on
# Xvfb, karvo-sim on COM7's Linux end, and the driver working the window.
#
#   run_case.sh --name NAME --exe FLINTWELL.exe --case "CASE [ARGS]"
#               [--sim "KARVO-SIM ARGS"] [--no-sim] [--leave yes|no]
#               [--flash IMAGE.hex] [--shots DIR] [--console-out FILE]
#               [--timeout SECONDS] [--codepage 1251|1252] [--screen WxH]
#
# --sim       start the simulator with these extra arguments (default: none)
# --no-sim    no simulator (the case never reaches the ports)
# --leave     the simulator's transcript must (yes) or must not (no) show the
#             leave-bootloader frame; yes also wants it as the last frame
# --flash     the reader's flash must equal the image's streamed records and
#             the reset's data sum must have matched
# --shots     screenshot requests of the driver are taken into DIR
# --timeout   the driver's whole run is ended after SECONDS (default 200)
# --codepage  the ANSI code page of the Wine processes: 1251 (a Russian
#             Windows, locale ru_RU.UTF-8) or 1252 (a Western one, C.UTF-8);
#             the driver checks that it is in force
# --screen    the size of the X screen and of the Wine desktop (default 1024x768)
#
# The simulator is run by sim_keeper.sh, which also lets the driver restart
# it with other faults, ask whether COM7 is held open and read the program's
# Linux figures; --leave and --flash look at the last reader it started.
#
# Environment: WINEPREFIX, FLINTWELL_WINE_PORTS (a running prefix with its
# COM ports, scripts/wine-prefix.sh), DRIVER (flintwell-e2e-driver.exe),
# KARVO_SIM, FLASH_CHECK (native programs). Exit status 0 when every check
# passed; the case's work files stay in build/.../e2e/NAME.
set -u

if [ "${1:-}" = --inside-display ]; then
    # Runs under xvfb-run: the screenshot taker and the driver's desktop.
    shift
    work=$1 shots=$2 desktop=$3 screen=$4
    shift 4
    if [ -n "$shots" ]; then
        (
            while [ ! -f "$work/driver.done" ]; do
                for request in "$shots"/*.request; do
                    [ -f "$request" ] || continue
                    picture=${request%.request}
                    import -window root -crop "$(cat "$request")" +repage "$picture.tmp.png" &&
                        mv "$picture.tmp.png" "$picture.png"
                    rm -f "$request"
                done
                sleep 0.2
            done
        ) &
    fi
    WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" \
        wine explorer "/desktop=$desktop,$screen" "$@" </dev/null
    touch "$work/driver.done"
    wait
    exit 0
fi

name="" exe="" case_args="" sim_args="" use_sim=1 leave="" flash="" shots="" console_out="" limit=200 codepage="" screen=1024x768
while [ $# -gt 0 ]; do
    case $1 in
    --name) name=$2; shift 2 ;;
    --exe) exe=$2; shift 2 ;;
    --case) case_args=$2; shift 2 ;;
    --sim) sim_args=$2; shift 2 ;;
    --no-sim) use_sim=0; shift ;;
    --leave) leave=$2; shift 2 ;;
    --flash) flash=$2; shift 2 ;;
    --shots) shots=$2; shift 2 ;;
    --console-out) console_out=$2; shift 2 ;;
    --timeout) limit=$2; shift 2 ;;
    --codepage) codepage=$2; shift 2 ;;
    --screen) screen=$2; shift 2 ;;
    *) echo "run_case.sh: unknown argument $1" >&2; exit 2 ;;
    esac
done
for variable in WINEPREFIX FLINTWELL_WINE_PORTS DRIVER; do
    eval "value=\${$variable:-}"
    [ -n "$value" ] || { echo "run_case.sh: $variable is not set" >&2; exit 2; }
done
[ -n "$name" ] && [ -n "$exe" ] && [ -n "$case_args" ] || { echo "run_case.sh: --name, --exe and --case are needed" >&2; exit 2; }

ports=$FLINTWELL_WINE_PORTS
work=$(dirname "$ports")/e2e/$name
rm -rf "$work"
mkdir -p "$work"
. "$(dirname "$0")/checks.sh"

# Bytes that an earlier program left in the pseudo-terminals would reach the
# next reader: empty the Linux ends that nobody holds now.
drain() {
    for link in com5 com6 com7-peer; do
        [ -e "$ports/$link" ] && timeout 2 dd if="$ports/$link" iflag=nonblock of=/dev/null bs=4096 count=64 2>/dev/null
    done
    return 0
}

keeper_pid=""
if [ $use_sim = 1 ]; then
    [ -x "${KARVO_SIM:-}" ] || { echo "FAIL karvo-sim is missing (${KARVO_SIM:-unset}): build the native preset first"; exit 1; }
    [ -e "$ports/com7-peer" ] || { echo "FAIL no COM7 peer in $ports: the COM port fixture is not running"; exit 1; }
    sh "$(dirname "$0")/sim_keeper.sh" "$work" "$ports" "$sim_args" >"$work/keeper.log" 2>&1 &
    keeper_pid=$!
    i=0
    while [ ! -f "$work/sim.answer" ] && [ $i -lt 100 ]; do sleep 0.1; i=$((i + 1)); done
    if ! grep -qx 1 "$work/sim.answer" 2>/dev/null; then
        echo "FAIL karvo-sim did not start: $(cat "$work/sim.answer" "$work/keeper.log" 2>/dev/null)"
        touch "$work/keeper.stop"
        wait "$keeper_pid"
        exit 1
    fi
    rm -f "$work/sim.answer"
fi
stop_sim() {
    if [ -n "$keeper_pid" ]; then
        touch "$work/keeper.stop"
        wait "$keeper_pid" 2>/dev/null
        keeper_pid=""
    fi
}
trap 'stop_sim' EXIT
trap 'exit 1' INT TERM

case $codepage in
1251) export LC_ALL=ru_RU.UTF-8 E2E_CODEPAGE=1251 ;;
1252) export LC_ALL=C.UTF-8 E2E_CODEPAGE=1252 ;;
"") ;;
*) echo "run_case.sh: --codepage takes 1251 or 1252" >&2; exit 2 ;;
esac

[ -n "$shots" ] && mkdir -p "$shots" && rm -f "$shots"/*.request
set -- "$DRIVER" $case_args --exe "$exe" --result "$work/result.txt" --work "$work"
[ -n "$shots" ] && set -- "$@" --shots "$(cd "$shots" && pwd)"
[ -n "$console_out" ] && set -- "$@" --console-out "$console_out"

# Each case its own X server and Wine desktop; xvfb-run -a can lose a race
# for a display number to a parallel test, so a failed start is retried.
attempt=1
while :; do
    rm -f "$work/driver.done" "$work/result.txt"
    timeout "$limit" xvfb-run -a -s "-screen 0 ${screen}x24" \
        sh "$0" --inside-display "$work" "$shots" "flintwell-e2e-$name" "$screen" "$@" >"$work/driver.log" 2>&1
    if [ -f "$work/result.txt" ] || [ $attempt -ge 3 ] || ! grep -q "Xvfb failed to start" "$work/driver.log"; then
        break
    fi
    attempt=$((attempt + 1))
done
if [ -f "$work/result.txt" ]; then
    cat "$work/result.txt"
else
    grep -v '^$' "$work/driver.log" | tail -20
fi
drain
stop_sim
trap - EXIT

tail -n 1 "$work/result.txt" 2>/dev/null | grep -q '^RESULT PASS'
check $? "driver: every check of the case passed"

if [ $use_sim = 1 ]; then
    last=$(cat "$work/sim.current" 2>/dev/null || echo 1)
    suffix=""
    [ "$last" -gt 1 ] && suffix="-$last"
    transcript="$work/transcript$suffix.txt"
    leaves=$(grep -c 'RX leave bootloader' "$transcript")
    last_rx=$(grep 'RX ' "$transcript" | tail -n 1)
    case $leave in
    yes)
        [ "$leaves" = 1 ] && echo "$last_rx" | grep -q 'RX leave bootloader'
        check $? "the reader got one leave-bootloader frame, as the last frame" "$leaves frames; last: $last_rx"
        ;;
    no)
        [ "$leaves" = 0 ]
        check $? "the reader got no leave-bootloader frame" "$leaves frames"
        ;;
    esac
    if [ -n "$flash" ]; then
        "$FLASH_CHECK" "$flash" "$work/flash$suffix.hex"
        check $? "the reader's flash holds exactly the image's streamed records"
        grep -q 'RX reset device (0xF3).*sum matches' "$transcript"
        check $? "the reset carried the data sum that the reader received" \
            "$(grep 'RX reset device' "$transcript")"
    fi
fi

if [ $failures = 0 ]; then
    echo "E2E PASS $name"
    exit 0
fi
echo "E2E FAIL $name ($failures failed; files in $work)"
exit 1
