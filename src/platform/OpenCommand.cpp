#include "platform/OpenCommand.h"

#include "platform/DesktopFile.h"
#include "platform/MimeApps.h"

#include <QMimeDatabase>
#include <QMimeType>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

namespace {

// Expands the field codes of one argument; `fileDone` is set once a file
// code received the path. Answers nothing for an argument that was only a
// dropped field code.
std::vector<std::string> ExpandArgument(const std::string& arg, const std::string& path, bool& fileDone,
                                        const std::string& icon, const std::string& name,
                                        const std::string& desktopFile)
{
    if (arg == "%i")
        return icon.empty() ? std::vector<std::string>{} : std::vector<std::string>{"--icon", icon};
    std::string out;
    bool dropped = false;
    for (std::size_t i = 0; i < arg.size(); ++i) {
        if (arg[i] != '%' || i + 1 == arg.size()) {
            out += arg[i];
            continue;
        }
        const char code = arg[++i];
        switch (code) {
        case '%': out += '%'; break;
        case 'f': case 'F': case 'u': case 'U': case '1':
            if (!fileDone) {
                out += path;
                fileDone = true;
            } else {
                dropped = true;
            }
            break;
        case 'c': out += name; break;
        case 'k': out += desktopFile; break;
        default: dropped = true; // deprecated or unknown codes expand to nothing
        }
    }
    if (out.empty() && dropped)
        return {};
    return {out};
}

} // namespace

std::vector<std::string> FillExecLine(const std::string& exec, const std::string& localPath,
                                      const std::string& icon, const std::string& name,
                                      const std::string& desktopFile)
{
    std::vector<std::string> args;
    bool fileDone = false;
    for (const auto& arg : TDesktopFile::SplitExec(exec))
        for (auto& expanded : ExpandArgument(arg, localPath, fileDone, icon, name, desktopFile))
            args.push_back(std::move(expanded));
    return args;
}

TOpenCommand OpenCommandFor(const std::string& localPath)
{
    const QMimeDatabase mimeDatabase;
    const QMimeType type = mimeDatabase.mimeTypeForFile(QString::fromStdString(localPath), QMimeDatabase::MatchExtension);
    std::vector<std::string> parents;
    for (const QString& parent : type.allAncestors())
        parents.push_back(parent.toStdString());
    const std::string id = TMimeApps::PreferredApplication(type.name().toStdString(), parents);
    const auto path = TMimeApps::FindDesktopFile(id);
    if (!path)
        return {};
    const auto entry = TDesktopFile::Load(*path);
    const std::string group = "Desktop Entry";
    const std::string exec = entry ? entry->Value(group, "Exec").value_or("") : "";
    if (exec.empty())
        return {};
    TOpenCommand command;
    command.DesktopFile = *path;
    command.Arguments = FillExecLine(exec, localPath, entry->Value(group, "Icon").value_or(""),
                                     entry->Value(group, "Name").value_or(""), *path);
    if (entry->Value(group, "Terminal") == "true") {
        const QString terminal = QStandardPaths::findExecutable(QStringLiteral("x-terminal-emulator"));
        if (!terminal.isEmpty())
            command.Arguments.insert(command.Arguments.begin(), {terminal.toStdString(), "-e"});
    }
    return command;
}
