#!/bin/sh
# The local user that FTP tests log in as on vsftpd (run as root, idempotent).
# vsftpd checks it through PAM: it needs a shell listed in /etc/shells and
# must not appear in /etc/ftpusers.
set -e
USER_NAME=tovrelftp
USER_PASS=tovrel-test-pw
SHELL_PATH=/bin/sh

grep -qx "$SHELL_PATH" /etc/shells || echo "$SHELL_PATH" >> /etc/shells
if ! id "$USER_NAME" >/dev/null 2>&1; then
    useradd --create-home --shell "$SHELL_PATH" "$USER_NAME"
fi
usermod --shell "$SHELL_PATH" "$USER_NAME"
echo "$USER_NAME:$USER_PASS" | chpasswd
if [ -f /etc/ftpusers ]; then
    sed -i "/^$USER_NAME\$/d" /etc/ftpusers
fi
# vsftpd's anonymous login runs as this user.
id ftp >/dev/null 2>&1 || useradd --system --home-dir /srv/ftp --shell /usr/sbin/nologin ftp
