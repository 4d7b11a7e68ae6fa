// Tips of the day: reading the tip file, stepping with wrap-around and the
// remembered position, the missing file, the copy of the shipped tips, and
// RTF tip texts turned into HTML.

#include "i18n/RichText.h"
#include "i18n/Tips.h"
#include "store/MainConfig.h"
#include "store/XMLDocument.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

namespace fs = std::filesystem;

class TipsTest : public ::testing::Test {
protected:
    fs::path dir = fs::temp_directory_path() / ("tovrel-tips-" + std::to_string(::getpid()) + "-" +
                                                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::string data = (dir / "data").string();
    std::unique_ptr<TMainConfig> config;

    void SetUp() override
    {
        fs::remove_all(dir);
        fs::create_directories(dir / "data");
        config = std::make_unique<TMainConfig>(data);
    }
    void TearDown() override
    {
        config.reset();
        fs::remove_all(dir);
    }

    void WriteTips(const std::string& tips, int language = 1033)
    {
        std::ofstream(fs::path(data) / TTips::FileName(language), std::ios::binary)
            << "<?xml version=\"1.0\"?>\r\n<TipList>" << tips << "</TipList>\r\n";
    }
    static std::string Read(const fs::path& file)
    {
        std::ifstream in(file, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    TTips Tips() { return TTips(*config, data, 1033); }
};

const char* const ThreeTips = "<Tip HelpID=\"10\"><Content>zero</Content></Tip>"
                              "<Note><Content>not a tip</Content></Note>"
                              "<Tip><Content>one</Content></Tip>"
                              "<Tip HelpID=\"x\"><Content><![CDATA[two & more]]></Content></Tip>";

TEST_F(TipsTest, StepsWrapAtBothEndsAndRememberThePosition)
{
    WriteTips(ThreeTips);
    EXPECT_EQ(Tips().Items().size(), 3u);
    // From a fresh configuration the first opening shows the first tip.
    EXPECT_EQ(Tips().FirstTip(), "zero");
    EXPECT_EQ(config->LastTipIndex(), 0);

    struct TCase {
        int Stored;
        bool Forward;
        const char* Shown;
        int StoredAfter;
    } cases[] = {
        {2, true, "zero", 0},   // past the end: back to the first
        {0, false, "two & more", 2},  // before the start: the last
        {0, true, "one", 1},
        {2, false, "one", 1},
        {9, true, "zero", 0},   // a position left by a longer file
        {9, false, "two & more", 2},
        {-7, true, "zero", 0},  // a damaged setting never reaches outside the list
    };
    for (const TCase& c : cases) {
        config->SetLastTipIndex(c.Stored);
        TTips tips = Tips();
        EXPECT_EQ(c.Forward ? tips.NextTip() : tips.PreviousTip(), c.Shown) << c.Stored << " " << c.Forward;
        EXPECT_EQ(config->LastTipIndex(), c.StoredAfter);
        ASSERT_NE(tips.Selected(), nullptr);
        EXPECT_EQ(tips.Selected()->Content, c.Shown);
    }
}

TEST_F(TipsTest, HelpTopicOnlyFromANumber)
{
    WriteTips(ThreeTips);
    TTips tips = Tips();
    EXPECT_EQ(tips.Items()[0].HelpID, 10);
    EXPECT_EQ(tips.Items()[1].HelpID, -1);  // no attribute
    EXPECT_EQ(tips.Items()[2].HelpID, -1);  // not a number
}

TEST_F(TipsTest, MissingFileIsCreatedEmptyAndPositionKept)
{
    config->SetLastTipIndex(4);
    TTips tips = Tips();
    EXPECT_EQ(tips.FirstTip(), "Tip file not found.");
    EXPECT_EQ(tips.PreviousTip(), "Tip file not found.");
    EXPECT_EQ(tips.Selected(), nullptr);
    EXPECT_EQ(config->LastTipIndex(), 4);
    const fs::path file = fs::path(data) / "Tips - 1033.xml";
    ASSERT_TRUE(fs::exists(file));
    TXMLDocument doc(data, "Tips - 1033.xml", "TipList");
    EXPECT_STREQ(doc.Root().name(), "TipList");
    EXPECT_TRUE(TXMLDocument::Elements(doc.Root()).empty());
}

TEST_F(TipsTest, ShippedTipsAreCopiedOnlyWhenTheUserHasNone)
{
    const fs::path shipped = dir / "share";
    fs::create_directories(shipped / "Tips");
    std::ofstream(shipped / "Tips" / "Tips - 1031.xml")
        << "<?xml version=\"1.0\"?>\n<TipList><Tip><Content>Tipp</Content></Tip></TipList>\n";

    TTips german(*config, data, 1031, {dir / "nothing-here", shipped});
    EXPECT_EQ(german.NextTip(), "Tipp");
    EXPECT_EQ(Read(fs::path(data) / "Tips - 1031.xml"), Read(shipped / "Tips" / "Tips - 1031.xml"));

    // The user's own file (even an edited one) is never replaced.
    WriteTips("<Tip><Content>mine</Content></Tip>", 1031);
    EXPECT_EQ(TTips(*config, data, 1031, {shipped}).NextTip(), "mine");

    // No shipped file for the language: an empty list is created.
    EXPECT_TRUE(TTips(*config, data, 1046, {shipped}).Items().empty());
    EXPECT_FALSE(fs::exists(fs::path(data) / "Tips - 1046.xml.part"));
}

TEST_F(TipsTest, DamagedFileRaisesAndIsLeftAsItWas)
{
    const fs::path file = fs::path(data) / "Tips - 1033.xml";
    std::ofstream(file, std::ios::binary) << "<TipList><Tip><Content>cut off";
    EXPECT_THROW(Tips(), EXMLParseError);
    EXPECT_EQ(Read(file), "<TipList><Tip><Content>cut off");
}

TEST(RichTipText, RtfBecomesHtml)
{
    struct TCase {
        const char* Rtf;
        const char* Html;
    } cases[] = {
        {R"({\rtf1\ansi{\fonttbl{\f0 Arial;}}{\colortbl;\red0\green0\blue0;}\f0 Plain\par Next})", "Plain<br>Next"},
        {R"({\rtf1 \b bold\b0  and {\i italic} \ul under\ulnone .})", "<b>bold</b> and <i>italic</i> <u>under</u>."},
        {R"({\rtf1 caf\'e9 \'80 \u8364? \u-4064? \\ \{ \}})", "caf\xC3\xA9 \xE2\x82\xAC \xE2\x82\xAC \xEF\x80\xA0 \\ { }"},
        {R"({\rtf1 a<b>&"c"})", "a&lt;b&gt;&amp;&quot;c&quot;"},
        {R"({\rtf1 {\*\generator Writer;}kept})", "kept"},
        {R"({\rtf1 \b unclosed)", "<b>unclosed</b>"},
        {R"(}}{\rtf1 x}}})", "x"},
        {R"({\rtf1 trailing\)", "trailing"},
        {R"({\rtf1 \'zz\'4)", "zz4"},  // a broken escape shows what follows it
    };
    for (const TCase& c : cases)
        EXPECT_EQ(RtfToHtml(c.Rtf), c.Html) << c.Rtf;
    EXPECT_TRUE(IsRtfText("  {\\rtf1 x}"));
    EXPECT_FALSE(IsRtfText("Plain {\\rtf1 later}"));
}

} // namespace
