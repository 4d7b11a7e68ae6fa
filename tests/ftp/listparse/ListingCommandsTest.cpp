// The parse-listing command and its JSON and table output.

#include "cli/ListingCommands.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

struct TRun {
    int Code = 0;
    std::string Out;
    std::string Err;
};

TRun RunCommand(std::vector<std::string> args, const std::string& input)
{
    args.insert(args.begin(), {"tovrel-ftp-cli", "parse-listing"});
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    std::istringstream in(input);
    std::ostringstream out;
    std::ostringstream err;
    TRun run;
    run.Code = RunParseListing(static_cast<int>(argv.size()), argv.data(), in, out, err);
    run.Out = out.str();
    run.Err = err.str();
    return run;
}

} // namespace

TEST(ParseListingCommand, PrintsOneJsonObjectPerEntry)
{
    const TRun run = RunCommand({"--now", "2026-06-15T10:00:00"},
                         "total 8\r\n"
                         "drwxr-xr-x 2 alice staff 4096 Jan 31 12:34 docs\r\n"
                         "lrwxrwxrwx 1 root root 7 Mar  1  2005 lib -> usr/lib/\r\n");
    EXPECT_EQ(run.Code, 0);
    EXPECT_EQ(run.Out,
              "{\"parser\":\"Unix\",\"name\":\"docs\",\"localName\":\"docs\",\"kind\":\"dir\","
              "\"size\":4096,\"sizeKnown\":true,\"modified\":\"2026-01-31T12:34:00\","
              "\"modifiedKnown\":true,\"owner\":\"alice\",\"group\":\"staff\","
              "\"permissions\":\"drwxr-xr-x\",\"linkTarget\":\"\"}\n"
              "{\"parser\":\"Unix\",\"name\":\"lib\",\"localName\":\"lib\",\"kind\":\"linkdir\","
              "\"size\":7,\"sizeKnown\":true,\"modified\":\"2005-03-01T00:00:00\","
              "\"modifiedKnown\":true,\"owner\":\"root\",\"group\":\"root\","
              "\"permissions\":\"lrwxrwxrwx\",\"linkTarget\":\"usr/lib\"}\n");
}

TEST(ParseListingCommand, WindowsEntriesHaveNoUnixFieldsAndTextsStayValidJson)
{
    const TRun run = RunCommand({}, "01-31-06  03:04PM       <DIR>          caf\xe9 \"q\"\n");
    EXPECT_EQ(run.Code, 0);
    EXPECT_EQ(run.Out,
              "{\"parser\":\"Windows NT\",\"name\":\"caf\xc3\xa9 \\\"q\\\"\","
              "\"localName\":\"caf\xc3\xa9 \\\"q\\\"\",\"kind\":\"dir\",\"size\":0,"
              "\"sizeKnown\":false,\"modified\":\"2006-01-31T15:04:00\",\"modifiedKnown\":true}\n");
}

TEST(ParseListingCommand, UnknownTextPrintsNothingAndBadArgumentsFail)
{
    const TRun none = RunCommand({}, "this is not a listing\n");
    EXPECT_EQ(none.Code, 0);
    EXPECT_EQ(none.Out, "");
    EXPECT_EQ(RunCommand({"--now", "yesterday"}, "").Code, 2);
    const TRun bad = RunCommand({"--frobnicate"}, "");
    EXPECT_EQ(bad.Code, 2);
    EXPECT_NE(bad.Err.find("usage"), std::string::npos);
}

TEST(ParseListingCommand, TableShowsColumnsAndLinkTargets)
{
    const TRun run = RunCommand({"--table", "--now", "2026-06-15T10:00:00"},
                         "lrwxrwxrwx 1 root wheel 7 Mar  1  2005 lib -> usr/lib/\n"
                         "-rw-r--r-- 1 root wheel 7 Foo  1  2005 odd\n");
    EXPECT_EQ(run.Code, 0);
    EXPECT_NE(run.Out.find("linkdir lrwxrwxrwx root       wheel                   7 "
                           "2005-03-01 00:00 lib -> usr/lib\n"),
              std::string::npos)
        << run.Out;
    EXPECT_NE(run.Out.find(" - "), std::string::npos);  // unknown date
}
