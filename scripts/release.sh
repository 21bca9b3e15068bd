#!/bin/sh
# One command from a firmware hex file to a release folder:
#
#   sh scripts/release.sh HEX [--reset-settings] [--packet-keys FILE --image-keys FILE] [--out DIR]
#       [--sign-pfx FILE [--sign-pass-file FILE] | --sign-cert PEM --sign-key PEM [--sign-pass-file FILE]]
#       [--timestamp URL]
#
# Installs what the build needs (Debian, root), builds the image tool and the
# static Flintwell.exe and flintwell-cli.exe in build folders of its own
# (build/release/host and build/release/windows; FLINTWELL_RELEASE_BUILD names
# another place), the developer's presets untouched, and writes into DIR
# (default build/release/<device>-<version>, e.g. Karvo-7-USB-MAIN-1.05; a
# relative DIR is taken from the caller's folder):
#   Flintwell.exe        the updater carrying the firmware
#   flintwell-cli.exe    the console updater carrying the same firmware
#   flintwell_image.bin  the packed image they carry (also for flintwell-cli --image)
#   check-summary.txt    what the image check says about the firmware
#   release-note.txt     device, firmware version, settings-reset choice, sizes,
#                        SHA-256 of the programs and of the packed image, the
#                        signer, build date
# With a certificate both programs are signed (Authenticode, SHA-256, with an
# RFC 3161 timestamp from URL when given) and their signatures verified before
# the release is done (scripts/release-signing.sh). An image that fails the
# check is refused with the check's 'FILE:LINE: reason' lines; a refused
# certificate or a failed signature leaves no release folder: the release is
# made in a folder beside DIR and takes its name at the end. Lower-case hex
# digits are turned to upper case on the way (the records' contents stay the
# same), and the note says so.
set -e
root=$(cd "$(dirname "$0")/.." && pwd)

