#include "i18n/LanguageFile.h"
#include "i18n/LocalizationError.h"
#include "i18n/TextEncoding.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <fstream>

namespace {

std::string Utf16(std::u16string_view text, bool bigEndian, bool withBom = true) {
    std::string out;
    if (withBom) out += bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (char16_t c : text) {
        const char hi = static_cast<char>(c >> 8);
        const char lo = static_cast<char>(c & 0xFF);
        out += bigEndian ? std::string{hi, lo} : std::string{lo, hi};
    }
    return out;
}

struct TEncodingCase {
    const char* Label;
    std::string Bytes;
};

} // namespace

TEST(LanguageFile, ByteOrderMarkChoosesEncoding) {
    // Each file says LANGID=1031 and gives one constant "Größe €" (with a
    // character outside the BMP for the Unicode forms).
    const std::string expectedUnicode = "Gr\xC3\xB6\xC3\x9F" "e \xE2\x82\xAC \xF0\x9F\x98\x80";
    const std::u16string body = u"LANGID=1031\r\n[$CONSTANTS]\r\nX=Gr\u00F6\u00DFe \u20AC \U0001F600\r\n";
    const TEncodingCase unicodeCases[] = {
        {"UTF-16 LE", Utf16(body, false)},
        {"UTF-16 BE", Utf16(body, true)},
        {"UTF-8", "\xEF\xBB\xBFLANGID=1031\r\n[$CONSTANTS]\r\nX=" + expectedUnicode + "\r\n"},
    };
    for (const auto& c : unicodeCases) {
        SCOPED_TRACE(c.Label);
        const TLanguageFile file = TLanguageFile::Parse(c.Bytes);
        EXPECT_EQ(file.LanguageId(), std::optional<std::uint16_t>(1031));
        EXPECT_EQ(file.Constant("X"), expectedUnicode);
    }

    // No mark: Windows-1252, even when the bytes would be valid UTF-8.
    const TLanguageFile ansi =
        TLanguageFile::Parse("LANGID=1031\n[$constants]\nX=Gr\xF6\xDF" "e \x80 \x81\nY=\xC3\xA4\n");
    EXPECT_EQ(ansi.Constant("X"), "Gr\xC3\xB6\xC3\x9F" "e \xE2\x82\xAC \xC2\x81");
    EXPECT_EQ(ansi.Constant("Y"), "\xC3\x83\xC2\xA4");
}

TEST(LanguageFile, MalformedUnicodeBecomesReplacementCharacter) {
    const std::string replacement = "\xEF\xBF\xBD";
    // Lone high surrogate, then an odd trailing byte.
    std::string utf16 = Utf16(u"[$CONSTANTS]\nX=a", false);
    utf16 += std::string("\x00\xD8", 2) + std::string("b\x00", 2) + "\x01";
    EXPECT_EQ(TLanguageFile::Parse(utf16).Constant("X"), "a" + replacement + "b" + replacement);
    // Overlong and truncated UTF-8 sequences.
    EXPECT_EQ(TLanguageFile::Parse("\xEF\xBB\xBF[$CONSTANTS]\nX=\xC0\xAFz\xE2\x82").Constant("X"),
              replacement + replacement + "z" + replacement + replacement);
}

TEST(LanguageFile, SectionsHeaderAndEntries) {
    const TLanguageFile file = TLanguageFile::Parse(
        "  LANGID =  1031  \r\n"
        "Author=Somebody = else\r\n"
        "a comment line without an equals sign\r\n"
        "[$Constants]\r\n"
        "  MainForm_strYes   =   &Ja  \r\n"
        "MainForm_strNo=first\r\n"
        "mainform_strno=second\r\n"
        "=no name\r\n"
        "[]\r\n"
        "Still_Constant=yes\r\n"
        "[ MainForm ]\r\n"
        "1=Datei\r\n"
        "0=ignored\r\n"
        "-3=ignored\r\n"
        "x7=ignored\r\n"
        "12 = Hilfe = mehr\r\n"
        "[$CONSTANTS]\r\n"
        "Late=back in constants\r\n");
    EXPECT_EQ(file.LanguageId(), std::optional<std::uint16_t>(1031));
    EXPECT_EQ(file.HeaderValue("author"), "Somebody = else");
    EXPECT_EQ(file.Constant("MAINFORM_STRYES"), "&Ja");
    EXPECT_EQ(file.Constant("MainForm_strNo"), "second");
    EXPECT_EQ(file.Constant("Still_Constant"), "yes");
    EXPECT_EQ(file.Constant("Late"), "back in constants");
    EXPECT_EQ(file.Constants().size(), 4u);
    const std::map<int, std::string> expected{{1, "Datei"}, {12, "Hilfe = mehr"}};
    EXPECT_EQ(file.WindowTexts("mainform"), expected);
    EXPECT_TRUE(file.WindowTexts("HostsForm").empty());
}

