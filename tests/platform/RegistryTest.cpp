#include "platform/Registry.h"
#include "store/XMLDocument.h"

#include "store/ConfigTestSupport.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <thread>

namespace {

class RegistryTest : public ::testing::Test {
protected:
    QTemporaryDir dir_;
    std::string Dir() const { return dir_.path().toStdString(); }
};

const char* const Key = "Software\\Tovrel FTP";

} // namespace

TEST_F(RegistryTest, MissingFileReadsAsEmptyAndIsNotCreatedByReads)
{
    TRegistry reg(Dir());
    EXPECT_FALSE(reg.KeyExists(Key));
    EXPECT_TRUE(reg.SubKeyNames(Key).empty());
    EXPECT_EQ(reg.ReadString(Key, "AppFilename"), std::nullopt);
    EXPECT_FALSE(reg.DeleteKey(Key));
    EXPECT_FALSE(reg.DeleteValue(Key, "x"));
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(reg.Path())));
}

TEST_F(RegistryTest, ValuesOfEachTypeSurviveAnotherObject)
{
    {
        TRegistry reg(Dir());
        reg.WriteString(Key, "AppFilename", "/usr/bin/tovrel-ftp \"quoted\" <&>\r\n");
        reg.WriteInteger(Key, "ConnectionNumber", -123456789012LL);
        reg.WriteBinary(Key, "Toolbar", std::string("\0\x01\xFF", 3));
        reg.WriteString(Key, "", "default value");
    }
    TRegistry reg(Dir());
    EXPECT_EQ(reg.ReadString(Key, "appfilename"), "/usr/bin/tovrel-ftp \"quoted\" <&>\r\n");
    EXPECT_EQ(reg.ReadInteger(Key, "ConnectionNumber"), -123456789012LL);
    EXPECT_EQ(reg.ReadBinary(Key, "Toolbar"), std::string("\0\x01\xFF", 3));
    EXPECT_EQ(reg.ReadString(Key, ""), "default value");
    EXPECT_EQ(reg.ReadString(Key, "ConnectionNumber"), std::nullopt); // another type
    EXPECT_EQ(reg.ValueType(Key, "Toolbar"), TRegistryValueType::Binary);
    EXPECT_EQ(reg.ValueNames(Key), (std::vector<std::string>{"AppFilename", "ConnectionNumber", "Toolbar", ""}));
    EXPECT_TRUE(reg.KeyExists("software\\TOVREL FTP\\")); // names ignore case, empty parts are skipped

    reg.WriteInteger(Key, "APPFILENAME", 7); // replaces, keeping the stored name
    EXPECT_EQ(reg.ReadInteger(Key, "AppFilename"), 7);
    EXPECT_TRUE(reg.DeleteValue(Key, "appFileName"));
    EXPECT_FALSE(reg.ValueExists(Key, "AppFilename"));
}

TEST_F(RegistryTest, KeysAreCreatedWithParentsAndDeletedWithChildren)
{
    TRegistry reg(Dir());
    reg.CreateKey("Software\\Tovrel FTP\\Hosts\\{B}");
    reg.WriteString("Software\\Tovrel FTP\\Hosts\\{B}", "", "Beta");
    EXPECT_TRUE(reg.KeyExists("Software\\Tovrel FTP\\Hosts"));
    EXPECT_TRUE(reg.DeleteKey("Software\\Tovrel FTP\\Hosts"));
    EXPECT_FALSE(reg.KeyExists("Software\\Tovrel FTP\\Hosts\\{B}"));
    EXPECT_TRUE(reg.KeyExists(Key));
    EXPECT_THROW(reg.DeleteKey(""), std::invalid_argument);
}

TEST_F(RegistryTest, SubKeysEnumerateSortedWithoutRegardToCase)
{
    TRegistry reg(Dir());
    for (const char* name : {"delta", "Bravo", "alpha", "Charlie", "{0A}", "{09}"})
        reg.CreateKey(std::string(Key) + "\\" + name);
    reg.CreateKey(std::string(Key) + "\\ALPHA"); // the same key
    EXPECT_EQ(reg.SubKeyNames(Key), (std::vector<std::string>{"alpha", "Bravo", "Charlie", "delta", "{09}", "{0A}"}));
}

TEST_F(RegistryTest, TransactionWritesOnceOrNotAtAll)
{
    TRegistry reg(Dir());
    reg.WriteString(Key, "Kept", "1");
    EXPECT_THROW(reg.Transaction([](TRegistry& r) {
        r.DeleteKey(Key);
        r.WriteString(Key, "Half", "done");
        throw std::runtime_error("stop");
    }),
                 std::runtime_error);
    EXPECT_EQ(reg.ReadString(Key, "Kept"), "1");
    EXPECT_FALSE(reg.ValueExists(Key, "Half"));

    reg.Transaction([](TRegistry& r) {
        r.DeleteKey(Key);
        r.WriteString(Key, "New", "2");
        EXPECT_FALSE(r.ValueExists(Key, "Kept")); // reads inside see the changes
    });
    EXPECT_EQ(TRegistry(Dir()).ReadString(Key, "New"), "2");
}

TEST_F(RegistryTest, DamagedFileIsRefusedAndNeverOverwritten)
{
    const std::string damaged = "<?xml version=\"1.0\"?>\n<Registry><Key Name=\"Software\">";
    TRegistry reg(Dir());
    WriteFileText(reg.Path(), damaged);
    EXPECT_THROW(reg.ReadString(Key, "x"), EXMLParseError);
    EXPECT_THROW(reg.WriteString(Key, "x", "y"), EXMLParseError);
    EXPECT_EQ(ReadFileText(reg.Path()), damaged);
    for (const std::string bad : {"<Other/>", "<Registry><Key/></Registry>",
                                  "<Registry><Value Name=\"a\" Type=\"Integer\" Data=\"x\"/></Registry>",
                                  "<Registry><Value Name=\"a\" Type=\"Binary\" Data=\"0\"/></Registry>",
                                  "<Registry><Value Name=\"a\" Type=\"Float\" Data=\"1\"/></Registry>"}) {
        SCOPED_TRACE(bad);
        WriteFileText(reg.Path(), bad);
        EXPECT_THROW(reg.KeyExists(Key), EXMLParseError);
    }
}

TEST_F(RegistryTest, DefaultConstructorUsesTheDataDirectory)
{
    TScopedConfigHome home;
    TRegistry(/*data directory*/).WriteString(Key, "AppFilename", "x");
    EXPECT_EQ(TRegistry(home.DataDir()).ReadString(Key, "AppFilename"), "x");
}

TEST_F(RegistryTest, ObjectsInSeveralThreadsSeeEachOthersWrites)
{
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([this, t] {
            TRegistry reg(Dir());
            for (int i = 0; i < 10; ++i)
                reg.WriteInteger(std::string(Key) + "\\T" + std::to_string(t), "N" + std::to_string(i), i);
        });
    for (auto& th : threads)
        th.join();
    TRegistry reg(Dir());
    EXPECT_EQ(reg.SubKeyNames(Key).size(), 4u);
    for (int t = 0; t < 4; ++t)
        EXPECT_EQ(reg.ValueNames(std::string(Key) + "\\T" + std::to_string(t)).size(), 10u);
}
