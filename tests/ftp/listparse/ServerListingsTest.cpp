// "LIST -al" as vsftpd and pyftpdlib really send it (tests/fixtures/listings/,
// see the README there): links to a folder, to a file and to nothing, a
// nested folder, names with blanks and UTF-8, empty and 3 GiB files.

#include "ftp/listparse/ListRegistry.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

struct TServerEntry {
    std::string Name;
    TIdDirItemType Kind;
    std::int64_t Size;       // -1: not compared (folders, links)
    std::string LinkTarget;
};

std::string ReadFixture(const std::string& name)
{
    std::ifstream in(std::string(TOVREL_FIXTURES_DIR) + "/listings/" + name, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

const std::vector<TServerEntry>& ExpectedEntries()
{
    static const std::vector<TServerEntry> entries = {
        {"hello.txt", dkFile, 13, ""},
        {"empty.bin", dkFile, 0, ""},
        {"data.bin", dkFile, 300000, ""},
        {"big.sparse", dkFile, 3221225472LL, ""},
        {"sub", dkDirectory, -1, ""},
        {"upload", dkDirectory, -1, ""},
        {"my folder", dkDirectory, -1, ""},
        {"two  blanks.txt", dkFile, 5, ""},
        {"Gr\xC3\xBC\xC3\x9F" "e \xE2\x80\x93 \xD0\xB4\xD0\xB0.txt", dkFile, 3, ""},
        {"link to sub", dkSymbolicLink, -1, "sub"},
        {"link to hello", dkSymbolicLink, -1, "hello.txt"},
        {"dangling link", dkSymbolicLink, -1, "no such file"},
    };
    return entries;
}

class ServerListings : public ::testing::TestWithParam<const char*> {};

TEST_P(ServerListings, EveryEntryKeepsItsNameKindSizeAndTarget)
{
    const std::string bytes = ReadFixture(GetParam());
    ASSERT_FALSE(bytes.empty()) << "missing fixture " << GetParam();
    TIdFTPListItems items;
    items.SetNow(*ParseIsoDateTime("2026-12-10T12:00:00"));
    const TIdFTPListBase* parser = ParseListingText(bytes, items);
    ASSERT_NE(parser, nullptr);
    EXPECT_EQ(parser->Identifier(), "Unix");

    std::vector<bool> seen(ExpectedEntries().size(), false);
    for (const TIdFTPListItem& item : items) {
        const std::string name(item.FileName());
        if (name == "." || name == "..")
            continue;
        std::size_t index = 0;
        while (index < ExpectedEntries().size() && ExpectedEntries()[index].Name != name)
            ++index;
        ASSERT_LT(index, ExpectedEntries().size()) << "unexpected entry \"" << name << "\"";
        EXPECT_FALSE(seen[index]) << "listed twice: " << name;
        seen[index] = true;
        const TServerEntry& expected = ExpectedEntries()[index];
        SCOPED_TRACE(name);
        EXPECT_EQ(item.LocalFileName(), name);
        EXPECT_EQ(item.ItemKind(), expected.Kind);
        if (expected.Size >= 0) {
            EXPECT_TRUE(item.SizeKnown());
            EXPECT_EQ(item.Size(), expected.Size);
        }
        EXPECT_TRUE(item.ModifiedKnown());
        const auto* ux = dynamic_cast<const TIdUnixBaseFTPListItem*>(&item);
        ASSERT_NE(ux, nullptr);
        EXPECT_EQ(ux->LinkTarget(), expected.LinkTarget);
    }
    for (std::size_t i = 0; i < seen.size(); ++i)
        EXPECT_TRUE(seen[i]) << "not listed: " << ExpectedEntries()[i].Name;
}

INSTANTIATE_TEST_SUITE_P(RealServers, ServerListings,
                         ::testing::Values("vsftpd.txt", "pyftpdlib.txt"),
                         [](const ::testing::TestParamInfo<const char*>& param) {
                             std::string name = param.param;
                             return name.substr(0, name.find('.'));
                         });

}  // namespace
