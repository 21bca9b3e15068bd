#!/bin/sh
# scripts/release.sh as a release manager runs it, the repository, the inputs
# and the build under a folder named with a space, '&', a quote and Cyrillic
# letters, with certificates made here by a throwaway CA:
# - refused before any build: a wrong password, a certificate without the
#   code-signing use, an expired one; no release folder is left;
# - the sample in lower case, settings reset on, signed from a PKCS#12 file,
#   --out relative to the caller's folder: the image unpacks to the sample, both
#   programs verify against the CA (and not once a byte is flipped), the note
#   names the signer, Flintwell.exe carries the image, configuration and
#   version block of its release (ExeResources under Wine); a folder that
#   holds no release is not replaced;
# - a timestamp server that fails: asked at the URL given, a clear error, no folder;
# - Karvo-7-USB MAIN (signed from PEM files) and PWR (not signed) of one
#   version side by side in their default folders; signed without the chain
#   to its CA, the signature does not verify and there is no release;
# - a hex failing the image check gets no release.
#   release_case.sh SOURCE_DIR WORK_DIR TESTS_EXE (builds stay in WORK_DIR)
set -e
src=$1 work=$2 tests=$3
odd="$work/Релиз & co's"
rm -rf "$odd/out" "$odd/refused" "$odd/stamped" "$odd/kept" "$odd/build/Karvo-7-USB"* "$work/ca"
mkdir -p "$odd" "$work/ca"
ln -sfn "$src" "$odd/repo"
export FLINTWELL_RELEASE_BUILD="$odd/build"
release() { sh "$odd/repo/scripts/release.sh" "$@"; }
fail() { cat "$1" >&2; echo "release test: $2" >&2; exit 1; }
has() { grep -qF -- "$2" "$1" || fail "$1" "$3"; }

# The throwaway CA and its certificates: for code signing, for a web server, expired.
ca="$work/ca"
cat >"$ca/uses.cnf" <<'EOF'
[codesign]
extendedKeyUsage = codeSigning
[server]
extendedKeyUsage = serverAuth
EOF
openssl req -x509 -newkey rsa:2048 -nodes -keyout "$ca/ca.key" -out "$ca/ca.pem" -days 2 -subj "/CN=Throwaway CA" \
    2>/dev/null
echo "pass & word" >"$odd/pass.txt"
cp "$odd/pass.txt" "$ca/key-pass.txt"  # openssl reads a second line when in and out name one file
echo "guess" >"$odd/wrong.txt"
for cert in "codesign signer 2" "server server 2" "codesign expired -1"; do
    set -- $cert
    openssl req -newkey rsa:2048 -keyout "$ca/$2.key" -passout "file:$odd/pass.txt" -out "$ca/$2.csr" -utf8 \
        -subj "/O=Flintwell team/CN=Подпись $2" 2>/dev/null
    openssl x509 -req -in "$ca/$2.csr" -CA "$ca/ca.pem" -CAkey "$ca/ca.key" -days "$3" -extfile "$ca/uses.cnf" \
        -extensions "$1" -out "$ca/$2.pem" 2>/dev/null
    openssl pkcs12 -export -inkey "$ca/$2.key" -passin "file:$ca/key-pass.txt" -in "$ca/$2.pem" -certfile "$ca/ca.pem" \
        -passout "file:$odd/pass.txt" -out "$odd/$2.pfx"
done
sample="$src/resources/firmware/karvo7_krm_1_05.hex"
tr 'ABCDEF' 'abcdef' <"$sample" >"$odd/lower case.hex"
cd "$odd"

for refusal in "signer.pfx wrong.txt wrong password" "server.pfx pass.txt not for code signing" \
    "expired.pfx pass.txt expired on"; do
    set -- $refusal
    ! release "lower case.hex" --sign-pfx "$1" --sign-pass-file "$2" --out refused >"$work/refused.log" 2>&1 ||
        fail "$work/refused.log" "$1 was taken"
    shift 2
    has "$work/refused.log" "$*" "$refusal: no reason"
    [ ! -e refused ] || fail /dev/null "$refusal left a release folder"
done

release "lower case.hex" --reset-settings --sign-pfx signer.pfx --sign-pass-file pass.txt --out out \
    >"$work/release.log" 2>&1 || fail "$work/release.log" "release.sh failed on the sample"
"$odd/build/host/bin/flintwell-image" unpack out/flintwell_image.bin "$work/unpacked.hex"
cmp "$work/unpacked.hex" "$sample" || fail /dev/null "the packed image is not the sample's records"
for exe in Flintwell.exe flintwell-cli.exe; do
    osslsigncode verify -in "out/$exe" -CAfile "$ca/ca.pem" >"$work/verify.log" 2>&1 ||
        fail "$work/verify.log" "$exe does not verify"
done
cp out/Flintwell.exe "$work/flipped.exe"
byte=$(od -An -tu1 -j 5000 -N 1 out/Flintwell.exe | tr -d ' ')
printf "\\$(printf '%03o' $((byte ^ 1)))" | dd of="$work/flipped.exe" bs=1 seek=5000 conv=notrunc 2>/dev/null
! osslsigncode verify -in "$work/flipped.exe" -CAfile "$ca/ca.pem" >"$work/verify.log" 2>&1 ||
    fail "$work/verify.log" "a changed byte still verifies"
