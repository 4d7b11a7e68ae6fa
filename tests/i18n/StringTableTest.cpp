#include "i18n/Format.h"
#include "i18n/LanguageFile.h"
#include "i18n/StringTable.h"

#include <gtest/gtest.h>


namespace {

// The placeholders of a text in order, e.g. "%d %d %s" -> "dds".
std::string PlaceholderKinds(std::string_view text) {
    std::string kinds;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') continue;
        std::size_t k = i + 1;
        while (k < text.size() && std::string_view("0123456789:-.").find(text[k]) != std::string_view::npos) ++k;
        if (k < text.size() && text[k] != '%') kinds.push_back(text[k]);
        i = k;
    }
    return kinds;
}

} // namespace

TEST(StringTable, LookupIgnoresLetterCaseAndRefusesUnknownNames) {
    EXPECT_EQ(TDefaultStringTable::Find("MainForm_strRSSTConnected"), "Connected");
    EXPECT_EQ(TDefaultStringTable::Find("mainform_strrsstconnected"), "Connected");
    EXPECT_EQ(TDefaultStringTable::Find("MainForm_strRSFTPRemoteTransferStopped"), "Transfer stopped.");
    EXPECT_EQ(TDefaultStringTable::Find("MainForm_strRSSTConnected_"), std::nullopt);
    EXPECT_EQ(TDefaultStringTable::Find(""), std::nullopt);
    for (const auto& entry : TDefaultStringTable::Entries())
        EXPECT_EQ(TDefaultStringTable::Find(entry.Name), entry.Text);
}

TEST(StringTable, EnglishTextsSpeakOfThisDesktop) {
    for (const auto& entry : TDefaultStringTable::Entries()) {
        EXPECT_EQ(entry.Text.find("Explorer"), std::string_view::npos) << entry.Name;
        // Every "%" starts a placeholder Format() understands.
        const std::string filled = Format(entry.Text, "x", "y", "z");
        EXPECT_EQ(filled.find('%'), std::string::npos) << entry.Name << ": " << filled;
    }
    EXPECT_EQ(TDefaultStringTable::Find("MainForm_IDS_54"),
              "Tovrel FTP is currently not your default FTP program in your web browser. \r\n\r\n"
              "Would you like to have it as your default FTP program?");
}

TEST(StringTable, ShippedGermanTranslatesEveryEntryWithCompatiblePlaceholders) {
    const TLanguageFile german =
        TLanguageFile::Load(std::filesystem::path(TOVREL_BINARY_DIR) / "Languages" / "Deutsch.lng");
    EXPECT_EQ(german.LanguageId(), std::optional<std::uint16_t>(1031));
    EXPECT_EQ(german.Constants().size(), TDefaultStringTable::Entries().size());
    for (const auto& entry : TDefaultStringTable::Entries()) {
        const auto text = german.Constant(entry.Name);
        ASSERT_TRUE(text.has_value()) << entry.Name;
        EXPECT_FALSE(text->empty()) << entry.Name;
        // A translation may leave out trailing arguments, never reorder them.
        const std::string english = PlaceholderKinds(entry.Text);
        const std::string translated = PlaceholderKinds(*text);
        EXPECT_EQ(english.substr(0, translated.size()), translated) << entry.Name;
        EXPECT_EQ(std::string(entry.Text).find("\r\n") != std::string::npos,
                  text->find("\r\n") != std::string::npos)
            << entry.Name;
    }
}
