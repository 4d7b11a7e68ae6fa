#!/bin/sh
# End-to-end transfer benchmark: tovrel-ftp-cli against curl and lftp on a
# loopback vsftpd. Needs root (vsftpd) and the FTP test user
# (scripts/ci-setup.d/10-ftp-test-user.sh).
#   bench/transfer/run.sh [path/to/tovrel-ftp-cli]   (REPS=5 SIZE_MB=1024 SMALL=1000)
set -e
here=$(dirname "$0")
cli=${1:-$here/../../build/release/src/cli/tovrel-ftp-cli}
exec /usr/bin/python3 "$here/run.py" "$cli"
