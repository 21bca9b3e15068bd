#!/bin/sh
# Flips the lowest bit of one byte of a file in place:
#   flip_bit.sh FILE OFFSET
# Makes a packed image whose packet fails its CRC-8, whatever key and filler
# the packing chose.
set -e
file=$1
offset=$2
byte=$(od -An -tu1 -j "$offset" -N1 "$file" | tr -d ' \n')
[ -n "$byte" ] || { echo "flip_bit.sh: $file has no byte at $offset" >&2; exit 1; }
# shellcheck disable=SC2059
printf "$(printf '\\%03o' $((byte ^ 1)))" | dd of="$file" bs=1 seek="$offset" conv=notrunc status=none
