#include "ui/LogWriter.h"

#include "ui/RemoteText.h"

namespace {

const QColor kCommandColour(128, 128, 128);
const QColor kReplyColour(0, 0, 255);
const QColor kStatusColour(0, 128, 0);

// Blanks and control characters, as the reply splitting trims them.
bool IsTrimmed(char c)
{
    return static_cast<unsigned char>(c) <= ' ';
}

std::string_view Trim(std::string_view text)
{
    while (!text.empty() && IsTrimmed(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsTrimmed(text.back()))
        text.remove_suffix(1);
    return text;
}

void AddReplyLines(std::vector<TLogLine>& lines, std::string_view text)
{
    text = Trim(text);
    const char separator = text.find('\n') != std::string_view::npos ? '\n' : '\r';
    while (!text.empty()) {
        const std::size_t end = text.find(separator);
        // A piece of nothing but a CR (the blank line of a CRLF reply) is as
        // empty as two adjacent separators.
        const std::string_view piece = Trim(text.substr(0, end));
        if (!piece.empty())
            lines.push_back({QStringLiteral("Reply> ") + TextFromRemote(piece), kReplyColour});
        if (end == std::string_view::npos)
            break;
        text.remove_prefix(end + 1);
    }
}

}  // namespace

std::vector<TLogLine> TLogWriter::LinesFor(std::uint8_t kind, std::string_view text)
{
    std::vector<TLogLine> lines;
    switch (kind) {
    case lkDebug:
        break;
    case lkCommand:
        lines.push_back({QStringLiteral("Command> ") + TextFromRemote(text), kCommandColour});
        break;
    case lkReply:
        if (text.find_first_of("\r\n") == std::string_view::npos)
            lines.push_back({QStringLiteral("Reply> ") + TextFromRemote(text), kReplyColour});
        else
            AddReplyLines(lines, text);
        break;
    default:
        lines.push_back({QStringLiteral("Status> ") + TextFromRemote(text), kStatusColour});
        break;
    }
    return lines;
}

void TLogWriter::WriteLog(std::uint8_t kind, std::string_view text)
{
    if (kind == lkDebug)
        return;
    std::vector<TLogLine> lines = LinesFor(kind, text);
    std::function<void()> notify;
    {
        std::lock_guard lock(mutex_);
        if (closed_ || lines.empty())
            return;
        if (waiting_.empty())
            notify = onLinesWaiting_;
        for (TLogLine& line : lines)
            waiting_.push_back(std::move(line));
    }
    if (notify)
        notify();
}

std::vector<TLogLine> TLogWriter::Take(std::size_t limit)
{
    std::lock_guard lock(mutex_);
    const std::size_t count = std::min(limit, waiting_.size());
    std::vector<TLogLine> taken;
    taken.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        taken.push_back(std::move(waiting_.front()));
        waiting_.pop_front();
    }
    return taken;
}

std::size_t TLogWriter::Waiting() const
{
    std::lock_guard lock(mutex_);
    return waiting_.size();
}

void TLogWriter::DropWaiting()
{
    std::lock_guard lock(mutex_);
    waiting_.clear();
}

void TLogWriter::SetOnLinesWaiting(std::function<void()> handler)
{
    std::lock_guard lock(mutex_);
    onLinesWaiting_ = std::move(handler);
}

void TLogWriter::Close()
{
    std::lock_guard lock(mutex_);
    closed_ = true;
    waiting_.clear();
    onLinesWaiting_ = nullptr;
}

bool TLogWriter::Closed() const
{
    std::lock_guard lock(mutex_);
    return closed_;
}
