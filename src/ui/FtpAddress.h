#pragma once
// Reading ftp:// addresses that the user pastes or drops on a window.

#include "hosts/Host.h"

#include <QString>

/// Whether `text` (surrounding blanks ignored) is an address with the
/// scheme "ftp" (any letter case) and a host. When it is, `host` (if given)
/// is filled from it with THost::FromURL and `portText` (if given) gets the
/// port as written in the address, "" when it has none.
bool ParseFtpAddress(const QString& text, THost* host = nullptr, QString* portText = nullptr);
