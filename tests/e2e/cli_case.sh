#!/bin/sh
# flintwell-cli.exe under Wine against karvo-sim on COM7's Linux end, once in
# English (Western code page) and once in Russian (code page 1251): each run
# must update the reader (exit status 0, the flash equal to the image's
# streamed records), print its console text readably (UTF-8 into a file) and
# append its row to a service record.
#
#   cli_case.sh FLINTWELL-CLI.exe FIRMWARE.hex
#
# Environment: WINEPREFIX, FLINTWELL_WINE_PORTS (a running prefix with its COM
# ports, scripts/wine-prefix.sh), KARVO_SIM, FLASH_CHECK (native programs).
set -u
cli=$1 firmware=$2
work=$(dirname "$FLINTWELL_WINE_PORTS")/e2e/cli
rm -rf "$work"
mkdir -p "$work"
. "$(dirname "$0")/checks.sh"

update() {  # update LANGUAGE LOCALE TEXTS...
    language=$1 locale=$2
    shift 2
    peer=$FLINTWELL_WINE_PORTS/com7-peer
    timeout 2 dd if="$peer" iflag=nonblock of=/dev/null bs=4096 count=64 2>/dev/null
    "$KARVO_SIM" --tty "$peer" --transcript "$work/transcript-$language.txt" \
        --flash-out "$work/flash-$language.hex" >"$work/sim-$language.out" 2>&1 &
    sim=$!
    i=0
    while [ ! -s "$work/sim-$language.out" ] && [ $i -lt 50 ]; do sleep 0.1; i=$((i + 1)); done
    LC_ALL=$locale WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" timeout 150 \
        wine "$cli" --port COM7 --yes --lang "$language" --record "Z:$work/record.csv" \
        </dev/null >"$work/stdout-$language.txt" 2>"$work/console-$language.txt"
    status=$?
    kill -TERM $sim 2>/dev/null
    wait $sim 2>/dev/null
    [ $status = 0 ]
    check $? "$language: exit status 0" "$status; $(tail -c 400 "$work/console-$language.txt")"
    for text in "$@"; do
        grep -qF "$text" "$work/console-$language.txt"
        check $? "$language: the console says \"$text\""
    done
    "$FLASH_CHECK" "$firmware" "$work/flash-$language.hex"
    check $? "$language: the reader's flash holds exactly the image's streamed records"
}

update en C.UTF-8 "Karvo-7KRM ver.1.05 [ser.01 var.02 pcb.03]" ">> Device found:" "SUCCESSFUL!!!"
update ru ru_RU.UTF-8 "Karvo-7KRM вер.1.05 [сер.01 изм.02  пп.03]" ">> Устройство найдено:" "УДАЧНО!!!"

rows=$(grep -c ',COM7,Karvo-7KRM,01,02,03,0012345678,1.04,1.05,no,updated,' "$work/record.csv")
[ "$rows" = 2 ] && [ "$(wc -l <"$work/record.csv")" = 3 ]
check $? "the service record holds its header and a row per run" "$(cat "$work/record.csv")"

if [ $failures = 0 ]; then
    echo "E2E PASS cli"
    exit 0
fi
echo "E2E FAIL cli ($failures failed; files in $work)"
exit 1
