#pragma once
// TLocalPane: the left half of the main window, the local file system.
// From the top: its toolbar ("Local Files Toolbar"), an editable path box,
// the file list over QFileSystemModel and a one-line selection summary.
//
// Rules of the list: a ".." row with the folder icon sits at the top in
// either sort direction and goes to the parent folder; it never counts in
// the selection summary and is never selected by Select all, a filter or
// the find. Folders come before files (after them when sorted descending).
// The four view styles: icons 0, small icons 1, list 2, details 3.
//
// User-interface thread only.

#include <QFileSystemModel>
#include <QSortFilterProxyModel>
#include <QWidget>

#include <functional>
#include <string>
#include <vector>

class QAbstractItemView;
class QComboBox;
class QLabel;
class QListView;
class QStackedWidget;
class QToolBar;
class QTreeView;
class TFilter;

/// Sorts the local rows: ".." first, folders before files, then the column.
class TLocalSortProxy : public QSortFilterProxyModel {
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;

protected:
    bool lessThan(const QModelIndex& left, const QModelIndex& right) const override;
};

class TLocalPane : public QWidget {
    Q_OBJECT
public:
    explicit TLocalPane(QWidget* parent = nullptr);

    QToolBar* ToolBar() const { return toolBar_; }
    QAbstractItemView* CurrentView() const;
    /// True when one of the pane's views has the keyboard focus.
    bool ListHasFocus() const;

    QString Directory() const { return directory_; }
    /// Moves to `path` when it is an existing folder; answers whether it did.
    bool SetDirectory(const QString& path);
    bool DirectoryIsReal() const;
    void Up();
    void Refresh();
    /// Creates "New Folder" (or "New Folder (2)", ...) in the folder, selects
    /// it and opens its name for editing. Answers the new folder's path, or
    /// an empty text when it could not be created.
    QString MakeNewDirectory();

    int ViewStyle() const { return viewStyle_; }
    void SetViewStyle(int style);
    int SortColumn() const;
    void SetSortColumn(int column);

    void SelectAll();
    /// Adds to the selection every row whose name matches one of the
    /// filter's masks; scrolls to the first match.
    void SelectMatching(const TFilter& filter);
    /// The simple find: the next row after the selected one whose name
    /// contains `text` (letter case ignored), wrapping once. Answers whether
    /// a row was found.
    bool FindNext(const QString& text);
    /// Full paths of the selected rows, ".." left out.
    std::vector<std::string> SelectedPaths() const;
    /// The names of the rows, in view order, ".." included.
    QStringList RowNames() const;

    void SetSummaryVisible(bool visible);
    QString SummaryText() const;

    /// Runs when the user picks a file with a double click or Enter.
    std::function<void(const QString& path)> OnFileActivated;

signals:
    void DirectoryChanged(const QString& path);

private:
    void BuildViews();
    void Activate(const QModelIndex& proxyIndex);
    void OnDirectoryLoaded(const QString& path);
    void UpdateSummary();
    QModelIndex RootProxyIndex() const;
    bool IsParentRow(const QModelIndex& proxyIndex) const;
    QModelIndex ProxyIndexOfName(const QString& name) const;
    void SelectRow(const QModelIndex& proxyIndex, bool clearFirst);

    QFileSystemModel* model_ = nullptr;
    TLocalSortProxy* proxy_ = nullptr;
    QToolBar* toolBar_ = nullptr;
    QComboBox* pathBox_ = nullptr;
    QStackedWidget* stack_ = nullptr;
    QTreeView* details_ = nullptr;
    QListView* list_ = nullptr;
    QLabel* summary_ = nullptr;
    QString directory_;
    QString pendingEdit_;
    int viewStyle_ = 3;
    bool summaryVisible_ = true;
};
