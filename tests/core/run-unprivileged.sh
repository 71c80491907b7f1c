#!/bin/sh
# Runs a test program as the user nobody. Permission bits bind every user but root, so when the
# suite runs as root (as CI does) the permission cases are only tested this way.
# Exit status 77 means skipped: not root (the ordinary run covers them), or nobody cannot be
# taken on or cannot reach the program.
set -u
[ "$(id -u)" -eq 0 ] || exit 77
command -v setpriv >/dev/null 2>&1 || exit 77
as_nobody() { setpriv --reuid=nobody --regid=nogroup --clear-groups "$@"; }
if ! as_nobody test -x "$1"; then
    echo "nobody cannot run $1" >&2
    exit 77
fi
exec env TMPDIR=/tmp HOME=/tmp setpriv --reuid=nobody --regid=nogroup --clear-groups "$@"
