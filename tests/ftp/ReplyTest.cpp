// Reply reading and the address and feature parsers, fed with bytes.
#include "ftp/IdExceptions.h"
#include "ftp/ReplyFTP.h"

#include <gtest/gtest.h>

namespace {

TIdReplyFTP Parse(const std::string& bytes)
{
    TIdReplyFTP reply;
    EXPECT_TRUE(ParseReplyBytes(bytes, reply)) << bytes;
    return reply;
}

}  // namespace

TEST(Reply, MultiLineGreetingIsOneReply)
{
    const auto reply = Parse("220-Welcome\r\n220-second line\r\n220 ready\r\n");
    EXPECT_EQ(reply.NumericCode(), 220);
    EXPECT_EQ(reply.Text, (std::vector<std::string>{"Welcome", "second line", "ready"}));
    EXPECT_EQ(reply.FormattedReply(), "220-Welcome\r\n220-second line\r\n220 ready\r\n");
}

TEST(Reply, BlankLinesBeforeReplySkippedAndBareCodeEndsReply)
{
    const auto reply = Parse("\r\n   \r\n\n226\r\n");
    EXPECT_EQ(reply.Code, "226");
    EXPECT_EQ(reply.Text, std::vector<std::string>{""});
}

TEST(Reply, MultiLineEndsAtFirstCodedLineWhateverItsCode)
{
    TIdReplyFTP reply;
    ASSERT_TRUE(ParseReplyBytes("150-Opening\r\n226 Transfer complete\r\n150 never read\r\n", reply));
    EXPECT_EQ(reply.NumericCode(), 150);
    EXPECT_EQ(reply.Text.back(), "226 Transfer complete");
}

TEST(Reply, IndentedMidLinesSwitchFormatAndLoseBlanks)
{
    const auto reply = Parse("211-Features:\r\n MDTM\r\n SIZE\r\n211 End\r\n");
    EXPECT_EQ(reply.NumericCode(), 211);
    EXPECT_EQ(reply.Text, (std::vector<std::string>{"Features:", "MDTM", "SIZE", "End"}));
    EXPECT_EQ(reply.ReplyFormat, rfIndentMidLines);
    EXPECT_EQ(ParseFeatures(reply.Text), (std::vector<std::string>{"MDTM", "SIZE"}));
}

TEST(Reply, InvalidCodeRaisesWithTheCode)
{
    TIdReplyFTP reply;
    try {
        ParseReplyBytes("abc hello\r\n", reply);
        // "abc hello" is no end line; a later coded line ends it.
        ParseReplyBytes("abc hello\r\n200 x\r\n", reply);
        FAIL() << "no exception";
    } catch (const EIdException& e) {
        EXPECT_STREQ(e.what(), "Reply Code is not valid: abc");
    }
    EXPECT_THROW(ParseReplyBytes("099 low\r\n", reply), EIdException);
}

TEST(Reply, LineEndingsAndIncompleteReplies)
{
    EXPECT_EQ(Parse("200 ok\n").Text.front(), "ok");
    EXPECT_EQ(Parse("200-x\r\nmid\r\r\n200 end\r\n").Text[1], "mid\r");
    TIdReplyFTP reply;
    EXPECT_FALSE(ParseReplyBytes("220-first\r\n", reply));
    EXPECT_FALSE(ParseReplyBytes("220 no line end", reply));
}

TEST(Reply, PasvAddressForms)
{
    struct Case {
        const char* text;
        const char* host;
        int port;
    } cases[] = {
        {"Entering Passive Mode (192,168,0,5,19,137)", "192.168.0.5", 5001},
        {"Passive 192,168,0,5,19,137", "192.168.0.5", 5001},
        {"Entering Passive Mode (127,0,0,1,255,255).", "127.0.0.1", 65535},
        {"=127,0,0,1,0,21", "=127.0.0.1", -1},
    };
    for (const auto& c : cases) {
        if (c.port < 0) {
            EXPECT_THROW(ParsePASVReply(c.text), EIdConvertError) << c.text;
            continue;
        }
        const auto address = ParsePASVReply(c.text);
        EXPECT_EQ(address.Host, c.host) << c.text;
        EXPECT_EQ(address.Port, c.port) << c.text;
    }
    for (const char* bad : {"(1,2,3,4,5)", "(1,2,3,4,x,6)", "(1,2,3,4,256,6)", "", "()"})
        EXPECT_THROW(ParsePASVReply(bad), EIdConvertError) << bad;
}

TEST(Reply, EpsvPortAndInvalidPorts)
{
    EXPECT_EQ(ParseEPSVReply("Entering Extended Passive Mode (|||6446|)").Port, 6446);
    EXPECT_EQ(ParseEPSVReply("ok (!!!21!)").Port, 21);
    for (const char* bad : {"(|||0|)", "(|||abc|)", "(|||70000|)", "no parens", "(|||)", "()"}) {
        try {
            ParseEPSVReply(bad);
            ADD_FAILURE() << bad;
        } catch (const EIdFTPServerSentInvalidPort& e) {
            EXPECT_EQ(std::string(e.what()).rfind("Server sent invalid port number (", 0), 0u);
        }
    }
}

TEST(Reply, CapabilitiesAndLanguages)
{
    const auto features = ParseFeatures({"Features:", " EPRT", " EPSV", " size", " LANG EN*; fr ;de", "End"});
    EXPECT_TRUE(HasCapability(features, "EPRT"));
    EXPECT_TRUE(HasCapability(features, "SIZE"));
    EXPECT_FALSE(HasCapability(features, "MLSD"));
    EXPECT_EQ(ParseLanguages(features), (std::vector<std::string>{"EN*", "fr", "de"}));
    EXPECT_TRUE(ParseFeatures({"Unknown command"}).empty());
}

TEST(SocketError, MessagesCarryWinsockNumbers)
{
    EXPECT_STREQ(EIdSocketError(10061).what(), "Socket Error # 10061\r\nConnection refused.");
    EXPECT_STREQ(EIdSocketError(11001).what(), "Socket Error # 11001\r\nHost not found.");
    EXPECT_EQ(IdSocketErrorFromErrno(ECONNREFUSED), 10061);
    EXPECT_EQ(IdSocketErrorFromErrno(ECONNRESET), 10054);
    EXPECT_EQ(IdSocketErrorFromErrno(ECONNABORTED), 10053);
    EXPECT_EQ(IdSocketErrorFromErrno(ETIMEDOUT), 10060);
    EXPECT_EQ(IdSocketErrorFromErrno(ENETUNREACH), 10051);
    EXPECT_EQ(IdSocketErrorFromErrno(EHOSTUNREACH), 10065);
    EXPECT_EQ(IdSocketErrorText(12345), "");
}
