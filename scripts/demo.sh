#!/bin/sh
# Packs the built-in sample firmware with the image tool, unpacks it again
# and shows that the text came back byte for byte.
set -e
cd "$(dirname "$0")/.."
sh scripts/install-deps.sh
cmake --preset native >/dev/null
cmake --build --preset native --target flintwell-image >/dev/null
tool=build/native/tools/flintwell-image
hex=resources/firmware/karvo7_krm_1_05.hex
out=build/demo
mkdir -p "$out"
"$tool" pack "$hex" "$out/firmware.bin"
"$tool" unpack "$out/firmware.bin" "$out/firmware.hex"
echo "hex file:     $hex ($(wc -c <"$hex") bytes)"
echo "packed image: $out/firmware.bin ($(wc -c <"$out/firmware.bin") bytes)"
echo "unpacked:     $out/firmware.hex ($(wc -c <"$out/firmware.hex") bytes)"
if cmp -s "$hex" "$out/firmware.hex"; then
    echo "The unpacked image equals the original byte for byte."
else
    echo "The unpacked image differs from the original!" >&2
    exit 1
fi
