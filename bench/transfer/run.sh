#!/bin/sh
# End-to-end transfer benchmark: tovrel-ftp-cli against curl and lftp on a
# loopback vsftpd. Needs root (vsftpd) and the FTP test user
# (scripts/ci-setup.d/10-ftp-test-user.sh).
#   bench/transfer/run.sh [path/to/tovrel-ftp-cli]
# Settings in the environment: REPS=5 SIZE_MB=1024 SMALL=1000 TLS_SMALL=100,
# CASES=substring,... to run only the rows whose names contain one of them.
# Rows: download to /dev/null, download to a file, upload, SMALL files of
# 4 KiB on one connection; when the program takes --tls also the same over
# explicit TLS (a second vsftpd with a throwaway self-signed certificate).
set -e
here=$(dirname "$0")
cli=${1:-$here/../../build/release/src/cli/tovrel-ftp-cli}
exec /usr/bin/python3 "$here/run.py" "$cli"
