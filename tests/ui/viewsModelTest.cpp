// The remote list's rows and order, from listings the program's parsers
// read out of real LIST lines.

#include "viewsGuiApp.h"

#include "store/Helpers.h"
#include "ui/RemoteListModel.h"

#include <gtest/gtest.h>

#include <QCollator>

namespace {

// Distinct sizes, dates, owners and groups; "." and ".." entries and a link
// the listing left unresolved.
constexpr const char* kUnixListing =
    "drwxr-xr-x    2 ftp      ftp          4096 Jan 10  2020 .\n"
    "drwxr-xr-x    2 ftp      ftp          4096 Jan 10  2020 ..\n"
    "drwxr-xr-x    2 zed      staff        4096 Mar 05  2021 beta\n"
    "drwxr-x---    2 amy      adm          4096 Jan 02  2019 Alpha\n"
    "-rw-r--r--    1 bob      users        1024 Feb 01  2022 zulu.txt\n"
    "-rw-------    1 amy      users           1 Jun 15  2018 Echo.log\n"
    "-rwxr-xr-x    1 carl     wheel      500000 Dec 24  2020 delta.bin\n"
    "lrwxrwxrwx    1 root     root            9 Jan 01  2020 link -> zulu.txt\n";

std::vector<std::string> Captions(const TRemoteListModel& model)
{
    std::vector<std::string> captions;
    for (int row = 0; row < model.rowCount(); ++row)
        captions.push_back(model.Caption(row).toStdString());
    return captions;
}

QString Cell(const TRemoteListModel& model, int row, int column)
{
    return model.data(model.index(row, column)).toString();
}

int RowOf(const TRemoteListModel& model, const char* caption)
{
    return model.RowOfCaption(QString::fromUtf8(caption));
}

using Order = std::vector<std::string>;

struct SortCase {
    int Column;
    int State;
    Order Expected;
};

}  // namespace

TEST(RemoteListModel, SortsByEveryColumnInBothStates)
{
    const SortCase cases[] = {
        {TRemoteListModel::rcFilename, 1, {"..", "Alpha", "beta", "delta.bin", "Echo.log", "zulu.txt"}},
        {TRemoteListModel::rcFilename, 0, {"..", "zulu.txt", "Echo.log", "delta.bin", "beta", "Alpha"}},
        // Directories are all 4096 bytes: equal rows keep the listing order.
        {TRemoteListModel::rcSize, 1, {"..", "beta", "Alpha", "Echo.log", "zulu.txt", "delta.bin"}},
        {TRemoteListModel::rcSize, 0, {"..", "delta.bin", "zulu.txt", "Echo.log", "beta", "Alpha"}},
        {TRemoteListModel::rcDate, 1, {"..", "Alpha", "beta", "Echo.log", "delta.bin", "zulu.txt"}},
        {TRemoteListModel::rcDate, 0, {"..", "zulu.txt", "delta.bin", "Echo.log", "beta", "Alpha"}},
        {TRemoteListModel::rcPermissions, 1, {"..", "Alpha", "beta", "Echo.log", "zulu.txt", "delta.bin"}},
        {TRemoteListModel::rcUser, 1, {"..", "Alpha", "beta", "Echo.log", "zulu.txt", "delta.bin"}},
        {TRemoteListModel::rcUser, 0, {"..", "delta.bin", "zulu.txt", "Echo.log", "beta", "Alpha"}},
        {TRemoteListModel::rcGroup, 1, {"..", "Alpha", "beta", "zulu.txt", "Echo.log", "delta.bin"}},
        {TRemoteListModel::rcGroup, 0, {"..", "delta.bin", "zulu.txt", "Echo.log", "beta", "Alpha"}},
    };
    TRemoteListModel model;
    model.Fill(ParseListing(kUnixListing));
    for (const SortCase& c : cases) {
        model.SetSort(c.Column, c.State);
        EXPECT_EQ(Captions(model), c.Expected) << "column " << c.Column << ", state " << c.State;
    }
}

