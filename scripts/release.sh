#!/bin/sh
# One command from a firmware hex file to a release folder:
#
#   sh scripts/release.sh HEX [--reset-settings] [--packet-keys FILE --image-keys FILE] [--out DIR]
#
# Installs what the build needs (Debian, root), builds the image tool and a
# static Flintwell.exe in build folders of its own (build/release/host and
# build/release/windows; FLINTWELL_RELEASE_BUILD names another place), the
# developer's presets untouched, and writes into DIR (default
# build/release/<device>-<version>):
#   Flintwell.exe        the updater carrying the firmware
#   flintwell_image.bin  the packed image it carries (also for flintwell-cli --image)
#   check-summary.txt    what the image check says about the firmware
#   release-note.txt     device, firmware version, settings-reset choice, sizes,
#                        SHA-256 of the .exe and of the packed image, build date
# An image that fails the check is refused with the check's 'FILE:LINE: reason'
# lines. Lower-case hex digits are turned to upper case on the way (the
# records' contents stay the same), and the note says so.
set -e
root=$(cd "$(dirname "$0")/.." && pwd)

usage() {
    echo "usage: sh scripts/release.sh HEX [--reset-settings] [--packet-keys FILE --image-keys FILE] [--out DIR]" >&2
    exit 2
}

hex="" reset=OFF packet_keys="" image_keys="" out=""
while [ $# -gt 0 ]; do
    case "$1" in
    --reset-settings) reset=ON ;;
    --packet-keys) [ $# -ge 2 ] || usage; packet_keys=$2; shift ;;
    --image-keys) [ $# -ge 2 ] || usage; image_keys=$2; shift ;;
    --out) [ $# -ge 2 ] || usage; out=$2; shift ;;
    -*) usage ;;
    *) [ -z "$hex" ] || usage; hex=$1 ;;
    esac
    shift
done
[ -n "$hex" ] || usage
if { [ -n "$packet_keys" ] && [ -z "$image_keys" ]; } || { [ -z "$packet_keys" ] && [ -n "$image_keys" ]; }; then
    echo "release: --packet-keys and --image-keys go together" >&2
    exit 2
fi
absolute() { (cd "$(dirname "$1")" && echo "$(pwd)/$(basename "$1")"); }
for file in "$hex" "$packet_keys" "$image_keys"; do
    [ -z "$file" ] || [ -f "$file" ] || { echo "release: $file is not a file" >&2; exit 2; }
done
hex=$(absolute "$hex")
keys_text="the development keys of the repository (not secret)"
if [ -n "$packet_keys" ]; then
    packet_keys=$(absolute "$packet_keys")
    image_keys=$(absolute "$image_keys")
    keys_text="from the key files given"
else
    packet_keys="$root/resources/keys/packet_keys.txt"
    image_keys="$root/resources/keys/image_keys.txt"
fi

cd "$root"
sh scripts/install-deps.sh
build="${FLINTWELL_RELEASE_BUILD:-$root/build/release}"
mkdir -p "$build/input"
inputs="-DFLINTWELL_PACKET_KEYS=$packet_keys -DFLINTWELL_IMAGE_KEYS=$image_keys"

# The image tool packs with the image keys it was built with: the release's own.
echo "=== image tool ($build/host)"
# shellcheck disable=SC2086
cmake -S "$root" -B "$build/host" -G Ninja -DCMAKE_BUILD_TYPE=Release $inputs >/dev/null
cmake --build "$build/host" --target flintwell-image >/dev/null
tool="$build/host/bin/flintwell-image"

# The firmware as the build takes it: a copy, its hex digits upper case.
firmware="$build/input/$(basename "$hex")"
case_note="upper case already, used as given"
if grep -q '[a-f]' "$hex"; then
    tr 'abcdef' 'ABCDEF' <"$hex" >"$firmware"
    case_note="lower-case hex digits were turned to upper case (the records' contents are unchanged)"
else
    cp "$hex" "$firmware"
fi

echo "=== image check"
check_options=""
[ "$reset" = ON ] && check_options="--reset-settings"
# shellcheck disable=SC2086
if ! "$tool" check "$firmware" $check_options >"$build/check-summary.txt" 2>"$build/check-problems.txt"; then
    sed "s|^$firmware:|$hex:|" "$build/check-problems.txt" >&2
    echo "release: $hex fails the image check; no release is made" >&2
    exit 1
fi
header=$(sed -n 's/^   \(.* ver\.[^ ]*\) .*/\1/p' "$build/check-summary.txt" | head -n 1)
device=${header% ver.*}
version=${header##* ver.}

echo "=== Flintwell.exe ($build/windows)"
# shellcheck disable=SC2086
cmake -S "$root" -B "$build/windows" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DFLINTWELL_HOST_IMAGE_TOOL="$tool" -DFLINTWELL_FIRMWARE_HEX="$firmware" \
    -DFLINTWELL_RESET_SETTINGS=$reset $inputs >/dev/null
cmake --build "$build/windows" --target Flintwell >/dev/null
exe="$build/windows/bin/Flintwell.exe"
image="$build/windows/generated/resources/flintwell_resources/flintwell_image.bin"
cmake -DOBJDUMP=x86_64-w64-mingw32-objdump -DPROGRAM="$exe" -P "$root/cmake/CheckSystemImports.cmake" >/dev/null

[ -n "$out" ] || out="$build/$device-$version"
mkdir -p "$out"
out=$(cd "$out" && pwd)
cp "$exe" "$image" "$build/check-summary.txt" "$out/"
size() { wc -c <"$1" | tr -d ' '; }
sha() { sha256sum "$1" | cut -d ' ' -f 1; }
written=$(sed -n 's/^written: *//p' "$out/check-summary.txt")
update_time=$(sed -n 's/^update time: *//p' "$out/check-summary.txt")
cat >"$out/release-note.txt" <<EOF
Flintwell release

device:            $device
firmware version:  $version
settings reset:    $( [ "$reset" = ON ] && echo "on (the update also resets the reader's settings)" || echo "off" )
firmware hex:      $(basename "$hex"), $(size "$hex") bytes
hex digits:        $case_note
written on update: $written, $update_time
packed image:      flintwell_image.bin, $(size "$out/flintwell_image.bin") bytes
  SHA-256:         $(sha "$out/flintwell_image.bin")
Flintwell.exe:     $(size "$out/Flintwell.exe") bytes
  SHA-256:         $(sha "$out/Flintwell.exe")
key tables:        $keys_text
built:             $(date -u '+%Y-%m-%d %H:%M:%S UTC') from commit $(git -C "$root" rev-parse --short HEAD 2>/dev/null || echo unknown)
EOF
echo "=== release in $out"
cat "$out/release-note.txt"
