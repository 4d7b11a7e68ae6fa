#!/bin/sh
# End-to-end queue benchmark: "tovrel-ftp-cli queue run" against lftp mirror
# (and curl for one large file) on a loopback vsftpd. Needs root (vsftpd)
# and the FTP test user (scripts/ci-setup.d/10-ftp-test-user.sh).
#   bench/queue/run.sh [path/to/tovrel-ftp-cli]   (REPS=3 SIZE_MB=1024 SMALL=1000 TLS=0
#   CASES=row,... TOOLS=tool,...: only rows and tools whose names hold one of these)
# TLS=1 runs every case over explicit TLS with protected data connections.
set -e
here=$(dirname "$0")
cli=${1:-$here/../../build/release/src/cli/tovrel-ftp-cli}
exec /usr/bin/python3 "$here/run.py" "$cli"
