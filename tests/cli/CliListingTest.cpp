// "tovrel-ftp-cli ls" and "ls --json" against vsftpd and pyftpdlib over a
// folder with links (to a folder, to a file, dangling), a nested folder,
// names with blanks and UTF-8, and empty and large files: every entry must
// come out with its name, kind, size and link target.
//
// With TOVREL_CAPTURE_LISTINGS=<folder> set, the raw "LIST -al" lines of each
// server are also written there (<folder>/vsftpd.txt, pyftpdlib.txt); that is
// how tests/fixtures/listings/ was made.
#include "CliRunner.h"
#include "servers/TestServers.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Result = CliResult;

// The names below, as UTF-8 bytes.
const std::string kUtf8Name = "Gr\xC3\xBC\xC3\x9F" "e \xE2\x80\x93 \xD0\xB4\xD0\xB0.txt";   // "Grüße – да.txt"

// Adds the link and naming cases to a fixture tree.
void AddListingCases(const std::string& root)
{
    fs::create_directories(root + "/my folder/nested dir");
    WriteWholeFile(root + "/my folder/nested dir/deep.txt", "deep\n");
    WriteWholeFile(root + "/two  blanks.txt", "12345");
    WriteWholeFile(root + "/" + kUtf8Name, "\xC3\xBC\n");
    fs::create_directory_symlink("sub", root + "/link to sub");
    fs::create_symlink("hello.txt", root + "/link to hello");
    fs::create_symlink("no such file", root + "/dangling link");
}

struct Expected {
    std::string name;
    std::string kind;        // as "ls --json" writes it
    long long size;          // -1: not compared (folders, links)
    std::string linkTarget;
};

const std::vector<Expected>& ExpectedEntries()
{
    static const std::vector<Expected> entries = {
        {"hello.txt", "file", 13, ""},
        {"empty.bin", "file", 0, ""},
        {"data.bin", "file", 300000, ""},
        {"big.sparse", "file", 3221225472LL, ""},
        {"sub", "dir", -1, ""},
        {"upload", "dir", -1, ""},
        {"my folder", "dir", -1, ""},
        {"two  blanks.txt", "file", 5, ""},
        {kUtf8Name, "file", 3, ""},
        {"link to sub", "link", -1, "sub"},
        {"link to hello", "link", -1, "hello.txt"},
        {"dangling link", "link", -1, "no such file"},
    };
    return entries;
}

std::string JsonString(const std::string& text)
{
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\')
            out.push_back('\\');
        out.push_back(c);
    }
    return out + "\"";
}

void CheckServer(TestFtpServer& server, const std::string& serverName)
{
    const std::string work = MakeTempDir("tovrel-cli-listing-");
    const std::string base = "ftp://" + server.User() + ":" + server.Password() + "@127.0.0.1:" +
                             std::to_string(server.Port());

    const Result raw = RunCli("ls --raw " + base + "/", work);
    ASSERT_EQ(raw.exitCode, 0) << raw.err;
    if (const char* capture = std::getenv("TOVREL_CAPTURE_LISTINGS"))
        WriteWholeFile(std::string(capture) + "/" + serverName + ".txt", raw.out);

    const Result json = RunCli("ls --json " + base + "/", work);
    ASSERT_EQ(json.exitCode, 0) << json.err;
    const std::vector<std::string> jsonLines = SplitLines(json.out);
    for (const Expected& e : ExpectedEntries()) {
        SCOPED_TRACE(serverName + ": " + e.name);
        const std::string nameField = "\"name\":" + JsonString(e.name) + ",";
        const std::string* found = nullptr;
        for (const std::string& line : jsonLines)
            if (line.find(nameField) != std::string::npos)
                found = &line;
        ASSERT_NE(found, nullptr) << json.out;
        EXPECT_NE(found->find("\"kind\":\"" + e.kind + "\""), std::string::npos) << *found;
        if (e.size >= 0) {
            EXPECT_NE(found->find("\"size\":" + std::to_string(e.size) + ","), std::string::npos)
                << *found;
        }
        EXPECT_NE(found->find("\"linkTarget\":" + JsonString(e.linkTarget)), std::string::npos)
            << *found;
    }
    for (const std::string& line : jsonLines) {
        // Nothing made up: every entry is one of the tree's (or "." / "..").
        bool known = line.find("\"name\":\".\",") != std::string::npos
                     || line.find("\"name\":\"..\",") != std::string::npos;
        for (const Expected& e : ExpectedEntries())
            known = known || line.find("\"name\":" + JsonString(e.name) + ",") != std::string::npos;
        EXPECT_TRUE(known) << serverName << ": " << line;
    }

    const Result table = RunCli("ls " + base + "/", work);
    ASSERT_EQ(table.exitCode, 0) << table.err;
    const std::vector<std::string> rows = SplitLines(table.out);
    for (const Expected& e : ExpectedEntries()) {
        SCOPED_TRACE(serverName + " table: " + e.name);
        const std::string shown = e.linkTarget.empty() ? e.name : e.name + " -> " + e.linkTarget;
        const std::string* found = nullptr;
        // kind, permissions, owner, group, size, date: 73 columns, then the name.
        for (const std::string& row : rows)
            if (row.size() > 73 && row.compare(73, std::string::npos, shown) == 0)
                found = &row;
        ASSERT_NE(found, nullptr) << table.out;
        EXPECT_EQ(found->rfind(e.kind + " ", 0), 0u) << *found;
        if (e.size >= 0) {
            EXPECT_NE(found->find(" " + std::to_string(e.size) + " "), std::string::npos) << *found;
        }
    }

    // A nested folder with a blank in its name is listed through its path.
    const Result nested = RunCli("ls --json \"" + base + "/my%20folder\"", work);
    ASSERT_EQ(nested.exitCode, 0) << nested.err;
    EXPECT_NE(nested.out.find("\"name\":\"nested dir\",\"localName\":\"nested dir\",\"kind\":\"dir\""),
              std::string::npos)
        << nested.out;
    RemoveTree(work);
}

}  // namespace

TEST(CliListing, VsftpdEntriesShowNamesKindsSizesAndLinks)
{
    FixtureTree tree;
    AddListingCases(tree.Root());
    VsftpdServer server(tree.Root());
    CheckServer(server, "vsftpd");
}

TEST(CliListing, PyftpdlibEntriesShowNamesKindsSizesAndLinks)
{
    FixtureTree tree;
    AddListingCases(tree.Root());
    PyftpdlibServer server(tree.Root());
    CheckServer(server, "pyftpdlib");
}
