#!/bin/sh
# scripts/release.sh on the sample in lower case, settings reset on: the image
# unpacks to the sample, Flintwell.exe carries exactly it and the configuration
# (ExeResources under Wine); a hex failing the image check gets no release.
#   release_case.sh SOURCE_DIR WORK_DIR TESTS_EXE (builds stay in WORK_DIR)
set -e
src=$1 work=$2 tests=$3
sample="$src/resources/firmware/karvo7_krm_1_05.hex"
export FLINTWELL_RELEASE_BUILD="$work/build"
mkdir -p "$work" && rm -rf "$work/out" "$work/refused"
fail() { cat "$1" >&2; echo "release test: $2" >&2; exit 1; }

tr 'ABCDEF' 'abcdef' <"$sample" >"$work/lower.hex"
sh "$src/scripts/release.sh" "$work/lower.hex" --reset-settings --out "$work/out" >"$work/release.log" 2>&1 ||
    fail "$work/release.log" "release.sh failed on the sample"
"$work/build/host/bin/flintwell-image" unpack "$work/out/flintwell_image.bin" "$work/unpacked.hex"
cmp "$work/unpacked.hex" "$sample" || fail /dev/null "the packed image is not the sample's records"
FLINTWELL_RELEASE_EXE=$(winepath -w "$work/out/Flintwell.exe") \
FLINTWELL_RELEASE_IMAGE=$(winepath -w "$work/out/flintwell_image.bin") \
FLINTWELL_RELEASE_RESET_SETTINGS=TRUE \
    "$src/scripts/wine-run.sh" "$WINEPREFIX" "$tests" --gtest_filter=ExeResources.AReleasedExe* >"$work/resources.log" 2>&1 &&
    grep -q "\[  PASSED  \] 1 test" "$work/resources.log" || fail "$work/resources.log" "resources"

head -n 1349 "$sample" >"$work/no_end.hex"
! sh "$src/scripts/release.sh" "$work/no_end.hex" --out "$work/refused" >"$work/refused.log" 2>&1 ||
    fail "$work/refused.log" "release.sh made a release of an image without an end-of-file record"
grep -q "^$work/no_end.hex:1349: no end-of-file record" "$work/refused.log" || fail "$work/refused.log" "refusal"
[ ! -e "$work/refused/Flintwell.exe" ] || fail /dev/null "a refused image has a Flintwell.exe"
echo "release test passed"
