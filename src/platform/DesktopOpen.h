#pragma once
// Handing an address (a web page, a download) to the desktop's default
// application for it, as a double click would: "xdg-open <url>", started
// detached so the program neither waits for nor owns it.

#include <string>

/// False when the opener could not be started. `opener` replaces
/// "xdg-open" (tests).
bool OpenWithDesktop(const std::string& url, const std::string& opener = "xdg-open");
