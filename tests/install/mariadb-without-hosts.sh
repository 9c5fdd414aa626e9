#!/bin/sh
# The private test server starts in a root whose host name does not resolve
# (no /etc/hosts), as on a minimal machine. Skipped (exit 77) where the test
# may not make a mount namespace of its own.
# usage: mariadb-without-hosts.sh <test-mariadb.sh>
set -u
script=$1
unshare -m true 2>/dev/null || exit 77
env=$(mktemp -u "${TMPDIR:-/tmp}/cs-mariadb-nohosts.XXXXXX.env")
unshare -m sh -c '
    mount --bind /dev/null /etc/hosts || exit 77
    sh "$1" start "$2" >/dev/null || exit 1
    sh "$1" status "$2" >/dev/null
    rc=$?
    sh "$1" stop "$2"
    exit $rc' sh "$script" "$env"
