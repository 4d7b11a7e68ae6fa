#pragma once
// The messages another start of the program hands to the running one over
// the local socket: a link from the browser (type 0x4C5) or files to
// upload to a stored host from the file manager (type 0x4C6, with the
// host's index in the registry host index).
//
// Wire form: "TFTP", type (32-bit), parameter (32-bit signed), payload
// length (32-bit), all little-endian, then the payload: the text ended by
// a NUL. The payload is at most 260 bytes for a link and 32768 bytes for a
// file list (one local path per line), the sizes the running program's
// buffers have always had. A third message of our own (type 0x4C8, no
// parameter, an empty text: the payload is the NUL alone) asks the running
// program to bring its window to the front, for a start without a request.
//
// Contract: Encode() raises EHandOffMessageError for a message that does
// not fit. THandOffParser takes bytes as they arrive and refuses (never
// crashes on) anything else: another prefix, an unknown type, a negative
// host index, a parameter on a link, a length beyond the type's limit, a
// payload without its NUL, an empty text. Pure code; any thread.

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

class EHandOffMessageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct THandOffMessage {
    static constexpr std::uint32_t WM_BROWSERURL = 0x4C5;
    static constexpr std::uint32_t WM_EXPLORERFILES = 0x4C6;
    static constexpr std::uint32_t WM_ACTIVATE = 0x4C8;
    static constexpr std::size_t URLBlockSize = 260;
    static constexpr std::size_t FilesBlockSize = 32768;
    static constexpr std::size_t HeaderSize = 16;

    std::uint32_t Type = WM_BROWSERURL;
    std::int32_t Parameter = 0; // the host index of WM_EXPLORERFILES
    std::string Text;           // the link, or the paths one per line

    static THandOffMessage BrowserURL(std::string url);
    static THandOffMessage ExplorerFiles(int hostIndex, const std::vector<std::string>& paths);
    static THandOffMessage Activate();

    /// The paths of a file list: its lines ("\n" or "\r\n"), empty ones left out.
    std::vector<std::string> Paths() const;
    std::string Encode() const;

    bool operator==(const THandOffMessage&) const = default;
};

class THandOffParser {
public:
    enum class TState { NeedMore, Complete, Refused };

    /// Appends bytes; bytes after a complete message are ignored.
    TState Feed(std::string_view bytes);
    TState State() const { return state_; }
    const THandOffMessage& Message() const { return message_; }
    const std::string& RefusalReason() const { return reason_; }

private:
    TState Refuse(std::string reason);
    TState CheckHeader();
    TState TakePayload();

    TState state_ = TState::NeedMore;
    std::string buffer_;
    std::uint32_t length_ = 0;
    THandOffMessage message_;
    std::string reason_;
};
