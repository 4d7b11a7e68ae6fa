// The transfer-type table in the settings window: rows from the file,
// adding and changing rows, deleting after the question, sorting by either
// column, and what OK and Cancel leave in "FileTransferTypes.xml".

#include "settingsSupport.h"
#include "viewsGuiApp.h"

#include "hosts/FileTransferTypes.h"
#include "store/MainConfig.h"
#include "ui/SettingsForm.h"
#include "ui/SettingsPages.h"
#include "ui/TransferTypeTable.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <fstream>
#include <iterator>

using namespace settingstest;

// Readable failures.
void PrintTo(const QStringList& list, std::ostream* out);
void PrintTo(const QStringList& list, std::ostream* out)
{
    *out << '[' << list.join(QStringLiteral(", ")).toStdString() << ']';
}

namespace {

class TypeTableTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    std::string dataDir = dir.path().toStdString();
    TMainConfig config{dataDir};
    std::unique_ptr<TFileTransferTypes> types;

    void SetUp() override
    {
        TFileTransferTypes initial(dataDir);
        initial.SetEntries({".TXT=Binary", ".html=ASCII", ".bin=Binary", ".Css=ASCII"});
        initial.SaveEntries();
        types = std::make_unique<TFileTransferTypes>(dataDir);
    }

    std::string FileText() const
    {
        std::ifstream in(dataDir + "/" + TFileTransferTypes::FileName);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    static QStringList Rows(const TTransferTypeTable& table)
    {
        QStringList rows;
        for (int i = 0; i < table.List()->topLevelItemCount(); ++i)
            rows << table.List()->topLevelItem(i)->text(0) + QLatin1Char('=') + table.List()->topLevelItem(i)->text(1);
        return rows;
    }

    static void AddRow(TTransferTypeTable& table, const QString& extension, bool ascii)
    {
        table.ExtensionEdit()->setText(extension);
        table.TypeBox()->setCurrentIndex(ascii ? 1 : 0);
        table.AddButton()->click();
    }
};

} // namespace

TEST_F(TypeTableTest, RowsComeSortedByExtensionWithTheirTypes)
{
    TSettingsForm form(config, *types);
    EXPECT_EQ(Rows(*form.Pages().TransferTypes),
              (QStringList{".bin=Binary", ".Css=ASCII", ".html=ASCII", ".TXT=Binary"}));
}

TEST_F(TypeTableTest, AddChangesTheRowOfTheSameExtensionOrAddsOne)
{
    TSettingsForm form(config, *types);
    TTransferTypeTable& table = *form.Pages().TransferTypes;

    AddRow(table, QStringLiteral(".txt"), true); // another letter case: the same row
    ASSERT_EQ(table.List()->selectedItems().size(), 1);
    EXPECT_EQ(table.List()->selectedItems().front()->text(0), QStringLiteral(".TXT"));
    AddRow(table, QStringLiteral("log"), true);  // the dot a file's extension has
    AddRow(table, QStringLiteral("   "), true);  // nothing to add
    EXPECT_EQ(Rows(table), (QStringList{".bin=Binary", ".Css=ASCII", ".html=ASCII", ".log=ASCII", ".TXT=ASCII"}));
    ASSERT_EQ(table.List()->selectedItems().size(), 1);
    EXPECT_EQ(table.List()->selectedItems().front()->text(0), QStringLiteral(".log"));

    // Selecting one row shows it in the field and the type list.
    table.List()->clearSelection();
    table.List()->topLevelItem(0)->setSelected(true);
    EXPECT_EQ(table.ExtensionEdit()->text(), QStringLiteral(".bin"));
    EXPECT_EQ(table.TypeBox()->currentIndex(), 0);
    // "=" would split a stored entry in the wrong place; it cannot be typed.
    table.ExtensionEdit()->clear();
    QTest::keyClicks(table.ExtensionEdit(), QStringLiteral(".a=b"));
    EXPECT_EQ(table.ExtensionEdit()->text(), QStringLiteral(".ab"));
}

