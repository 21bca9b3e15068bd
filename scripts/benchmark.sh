#!/bin/sh
# A whole update of the built-in image against the reader simulator at
# 19200 baud (karvo-sim --pace), with wall and CPU time, blocks, bytes on the
# line and the protocol's own floor; then four readers updated at once through
# the console updater's batch against one alone; then the reader behind
# ser2net (RFC 2217 on loopback, and with 20 ms added each way) and sixteen
# network readers at once against one. Prints figures; passes or fails
# nothing.
set -e
cd "$(dirname "$0")/.."
sh scripts/install-deps.sh
cmake --preset native >/dev/null
cmake --build --preset native --target update-benchmark karvo-sim flintwell-cli delay-proxy >/dev/null
build/native/tools/update-benchmark 2>/dev/null
build/native/tools/update-benchmark --readers 4 2>/dev/null
exec build/native/tools/update-benchmark --network 16 2>/dev/null
