#!/bin/sh
# Fonts for pictures of the window in a Wine prefix:
#   wine-fonts.sh PREFIX
# Debian's Wine does not find the fonts it ships (fonts-wine), so the
# caption buttons, drawn with Marlett, show letters; copying them into the
# prefix's Fonts folder fixes that. Wine has no Lucida Console, the console's
# font: DejaVu Sans Mono, also monospaced, stands in for it.
set -e
export WINEPREFIX="$1"
[ -n "$WINEPREFIX" ] || { echo "usage: $0 PREFIX" >&2; exit 2; }
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
fonts="$WINEPREFIX/drive_c/windows/Fonts"
mkdir -p "$fonts"
for font in /usr/share/wine/fonts/*.ttf; do
    [ -f "$font" ] || continue
    [ -f "$fonts/$(basename "$font")" ] || cp "$font" "$fonts/"
done
wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'Lucida Console' /d 'DejaVu Sans Mono' /f \
    </dev/null >/dev/null 2>&1