has out/release-note.txt "CN = Подпись signer" "the note names no signer"
has out/release-note.txt "$(openssl x509 -in "$ca/signer.pem" -noout -fingerprint -sha256 | sed 's/.*=//')" \
    "the note has not the certificate's fingerprint"
has out/release-note.txt "timestamp:       none" "the note does not say that there is no timestamp"
# The test program opens files by ANSI names: the release's files are read from a copy.
read_back() {
    rm -rf "$work/read-back" && mkdir "$work/read-back" && cp "$1/Flintwell.exe" "$1/flintwell_image.bin" "$work/read-back/"
    FLINTWELL_RELEASE_EXE=$(winepath -w "$work/read-back/Flintwell.exe") \
        FLINTWELL_RELEASE_IMAGE=$(winepath -w "$work/read-back/flintwell_image.bin") \
        FLINTWELL_RELEASE_RESET_SETTINGS=$2 FLINTWELL_RELEASE_FIRMWARE=$3 \
        "$src/scripts/wine-run.sh" "$WINEPREFIX" "$tests" --gtest_filter=ExeResources.AReleasedExe* \
        >"$work/resources.log" 2>&1 && grep -q "\[  PASSED  \] 1 test" "$work/resources.log" ||
        fail "$work/resources.log" "resources of $1"
}
read_back out TRUE "Karvo-7KRM 1.05"
mkdir -p kept && echo "not a release" >kept/notes.txt
! release "lower case.hex" --reset-settings --out kept >"$work/kept.log" 2>&1 || fail "$work/kept.log" "a folder replaced"
has kept/notes.txt "not a release" "a folder that is no release lost its files"

# A timestamp server on this machine that answers no timestamp (no other is reachable).
port=$((20000 + $$ % 20000))
(cd "$work" && exec socat TCP-LISTEN:$port,bind=127.0.0.1,reuseaddr \
    SYSTEM:"sed '/^.$/q' >tsa-request.txt; printf 'HTTP/1.0 500 No timestamps\r\n\r\n'") &
tsa=$!
trap 'kill $tsa 2>/dev/null || true' EXIT
sleep 0.5
! release "lower case.hex" --reset-settings --sign-pfx signer.pfx --sign-pass-file pass.txt \
    --timestamp "http://127.0.0.1:$port/tsa" --out stamped >"$work/stamped.log" 2>&1 ||
    fail "$work/stamped.log" "a release without its timestamp"
has "$work/tsa-request.txt" "POST /tsa HTTP" "the timestamp server was not asked at the URL given"
has "$work/stamped.log" "the timestamp server http://127.0.0.1:$port/tsa gave no timestamp" "no reason"
[ ! -e stamped ] || fail /dev/null "a failed timestamp left a release folder"

cmake --build build/host --target make-sample-firmware >/dev/null
for board in MAIN:0xC02 PWR:0xC03; do
    "$odd/build/host/tools/make-sample-firmware" --type "${board#*:}" --size 5136 "usb ${board%:*}.hex" >/dev/null
done
cat "$ca/signer.pem" "$ca/ca.pem" >"$ca/signer-chain.pem"
release "usb MAIN.hex" --sign-cert "$ca/signer-chain.pem" --sign-key "$ca/signer.key" --sign-pass-file pass.txt \
    >"$work/main.log" 2>&1 || fail "$work/main.log" "release.sh failed on Karvo-7-USB MAIN"
# The same certificate without its chain: signed, but the signature leads to no root.
! release "usb MAIN.hex" --sign-cert "$ca/signer.pem" --sign-key "$ca/signer.key" --sign-pass-file pass.txt \
    --out refused >"$work/refused.log" 2>&1 || fail "$work/refused.log" "a signature that does not verify was released"
has "$work/refused.log" "does not verify" "no reason"
[ ! -e refused ] || fail /dev/null "a signature that does not verify left a release folder"
release "usb PWR.hex" >"$work/pwr.log" 2>&1 || fail "$work/pwr.log" "release.sh failed on Karvo-7-USB PWR"
for board in MAIN PWR; do
    has "build/Karvo-7-USB-$board-1.05/release-note.txt" "device:            Karvo-7-USB $board" "$board's note"
done
has build/Karvo-7-USB-PWR-1.05/release-note.txt "signature:         not signed" "an unsigned release's note"
osslsigncode verify -in build/Karvo-7-USB-MAIN-1.05/flintwell-cli.exe -CAfile "$ca/ca.pem" >"$work/verify.log" 2>&1 ||
    fail "$work/verify.log" "the MAIN release's flintwell-cli.exe does not verify"
read_back build/Karvo-7-USB-MAIN-1.05 FALSE "Karvo-7-USB MAIN 1.05"

head -n 1349 "$sample" >"$odd/no end.hex"
! release "no end.hex" --out refused >"$work/refused.log" 2>&1 ||
    fail "$work/refused.log" "release.sh made a release of an image without an end-of-file record"
has "$work/refused.log" "$odd/no end.hex:1349: no end-of-file record" "refusal"
[ ! -e refused ] || fail /dev/null "a refused image left a release folder"
echo "release test passed"
