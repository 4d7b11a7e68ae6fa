#include "platform/DesktopFile.h"

#include "store/DataDirectory.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

std::string_view TrimSpaces(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

QString Q(const std::string& s) { return QString::fromStdString(s); }

} // namespace

std::optional<TDesktopFile> TDesktopFile::Load(const std::string& path)
{
    QFile file(Q(path));
    if (!QFileInfo(file).isFile() || !file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray bytes = file.readAll();
    return Parse(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
}

TDesktopFile TDesktopFile::Parse(std::string_view text)
{
    TDesktopFile file;
    file.groups_.push_back(TGroup{});
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        const std::string_view line = text.substr(start, end - start);
        start = end + 1;
        const std::string_view trimmed = TrimSpaces(line);
        if (trimmed.size() >= 2 && trimmed.front() == '[' && trimmed.back() == ']') {
            file.groups_.push_back(TGroup{std::string(trimmed.substr(1, trimmed.size() - 2)), {}});
            continue;
        }
        const std::size_t equals = trimmed.find('=');
        if (trimmed.empty() || trimmed.front() == '#' || equals == std::string_view::npos || equals == 0) {
            file.groups_.back().Lines.push_back(TLine{{}, std::string(line)});
            continue;
        }
        file.groups_.back().Lines.push_back(
            TLine{std::string(TrimSpaces(trimmed.substr(0, equals))), std::string(TrimSpaces(trimmed.substr(equals + 1)))});
    }
    return file;
}

TDesktopFile::TGroup* TDesktopFile::FindGroup(std::string_view group)
{
    for (auto& g : groups_)
        if (!g.Name.empty() && g.Name == group)
            return &g;
    return nullptr;
}

const TDesktopFile::TGroup* TDesktopFile::FindGroup(std::string_view group) const
{
    return const_cast<TDesktopFile*>(this)->FindGroup(group);
}

bool TDesktopFile::HasGroup(std::string_view group) const { return FindGroup(group) != nullptr; }

std::optional<std::string> TDesktopFile::Value(std::string_view group, std::string_view key) const
{
    if (const TGroup* g = FindGroup(group))
        for (const auto& line : g->Lines)
            if (!line.Key.empty() && line.Key == key)
                return UnescapeValue(line.Text);
    return std::nullopt;
}

void TDesktopFile::SetValue(std::string_view group, std::string_view key, std::string_view value)
{
    TGroup* g = FindGroup(group);
    if (!g) {
        if (groups_.empty())
            groups_.push_back(TGroup{});
        groups_.push_back(TGroup{std::string(group), {}});
        g = &groups_.back();
    }
    for (auto& line : g->Lines)
        if (line.Key == key) {
            line.Text = EscapeValue(value);
            return;
        }
    // Before trailing blank lines, so groups stay visually apart.
    auto at = g->Lines.end();
    while (at != g->Lines.begin() && std::prev(at)->Key.empty() && TrimSpaces(std::prev(at)->Text).empty())
        --at;
    g->Lines.insert(at, TLine{std::string(key), EscapeValue(value)});
}

bool TDesktopFile::RemoveKey(std::string_view group, std::string_view key)
{
    TGroup* g = FindGroup(group);
    if (!g)
        return false;
    const auto before = g->Lines.size();
    std::erase_if(g->Lines, [&](const TLine& line) { return !line.Key.empty() && line.Key == key; });
    return g->Lines.size() != before;
}

bool TDesktopFile::IsEmpty() const
{
    for (const auto& g : groups_)
        for (const auto& line : g.Lines)
            if (!line.Key.empty())
                return false;
    return true;
}

std::string TDesktopFile::ToText() const
{
    std::string text;
    for (const auto& g : groups_) {
        if (!g.Name.empty())
            text += "[" + g.Name + "]\n";
        for (const auto& line : g.Lines)
            text += line.Key.empty() ? line.Text + "\n" : line.Key + "=" + line.Text + "\n";
    }
    return text;
}

void TDesktopFile::Save(const std::string& path, bool executable) const
{
    const QFileInfo info(Q(path));
    if (!QDir().mkpath(info.absolutePath()))
        throw EInOutError("Could not create the folder " + info.absolutePath().toStdString());
    QSaveFile file(Q(path));
    const std::string text = ToText();
    if (!file.open(QIODevice::WriteOnly)
        || file.write(text.data(), static_cast<qint64>(text.size())) != static_cast<qint64>(text.size()))
        throw EInOutError("Could not write " + path + ": " + file.errorString().toStdString());
    QFileDevice::Permissions permissions = QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                         | QFileDevice::ReadGroup | QFileDevice::ReadOther;
    if (executable)
        permissions |= QFileDevice::ExeOwner | QFileDevice::ExeGroup | QFileDevice::ExeOther;
    file.setPermissions(permissions);
    if (!file.commit())
        throw EInOutError("Could not write " + path + ": " + file.errorString().toStdString());
}

std::string TDesktopFile::EscapeValue(std::string_view value)
{
    std::string out;
    for (std::size_t i = 0; i < value.size(); ++i) {
        const char c = value[i];
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\t': out += "\\t"; break;
        case '\r': out += "\\r"; break;
        case ' ': out += (i == 0) ? "\\s" : " "; break; // a leading space would be trimmed
        default: out += c;
        }
    }
    return out;
}

