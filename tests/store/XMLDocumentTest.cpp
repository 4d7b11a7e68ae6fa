#include "store/XMLDocument.h"

#include "store/FailureInjection.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <filesystem>
#include <iterator>
#include <fstream>
#include <sstream>


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

TEST_F(XMLDocumentTest, FailedSaveKeepsOldFileAndDocumentAndRaises)
{
    const std::string path = Dir() + "/Config.xml";
    TXMLDocument doc(Dir(), "Config.xml", "Config");
    doc.SetAttribute(doc.AppendElement(doc.Root(), "Key"), "value", "1");
    doc.Save();
    const std::string saved = ReadAll(path);

    // The new text no longer fits under the limit: the write fails midway.
    const int result = RunWithFileSizeLimit(saved.size() + 8, [&] {
        doc.SetAttribute(TXMLDocument::FindChild(doc.Root(), "Key"), "value", std::string(200, 'x'));
        try {
            doc.Save();
            return 1;
        } catch (const EXMLSaveError&) {
        }
        if (!doc.Changed())
            return 2;
        if (TXMLDocument::Attribute(TXMLDocument::FindChild(doc.Root(), "Key"), "value") != std::string(200, 'x'))
            return 3;
        try {
            doc.Reload(); // must not drop the change by reading the old file
            return 4;
        } catch (const EXMLSaveError&) {
        }
        return doc.Changed() ? 0 : 5;
    });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(ReadAll(path), saved);
    const auto names = std::filesystem::directory_iterator(Dir());
    EXPECT_EQ(std::distance(begin(names), end(names)), 1) << "no temporary file left behind";
}

TEST_F(XMLDocumentTest, FailedFirstWriteRaisesFromTheConstructorAndLeavesNoFile)
{
    const int result = RunWithFileSizeLimit(10, [&] {
        try {
            TXMLDocument doc(Dir(), "Hosts.xml", "HostList");
            return 1;
        } catch (const EXMLSaveError&) {
            return 0;
        }
    });
    EXPECT_EQ(result, 0);
    EXPECT_FALSE(std::filesystem::exists(Dir() + "/Hosts.xml"));
}

TEST_F(XMLDocumentTest, FailedSaveOnCloseDoesNotThrow)
{
    const std::string path = Dir() + "/Config.xml";
    { TXMLDocument doc(Dir(), "Config.xml", "Config"); }
    const std::string saved = ReadAll(path);
    const int result = RunWithFileSizeLimit(saved.size(), [&] {
        TXMLDocument doc(Dir(), "Config.xml", "Config");
        doc.SetAttribute(doc.AppendElement(doc.Root(), "Key"), "value", "pending");
        return 0; // the destructor reports the failure and must not throw
    });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(ReadAll(path), saved);
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
