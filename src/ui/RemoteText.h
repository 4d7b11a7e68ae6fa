#pragma once
// Remote names and paths are the server's bytes: UTF-8 as a rule, read as
// Latin-1 when they are not valid UTF-8. These turn them into display text
// and back. Thread-safe.

#include <QString>

#include <string>
#include <string_view>

QString TextFromRemote(std::string_view bytes);
std::string RemoteFromText(const QString& text);
