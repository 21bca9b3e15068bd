#!/bin/sh
# flip_bit.sh FILE OFFSET: flips the lowest bit of that byte of the file.
set -e
file=$1
offset=$2
byte=$(od -An -tu1 -j "$offset" -N1 "$file" | tr -d ' \n')
[ -n "$byte" ] || { echo "flip_bit.sh: $file has no byte at $offset" >&2; exit 1; }
# shellcheck disable=SC2059
printf "$(printf '\\%03o' $((byte ^ 1)))" | dd of="$file" bs=1 seek="$offset" conv=notrunc status=none
