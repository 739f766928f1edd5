#!/usr/bin/env bash
# check-install.sh CMAKE BUILD_DIR PROGRAM...: installs the build into a
# scratch prefix and checks that each program and its desktop files are in
# place: the binary, a valid .desktop entry whose Exec and Icon name what
# was installed, the icon in every size; the simulator has no entry but a
# man page.
set -euo pipefail
cmake="$1" build="$2"
shift 2
prefix="$(mktemp -d "${TMPDIR:-/tmp}/install-tree.XXXXXX")"
trap 'rm -rf "$prefix"' EXIT
"$cmake" --install "$build" --prefix "$prefix/usr" >/dev/null

status=0
fail() { echo "FAIL: $*" >&2; status=1; }
has() { [ -e "$prefix/usr/$1" ] || fail "missing $1"; }

for program in "$@"; do
    has "bin/$program"
    if [ "$program" = serial-sim ]; then
        compgen -G "$prefix/usr/share/man/man1/serial-sim.1*" >/dev/null || fail "missing the man page of serial-sim"
        continue
    fi
    entry="$prefix/usr/share/applications/$program.desktop"
    has "share/applications/$program.desktop"
    [ -e "$entry" ] || continue
    desktop-file-validate "$entry" || fail "$program.desktop does not validate"
    exec="$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$entry")"
    icon="$(sed -n 's/^Icon=//p' "$entry")"
    has "bin/$exec"
    for size in 16 32 48 64 128 256; do
        has "share/icons/hicolor/${size}x${size}/apps/$icon.png"
    done
    has "share/icons/hicolor/scalable/apps/$icon.svg"
    grep -q '^Name\[zh_CN\]=' "$entry" || fail "$program.desktop has no Chinese name"
done
exit $status
