#!/usr/bin/env bash
# check-install.sh CMAKE BUILD_DIR PROGRAM...: installs the build into a
# scratch prefix and checks that each program and its desktop files are in
# place: the binary, its compressed man page, a valid .desktop entry whose
# Exec and Icon name what was installed, the icon in every size, valid
# AppStream metadata launching that entry; the simulator has no entry. The
# copyright file and the changelog are there too.
set -euo pipefail
cmake="$1" build="$2"
shift 2
prefix="$(mktemp -d "${TMPDIR:-/tmp}/install-tree.XXXXXX")"
trap 'rm -rf "$prefix"' EXIT
"$cmake" --install "$build" --prefix "$prefix/usr" >/dev/null

status=0
fail() { echo "FAIL: $*" >&2; status=1; }
has() { [ -e "$prefix/usr/$1" ] || fail "missing $1"; }

for doc in copyright changelog.gz; do
    has "share/doc/serial-bench/$doc"
done

for program in "$@"; do
    has "bin/$program"
    page="share/man/man1/$program.1.gz"
    has "$page"
    if [ -e "$prefix/usr/$page" ] && ! gzip -t "$prefix/usr/$page"; then
        fail "$page is not gzip"
    fi
    if [ "$program" = serial-sim ]; then
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
    metainfo="$(grep -l "<launchable type=\"desktop-id\">$program.desktop<" \
                "$prefix"/usr/share/metainfo/*.metainfo.xml 2>/dev/null | head -n 1 || true)"
    if [ -z "$metainfo" ]; then
        fail "no AppStream metadata launches $program.desktop"
    elif ! report="$(appstreamcli validate --no-net --strict "$metainfo")"; then
        echo "$report" >&2
        fail "$(basename "$metainfo") does not validate"
    fi
done
exit $status
