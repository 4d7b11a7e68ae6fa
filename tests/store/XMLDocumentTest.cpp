#include "store/XMLDocument.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <filesystem>
#include <fstream>
#include <sstream>

#include <unistd.h>

namespace {

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteAll(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

class XMLDocumentTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    std::string Dir() const { return dir.path().toStdString(); }
};

} // namespace

TEST_F(XMLDocumentTest, NewFileHoldsDeclarationAndEmptyRoot)
{
    { TXMLDocument doc(Dir(), "Config.xml", "Config"); }
    EXPECT_EQ(ReadAll(Dir() + "/Config.xml"), "<?xml version=\"1.0\"?>\r\n<Config/>\r\n");
}

TEST_F(XMLDocumentTest, TrailingSeparatorIsNotDoubled)
{
    TXMLDocument doc(Dir() + "/", "Hosts.xml", "HostList");
    EXPECT_EQ(doc.Path(), Dir() + "/Hosts.xml");
}

TEST_F(XMLDocumentTest, AddedElementsAreLaidOutWithCrLfAndTwoSpaces)
{
    {
        TXMLDocument doc(Dir(), "Hosts.xml", "HostList");
        auto group = doc.AppendElement(doc.Root(), "Group");
        doc.SetAttribute(group, "CommonName", "Work");
        doc.SetAttribute(doc.AppendElement(group, "Host"), "CommonName", "a");
        doc.SetAttribute(doc.AppendElement(doc.Root(), "Host"), "CommonName", "b");
    }
    EXPECT_EQ(ReadAll(Dir() + "/Hosts.xml"),
              "<?xml version=\"1.0\"?>\r\n"
              "<HostList>\r\n"
              "  <Group CommonName=\"Work\">\r\n"
              "    <Host CommonName=\"a\"/>\r\n"
              "  </Group>\r\n"
              "  <Host CommonName=\"b\"/>\r\n"
              "</HostList>\r\n");
}

TEST_F(XMLDocumentTest, UnchangedDocumentIsNotWrittenOnClose)
{
    const std::string path = Dir() + "/Config.xml";
    const std::string handMade = "<?xml version=\"1.0\"?><Config><A value=\"1\"/></Config>";
    WriteAll(path, handMade);
    { TXMLDocument doc(Dir(), "Config.xml", "Config"); }
    EXPECT_EQ(ReadAll(path), handMade);
}

TEST_F(XMLDocumentTest, UnparsableFileRaisesAndIsLeftUntouched)
{
    const std::string path = Dir() + "/Hosts.xml";
    const std::string broken = "<?xml version=\"1.0\"?>\r\n<HostList><Host CommonName=\"x\">";
    WriteAll(path, broken);
    EXPECT_THROW(TXMLDocument(Dir(), "Hosts.xml", "HostList"), EXMLParseError);
    EXPECT_EQ(ReadAll(path), broken);
}

TEST_F(XMLDocumentTest, FailedSaveKeepsOldFileAndRaises)
{
    const std::string path = Dir() + "/Config.xml";
    TXMLDocument doc(Dir(), "Config.xml", "Config");
    doc.SetAttribute(doc.AppendElement(doc.Root(), "Key"), "value", "1");
    doc.Save();
    const std::string saved = ReadAll(path);
    doc.SetAttribute(TXMLDocument::FindChild(doc.Root(), "Key"), "value", "2");
    std::filesystem::permissions(Dir(), std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    const bool canStillWrite = ::access(Dir().c_str(), W_OK) == 0; // root ignores permissions
    if (!canStillWrite) {
        EXPECT_THROW(doc.Save(), EXMLSaveError);
        EXPECT_TRUE(doc.Changed());
    }
    std::filesystem::permissions(Dir(), std::filesystem::perms::owner_all);
    EXPECT_EQ(ReadAll(path), canStillWrite ? ReadAll(path) : saved);
}

TEST_F(XMLDocumentTest, ReloadWritesPendingChangesFirst)
{
    TXMLDocument doc(Dir(), "Config.xml", "Config");
    doc.SetAttribute(doc.AppendElement(doc.Root(), "Key"), "value", "x");
    doc.Reload();
    EXPECT_FALSE(doc.Changed());
    EXPECT_EQ(*TXMLDocument::Attribute(TXMLDocument::FindChild(doc.Root(), "Key"), "value"), "x");
}

TEST(XMLValues, BooleansAcceptAnyCaseAndNumbers)
{
    struct Case { const char* text; bool value; } cases[] = {
        {"True", true}, {"true", true}, {"FALSE", false}, {"1", true}, {"0", false}, {"-7", true}};
    for (const auto& c : cases)
        EXPECT_EQ(TXMLDocument::ParseBool(c.text), c.value) << c.text;
    EXPECT_THROW(TXMLDocument::ParseBool("yes"), EConvertError);
    EXPECT_THROW(TXMLDocument::ParseInt("abc"), EConvertError);
    EXPECT_THROW(TXMLDocument::ParseInt(""), EConvertError);
    EXPECT_EQ(TXMLDocument::ParseInt("-12"), -12);
}

TEST(XMLValues, ChildLookupIsCaseSensitive)
{
    pugi::xml_document d;
    d.load_string("<Config><maxftptransfercount value=\"1\"/><MaxFTPTransferCount value=\"2\"/></Config>");
    auto n = TXMLDocument::FindChild(d.document_element(), "MaxFTPTransferCount");
    EXPECT_STREQ(n.attribute("value").value(), "2");
}
