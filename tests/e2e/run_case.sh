#!/bin/sh
# One end-to-end case: the driver's tests of one suite under Wine, in a
# desktop of its own on Xvfb, with karvo-sim on COM7's Linux end.
#
#   run_case.sh NAME CODEPAGE SIM-ARGS|none [WxH]
#
# NAME: the driver's suite; CODEPAGE: 1251 (a Russian Windows, ru_RU.UTF-8)
# or 1252 (a Western one); SIM-ARGS: the first reader's karvo-sim arguments
# ("default": none; "none": no reader; "ser2net ...": the reader behind
# ser2net on 127.0.0.1 instead of COM7, see sim_keeper.sh); WxH: the screen.
# Environment: WINEPREFIX, FLINTWELL_WINE_PORTS, DRIVER, KARVO_SIM, SER2NET.
set -u
name=$1 codepage=$2 sim_args=$3 screen=${4:-1024x768}
here=$(cd "$(dirname "$0")" && pwd)
export E2E_WORK="$(dirname "$FLINTWELL_WINE_PORTS")/e2e/$name"
rm -rf "$E2E_WORK"
mkdir -p "$E2E_WORK"
if [ "$sim_args" != none ]; then
    [ "$sim_args" = default ] && sim_args=""
    sh "$here/sim_keeper.sh" "$E2E_WORK" "$FLINTWELL_WINE_PORTS" "$sim_args" >"$E2E_WORK/keeper.log" 2>&1 &
    keeper=$!
    trap 'touch "$E2E_WORK/keeper.stop"; wait $keeper' EXIT
    i=0
    while [ ! -f "$E2E_WORK/sim.answer" ] && [ $i -lt 100 ]; do sleep 0.1; i=$((i + 1)); done
    grep -qx 1 "$E2E_WORK/sim.answer" || { cat "$E2E_WORK/sim.answer" "$E2E_WORK/keeper.log"; exit 1; }
fi
[ "$codepage" = 1251 ] && export LC_ALL=ru_RU.UTF-8 || export LC_ALL=C.UTF-8
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# xvfb-run -a can lose a race for a display number to a parallel test: retried.
for attempt in 1 2 3; do
    timeout "${E2E_TIMEOUT:-280}" xvfb-run -a -s "-screen 0 ${screen}x24" wine explorer "/desktop=e2e-$name,$screen" \
        "$DRIVER" "--gtest_filter=$name.*:*/$name.*" </dev/null >"$E2E_WORK/driver.log" 2>&1
    status=$?
    grep -q "Xvfb failed to start" "$E2E_WORK/driver.log" || break
done
cat "$E2E_WORK/driver.log"
exit $status
