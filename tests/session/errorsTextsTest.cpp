// The program's error classes: their texts in English and in the shipped
// German, the language an error keeps, the copy rules and how errors read
// in the dialog and the log.

#include "session/ErrorReport.h"
#include "session/TransferExceptions.h"

#include "i18n/LanguageFile.h"
#include "i18n/LanguageManager.h"
#include "i18n/LocalizationError.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <typeinfo>
#include <atomic>
#include <thread>

namespace {

constexpr std::int64_t k5GiB = 5LL * 1024 * 1024 * 1024;

struct TClassTexts {
    const char* Name;
    std::function<std::unique_ptr<EFTPTransferException>()> Make;
    const char* ShortConstant;
    const char* LongConstant;
    const char* EnglishShort;
    const char* EnglishLong;
};

template <typename T>
std::function<std::unique_ptr<EFTPTransferException>()> Maker()
{
    if constexpr (std::is_base_of_v<EFTPFileAlreadyExistsException, T>)
        return [] { return std::make_unique<T>(1, 2, "l", "r"); };
    else
        return [] { return std::make_unique<T>(); };
}

const std::vector<TClassTexts>& Classes()
{
    static const std::vector<TClassTexts> table = {
        {"ConnectionFailed", Maker<EFTRemoteConnectionFailed>(), "MainForm_strRSFTRemoteConnectionFailed",
         "MainForm_strRSFTRemoteConnectionFailedLong", "Connection to remote host refused.",
         "Connection to remote host was refused. Possible causes are; you aren't online, a firewall is blocking the "
         "attempt, the remote host is down, or the remote host ftp service is closed."},
        {"HostNotFound",
         [] { return std::make_unique<EFTRemoteConnectionFailed>(EFTRemoteConnectionFailed::HostNotFound()); },
         "MainForm_strRSFTRemoteHostNotFound", "MainForm_strRSFTRemoteHostNotFoundLong", "Host not found.",
         "Can't find the hostname for the remote host. Possible causes are; the nameservers are down, a firewall is "
         "blocking the dns service, the hostname is newly registered and not updated in nameservers."},
        {"ConnectionClosed", Maker<EFTRemoteConnectionClosed>(), "MainForm_strRSFTPRemoteConnectionClosed",
         "MainForm_strRSFTPRemoteConnectionClosedLong", "The remote host closed the connection.",
         "The remote host closed the connection. This was probably because of inactivity or a server restart."},
        {"AuthenticationFailed", Maker<EFTRemoteAuthenticationFailed>(), "MainForm_strRSFTRemoteAuthenticationFailed",
         "MainForm_strRSFTRemoteAuthenticationFailedLong", "Authentication failed.",
         "Could not login to the remote host. Possible causes are; remote server don't allow anonymous access (if you "
         "use anonymous), you haven't specified a correct e-mail address for the anonymous password, the remote host "
         "username and/or password are incorrect."},
        {"TLSNotAvailable", Maker<EFTRemoteTLSNotAvailable>(), "MainForm_strRSFTRemoteTLSNotSupported",
         "MainForm_strRSFTRemoteTLSNotSupportedLong", "TLS/SSL not availible.",
         "TLS/SSL connection to the remote host was not possible. Aborting login attempt."},
        {"DirectoryCantChange", Maker<EFTRemoteDirectoryCantChange>(), "MainForm_strRSFTPRemoteDirectoryCantChange",
         "MainForm_strRSFTPRemoteDirectoryCantChangeLong", "Could not change to choosen directory.",
         "The remote host wouldn't let you change to the directory you tried changing to. This is probably because "
         "of server directory permissions."},
        {"DirectoryCantRead", Maker<EFTRemoteDirectoryCantRead>(), "MainForm_strRSFTPRemoteDirectoryCantRead",
         "MainForm_strRSFTPRemoteDirectoryCantReadLong", "Could not read the contents of choosen directory.",
         "The remote host wouldn't let you read the contents of the directory. This is probably because of server "
         "directory permissions."},
        {"DirectoryParseFailed", Maker<EFTRemoteDirectoryParseFailed>(), "MainForm_strRSFTRemoteDirectoryParseFailed",
         "MainForm_strRSFTRemoteDirectoryParseFailedLong", "Could not read the remote directory.",
         "The remote directory file structure could not be read. This is a very uncommon problem and propably caused "
         "by and outdated ftp server."},
        {"DirectoryCantCreate", Maker<EFTRemoteDirectoryCantCreate>(), "MainForm_strRSFTPRemoteDirectoryCantCreate",
         "MainForm_strRSFTPRemoteDirectoryCantCreateLong", "Could not create directory.",
         "The remote directory could not be created. You don't have permission to create directories in the current "
         "directory."},
        {"CantRename", Maker<EFTRemoteCantRename>(), "MainForm_strRSFTPRemoteCantRename",
         "MainForm_strRSFTPRemoteCantRenameLong", "Could not rename the remote file or directory.",
         "You don't have permission to rename the file or directory."},
        {"FileCantDelete", Maker<EFTRemoteFileCantDelete>(), "MainForm_strRSFTPRemoteFileCantDelete",
         "MainForm_strRSFTPRemoteFileCantDeleteLong", "Could not delete the remote file.",
         "The remote file could not be deleted. You don't have permission to delete the file."},
        {"FileNotFound", Maker<EFTRemoteFileNotFound>(), "MainForm_strRSFTPRemoteFileNotFound",
         "MainForm_strRSFTPRemoteFileNotFound", "The remote file was not found.", "The remote file was not found."},
        {"SymbolicLink", Maker<EFTRemoteSymbolicLinkInRecursiveDelete>(),
         "MainForm_strRSFTPRemoteSymbolicLinkInRecursiveDelete",
         "MainForm_strRSFTPRemoteSymbolicLinkInRecursiveDeleteLong", "Can't delete directory.",
         "One of the directories contains a symbolic link, which makes it dangerous to automaticly delete the "
         "directory or file. Please remove the link and then try again."},
        {"RemoteFileAlreadyExists", Maker<EFTRemoteFileAlreadyExists>(), "MainForm_strRSFTPRemoteFileAlreadyExists",
         "MainForm_strRSFTPRemoteFileAlreadyExistsLong", "The remote file already exists.",
         "There is already a remote file by same name and size as the file you are trying to upload."},
        {"RemoteFileSmallerAlreadyExists", Maker<EFTRemoteFileSmallerAlreadyExists>(),
         "MainForm_strRSFTPRemoteFileSmallerAlreadyExists", "MainForm_strRSFTPRemoteFileSmallerAlreadyExistsLong",
         "The remote file already exists.",
         "There is already a remote file by same name as the file you are trying to upload. The remote file is "
         "smaller which means you can resume the download if the ftp server supports it."},
        {"LocalFileAlreadyExists", Maker<EFTLocalFileAlreadyExists>(), "MainForm_strRSFTPLocalFileAlreadyExists",
         "MainForm_strRSFTPLocalFileAlreadyExistsLong", "The local file already exists.",
         "There is already a local file by same name and size as the file you are trying to download."},
        {"LocalFileSmallerAlreadyExists", Maker<EFTLocalFileSmallerAlreadyExists>(),
         "MainForm_strRSFTPLocalFileSmallerAlreadyExists", "MainForm_strRSFTPLocalFileSmallerAlreadyExistsLong",
         "The local file already exists.",
         "There is already a local file by same name as the file you are trying to download. The local file is "
         "smaller which means you can resume the download if the ftp server supports it."},
    };
    return table;
}

const std::filesystem::path kGermanFile = std::filesystem::path(TOVREL_BINARY_DIR) / "Languages" / "Deutsch.lng";

// Every test leaves the program's language manager in English.
class ErrorTexts_ : public ::testing::Test {
protected:
    void SwitchTo(int languageId)
    {
        ASSERT_TRUE(LangManager().Start({std::filesystem::path(TOVREL_BINARY_DIR)}, languageId));
    }
    void TearDown() override { LangManager().SetActiveLanguage(1033); }
};

} // namespace