usage() {
    cat >&2 <<'EOF'
usage: sh scripts/release.sh HEX [--reset-settings] [--packet-keys FILE --image-keys FILE] [--out DIR]
           [--sign-pfx FILE [--sign-pass-file FILE] | --sign-cert PEM --sign-key PEM [--sign-pass-file FILE]]
           [--timestamp URL]
EOF
    exit 2
}
fail() {
    echo "release: $*" >&2
    exit 2
}
# A path from the caller's folder, made absolute.
absolute() {
    case "$1" in
    /*) printf '%s\n' "$1" ;;
    *) printf '%s\n' "$PWD/$1" ;;
    esac
}

hex="" reset=OFF packet_keys="" image_keys="" out=""
sign_pfx="" sign_cert="" sign_key="" sign_pass_file="" timestamp=""
while [ $# -gt 0 ]; do
    case "$1" in
    --reset-settings) reset=ON ;;
    --packet-keys | --image-keys | --out | --sign-pfx | --sign-cert | --sign-key | --sign-pass-file | --timestamp)
        [ $# -ge 2 ] || usage
        case "$1" in
        --packet-keys) packet_keys=$(absolute "$2") ;;
        --image-keys) image_keys=$(absolute "$2") ;;
        --out) out=$(absolute "$2") ;;
        --sign-pfx) sign_pfx=$(absolute "$2") ;;
        --sign-cert) sign_cert=$(absolute "$2") ;;
        --sign-key) sign_key=$(absolute "$2") ;;
        --sign-pass-file) sign_pass_file=$(absolute "$2") ;;
        --timestamp) timestamp=$2 ;;
        esac
        shift
        ;;
    -*) usage ;;
    *) [ -z "$hex" ] || usage; hex=$(absolute "$1") ;;
    esac
    shift
done
[ -n "$hex" ] || usage
{ [ -n "$packet_keys" ] && [ -n "$image_keys" ]; } || { [ -z "$packet_keys" ] && [ -z "$image_keys" ]; } ||
    fail "--packet-keys and --image-keys go together"
{ [ -n "$sign_cert" ] && [ -n "$sign_key" ]; } || { [ -z "$sign_cert" ] && [ -z "$sign_key" ]; } ||
    fail "--sign-cert and --sign-key go together"
[ -z "$sign_pfx" ] || [ -z "$sign_cert" ] || fail "sign with --sign-pfx or with --sign-cert and --sign-key, not both"
signing=""
[ -z "$sign_pfx$sign_cert" ] || signing=yes
[ -n "$signing" ] || [ -z "$sign_pass_file$timestamp" ] ||
    fail "--sign-pass-file and --timestamp need a certificate (--sign-pfx, or --sign-cert and --sign-key)"
for file in "$hex" "$packet_keys" "$image_keys" "$sign_pfx" "$sign_cert" "$sign_key" "$sign_pass_file"; do
    [ -z "$file" ] || [ -f "$file" ] || fail "$file is not a file"
done
keys_text="the development keys of the repository (not secret)"
if [ -n "$packet_keys" ]; then
    keys_text="from the key files given"
else
    packet_keys="$root/resources/keys/packet_keys.txt"
    image_keys="$root/resources/keys/image_keys.txt"
fi

sh "$root/scripts/install-deps.sh"
build="${FLINTWELL_RELEASE_BUILD:-$root/build/release}"
mkdir -p "$build/input"
work=$(mktemp -d "$build/work.XXXXXX")
stage=""
trap 'rm -rf "$work" ${stage:+"$stage"}' EXIT

# The certificate is judged before anything is built.
if [ -n "$signing" ]; then
    . "$root/scripts/release-signing.sh"
    sign_work=$work
    signing_check
fi

# windres and the compilers' dependency files (read by Ninja) cannot take a
# path with '&', a quote or the like: the build sees the repository and its
# build folder through links with plain names, the same for the same folders.
src_tree=$root tree=$build
case "$root$build" in
*[!A-Za-z0-9/._+-]*)
    links="/tmp/flintwell-release-$(printf '%s\n%s\n' "$root" "$build" | sha256sum | cut -c 1-16)"
    mkdir -p "$links"
    ln -sfn "$root" "$links/source"
    ln -sfn "$build" "$links/build"
    src_tree="$links/source" tree="$links/build"
    ;;
esac

# The image tool packs with the image keys it was built with: the release's own.
echo "=== image tool ($build/host)"
cmake -S "$src_tree" -B "$tree/host" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DFLINTWELL_PACKET_KEYS="$packet_keys" -DFLINTWELL_IMAGE_KEYS="$image_keys" >/dev/null
cmake --build "$tree/host" --target flintwell-image >/dev/null
tool="$tree/host/bin/flintwell-image"

# The firmware as the build takes it: a copy, its hex digits upper case.
firmware="$tree/input/firmware.hex"
case_note="upper case already, used as given"
if grep -q '[a-f]' "$hex"; then
    tr 'abcdef' 'ABCDEF' <"$hex" >"$firmware"
    case_note="lower-case hex digits were turned to upper case (the records' contents are unchanged)"
else
    cp "$hex" "$firmware"
fi

echo "=== image check"
set --
[ "$reset" = OFF ] || set -- --reset-settings
# The check's lines name the file given, not the copy.
as_given() {
    FIRMWARE="$firmware:" GIVEN="$hex:" awk '
        index($0, ENVIRON["FIRMWARE"]) == 1 { print ENVIRON["GIVEN"] substr($0, length(ENVIRON["FIRMWARE"]) + 1); next }
        { print }' "$1"
}
if "$tool" check "$firmware" "$@" >"$work/check.txt" 2>"$work/problems.txt"; then
    as_given "$work/check.txt" >"$work/check-summary.txt"
else
    as_given "$work/problems.txt" >&2
    echo "release: $hex fails the image check; no release is made" >&2
    exit 1
fi

echo "=== Flintwell.exe and flintwell-cli.exe ($build/windows)"
cmake -S "$src_tree" -B "$tree/windows" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$src_tree/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DFLINTWELL_HOST_IMAGE_TOOL="$tool" -DFLINTWELL_FIRMWARE_HEX="$firmware" \
    -DFLINTWELL_RESET_SETTINGS=$reset -DFLINTWELL_PACKET_KEYS="$packet_keys" \
    -DFLINTWELL_IMAGE_KEYS="$image_keys" >/dev/null
cmake --build "$tree/windows" --target Flintwell flintwell-cli >/dev/null
image="$tree/windows/generated/resources/flintwell_resources/flintwell_image.bin"
for program in Flintwell.exe flintwell-cli.exe; do
    cmake -DOBJDUMP=x86_64-w64-mingw32-objdump -DPROGRAM="$build/windows/bin/$program" \
        -P "$root/cmake/CheckSystemImports.cmake" >/dev/null
done

# What the image carries, as the image tool's info names it: "Karvo-7-USB MAIN 1.05".
"$tool" info "$image" >"$work/info.txt"
carried=$(sed -n 's/^firmware: *//p' "$work/info.txt")
device=${carried% *}
version=${carried##* }
[ -n "$out" ] || out="$build/$(printf '%s' "$carried" | tr ' ' '-')"

# The release is made beside its folder and takes its name when it is whole;
# only an earlier release (or nothing) is replaced.
if [ -e "$out" ] && { [ ! -d "$out" ] || { [ ! -f "$out/release-note.txt" ] && [ -n "$(ls -A "$out")" ]; }; }; then
    echo "release: $out is there and is no release folder; give another --out" >&2
    exit 1
fi
parent=$(dirname "$out")
mkdir -p "$parent"
stage=$(mktemp -d "$parent/.$(basename "$out").XXXXXX")
chmod go+rx "$stage"
cp "$image" "$work/check-summary.txt" "$stage/"
signed_text="not signed"
if [ -n "$signing" ]; then
    echo "=== signing ($signer_subject)"
    for program in Flintwell.exe flintwell-cli.exe; do
        sign_exe "$build/windows/bin/$program" "$stage/$program"
        verify_exe "$stage/$program"
    done
    signed_text="Authenticode, SHA-256, verified with osslsigncode verify"
    timestamp_text="none: the signatures are valid only while the certificate is"
    [ -z "$timestamp" ] || timestamp_text="added by $timestamp"
else
    cp "$build/windows/bin/Flintwell.exe" "$build/windows/bin/flintwell-cli.exe" "$stage/"
fi

size() { wc -c <"$1" | tr -d ' '; }
sha() { sha256sum "$1" | cut -d ' ' -f 1; }
written=$(sed -n 's/^written: *//p' "$stage/check-summary.txt")
update_time=$(sed -n 's/^update time: *//p' "$stage/check-summary.txt")
{
    cat <<EOF
Flintwell release

device:            $device
firmware version:  $version
settings reset:    $( [ "$reset" = ON ] && echo "on (the update also resets the reader's settings)" || echo "off" )
firmware hex:      $(basename "$hex"), $(size "$hex") bytes
hex digits:        $case_note
written on update: $written, $update_time
packed image:      flintwell_image.bin, $(size "$stage/flintwell_image.bin") bytes
  SHA-256:         $(sed -n 's/^image SHA-256: *//p' "$work/info.txt")
Flintwell.exe:     $(size "$stage/Flintwell.exe") bytes
  SHA-256:         $(sha "$stage/Flintwell.exe")
flintwell-cli.exe: $(size "$stage/flintwell-cli.exe") bytes
  SHA-256:         $(sha "$stage/flintwell-cli.exe")
signature:         $signed_text
EOF
    if [ -n "$signing" ]; then
        cat <<EOF
  signer:          $signer_subject
  certificate SHA-256 fingerprint: $signer_fingerprint
  timestamp:       $timestamp_text
EOF
    fi
    cat <<EOF
key tables:        $keys_text
built:             $(date -u '+%Y-%m-%d %H:%M:%S UTC') from commit $(git -C "$root" rev-parse --short HEAD 2>/dev/null || echo unknown)
EOF
} >"$stage/release-note.txt"

# An earlier release of the same name gives way only now.
if [ -e "$out" ]; then
    mv "$out" "$stage.old"
    mv "$stage" "$out"
    rm -rf "$stage.old"
else
    mv "$stage" "$out"
fi
stage=""
echo "=== release in $out"
cat "$out/release-note.txt"
