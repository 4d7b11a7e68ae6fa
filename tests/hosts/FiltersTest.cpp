#include "hosts/FileMask.h"
#include "hosts/Filters.h"

#include "hosts/HostsTestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using Masks = std::vector<std::string>;

TEST(SplitMasks, SeparatorsTable)
{
    const std::pair<const char*, Masks> cases[] = {
        {"", {}},
        {"*.txt", {"*.txt"}},
        {"*.txt;*.doc", {"*.txt", "*.doc"}},
        {"*.txt *.doc", {"*.txt", "*.doc"}},
        {"*.txt\t*.doc\n*.xls", {"*.txt", "*.doc", "*.xls"}},
        {"   *.txt", {"*.txt"}},
        {"*.txt;;*.doc", {"*.txt", "", "*.doc"}},
        {"*.txt;", {"*.txt", ""}},
        {";", {"", ""}},
        {"*.txt ", {"*.txt"}},
        {"a ;b", {"a", "", "b"}},
    };
    for (const auto& [text, masks] : cases) {
        SCOPED_TRACE(text);
        EXPECT_EQ(SplitMasks(text), masks);
    }
}

TEST(FileMask, MatchTable)
{
    struct TCase {
        const char* Mask;
        const char* Name;
        bool Match;
    } cases[] = {
        {"*", "", true},
        {"*", "anything.txt", true},
        {"*.*", "readme", false},
        {"*.*", "read.me", true},
        {"*.txt", "NOTES.TXT", true},
        {"*.TXT", "notes.txt", true},
        {"file?.log", "file1.log", true},
        {"file?.log", "file12.log", false},
        {"file?.log", "file.log", false},
        {"a*b*c", "aXXbYYbZZc", true},
        {"a*b*c", "aXXbYYbZZ", false},
        {"*a", "banana", true},
        {"[abc]*", "Beta", true},
        {"[a-c]x", "Bx", true},
        {"[a-c]x", "dx", false},
        {"[!a-c]x", "dx", true},
        {"[!a-c]x", "Ax", false},
        {"[0-9][0-9].dat", "42.dat", true},
        {"[0-9][0-9].dat", "4a.dat", false},
        {"[*?]", "*", true},
        {"[*?]", "x", false},
        {"\xC3\xA4?.txt", "\xC3\xA4\xC3\xB6.txt", true},   // one character, two bytes
        {"\xC3\xA4.txt", "\xC3\x84.txt", false},           // only a-z ignore case
        {"report", "report.txt", false},                   // whole name
        {"*.txt", "dir/notes.txt", true},                  // "*" takes "/" too; callers pass bare names
        {"[]x", "x", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.Mask) + " ~ " + c.Name);
        EXPECT_EQ(MatchesMask(c.Name, c.Mask), c.Match);
    }
}

TEST(FileMask, UnterminatedSetIsInvalid)
{
    for (const auto& [mask, position] : {std::pair{"[abc", 1}, std::pair{"*.[tx", 3}, std::pair{"ab[!", 3}}) {
        SCOPED_TRACE(mask);
        try {
            TFileMask m(mask);
            ADD_FAILURE() << "accepted";
        } catch (const EMaskException& e) {
            EXPECT_EQ(std::string(e.what()),
                      "'" + std::string(mask) + "' is an invalid mask at (" + std::to_string(position) + ")");
        }
    }
}

TEST(FileMask, ManyStarsStayFast)
{
    // Back-tracking over one "*" at a time keeps this linear in practice.
    const std::string mask = std::string(200, '*') + "x" + std::string(200, '*') + "y";
    const std::string name(20000, 'x');
    EXPECT_FALSE(MatchesMask(name, mask));
    EXPECT_TRUE(MatchesMask(name + "y", mask));
}

TEST(Filters, NewFileIsEmptyAndSaveLoadRoundTrips)
{
    THostsTestDir dir;
    {
        TFilters filters(dir.Path());
        EXPECT_EQ(filters.Count(), 0);
        filters.Add(TFilter("Text files", "*.txt *.log;readme"));
        filters.Add(TFilter("Empty", ""));
        filters.Add(TFilter("Pictures \"quoted\"", "*.png;*.jp?g;"));
        filters.Save();
    }
    const std::string text = THostsTestDir::Read(dir.File("Filters.xml"));
    EXPECT_THAT(text, ::testing::HasSubstr("<Filter Name=\"Text files\">\r\n    <FileMask Mask=\"*.txt\"/>\r\n"));
    TFilters again(dir.Path());
    ASSERT_EQ(again.Count(), 3);
    EXPECT_EQ(again.Items()[0].Name, "Text files");
    EXPECT_EQ(again.Items()[0].Masks, (Masks{"*.txt", "*.log", "readme"}));
    EXPECT_TRUE(again.Items()[1].Masks.empty());
    EXPECT_EQ(again.Items()[2].Masks, (Masks{"*.png", "*.jp?g", ""}));
    EXPECT_EQ(again.Items()[2].MaskText(), "*.png;*.jp?g;");
    EXPECT_TRUE(again.Items()[0].Matches("README"));
    EXPECT_FALSE(again.Items()[0].Matches("readme.md"));
}

TEST(Filters, HandWrittenMasksAreJoinedThenSplit)
{
    THostsTestDir dir;
    dir.Write("Filters.xml", "<?xml version=\"1.0\"?>\r\n<FilterList>\r\n"
                             "  <Filter Name=\"Docs\"><FileMask Mask=\"*.doc *.rtf\"/><Other/><FileMask Mask=\"*.odt\"/></Filter>\r\n"
                             "  <Note Name=\"ignored\"/>\r\n"
                             "  <Filter Name=\"Clear me\"/>\r\n"
                             "</FilterList>\r\n");
    TFilters filters(dir.Path());
    ASSERT_EQ(filters.Count(), 2);
    EXPECT_EQ(filters.Items()[0].Masks, (Masks{"*.doc", "*.rtf", "*.odt"}));
    filters.Clear();
    EXPECT_EQ(filters.Count(), 0);
    filters.Reload();
    EXPECT_EQ(filters.Count(), 2);
}

TEST(Filters, MissingNameOrMaskFailsAndLeavesTheFile)
{
    for (const std::string body : {"<Filter Name=\"A\"><FileMask Mask=\"*\"/></Filter><Filter><FileMask Mask=\"*\"/></Filter>",
                                   "<Filter Name=\"A\"><FileMask Mask=\"*\"/></Filter><Filter Name=\"B\"><FileMask/></Filter>"}) {
        SCOPED_TRACE(body);
        THostsTestDir dir;
        dir.Write("Filters.xml", "<?xml version=\"1.0\"?>\r\n<FilterList/>\r\n");
        const std::string file = "<?xml version=\"1.0\"?>\r\n<FilterList>" + body + "</FilterList>";
        {
            TFilters filters(dir.Path());
            dir.Write("Filters.xml", file);
            EXPECT_THROW(filters.Reload(), EConvertError);
            EXPECT_EQ(filters.Count(), 1);
        }
        EXPECT_EQ(THostsTestDir::Read(dir.File("Filters.xml")), file);
        EXPECT_THROW(TFilters filters(dir.Path()), EConvertError);
    }
}
