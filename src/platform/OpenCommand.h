#pragma once
// The command that opens a local file with the desktop's default
// application for its type: the MIME type from the file name's extension
// (the file is never read), the preferred application for it or one of its
// parent types (TMimeApps), and that application's Exec line with the file
// filled in.
//
// Filling: the first of %f, %F, %u, %U or "%1" receives the path (the
// others are dropped); %i becomes "--icon <Icon>", %c the entry's Name, %k
// the entry's path, "%%" a percent sign; other field codes are dropped. A
// command without a file field code runs without the path. Entries with
// "Terminal=true" run in "x-terminal-emulator -e". Any thread.

#include <string>
#include <vector>

struct TOpenCommand {
    /// Program and arguments; empty when the type has no application.
    std::vector<std::string> Arguments;
    /// The desktop file the command came from.
    std::string DesktopFile;
};

/// The open command for `localPath`.
TOpenCommand OpenCommandFor(const std::string& localPath);
/// Fills one Exec line (already unescaped) for `localPath`.
std::vector<std::string> FillExecLine(const std::string& exec, const std::string& localPath,
                                      const std::string& icon = {}, const std::string& name = {},
                                      const std::string& desktopFile = {});