TEST_F(TypeTableTest, DeleteAsksWithTheNumberOfRows)
{
    TSettingsForm form(config, *types);
    TTransferTypeTable& table = *form.Pages().TransferTypes;
    table.List()->topLevelItem(0)->setSelected(true);
    table.List()->topLevelItem(2)->setSelected(true);

    QString question;
    WhenModal([&question](QWidget* box) {
        question = static_cast<QMessageBox*>(box)->text();
        Click(box, QStringLiteral("No"));
    });
    EXPECT_FALSE(table.DeleteSelected());
    EXPECT_EQ(question, QStringLiteral("Are you sure you want to delete the 2 selected file transfer types?"));
    EXPECT_EQ(table.List()->topLevelItemCount(), 4);

    WhenModal([](QWidget* box) { Click(box, QStringLiteral("Yes")); });
    EXPECT_TRUE(table.DeleteSelected());
    EXPECT_EQ(Rows(table), (QStringList{".Css=ASCII", ".TXT=Binary"}));

    table.List()->clearSelection();
    EXPECT_FALSE(table.DeleteSelected()); // nothing selected: no question
}

TEST_F(TypeTableTest, HeaderClicksSortAndReverse)
{
    TSettingsForm form(config, *types);
    form.show();
    form.SelectEntry(TSettingsForm::seFileTypes);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    TTransferTypeTable& table = *form.Pages().TransferTypes;
    QHeaderView* header = table.List()->header();
    const auto clickHeader = [header](int column) {
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(column) + 5, header->height() / 2));
    };
    clickHeader(TTransferTypeTable::ExtensionColumn); // already ascending: now descending
    EXPECT_EQ(Rows(table), (QStringList{".TXT=Binary", ".html=ASCII", ".Css=ASCII", ".bin=Binary"}));
    clickHeader(TTransferTypeTable::TypeColumn); // another column: ascending, rows of a type keep their order
    EXPECT_EQ(Rows(table), (QStringList{".html=ASCII", ".Css=ASCII", ".TXT=Binary", ".bin=Binary"}));
    clickHeader(TTransferTypeTable::TypeColumn);
    EXPECT_EQ(Rows(table), (QStringList{".TXT=Binary", ".bin=Binary", ".html=ASCII", ".Css=ASCII"}));
}

TEST_F(TypeTableTest, OkWritesTheRowsInTheirOrderCancelLeavesTheFile)
{
    const std::string original = FileText();
    {
        TSettingsForm form(config, *types);
        form.show();
        AddRow(*form.Pages().TransferTypes, QStringLiteral(".md"), true);
        form.reject();
    }
    EXPECT_EQ(FileText(), original);
    EXPECT_EQ(types->Entries(), (std::vector<std::string>{".TXT=Binary", ".html=ASCII", ".bin=Binary", ".Css=ASCII"}));

    {
        TSettingsForm form(config, *types);
        form.show();
        AddRow(*form.Pages().TransferTypes, QStringLiteral(".md"), true);
        form.Pages().TransferTypes->List()->sortByColumn(0, Qt::DescendingOrder);
        form.Buttons()->button(QDialogButtonBox::Ok)->click();
    }
    const std::vector<std::string> expected = {".TXT=Binary", ".md=ASCII", ".html=ASCII", ".Css=ASCII", ".bin=Binary"};
    EXPECT_EQ(types->Entries(), expected);
    TFileTransferTypes reread(dataDir);
    EXPECT_EQ(reread.Entries(), expected);
    EXPECT_EQ(reread.TransferTypeOf(".MD"), fttASCII);
}

TEST_F(TypeTableTest, AFailedSaveKeepsTheWindowOpenAndTheOldTable)
{
    TSettingsForm form(config, *types);
    form.show();
    AddRow(*form.Pages().TransferTypes, QStringLiteral(".md"), true);
    // The data directory cannot take the new file.
    const QString file = dir.filePath(QString::fromLatin1(TFileTransferTypes::FileName));
    QFile::remove(file);
    QDir().mkdir(file);
    QString error;
    WhenModal([&error](QWidget* box) {
        error = static_cast<QMessageBox*>(box)->text();
        static_cast<QMessageBox*>(box)->accept();
    });
    form.Buttons()->button(QDialogButtonBox::Ok)->click();
    EXPECT_FALSE(error.isEmpty());
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(types->TransferTypeOf(".md"), fttUnknown);
    EXPECT_EQ(form.Pages().TransferTypes->List()->topLevelItemCount(), 5);
}
