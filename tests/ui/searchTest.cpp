// The advanced search against vsftpd: matches in every folder below the
// start with their folder in "Path", the remote list's sort rules, Stop
// keeping the rows found and the worker back in the starting folder,
// Clear results, Escape, and the window's texts in German.

#include "propsSession.h"
#include "viewsGuiApp.h"

#include "i18n/LanguageManager.h"
#include "ui/AdvancedSearchForm.h"
#include "ui/SearchResultModel.h"

#include <gtest/gtest.h>

#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeView>

#include <sys/stat.h>

namespace {

using Rows = std::vector<std::string>;

class SearchTest : public ::testing::Test {
protected:
    std::string root = MakeTempDir("search");
    std::unique_ptr<VsftpdServer> server;
    std::unique_ptr<TPropsSession> session;

    void SetUp() override
    {
        WriteFiles(root, {{"s/one.txt", std::string(10, '1')},
                          {"s/a/two.txt", std::string(2000, '2')},
                          {"s/a/b/three.TXT", std::string(5000, '3')},
                          {"s/a/b/no.bin", "no!"},
                          {"s/c/four.txt", "4"},
                          {"s/c/docs/readme.md", std::string(700, 'r')}});
        std::vector<std::pair<std::string, std::string>> wide;
        for (int i = 0; i < 150; ++i)
            wide.emplace_back("wide/f" + std::to_string(i) + "/g/h/x.txt", "x");
        WriteFiles(root, wide);
        WriteFiles(root, {{"t/ok.txt", "ok"}, {"t/locked/secret.txt", "s"}});
        ::chmod((root + "/t/locked").c_str(), 0700);  // root's: the server's user may not enter
        ::chmod(root.c_str(), 0755);  // the server's user reads it
        server = std::make_unique<VsftpdServer>(root);
        session = std::make_unique<TPropsSession>(*server);
        ASSERT_TRUE(session->Open()) << server->Log();
    }
    void TearDown() override
    {
        session.reset();
        server.reset();
        RemoveTree(root);
    }

    static Rows Column(TAdvancedSearchForm& form, int column)
    {
        Rows texts;
        const TSearchResultModel& model = form.Results();
        for (int row = 0; row < model.rowCount(); ++row)
            texts.push_back(model.index(row, column).data().toString().toStdString());
        return texts;
    }
    static void ClickHeader(TAdvancedSearchForm& form, int column)
    {
        QHeaderView* header = form.ResultList()->header();
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(column) + 4, header->height() / 2));
    }
    static bool Search(TAdvancedSearchForm& form, const QString& pattern)
    {
        form.NameField()->setText(pattern);
        QTest::keyClick(form.NameField(), Qt::Key_Return);  // Search is the default button
        return WaitUntil([&] { return !form.Searching() && form.SearchButton()->isEnabled(); });
    }
};

TEST_F(SearchTest, FindsMatchesInEverySubfolderWithTheirPath)
{
    ASSERT_TRUE(session->ChangeTo("/s"));
    TAdvancedSearchForm form(session->Worker);
    form.show();
    EXPECT_EQ(form.focusWidget(), form.NameField());
    EXPECT_EQ(form.SearchButton()->text(), "&Search");

    ASSERT_TRUE(Search(form, "*.txt"));
    EXPECT_EQ(Column(form, TSearchResultModel::scFilename), (Rows{"four.txt", "one.txt", "three.TXT", "two.txt"}));
    EXPECT_EQ(Column(form, TSearchResultModel::scPath), (Rows{"/s/c", "/s", "/s/a/b", "/s/a"}));
    EXPECT_EQ(Column(form, TSearchResultModel::scSize), (Rows{"1 KB", "1 KB", "5 KB", "2 KB"}));
    EXPECT_EQ(form.SearchButton()->text(), "&Search");
    ASSERT_TRUE(WaitUntil([&] { return !session->Worker.Busy(); }));
    EXPECT_EQ(session->Worker.CurrentDir(), "/s");

    // "." and ".." are the folder itself and its parent, never results.
    form.ResultList()->selectAll();
    ASSERT_TRUE(Search(form, "*"));
    Rows names = Column(form, TSearchResultModel::scFilename);
    EXPECT_EQ(std::count(names.begin(), names.end(), "."), 0);
    EXPECT_EQ(std::count(names.begin(), names.end(), ".."), 0);

    form.ClearButton()->click();
    EXPECT_EQ(form.Results().rowCount(), 0);
    QTest::keyClick(&form, Qt::Key_Escape);
    EXPECT_FALSE(form.isVisible());
}

