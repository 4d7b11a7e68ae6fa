#pragma once
// TListEditorForm: the modal list editor the bookmark and filter editors
// share. Rows are sorted by their caption (column 0); several may be
// selected. "New" appends a uniquely named row and starts editing it,
// "Delete" (also the Delete key) removes the selected rows, an edit that
// ends empty keeps the old caption. Edits stay in the window until Apply;
// "&Apply" is enabled exactly while there are unapplied changes, "&OK"
// applies and closes, and closing any other way with changes asks whether
// to save them (Yes applies, No discards, Cancel stays).
//
// Contract: user-interface thread only. A derived window builds its own
// controls in BuildExtraControls(), fills the rows and writes them back in
// ApplyChanges(); an exception from ApplyChanges() is shown and keeps the
// window open with its changes.

#include <QDialog>
#include <QStringList>

class QAction;
class QDialogButtonBox;
class QPushButton;
class QToolBar;
class QTreeWidget;
class QTreeWidgetItem;
class QVBoxLayout;
class TWindowTexts;

struct TListEditorTexts {
    QString WindowName;    // the language file's section
    QString Title;
    QStringList Columns;
    QString NewCommand;    // "New bookmark"
    QString DeleteCommand; // "Delete bookmark"
    const char* NewName;   // string-table constant: the plain new caption
    const char* NewNameN;  // ... and the numbered one, "... (%d)"
    const char* Question;  // ... and the question on closing with changes
    const char* Icon;      // the commands' icon family
};

class TListEditorForm : public QDialog {
    Q_OBJECT
public:
    ~TListEditorForm() override;

    QTreeWidget* List() const { return list_; }
    QAction* NewAction() const { return new_; }
    QAction* DeleteAction() const { return delete_; }
    QPushButton* ApplyButton() const;
    bool Changed() const { return changed_; }

    /// Appends a row with a caption no row carries and starts editing it.
    QTreeWidgetItem* NewEntry();
    /// Removes every selected row.
    void DeleteSelected();
    /// Writes the rows back; answers false (after showing why) on failure.
    bool Apply();

    /// The caption a new row gets: `plain` when no caption equals it
    /// (letter case counts), else `numbered` with the first free 1, 2, 3...
    static QString UniqueCaption(const QStringList& captions, const QString& plain, const QString& numbered);

    void done(int result) override;

protected:
    TListEditorForm(const TListEditorTexts& texts, QWidget* parent);

    /// Builds the layout; call once from the derived constructor. Entries 1 to
    /// 19 of the window texts are the shared ones.
    void BuildLayout();
    /// Controls between the list and the buttons (the filter mask field).
    virtual void BuildExtraControls(QVBoxLayout* /*layout*/) {}
    virtual void ApplyChanges() = 0;

    /// Adds a row without marking a change; the caption becomes the one an
    /// emptied edit falls back to.
    QTreeWidgetItem* AddRow(const QStringList& columns);
    void ClearRows();
    /// Every row in display order.
    QList<QTreeWidgetItem*> Rows() const;
    void SetChanged(bool changed);
    TWindowTexts& Texts() const { return *texts_; }

private:
    void CaptionChanged(QTreeWidgetItem* item, int column);
    void UpdateCommands();
    bool AskSaveChanges();

    TListEditorTexts names_;
    TWindowTexts* texts_ = nullptr;
    QToolBar* toolbar_ = nullptr;
    QTreeWidget* list_ = nullptr;
    QAction* new_ = nullptr;
    QAction* delete_ = nullptr;
    QDialogButtonBox* buttons_ = nullptr;
    bool changed_ = false;
    bool filling_ = false;
};