std::string TDesktopFile::UnescapeValue(std::string_view value)
{
    std::string out;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\' || i + 1 == value.size()) {
            out += value[i];
            continue;
        }
        const char next = value[++i];
        switch (next) {
        case 's': out += ' '; break;
        case 'n': out += '\n'; break;
        case 't': out += '\t'; break;
        case 'r': out += '\r'; break;
        case '\\': out += '\\'; break;
        default: out += '\\'; out += next; // list separators ("\;") stay escaped for SplitList
        }
    }
    return out;
}

std::vector<std::string> TDesktopFile::SplitList(std::string_view value)
{
    std::vector<std::string> items;
    std::string current;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '\\' && i + 1 < value.size() && value[i + 1] == ';') {
            current += ';';
            ++i;
        } else if (value[i] == ';') {
            items.push_back(std::string(TrimSpaces(current)));
            current.clear();
        } else {
            current += value[i];
        }
    }
    if (!TrimSpaces(current).empty())
        items.push_back(std::string(TrimSpaces(current)));
    std::erase_if(items, [](const std::string& s) { return s.empty(); });
    return items;
}

std::string TDesktopFile::JoinList(const std::vector<std::string>& items)
{
    std::string out;
    for (const auto& item : items) {
        for (char c : item)
            out += (c == ';') ? std::string("\\;") : std::string(1, c);
        out += ';';
    }
    return out;
}

std::string TDesktopFile::QuoteExecArgument(std::string_view argument)
{
    std::string out = "\"";
    for (char c : argument) {
        if (c == '"' || c == '`' || c == '$' || c == '\\')
            out += '\\';
        if (c == '%')
            out += '%'; // a literal percent sign is "%%"
        out += c;
    }
    return out + "\"";
}

std::vector<std::string> TDesktopFile::SplitExec(std::string_view exec)
{
    std::vector<std::string> args;
    std::string current;
    bool inQuotes = false;
    bool started = false;
    for (std::size_t i = 0; i < exec.size(); ++i) {
        const char c = exec[i];
        if (inQuotes) {
            if (c == '\\' && i + 1 < exec.size()) {
                current += exec[++i];
            } else if (c == '"') {
                inQuotes = false;
            } else {
                current += c;
            }
        } else if (c == '"') {
            inQuotes = true;
            started = true;
        } else if (c == ' ' || c == '\t') {
            if (started)
                args.push_back(current);
            current.clear();
            started = false;
        } else {
            current += c;
            started = true;
        }
    }
    if (started)
        args.push_back(current);
    return args;
}
