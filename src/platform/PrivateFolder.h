#pragma once
// The user's private folder in the system's temporary folder:
// "tovrel-ftp-<uid>", mode 0700, made when missing. A folder of that name
// that is a link, another user's or open to others is never used; a fresh
// private folder ("tovrel-ftp-<uid>-XXXXXX") is made instead, so nothing the
// program puts there (temporary copies, the hand-off socket) can be read or
// replaced by another user. Raises EInOutError when no folder can be made.

#include <string>

std::string PrivateTempFolder();
