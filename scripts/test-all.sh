#!/bin/sh
# Builds every configuration and runs every test: native, native under
# AddressSanitizer/UndefinedBehaviorSanitizer, and the Windows build under Wine.
set -e
cd "$(dirname "$0")/.."
sh scripts/install-deps.sh

for preset in native native-asan windows; do
    echo "=== $preset: configure and build"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
done

status=0
for preset in native native-asan windows; do
    echo "=== $preset: tests"
    ctest --preset "$preset" || status=1
done

# --- fuzzing: every libFuzzer target of tests/fuzz, 15 s each ----------
echo "=== fuzz: short runs"
sh tests/fuzz/fuzz.sh short || status=1
# --- end of fuzzing ---------------------------------------------------------
exit $status
