#include "integration/HandOffMessage.h"

namespace {

constexpr std::string_view kPrefix = "TFTP";

void PutU32(std::string& out, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

std::uint32_t GetU32(std::string_view in, std::size_t at)
{
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i)
        v |= static_cast<std::uint32_t>(static_cast<unsigned char>(in[at + static_cast<std::size_t>(i)])) << (8 * i);
    return v;
}

std::size_t BlockSize(std::uint32_t type)
{
    switch (type) {
    case THandOffMessage::WM_BROWSERURL:
        return THandOffMessage::URLBlockSize;
    case THandOffMessage::WM_ACTIVATE:
        return 1; // the NUL alone
    default:
        return THandOffMessage::FilesBlockSize;
    }
}

bool KnownType(std::uint32_t type)
{
    return type == THandOffMessage::WM_BROWSERURL || type == THandOffMessage::WM_EXPLORERFILES ||
           type == THandOffMessage::WM_ACTIVATE;
}

} // namespace

THandOffMessage THandOffMessage::BrowserURL(std::string url)
{
    return THandOffMessage{WM_BROWSERURL, 0, std::move(url)};
}

THandOffMessage THandOffMessage::ExplorerFiles(int hostIndex, const std::vector<std::string>& paths)
{
    THandOffMessage message{WM_EXPLORERFILES, hostIndex, {}};
    for (const auto& path : paths) {
        if (path.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos)
            throw EHandOffMessageError("A file name holds a line break and cannot be handed over: " + path);
        message.Text += path + "\n";
    }
    return message;
}

THandOffMessage THandOffMessage::Activate()
{
    return THandOffMessage{WM_ACTIVATE, 0, {}};
}

std::vector<std::string> THandOffMessage::Paths() const
{
    std::vector<std::string> paths;
    std::size_t start = 0;
    while (start < Text.size()) {
        std::size_t end = Text.find('\n', start);
        if (end == std::string::npos)
            end = Text.size();
        std::string line = Text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty())
            paths.push_back(std::move(line));
        start = end + 1;
    }
    return paths;
}

std::string THandOffMessage::Encode() const
{
    if (!KnownType(Type))
        throw EHandOffMessageError("Unknown hand-off message type " + std::to_string(Type));
    if ((Text.empty() && Type != WM_ACTIVATE) || Text.find('\0') != std::string::npos)
        throw EHandOffMessageError("The hand-off text is empty or holds a NUL");
    if (Type == WM_ACTIVATE && (!Text.empty() || Parameter != 0))
        throw EHandOffMessageError("A request to come to the front carries nothing");
    if (Type == WM_EXPLORERFILES && Parameter < 0)
        throw EHandOffMessageError("The host index is negative");
    if (Text.size() + 1 > BlockSize(Type))
        throw EHandOffMessageError(Type == WM_BROWSERURL
                                       ? "The link is longer than " + std::to_string(URLBlockSize - 1) + " bytes"
                                       : "The file list is longer than " + std::to_string(FilesBlockSize - 1)
                                             + " bytes; select fewer files");
    std::string out(kPrefix);
    PutU32(out, Type);
    PutU32(out, static_cast<std::uint32_t>(Parameter));
    PutU32(out, static_cast<std::uint32_t>(Text.size() + 1));
    out += Text;
    out += '\0';
    return out;
}

THandOffParser::TState THandOffParser::Refuse(std::string reason)
{
    reason_ = std::move(reason);
    buffer_.clear();
    return state_ = TState::Refused;
}

THandOffParser::TState THandOffParser::Feed(std::string_view bytes)
{
    if (state_ != TState::NeedMore)
        return state_;
    // Never hold more than one message's worth.
    const std::size_t room = THandOffMessage::HeaderSize + THandOffMessage::FilesBlockSize - buffer_.size();
    buffer_.append(bytes.substr(0, std::min(room, bytes.size())));
    if (buffer_.size() < THandOffMessage::HeaderSize) {
        if (buffer_.compare(0, std::min(buffer_.size(), kPrefix.size()), kPrefix, 0,
                            std::min(buffer_.size(), kPrefix.size())) != 0)
            return Refuse("not a hand-off message");
        return state_;
    }
    if (length_ == 0 && CheckHeader() == TState::Refused)
        return state_;
    if (buffer_.size() < THandOffMessage::HeaderSize + length_)
        return state_;
    return TakePayload();
}

THandOffParser::TState THandOffParser::CheckHeader()
{
    if (std::string_view(buffer_).substr(0, 4) != kPrefix)
        return Refuse("not a hand-off message");
    message_.Type = GetU32(buffer_, 4);
    message_.Parameter = static_cast<std::int32_t>(GetU32(buffer_, 8));
    const std::uint32_t length = GetU32(buffer_, 12);
    if (!KnownType(message_.Type))
        return Refuse("unknown message type " + std::to_string(message_.Type));
    if (message_.Type != THandOffMessage::WM_EXPLORERFILES && message_.Parameter != 0)
        return Refuse("a link carries no parameter");
    if (message_.Parameter < 0)
        return Refuse("negative host index");
    if (length == 0 || length > BlockSize(message_.Type))
        return Refuse("payload length " + std::to_string(length) + " out of range");
    length_ = length;
    return state_;
}

THandOffParser::TState THandOffParser::TakePayload()
{
    const std::string_view payload = std::string_view(buffer_).substr(THandOffMessage::HeaderSize, length_);
    const std::size_t nul = payload.find('\0');
    if (nul == std::string_view::npos)
        return Refuse("payload not terminated");
    message_.Text = std::string(payload.substr(0, nul));
    if (message_.Text.empty() && message_.Type != THandOffMessage::WM_ACTIVATE)
        return Refuse("empty payload");
    buffer_.clear();
    return state_ = TState::Complete;
}
