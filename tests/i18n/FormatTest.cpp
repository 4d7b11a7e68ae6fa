#include "i18n/Format.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

TEST(Format, PlaceholdersOfTheStringTable) {
    EXPECT_EQ(Format("Now connecting to %s..", "ftp.example.org"), "Now connecting to ftp.example.org..");
    EXPECT_EQ(Format("%d files and %d directories selected. Total size: %s", 3, 0, std::string("1 KB")),
              "3 files and 0 directories selected. Total size: 1 KB");
    EXPECT_EQ(Format("New folder (%d)", 2u), "New folder (2)");
    EXPECT_EQ(Format("%s=%s", "txt", "ASCII"), "txt=ASCII");
    EXPECT_EQ(Format("%f KB", 1.5), "1.50 KB");
    EXPECT_EQ(Format("%.0n KB", 1024.0), "1,024 KB");
    EXPECT_EQ(Format("%.2n", -1234567.891), "-1,234,567.89");
    EXPECT_EQ(Format("%s (%s, line %d, address $%x)", "boom", "a.cpp", 12, 0xBEEFu),
              "boom (a.cpp, line 12, address $beef)");
}

TEST(Format, WidthsPrecisionsAndIndexes) {
    const struct {
        std::string Result;
        std::string Expected;
    } cases[] = {
        {Format("[%5d]", 42), "[   42]"},
        {Format("[%-5d]", 42), "[42   ]"},
        {Format("[%05d]", -42), "[-0042]"},
        {Format("[%.3d]", 7), "[007]"},
        {Format("[%.3s]", "abcdef"), "[abc]"},
        {Format("[%6s]", "ab"), "[    ab]"},
        {Format("%X/%.4x", 255, 10), "FF/000a"},
        {Format("%u", std::numeric_limits<std::uint64_t>::max()), "18446744073709551615"},
        {Format("%d", std::numeric_limits<std::int64_t>::min()), "-9223372036854775808"},
        {Format("%.3f", 2.0 / 3), "0.667"},
        {Format("%e", 12345.0), "1.234500e+04"},
        {Format("%1:s %0:s %s", "a", "b", "c"), "b a b"},
        {Format("100%% sure"), "100% sure"},
        {Format("%c%c", 65, "xyz"), "Ax"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.Result, c.Expected);
}

TEST(Format, TranslatorMistakesNeverHarm) {
    // Too few arguments, wrong kinds, unknown or truncated placeholders.
    EXPECT_EQ(Format("Step %d of %d", 1), "Step 1 of %d");
    EXPECT_EQ(Format("%s and %s"), "%s and %s");
    EXPECT_EQ(Format("Size %d", "12 KB"), "Size 12 KB");
    EXPECT_EQ(Format("Name %s", 7), "Name 7");
    EXPECT_EQ(Format("%d", 2.9), "2");
    EXPECT_EQ(Format("%f", 3), "3.00");
    EXPECT_EQ(Format("%q %", 1), "%q %");
    EXPECT_EQ(Format("%99999999999d", 1).size(), 1024u);
    EXPECT_EQ(Format("%.99999f", 1.0).substr(0, 4), "1.00");
    EXPECT_EQ(Format("%5000:s", "x"), "%5000:s");
    EXPECT_EQ(Format("%d", std::numeric_limits<double>::infinity()), "0");
    EXPECT_EQ(Format("%f", std::numeric_limits<double>::quiet_NaN()), "NAN");
}