TEST_F(ErrorTexts_, EveryClassCarriesItsEnglishShortAndLongText)
{
    for (const auto& c : Classes()) {
        const auto error = c.Make();
        EXPECT_EQ(error->ShortDescription(), c.EnglishShort) << c.Name;
        EXPECT_EQ(error->LongDescription(), c.EnglishLong) << c.Name;
        EXPECT_STREQ(error->what(), c.EnglishShort) << c.Name;
    }
    EXPECT_STREQ(EFDRemoteConnectionFailed().what(), "Connection to remote host refused.");
}

TEST_F(ErrorTexts_, EveryClassTakesTheActiveLanguageAndKeepsItAfterASwitch)
{
    const TLanguageFile german = TLanguageFile::Load(kGermanFile);
    SwitchTo(1031);
    std::vector<std::unique_ptr<EFTPTransferException>> madeInGerman;
    for (const auto& c : Classes()) {
        madeInGerman.push_back(c.Make());
        EXPECT_EQ(madeInGerman.back()->ShortDescription(), german.Constant(c.ShortConstant).value()) << c.Name;
        EXPECT_EQ(madeInGerman.back()->LongDescription(), german.Constant(c.LongConstant).value()) << c.Name;
        EXPECT_NE(madeInGerman.back()->ShortDescription(), c.EnglishShort) << c.Name;
    }
    EXPECT_EQ(EFTRemoteFileNotFound().ShortDescription(), "Die entfernte Datei wurde nicht gefunden.");
    EXPECT_EQ(std::string(EFDRemoteConnectionFailed().what()),
              german.Constant("MainForm_strRSFTRemoteConnectionFailed").value());

    LangManager().SetActiveLanguage(1033);
    for (std::size_t i = 0; i < Classes().size(); ++i)
        EXPECT_EQ(madeInGerman[i]->ShortDescription(), german.Constant(Classes()[i].ShortConstant).value());
    EXPECT_EQ(EFTRemoteFileNotFound().ShortDescription(), "The remote file was not found.");
}

