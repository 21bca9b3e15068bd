#!/bin/sh
# windres for the Windows build, whatever the folders' names. windres hands
# its include folders and its input to the preprocessor in a shell command of
# its own, which breaks on a path with '&', a quote or the like; here those
# paths reach it as links with plain names in a temporary folder.
#   windres.sh [windres arguments]   (as CMake calls windres)
set -e
links=$(mktemp -d "${TMPDIR:-/tmp}/flintwell-windres.XXXXXX")
trap 'rm -rf "$links"' EXIT
n=0 next=""
for arg; do
    shift
    if [ "$next" = include ]; then
        n=$((n + 1)) next=""
        ln -s "$arg" "$links/$n"
        set -- "$@" "$links/$n"
        continue
    fi
    case "$arg" in
    -I) next=include; set -- "$@" -I ;;
    -I*) n=$((n + 1)); ln -s "${arg#-I}" "$links/$n"; set -- "$@" "-I$links/$n" ;;
    *.rc) ln -s "$arg" "$links/input.rc"; set -- "$@" "$links/input.rc" ;;
    *) set -- "$@" "$arg" ;;
    esac
done
x86_64-w64-mingw32-windres "$@"
