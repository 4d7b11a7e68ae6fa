#!/bin/sh
# FTP servers the tests run besides vsftpd (run as root, idempotent).
# proftpd conflicts with vsftpd as a Debian package, so its packages are only
# unpacked into a folder of their own, never installed: the tests start
# $TOVREL_TEST_SERVERS_DIR/proftpd/usr/sbin/proftpd with modules from
# .../usr/lib/proftpd. The shared libraries it needs are ordinary packages
# (scripts/install-deps installs them).
set -e
DEST="${TOVREL_TEST_SERVERS_DIR:-/opt/tovrel-test-servers}"
PACKAGES="proftpd-core proftpd-mod-crypto"

want=""
for p in $PACKAGES; do
    want="$want $p=$(apt-cache policy "$p" | sed -n 's/^ *Candidate: //p')"
done
if [ -x "$DEST/proftpd/usr/sbin/proftpd" ] && [ -f "$DEST/proftpd/.packages" ] &&
   [ "$(cat "$DEST/proftpd/.packages")" = "$want" ]; then
    exit 0
fi

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
# apt fetches as its own user when it may write here.
chown _apt "$work" 2>/dev/null || true
cd "$work"
# shellcheck disable=SC2086
if ! apt-get download -qq $PACKAGES; then
    apt-get update -qq
    # shellcheck disable=SC2086
    apt-get download -qq $PACKAGES
fi
rm -rf "$DEST/proftpd.new"
mkdir -p "$DEST/proftpd.new"
for deb in ./*.deb; do
    dpkg-deb -x "$deb" "$DEST/proftpd.new"
done
echo "$want" > "$DEST/proftpd.new/.packages"
rm -rf "$DEST/proftpd"
mv "$DEST/proftpd.new" "$DEST/proftpd"
"$DEST/proftpd/usr/sbin/proftpd" -v
