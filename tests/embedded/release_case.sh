#!/bin/sh
# scripts/release.sh as a person runs it, on the sample firmware written in
# lower case with the settings reset on: the release folder's Flintwell.exe
# carries exactly its flintwell_image.bin and the configuration text (read
# back under Wine by the ExeResources test), the packed image unpacks to the
# sample byte for byte, and the note holds the files' SHA-256. Then a hex
# file that fails the image check is refused.
#   release_case.sh SOURCE_DIR WORK_DIR TESTS_EXE
# The release build folders stay in WORK_DIR, so later runs are incremental.
set -e
src=$1 work=$2 tests=$3
sample="$src/resources/firmware/karvo7_krm_1_05.hex"
export FLINTWELL_RELEASE_BUILD="$work/build"
mkdir -p "$work"
rm -rf "$work/out" "$work/refused"
fail() { echo "release test: $*" >&2; exit 1; }

tr 'ABCDEF' 'abcdef' <"$sample" >"$work/lower.hex"
sh "$src/scripts/release.sh" "$work/lower.hex" --reset-settings --out "$work/out" >"$work/release.log" 2>&1 ||
    { cat "$work/release.log"; fail "release.sh failed on the sample"; }
note="$work/out/release-note.txt"
for file in Flintwell.exe flintwell_image.bin; do
    grep -q "$(sha256sum "$work/out/$file" | cut -d ' ' -f 1)" "$note" || fail "the note lacks the SHA-256 of $file"
done
grep -q "^device: *Karvo-7KRM$" "$note" && grep -q "^firmware version: *1.05$" "$note" &&
    grep -q "^settings reset: *on" "$note" && grep -q "turned to upper case" "$note" || { cat "$note"; fail "note"; }
grep -q "passes the image check" "$work/out/check-summary.txt" || fail "no check summary"
"$work/build/host/tools/flintwell-image" unpack "$work/out/flintwell_image.bin" "$work/unpacked.hex"
cmp "$work/unpacked.hex" "$sample" || fail "the packed image is not the sample's records"

FLINTWELL_RELEASE_EXE=$(winepath -w "$work/out/Flintwell.exe") \
FLINTWELL_RELEASE_IMAGE=$(winepath -w "$work/out/flintwell_image.bin") \
FLINTWELL_RELEASE_RESET_SETTINGS=TRUE \
    "$src/scripts/wine-run.sh" "$WINEPREFIX" "$tests" --gtest_filter=ExeResources.AReleasedExe* >"$work/resources.log" 2>&1
grep -q "\[  PASSED  \] 1 test" "$work/resources.log" || { cat "$work/resources.log"; fail "resources"; }

head -n 1349 "$sample" >"$work/no_end.hex"
if sh "$src/scripts/release.sh" "$work/no_end.hex" --out "$work/refused" >"$work/refused.log" 2>&1; then
    fail "release.sh made a release of an image without an end-of-file record"
fi
grep -q "^$work/no_end.hex:1349: no end-of-file record" "$work/refused.log" || { cat "$work/refused.log"; fail "refusal"; }
[ ! -e "$work/refused/Flintwell.exe" ] || fail "a refused image has a Flintwell.exe"
echo "release test passed"
