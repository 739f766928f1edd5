#!/usr/bin/env bash
# check-package.sh DEB: the package as Debian's own checkers see it.
# lintian must report no error and no warning, and every AppStream file
# it carries must validate (offline: screenshots are not fetched).
set -euo pipefail
deb="$1"
status=0

# lintian warns when run as root, as unpacking a stranger's package as root
# is a risk; this one is our own build, so CI (root) may.
root=()
[ "$(id -u)" -eq 0 ] && root=(--allow-root)
echo "lintian $(basename "$deb"):"
lintian "${root[@]}" --fail-on error,warning "$deb" || status=1

tree="$(mktemp -d "${TMPDIR:-/tmp}/package-tree.XXXXXX")"
trap 'rm -rf "$tree"' EXIT
dpkg-deb -x "$deb" "$tree"
metainfo=("$tree"/usr/share/metainfo/*.metainfo.xml)
if [ ! -e "${metainfo[0]}" ]; then
    echo "FAIL: the package has no AppStream metadata" >&2
    status=1
else
    appstreamcli validate --no-net "${metainfo[@]}" || status=1
fi
exit $status
