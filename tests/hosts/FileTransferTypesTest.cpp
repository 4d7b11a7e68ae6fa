#include "hosts/FileTransferTypes.h"

#include "hosts/HostsTestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace {

void WriteTable(const THostsTestDir& dir, const std::string& entries)
{
    dir.Write("FileTransferTypes.xml",
              "<?xml version=\"1.0\"?>\r\n<FileTransferTypesList>" + entries + "</FileTransferTypesList>\r\n");
}

std::string Entry(const std::string& extension, const std::string& type)
{
    return "<FileTransferType Extension=\"" + extension + "\" TransferType=\"" + type + "\"/>";
}

} // namespace

TEST(FileTransferTypes, LookUpTable)
{
    THostsTestDir dir;
    WriteTable(dir, Entry(".TXT", "ASCII") + Entry("html", "ASCII") + Entry(".bin", "ascii") + Entry(".log", "ASCII") +
                        Entry(".log", "Binary") + Entry(".zip", "Binary") + "<Other Extension=\".c\" TransferType=\"ASCII\"/>");
    TFileTransferTypes types(dir.Path());
    EXPECT_EQ(types.Entries(), (std::vector<std::string>{".TXT=ASCII", "html=ASCII", ".bin=ascii", ".log=ASCII",
                                                         ".log=Binary", ".zip=Binary"}));
    const std::pair<const char*, TFileTransferType> cases[] = {
        {".txt", fttASCII},   {".TxT", fttASCII},  {".bin", fttBinary}, {".log", fttBinary},
        {".zip", fttBinary},  {".c", fttUnknown},  {"", fttUnknown},    {".html", fttUnknown},
    };
    for (const auto& [ext, type] : cases) {
        SCOPED_TRACE(ext);
        EXPECT_EQ(types.TransferTypeOf(ext), type);
    }
}

TEST(FileTransferTypes, TypeCommandForFileNames)
{
    THostsTestDir dir;
    WriteTable(dir, Entry(".TXT", "ASCII") + Entry(".gz", "Binary") + Entry("html", "ASCII"));
    TFileTransferTypes types(dir.Path());
    struct TCase {
        const char* Name;
        TFileTransferType Default;
        const char* Command;
    } cases[] = {
        {"notes.txt", fttBinary, "TYPE A"},
        {"dir.txt/archive.tar.gz", fttASCII, "TYPE I"},
        {"index.html", fttBinary, "TYPE I"}, // "html" without its dot never matches
        {"README", fttBinary, "TYPE I"},
        {"README", fttASCII, "TYPE A"},
        {"dir.d/README", fttASCII, "TYPE A"},
        {"photo.jpg", fttUnknown, "TYPE I"},
        {"photo.jpg", fttASCII, "TYPE A"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        EXPECT_EQ(TransferTypeCommand(types, c.Name, c.Default), c.Command);
    }
    EXPECT_EQ(ExtractFileExt("archive.tar.gz"), ".gz");
    EXPECT_EQ(ExtractFileExt("noext"), "");
    EXPECT_EQ(ExtractFileExt(".profile"), ".profile");
}

TEST(FileTransferTypes, EmptyTableSendsEverythingBinaryByDefault)
{
    THostsTestDir dir;
    TFileTransferTypes types(dir.Path());
    EXPECT_TRUE(types.Entries().empty());
    EXPECT_EQ(TransferTypeCommand(types, "a.txt", fttBinary), "TYPE I");
}

TEST(FileTransferTypes, EntriesAreSavedAtDestruction)
{
    THostsTestDir dir;
    {
        TFileTransferTypes types(dir.Path());
        types.Add(".txt", "ASCII");
        types.Add(".iso", "Binary");
    }
    EXPECT_THAT(THostsTestDir::Read(dir.File("FileTransferTypes.xml")),
                ::testing::HasSubstr("\r\n  <FileTransferType Extension=\".txt\" TransferType=\"ASCII\"/>\r\n"));
    TFileTransferTypes again(dir.Path());
    EXPECT_EQ(again.Entries(), (std::vector<std::string>{".txt=ASCII", ".iso=Binary"}));
    again.SetEntries({".md=ASCII", ".MD=Binary"});
    EXPECT_EQ(again.TransferTypeOf(".md"), fttBinary);
}

TEST(FileTransferTypes, MissingAttributeFailsAndTheFileIsNotRewritten)
{
    for (const std::string bad : {"<FileTransferType Extension=\".txt\"/>", "<FileTransferType TransferType=\"ASCII\"/>"}) {
        SCOPED_TRACE(bad);
        THostsTestDir dir;
        WriteTable(dir, Entry(".a", "ASCII") + bad);
        const std::string file = THostsTestDir::Read(dir.File("FileTransferTypes.xml"));
        EXPECT_THROW(TFileTransferTypes types(dir.Path()), EConvertError);
        EXPECT_EQ(THostsTestDir::Read(dir.File("FileTransferTypes.xml")), file);
    }
}