TEST(RemoteListModel, TypeColumnSortsByTypeNameWithDirectoriesFirst)
{
    TRemoteListModel model;
    model.Fill(ParseListing(kUnixListing));
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    for (int state : {1, 0}) {
        model.SetSort(TRemoteListModel::rcType, state);
        ASSERT_EQ(model.Caption(0), "..");
        // State 1: two folders, then three files; state 0 the other way round.
        const int firstFile = state == 1 ? 3 : 1;
        for (int row = 1; row < model.rowCount(); ++row)
            EXPECT_EQ(model.IsDirectory(row), row < firstFile || row >= firstFile + 3) << row;
        for (int row = firstFile + 1; row < firstFile + 3; ++row) {
            const int order = collator.compare(Cell(model, row - 1, 2), Cell(model, row, 2));
            EXPECT_TRUE(state == 1 ? order <= 0 : order >= 0) << row;
        }
    }
}

TEST(RemoteListModel, HeaderClickTogglesTheStateOnlyOnTheSortColumn)
{
    TRemoteListModel model;
    model.Fill(ParseListing(kUnixListing));
    EXPECT_EQ(model.SortColumn(), 0);
    EXPECT_EQ(model.SortState(), 1);
    model.HeaderClicked(0);
    EXPECT_EQ(model.SortState(), 0);
    model.HeaderClicked(1);  // another column keeps the state
    EXPECT_EQ(model.SortColumn(), 1);
    EXPECT_EQ(model.SortState(), 0);
    model.HeaderClicked(1);
    EXPECT_EQ(model.SortState(), 1);
    EXPECT_EQ(Captions(model), (Order{"..", "beta", "Alpha", "Echo.log", "zulu.txt", "delta.bin"}));
}

TEST(RemoteListModel, RealServerListingShowsOneParentRowFilesAndFolders)
{
    TRemoteListModel model;
    model.Fill(ParseListing(FixtureText("listings/vsftpd.txt")));
    const Order rows = Captions(model);
    EXPECT_EQ(std::count(rows.begin(), rows.end(), ".."), 1);
    EXPECT_EQ(rows.front(), "..");
    // Links the worker did not resolve are not shown, "." never is.
    for (const char* absent : {".", "dangling link", "link to hello", "link to sub"})
        EXPECT_EQ(std::count(rows.begin(), rows.end(), absent), 0) << absent;
    EXPECT_EQ(rows, (Order{"..", "my folder", "sub", "upload", "big.sparse", "data.bin", "empty.bin",
                           "Grüße – да.txt", "hello.txt", "two  blanks.txt"}));

    const int hello = RowOf(model, "hello.txt");
    EXPECT_EQ(Cell(model, hello, 1), "1 KB");
    EXPECT_EQ(Cell(model, RowOf(model, "empty.bin"), 1), "0 KB");
    EXPECT_EQ(Cell(model, RowOf(model, "data.bin"), 1), QString::fromStdString(FormatSizeKB(300000)));
    // 3 GiB: sizes are 64-bit all the way.
    EXPECT_EQ(model.Size(RowOf(model, "big.sparse")), 3221225472LL);
    EXPECT_EQ(Cell(model, RowOf(model, "big.sparse"), 1), QString::fromStdString(FormatSizeKB(3221225472LL)));
    EXPECT_EQ(Cell(model, hello, 4), "rw-r--r--");
    EXPECT_EQ(Cell(model, hello, 5), "1001");
    EXPECT_EQ(Cell(model, hello, 6), "1001");
    EXPECT_TRUE(Cell(model, RowOf(model, "sub"), 1).isEmpty());
    EXPECT_FALSE(Cell(model, RowOf(model, "sub"), 3).isEmpty());
    // The ".." row has its type name and nothing else.
    EXPECT_EQ(Cell(model, 0, 2), Cell(model, RowOf(model, "sub"), 2));
    for (int column : {1, 3, 4, 5, 6})
        EXPECT_TRUE(Cell(model, 0, column).isEmpty()) << column;
    EXPECT_FALSE(model.flags(model.index(0, 0)).testFlag(Qt::ItemIsEditable));
    EXPECT_TRUE(model.flags(model.index(hello, 0)).testFlag(Qt::ItemIsEditable));
}