TEST(LanguageFile, LanguageIdRules) {
    const struct {
        const char* Text;
        std::optional<std::uint16_t> Expected;
    } cases[] = {
        {"LANGID=1031", 1031}, {"langid=0", 0},        {"LANGID=65535", 65535},
        {"LANGID=65536", std::nullopt}, {"LANGID=10x", std::nullopt}, {"LANGID=-5", std::nullopt},
        {"LANGID=", std::nullopt},      {"Name=Deutsch", std::nullopt},
        // A LANGID inside a section is not the header's.
        {"[$CONSTANTS]\nLANGID=1031", std::nullopt},
    };
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Text);
        EXPECT_EQ(TLanguageFile::Parse(c.Text).LanguageId(), c.Expected);
        const std::filesystem::path path = dir.filePath("x.lng").toStdString();
        std::ofstream(path, std::ios::binary) << c.Text;
        EXPECT_EQ(TLanguageFile::ReadLanguageId(path), c.Expected);
    }
    EXPECT_THROW(TLanguageFile::ReadLanguageId(dir.filePath("missing.lng").toStdString()), ELocalizationError);
    EXPECT_THROW(TLanguageFile::Load(dir.filePath("missing.lng").toStdString()), ELocalizationError);
}

TEST(LanguageFile, UnescapeValues) {
    const struct {
        std::string_view In;
        std::string_view Out;
    } cases[] = {
        {R"(one\ntwo)", "one\r\ntwo"},
        {R"(a\\b)", "a\\b"},
        {R"(bell\07!)", std::string_view("bell\x07!", 6)},
        {R"(nul\00x)", std::string_view("nul\0x", 5)},
        {R"(col\tumn)", "col\tumn"},
        {R"(\65\66)", "AB"},
        {R"(\99)", "c"},
        {R"(\7x)", "\\7x"},          // one digit only: plain backslash
        {R"(C:\Files\x)", "C:\\Files\\x"},
        {R"(end\)", "end\\"},
        {R"(\\n)", "\\n"},            // an escaped backslash, then a letter
        {R"(\N)", "\\N"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.In));
        EXPECT_EQ(UnescapeLanguageText(c.In), c.Out);
    }
}

TEST(LanguageFile, EscapeForTranslatorsRoundTrips) {
    EXPECT_EQ(EscapeLanguageText("a\tb\r\nc\n\rd\re\nf\\g\x01h"), R"(a\tb\nc\nd\ne\nf\\g\01h)");
    EXPECT_EQ(EscapeLanguageText("\r\r"), R"(\n\n)");
    EXPECT_EQ(EscapeLanguageText("  padded "), R"(\32\32padded\32)");

    const std::map<std::string, std::string> constants{
        {"MainForm_IDS_54", "Line one. \r\n\r\nLine two?"},
        {"Tricky", "  =[x]\\07\t%s "},
    };
    const std::map<std::string, std::map<int, std::string>> windows{{"MainForm", {{3, "&Datei"}}}};
    const TLanguageFile back = TLanguageFile::Parse(WriteLanguageFile(1031, constants, windows));
    EXPECT_EQ(back.LanguageId(), std::optional<std::uint16_t>(1031));
    for (const auto& [name, text] : constants) EXPECT_EQ(back.Constant(name), text) << name;
    EXPECT_EQ(back.WindowTexts("MainForm"), windows.at("MainForm"));
}
