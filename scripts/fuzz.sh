#!/bin/sh
# Runs every libFuzzer target of tests/fuzz (preset fuzz: clang with
# AddressSanitizer and UndefinedBehaviorSanitizer) and fails when any of them
# finds a crash, a sanitizer report, a failed check, a leak or a hang.
#
#   sh scripts/fuzz.sh short            each target for about 20 s (the run
#                                       of test-all.sh; about 2 minutes)
#   sh scripts/fuzz.sh long [SECONDS]   each target until 10 million runs or
#                                       SECONDS (default 1800)
#
# Two targets run at a time (one on a single-core machine).
#
# Each target starts from its committed seeds (tests/fuzz/corpus/<target>)
# and what earlier runs of the same mode found (build/fuzz/runs/<mode>/
# corpus/<target>). Logs, findings (crash-*, leak-*, timeout-*) and a
# summary of executions and coverage are written to build/fuzz/runs/<mode>/.
# Installs clang and libFuzzer's runtime when missing (apt-get, root).
set -e
cd "$(dirname "$0")/.."

usage() {
    echo "usage: sh scripts/fuzz.sh short | long [SECONDS]" >&2
    exit 2
}

mode=${1:-short}
case "$mode" in
short)
    seconds=${FUZZ_SHORT_SECONDS:-20}
    runs=-1
    ;;
long)
    seconds=${2:-1800}
    runs=10000000
    ;;
*)
    usage
    ;;
esac
# One target per core, two at most (each libFuzzer run is one process).
parallel=2
[ "$(nproc 2>/dev/null || echo 1)" -ge 2 ] || parallel=1
case "$seconds" in
'' | *[!0-9]*) usage ;;
esac

missing=""
for p in cmake ninja-build clang libclang-rt-14-dev; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing="$missing $p"
done
if [ -n "$missing" ]; then
    echo "Installing:$missing"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    # shellcheck disable=SC2086
    apt-get install -y -qq --no-install-recommends $missing >/dev/null
fi

echo "=== fuzz: configure and build"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

targets="fuzz_unpack_image fuzz_scan_config fuzz_hex_stream fuzz_reply fuzz_usb_match"
bin=build/fuzz/tests/fuzz
dict=tests/fuzz/dict
out=build/fuzz/runs/$mode
mkdir -p "$out"

# The longest input and the dictionary of each target.
options_of() {
    case "$1" in
    fuzz_unpack_image) echo "-max_len=2048" ;;
    fuzz_scan_config) echo "-max_len=4096 -dict=$dict/hex.dict" ;;
    fuzz_hex_stream) echo "-max_len=4096 -dict=$dict/hex.dict" ;;
    fuzz_reply) echo "-max_len=1024" ;;
    fuzz_usb_match) echo "-max_len=2048 -dict=$dict/usb.dict" ;;
    esac
}

# One target: its log in $out/<target>.log, its time in seconds in
# $out/<target>.time, and last its exit status in $out/<target>.rc.
run_one() {
    target=$1
    mkdir -p "$out/corpus/$target" "$out/findings/$target"
    start=$(date +%s)
    rc=0
    # shellcheck disable=SC2046
    "$bin/$target" -max_total_time="$seconds" -runs="$runs" -timeout=10 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$out/findings/$target/" $(options_of "$target") \
        "$out/corpus/$target" "tests/fuzz/corpus/$target" >"$out/$target.log" 2>&1 || rc=$?
    echo $(($(date +%s) - start)) >"$out/$target.time"
    echo "$rc" >"$out/$target.rc"
}

# Executions, cov, ft and corpus size from libFuzzer's final report.
summarise() {
    target=$1
    log=$out/$target.log
    execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
    last=$(grep -E '^#[0-9]+.*cov: ' "$log" | tail -n 1)
    cov=$(echo "$last" | sed -n 's/.* cov: \([0-9]*\).*/\1/p')
    ft=$(echo "$last" | sed -n 's/.* ft: \([0-9]*\).*/\1/p')
    corp=$(echo "$last" | sed -n 's/.* corp: \([^ ]*\).*/\1/p')
    rc=$(cat "$out/$target.rc")
    verdict=ok
    [ "$rc" = 0 ] || verdict="FAILED ($rc)"
    printf '%-18s %-12s execs %-10s cov %-5s ft %-6s corpus %-12s %ss\n' "$target" "$verdict" \
        "${execs:-?}" "${cov:-?}" "${ft:-?}" "${corp:-?}" "$(cat "$out/$target.time")"
}

echo "=== fuzz ($mode): each target ${seconds} s at most$([ "$runs" = -1 ] || echo " or $runs runs"), $parallel at a time"
overall_start=$(date +%s)
# A small pool: up to $parallel targets run at once, the next one starting as
# soon as one ends; the summary lines come in the order the targets end.
pool() {
    running=""
    set -- $targets
    while [ $# -gt 0 ] || [ -n "$running" ]; do
        count=0
        for entry in $running; do
            count=$((count + 1))
        done
        if [ $# -gt 0 ] && [ "$count" -lt "$parallel" ]; then
            rm -f "$out/$1.rc"
            run_one "$1" &
            running="$running $!:$1"
            shift
            continue
        fi
        still=""
        for entry in $running; do
            # A target has ended when its exit status is written.
            if [ -f "$out/${entry#*:}.rc" ]; then
                wait "${entry%%:*}" || true
                summarise "${entry#*:}"
            else
                still="$still $entry"
            fi
        done
        running=$still
        sleep 1
    done
}
pool | tee "$out/summary.txt"

status=0
for target in $targets; do
    if [ "$(cat "$out/$target.rc")" != 0 ]; then
        status=1
        echo "=== $target failed; the end of $out/$target.log:"
        tail -n 40 "$out/$target.log"
        echo "findings: $(ls "$out/findings/$target")"
    fi
done
echo "=== fuzz ($mode): $(($(date +%s) - overall_start)) s; summary in $out/summary.txt"
exit $status