TEST(RemoteListModel, SizesRoundUpToWholeKilobytes)
{
    TRemoteListModel model;
    model.Fill(ParseListing("-rw-r--r-- 1 a a    1 Jan 01  2020 one\n"
                            "-rw-r--r-- 1 a a 1024 Jan 01  2020 kilo\n"
                            "-rw-r--r-- 1 a a 1025 Jan 01  2020 kiloplus\n"
                            "-rw-r--r-- 1 a a    0 Jan 01  2020 none\n"));
    EXPECT_EQ(Cell(model, RowOf(model, "one"), 1), "1 KB");
    EXPECT_EQ(Cell(model, RowOf(model, "kilo"), 1), "1 KB");
    EXPECT_EQ(Cell(model, RowOf(model, "kiloplus"), 1), "2 KB");
    EXPECT_EQ(Cell(model, RowOf(model, "none"), 1), "0 KB");
}

TEST(RemoteListModel, WindowsStyleListingHasNoUnixColumns)
{
    TRemoteListModel model;
    model.Fill(ParseListing("01-10-20  03:04PM       <DIR>          folder\n"
                            "01-11-20  10:00AM                 1025 file.txt\n"));
    ASSERT_EQ(Captions(model), (Order{"..", "folder", "file.txt"}));
    for (int row : {1, 2})
        for (int column : {4, 5, 6})
            EXPECT_TRUE(Cell(model, row, column).isEmpty()) << row << "/" << column;
    EXPECT_EQ(Cell(model, 2, 1), "2 KB");
    // A folder's date carries its time, a file's only the day.
    EXPECT_GT(Cell(model, 1, 3).size(), Cell(model, 2, 3).size());
}

TEST(RemoteListModel, NoListingMeansNoRowsAtAll)
{
    TRemoteListModel model;
    model.Fill(ParseListing(kUnixListing));
    model.Fill(nullptr);
    EXPECT_EQ(model.rowCount(), 0);
    model.Fill(std::make_shared<TIdFTPListItems>());  // an empty folder
    EXPECT_EQ(Captions(model), Order{".."});
}

TEST(RemoteListModel, RenameAsksTheServerAndKeepsTheOldNameWhenRefused)
{
    TRemoteListModel model;
    model.Fill(ParseListing(kUnixListing));
    std::vector<std::pair<std::string, std::string>> asked;
    bool accept = false;
    model.SetRenameHandler([&](const std::string& from, const std::string& to) {
        asked.emplace_back(from, to);
        return accept;
    });
    const int row = RowOf(model, "zulu.txt");
    EXPECT_FALSE(model.setData(model.index(row, 0), "refused.txt"));
    EXPECT_EQ(model.Caption(row), "zulu.txt");
    accept = true;
    EXPECT_TRUE(model.setData(model.index(row, 0), QString::fromUtf8("zülu.md")));
    EXPECT_EQ(model.Caption(row), QString::fromUtf8("zülu.md"));
    EXPECT_EQ(model.RawName(row), "zülu.md");
    // The ".." row and empty names never reach the server.
    EXPECT_FALSE(model.setData(model.index(0, 0), "x"));
    EXPECT_FALSE(model.setData(model.index(row, 0), ""));
    const std::vector<std::pair<std::string, std::string>> expected{{"zulu.txt", "refused.txt"},
                                                                    {"zulu.txt", "zülu.md"}};
    EXPECT_EQ(asked, expected);
}

TEST(RemoteListModel, NamesSortWithoutLetterCaseAlsoInTheCLocale)
{
    const QLocale previous;
    QLocale::setDefault(QLocale::c());
    TRemoteListModel model;
    QLocale::setDefault(previous);
    model.Fill(ParseListing(kUnixListing));
    EXPECT_EQ(Captions(model), (Order{"..", "Alpha", "beta", "delta.bin", "Echo.log", "zulu.txt"}));
}