TEST_F(SearchTest, ResultsSortLikeTheRemoteList)
{
    ASSERT_TRUE(session->ChangeTo("/s"));
    TAdvancedSearchForm form(session->Worker);
    form.show();
    ASSERT_TRUE(Search(form, "*"));
    // Folders first, then files; names by the locale, letter case ignored.
    EXPECT_EQ(Column(form, TSearchResultModel::scFilename),
              (Rows{"a", "b", "c", "docs", "four.txt", "no.bin", "one.txt", "readme.md", "three.TXT", "two.txt"}));
    EXPECT_EQ(Column(form, TSearchResultModel::scSize)[0], "");

    ClickHeader(form, TSearchResultModel::scFilename);  // the sort column again: reversed, files first
    EXPECT_EQ(Column(form, TSearchResultModel::scFilename),
              (Rows{"two.txt", "three.TXT", "readme.md", "one.txt", "no.bin", "four.txt", "docs", "c", "b", "a"}));

    ClickHeader(form, TSearchResultModel::scSize);  // another column keeps the state
    ClickHeader(form, TSearchResultModel::scSize);  // and the second click turns it
    EXPECT_EQ(form.Results().SortColumn(), TSearchResultModel::scSize);
    EXPECT_EQ(form.Results().SortState(), 1);
    const Rows sorted = Column(form, TSearchResultModel::scFilename);
    EXPECT_EQ(Rows(sorted.begin() + 4, sorted.end()),
              (Rows{"four.txt", "no.bin", "one.txt", "readme.md", "two.txt", "three.TXT"}));
}

TEST_F(SearchTest, StopKeepsTheRowsAndReturnsToTheStartingFolder)
{
    ASSERT_TRUE(session->ChangeTo("/wide"));
    TAdvancedSearchForm form(session->Worker);
    form.show();
    form.NameField()->setText("*");
    form.SearchButton()->click();
    EXPECT_EQ(form.SearchButton()->text(), "&Stop");
    ASSERT_TRUE(WaitUntil([&] { return form.Results().rowCount() > 0; }));
    ASSERT_TRUE(form.Searching());
    form.SearchButton()->click();
    EXPECT_FALSE(form.Searching());
    EXPECT_EQ(form.SearchButton()->text(), "&Search");
    const int found = form.Results().rowCount();
    EXPECT_LT(found, 600);  // 150 folders with g, h and x.txt each below them

    ASSERT_TRUE(WaitUntil([&] { return !session->Worker.Busy() && form.SearchButton()->isEnabled(); }));
    EXPECT_EQ(session->Worker.CurrentDir(), "/wide");
    EXPECT_EQ(form.Results().rowCount(), found);

    // A new search after the stopped one sees none of the old walk.
    ASSERT_TRUE(Search(form, "x.txt"));
    EXPECT_EQ(Column(form, TSearchResultModel::scFilename).back(), "x.txt");
    EXPECT_EQ(form.Results().rowCount(), found + 150);
    EXPECT_EQ(session->Worker.CurrentDir(), "/wide");
}

TEST_F(SearchTest, AFolderTheServerRefusesEndsTheSearchWithWhatWasFound)
{
    ASSERT_TRUE(session->ChangeTo("/t"));
    TAdvancedSearchForm form(session->Worker);
    form.show();
    ASSERT_TRUE(Search(form, "*.txt"));
    EXPECT_EQ(Column(form, TSearchResultModel::scFilename), (Rows{"ok.txt"}));
    EXPECT_EQ(form.SearchButton()->text(), "&Search");
    ASSERT_TRUE(WaitUntil([&] { return !session->Worker.Busy(); }));
    EXPECT_EQ(session->Worker.CurrentDir(), "/t");
}

TEST(SearchWindow, FollowsTheLanguage)
{
    RegisterGerman();
    TFTPWorker worker;
    TAdvancedSearchForm form(worker);
    LangManager().SetActiveLanguage(1031);
    EXPECT_EQ(form.windowTitle(), "Erweiterte Dateisuche");
    EXPECT_EQ(form.SearchButton()->text(), "&Suchen");
    EXPECT_EQ(form.Results().headerData(TSearchResultModel::scPath, Qt::Horizontal).toString(), "Pfad");
    LangManager().SetActiveLanguage(TLanguageManager::BuiltInLanguageId);
    EXPECT_EQ(form.windowTitle(), "Advanced file search");
}

}  // namespace
