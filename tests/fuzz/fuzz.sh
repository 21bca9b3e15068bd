#!/bin/sh
# Runs the libFuzzer targets of tests/fuzz (preset fuzz: clang, ASan/UBSan),
# two at a time; fails on a crash, a sanitizer report, a failed check, a leak
# or a hang. Installs clang and libFuzzer's runtime when missing.
#   sh tests/fuzz/fuzz.sh short            each target 15 s (scripts/test-all.sh)
#   sh tests/fuzz/fuzz.sh long [SECONDS]   up to 10 million runs or SECONDS (1800)
# Seeds: tests/fuzz/corpus/<target>. Logs, corpora and findings (replay with
# build/fuzz/tests/fuzz/<target> FILE): build/fuzz/runs/<mode>/.
set -e
cd "$(dirname "$0")/../.."
case "${1:-short}" in
short) mode=short seconds=${FUZZ_SHORT_SECONDS:-15} runs=-1 ;;
long) mode=long seconds=${2:-1800} runs=10000000 ;;
*) echo "usage: sh tests/fuzz/fuzz.sh short | long [SECONDS]" >&2 && exit 2 ;;
esac
for p in cmake ninja-build clang libclang-rt-14-dev; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing="$missing $p"
done
[ -z "$missing" ] || { apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $missing; }
cmake --preset fuzz >/dev/null && cmake --build --preset fuzz

export out=build/fuzz/runs/$mode seconds runs
start=$(date +%s)
# Each line: a target, the longest input and the dictionary it takes.
printf '%s\n' "fuzz_unpack_image -max_len=2048" "fuzz_scan_config -max_len=4096 -dict=tests/fuzz/dict/hex.dict" \
    "fuzz_hex_stream -max_len=4096 -dict=tests/fuzz/dict/hex.dict" "fuzz_reply -max_len=1024" \
    "fuzz_rfc2217_receive -max_len=2048" "fuzz_image_check -max_len=4096 -dict=tests/fuzz/dict/hex.dict" |
    xargs -P 2 -L 1 sh -c 't=$1; shift; mkdir -p "$out/corpus/$t" "$out/findings/$t"
        build/fuzz/tests/fuzz/$t "$@" -max_total_time="$seconds" -runs="$runs" -timeout=10 -rss_limit_mb=2048 \
            -print_final_stats=1 -artifact_prefix="$out/findings/$t/" "$out/corpus/$t" "tests/fuzz/corpus/$t" \
            >"$out/$t.log" 2>&1 && r=ok || r=FAILED
        echo "$t: $r, $(sed -n "s/^stat::number_of_executed_units: *//p" "$out/$t.log") runs"
        [ $r = ok ] || { tail -n 40 "$out/$t.log"; exit 1; }' sh || status=1
echo "=== fuzz ($mode): $(($(date +%s) - start)) s; logs in $out"
exit "${status:-0}"
