#!/bin/sh
# Installs the Debian packages that building and testing Flintwell need,
# when any is missing. Needs root (apt-get).
set -e
packages="cmake ninja-build g++ googletest libgtest-dev mingw-w64 wine wine64 xvfb xauth socat
          imagemagick arduino-core-avr x11-utils fonts-wine fonts-dejavu-core locales ser2net osslsigncode openssl
          ca-certificates"
missing=""
for p in $packages; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing="$missing $p"
done
if [ -n "$missing" ]; then
    echo "Installing:$missing"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    # shellcheck disable=SC2086
    apt-get install -y -qq --no-install-recommends $missing >/dev/null
fi

# The end-to-end cases run the window under a Russian Windows's code page
# (1251) too: Wine takes it from the process locale, which must exist.
if ! locale -a 2>/dev/null | grep -qix 'ru_RU.utf8'; then
    echo "Generating the ru_RU.UTF-8 locale"
    sed -i 's/^# *\(ru_RU.UTF-8 UTF-8\)/\1/' /etc/locale.gen
    locale-gen >/dev/null
fi
