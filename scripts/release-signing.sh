# Authenticode signing for scripts/release.sh (sourced; POSIX sh).
#
# Inputs, set by the caller (absolute paths, empty when not given):
#   sign_pfx                 PKCS#12 file with the code-signing key and certificate
#   sign_cert, sign_key      or the certificate (PEM, the chain may follow) and its key (PEM)
#   sign_pass_file           the password of the PKCS#12 file or of the key (first line)
#   timestamp                RFC 3161 timestamp server URL
#   sign_work                an empty folder for the certificates (never the key)
#
# signing_check refuses, before anything is built, a wrong password, a key that
# is not the certificate's, a certificate without the code-signing use and an
# expired one; it sets signer_subject and signer_fingerprint. sign_exe signs
# with SHA-256 (and a timestamp when asked); verify_exe checks the signature
# with osslsigncode verify: the digest of the file, the signer is the given
# certificate, its chain leads to the chain given or to a root of the system.

signing_fail() {
    echo "release: $*; no release is made" >&2
    exit 1
}

signing_check() {
    pass_arg="pass:"
    [ -z "$sign_pass_file" ] || pass_arg="file:$sign_pass_file"
    signer="$sign_work/signer.pem"
    chain="$sign_work/chain.pem"
    if [ -n "$sign_pfx" ]; then
        # Files exported by Windows may use the legacy ciphers.
        for legacy in "" -legacy; do
            # shellcheck disable=SC2086
            if openssl pkcs12 $legacy -in "$sign_pfx" -passin "$pass_arg" -nokeys -clcerts -out "$signer" \
                2>"$sign_work/openssl.log" &&
                openssl pkcs12 $legacy -in "$sign_pfx" -passin "$pass_arg" -nokeys -cacerts -out "$chain" \
                    2>>"$sign_work/openssl.log"; then
                break
            fi
            [ -n "$legacy" ] || continue
            signing_fail "cannot open $sign_pfx with the password given (a wrong password, or no PKCS#12 file)"
        done
        grep -q "BEGIN CERTIFICATE" "$signer" || signing_fail "$sign_pfx holds no certificate with its key"
        source_name=$sign_pfx
    else
        openssl x509 -in "$sign_cert" -out "$signer" 2>"$sign_work/openssl.log" ||
            signing_fail "$sign_cert holds no PEM certificate"
        cp "$sign_cert" "$chain"
        openssl pkey -in "$sign_key" -passin "$pass_arg" -pubout -out "$sign_work/key.pub" \
            2>"$sign_work/openssl.log" ||
            signing_fail "cannot read the key $sign_key (a wrong password, or no PEM key)"
        openssl x509 -in "$signer" -noout -pubkey >"$sign_work/cert.pub"
        cmp -s "$sign_work/key.pub" "$sign_work/cert.pub" ||
            signing_fail "the key $sign_key is not the key of the certificate in $sign_cert"
        source_name=$sign_cert
    fi
    signer_subject=$(openssl x509 -in "$signer" -noout -subject -nameopt oneline,-esc_msb | sed 's/^subject= *//')
    signer_fingerprint=$(openssl x509 -in "$signer" -noout -fingerprint -sha256 | sed 's/^[^=]*=//')
    openssl x509 -in "$signer" -noout -ext extendedKeyUsage 2>/dev/null | grep -q "Code Signing" ||
        signing_fail "the certificate in $source_name ($signer_subject) is not for code signing: it has no extendedKeyUsage codeSigning"
    openssl x509 -in "$signer" -noout -checkend 0 >/dev/null ||
        signing_fail "the certificate in $source_name ($signer_subject) expired on $(openssl x509 -in "$signer" -noout -enddate | sed 's/^notAfter=//')"

    # What verify_exe trusts: the chain given and the system's roots.
    cat "$chain" "$signer" >"$sign_work/trust.pem"
    [ ! -f /etc/ssl/certs/ca-certificates.crt ] || cat /etc/ssl/certs/ca-certificates.crt >>"$sign_work/trust.pem"
}

# sign_exe IN OUT
sign_exe() {
    sign_in=$1 sign_out=$2
    if [ -n "$sign_pfx" ]; then
        set -- -pkcs12 "$sign_pfx"
    else
        set -- -certs "$sign_cert" -key "$sign_key"
    fi
    [ -z "$sign_pass_file" ] || set -- "$@" -readpass "$sign_pass_file"
    [ -z "$timestamp" ] || set -- "$@" -ts "$timestamp"
    if ! osslsigncode sign "$@" -h sha256 -n Flintwell -in "$sign_in" -out "$sign_out" \
        </dev/null >"$sign_work/sign.log" 2>&1; then
        cat "$sign_work/sign.log" >&2
        if [ -n "$timestamp" ] && grep -qi "timestamp" "$sign_work/sign.log"; then
            signing_fail "the timestamp server $timestamp gave no timestamp for $(basename "$sign_in")"
        fi
        signing_fail "osslsigncode could not sign $(basename "$sign_in")"
    fi
}

# verify_exe FILE
verify_exe() {
    verified=$1
    set -- -in "$verified" -CAfile "$sign_work/trust.pem" \
        -require-leaf-hash "sha256:$(printf '%s' "$signer_fingerprint" | tr -d ':')"
    [ -z "$timestamp" ] || set -- "$@" -TSA-CAfile "$sign_work/trust.pem"
    if ! osslsigncode verify "$@" >"$sign_work/verify.log" 2>&1; then
        cat "$sign_work/verify.log" >&2
        signing_fail "the signature of $(basename "$verified") does not verify (the certificate's chain must come with it, up to a root of this system or its own)"
    fi
}