TEST(ErrorCopies, FileExistsErrorsKeepTheirClassAndAllSixFieldsWith64BitSizes)
{
    const std::vector<std::function<std::unique_ptr<EFTPFileAlreadyExistsException>()>> makers = {
        [] { return std::make_unique<EFTRemoteFileAlreadyExists>(k5GiB, k5GiB + 1, "2026-01-02 03:04", "yesterday"); },
        [] { return std::make_unique<EFTRemoteFileSmallerAlreadyExists>(k5GiB, 7, "a", "b"); },
        [] { return std::make_unique<EFTLocalFileAlreadyExists>(-1, k5GiB, "c", "d"); },
        [] { return std::make_unique<EFTLocalFileSmallerAlreadyExists>(3, k5GiB * 2, "e", "f"); },
        [] { return std::make_unique<EFTPFileAlreadyExistsException>("s", "l", 1, 2, "g", "h"); },
    };
    for (const auto& make : makers) {
        const auto original = make();
        const auto copy = CopyErrorForQueue(*original);
        ASSERT_EQ(typeid(*copy), typeid(*original)) << typeid(*original).name();
        const auto& same = dynamic_cast<const EFTPFileAlreadyExistsException&>(*copy);
        EXPECT_EQ(same.ShortDescription(), original->ShortDescription());
        EXPECT_EQ(same.LongDescription(), original->LongDescription());
        EXPECT_EQ(same.LocalSize(), original->LocalSize());
        EXPECT_EQ(same.RemoteSize(), original->RemoteSize());
        EXPECT_EQ(same.LocalTime(), original->LocalTime());
        EXPECT_EQ(same.RemoteTime(), original->RemoteTime());
        EXPECT_STREQ(same.what(), original->what());
    }
}

TEST(ErrorCopies, OtherTransferErrorsBecomeTheBaseClassWithBothTexts)
{
    const EFTRemoteDirectoryCantRead original;
    const auto copy = CopyErrorForQueue(original);
    ASSERT_EQ(typeid(*copy), typeid(EFTPTransferException));
    const auto& base = dynamic_cast<const EFTPTransferException&>(*copy);
    EXPECT_EQ(base.ShortDescription(), "Could not read the contents of choosen directory.");
    EXPECT_EQ(base.LongDescription(), original.LongDescription());
}

