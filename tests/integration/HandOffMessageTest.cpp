#include "integration/HandOffClient.h"
#include "integration/HandOffMessage.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

std::string Header(std::uint32_t type, std::int32_t parameter, std::uint32_t length, std::string_view prefix = "TFTP")
{
    std::string out(prefix);
    for (std::uint32_t v : {type, static_cast<std::uint32_t>(parameter), length})
        for (int i = 0; i < 4; ++i)
            out += static_cast<char>((v >> (8 * i)) & 0xFF);
    return out;
}

THandOffParser::TState FeedAll(THandOffParser& parser, const std::string& bytes, bool byteByByte)
{
    if (!byteByByte)
        return parser.Feed(bytes);
    for (char c : bytes)
        if (parser.Feed(std::string_view(&c, 1)) != THandOffParser::TState::NeedMore)
            break;
    return parser.State();
}

} // namespace

TEST(HandOffMessage, EncodedMessagesParseBackWholeOrByteByByte)
{
    const std::vector<THandOffMessage> messages{
        THandOffMessage::BrowserURL("ftp://user:pw@host:2121/pub/dir/"),
        THandOffMessage::ExplorerFiles(3, {"/home/u/a b.txt", "/home/u/folder", "/ümlaut"}),
        THandOffMessage::BrowserURL(std::string(259, 'u')),
        THandOffMessage::Activate(),
    };
    for (const auto& message : messages)
        for (bool byteByByte : {false, true}) {
            THandOffParser parser;
            ASSERT_EQ(FeedAll(parser, message.Encode() + "trailing bytes are ignored", byteByByte),
                      THandOffParser::TState::Complete)
                << parser.RefusalReason();
            EXPECT_EQ(parser.Message(), message);
        }
    EXPECT_EQ(messages[1].Paths(), (std::vector<std::string>{"/home/u/a b.txt", "/home/u/folder", "/ümlaut"}));
    THandOffMessage windowsLines{THandOffMessage::WM_EXPLORERFILES, 0, "C:\\a\r\n\r\nC:\\b"};
    EXPECT_EQ(windowsLines.Paths(), (std::vector<std::string>{"C:\\a", "C:\\b"}));
}

TEST(HandOffMessage, ParserRefusesWhatNoSenderOfOursWrites)
{
    struct Case {
        const char* Name;
        std::string Bytes;
    };
    const std::uint32_t url = THandOffMessage::WM_BROWSERURL;
    const std::uint32_t files = THandOffMessage::WM_EXPLORERFILES;
    const std::vector<Case> cases{
        {"other prefix", Header(url, 0, 2, "HTTP") + "x\0"},
        {"garbage", "GET / HTTP/1.0\r\n\r\n"},
        {"unknown type", Header(0x4C7, 0, 2) + std::string("x\0", 2)},
        {"link with parameter", Header(url, 1, 2) + std::string("x\0", 2)},
        {"negative index", Header(files, -1, 3) + std::string("/a\0", 3)},
        {"zero length", Header(url, 0, 0)},
        {"link too long", Header(url, 0, 261) + std::string(260, 'a') + '\0'},
        {"list too long", Header(files, 0, 32769)},
        {"length 2^32-1", Header(files, 0, 0xFFFFFFFFu)},
        {"no terminator", Header(url, 0, 3) + "abc"},
        {"empty text", Header(files, 0, 3) + std::string("\0ab", 3)},
        {"activation with a text", Header(THandOffMessage::WM_ACTIVATE, 0, 2) + std::string("x\0", 2)},
        {"activation with a parameter", Header(THandOffMessage::WM_ACTIVATE, 1, 1) + std::string("\0", 1)},
    };
    for (const auto& c : cases) {
        THandOffParser parser;
        EXPECT_EQ(parser.Feed(c.Bytes), THandOffParser::TState::Refused) << c.Name;
        EXPECT_FALSE(parser.RefusalReason().empty()) << c.Name;
        EXPECT_EQ(parser.Feed("more"), THandOffParser::TState::Refused) << c.Name;
    }
    // A header cut short is not yet anything.
    THandOffParser partial;
    EXPECT_EQ(partial.Feed(Header(url, 0, 10).substr(0, 9)), THandOffParser::TState::NeedMore);
}

TEST(HandOffMessage, MessagesThatDoNotFitAreRefusedBeforeSending)
{
    EXPECT_NO_THROW(THandOffMessage::BrowserURL(std::string(259, 'u')).Encode());
    EXPECT_THROW(THandOffMessage::BrowserURL(std::string(260, 'u')).Encode(), EHandOffMessageError);
    EXPECT_THROW(THandOffMessage::BrowserURL("").Encode(), EHandOffMessageError);
    EXPECT_THROW((THandOffMessage{THandOffMessage::WM_ACTIVATE, 0, "x"}.Encode()), EHandOffMessageError);
    EXPECT_THROW(THandOffMessage::ExplorerFiles(0, {"/a\nb"}), EHandOffMessageError);
    const std::vector<std::string> many(400, "/home/user/" + std::string(80, 'f'));
    EXPECT_THROW(THandOffMessage::ExplorerFiles(0, many).Encode(), EHandOffMessageError);
}

TEST(HandOffMessage, CommandLineBecomesTheMessage)
{
    using Args = std::vector<std::string>;
    EXPECT_FALSE(ParseHandOffArguments({}, "/w"));
    EXPECT_FALSE(ParseHandOffArguments({"--verbose"}, "/w"));
    EXPECT_EQ(ParseHandOffArguments({"FTP://Host/Pub/"}, "/w"), THandOffMessage::BrowserURL("FTP://Host/Pub/"));
    EXPECT_EQ(ParseHandOffArguments({"--upload", "2", "a.txt", "../b", "/abs/c/", "file:///x/y%20z"}, "/w/d"),
              THandOffMessage::ExplorerFiles(2, {"/w/d/a.txt", "/w/b", "/abs/c", "/x/y z"}));
    for (const Args& bad : {Args{"--upload"}, Args{"--upload", "1"}, Args{"--upload", "x", "a"},
                            Args{"--upload", "-1", "a"}, Args{"--upload", "1x", "a"},
                            Args{"--upload", "99999999999", "a"}, Args{"--upload", "0", "new\nline"},
                            Args{"ftp://" + std::string(300, 'h')}})
        EXPECT_THROW(ParseHandOffArguments(bad, "/w"), EHandOffMessageError) << bad.size();
}