TEST(ErrorCopies, ForeignErrorsBecomePlainErrorsWithTheSameMessage)
{
    const std::vector<std::shared_ptr<std::exception>> foreign = {
        std::make_shared<std::logic_error>("Destination file already exists."),
        std::make_shared<EFTPDirectException>("direct"),
        std::make_shared<EXMLLoadException>("xml"),
    };
    for (const auto& e : foreign) {
        const auto copy = CopyErrorForQueue(*e);
        EXPECT_EQ(typeid(*copy), typeid(std::runtime_error));
        EXPECT_STREQ(copy->what(), e->what());
    }
}

TEST(ErrorCopies, CopyFromTakesBothTextsAndTheMessageFollows)
{
    EFTPTransferException target("old short", "old long");
    target.CopyFrom(EFTRemoteCantRename("new short", "new long"));
    EXPECT_STREQ(target.what(), "new short");
    EXPECT_EQ(target.LongDescription(), "new long");

    EFTLocalFileAlreadyExists fileTarget("s", "l", 0, 0, "", "");
    fileTarget.CopyFileExistsFrom(EFTLocalFileAlreadyExists("S", "L", k5GiB, 9, "t1", "t2"));
    EXPECT_STREQ(fileTarget.what(), "S");
    EXPECT_EQ(fileTarget.LocalSize(), k5GiB);
    EXPECT_EQ(fileTarget.RemoteTime(), "t2");
}

TEST(ErrorReport, DialogShowsTheHeadlineAndOnlyTransferErrorsExplain)
{
    const auto notFound = ErrorDialogTexts(EFTRemoteFileNotFound());
    EXPECT_EQ(notFound.Headline, "The remote file was not found.");
    EXPECT_EQ(notFound.Explanation, "The remote file was not found.");

    const auto other = ErrorDialogTexts(std::runtime_error("plain"));
    EXPECT_EQ(other.Headline, "plain");
    EXPECT_EQ(other.Explanation, "");
}

TEST(ErrorReport, UnhandledErrorsGiveOneLogLinePerFamily)
{
    EXPECT_EQ(UnhandledExceptionLogLine(EFTRemoteAuthenticationFailed()), "TransferException: Authentication failed.");
    EXPECT_EQ(UnhandledExceptionLogLine(EFDRemoteConnectionFailed()),
              "DirectException: Connection to remote host refused.");
    EXPECT_EQ(UnhandledExceptionLogLine(std::logic_error("boom")), "Other exception: std::logic_error/boom");
    EXPECT_EQ(UnhandledExceptionLogLine(EXMLLoadException("bad")), "Other exception: EXMLLoadException/bad");
}

TEST(TextCopies, CopiesFollowLanguageSwitchesOnAnotherThread)
{
    TLanguageManager manager;
    ASSERT_EQ(manager.ScanDirectory(kGermanFile.parent_path()), 1);
    TTextCopies copies({"MainForm_strRSSTConnected", "MainForm_strRSFTPRemoteFileNotFound"}, manager);
    EXPECT_EQ(copies.Text("MainForm_strRSSTConnected"), "Connected");
    EXPECT_THROW(copies.Text("MainForm_strRSSTPaused"), ELocalizationError);

    std::atomic<bool> stop{false};
    std::thread switcher([&] {
        for (int i = 0; i < 40; ++i)
            manager.SetActiveLanguage(i % 2 ? 1033 : 1031);
        manager.SetActiveLanguage(1031);
        stop = true;
    });
    while (!stop.load()) {
        const std::string text = copies.Text("MainForm_strRSSTConnected");
        ASSERT_TRUE(text == "Connected" || text == "Verbunden") << text;
    }
    switcher.join();
    EXPECT_EQ(copies.Text("MainForm_strRSSTConnected"), "Verbunden");
    EXPECT_EQ(copies.Text("MainForm_strRSFTPRemoteFileNotFound"), "Die entfernte Datei wurde nicht gefunden.");
}
