#pragma once
// TRemoteListView: the remote pane's list. It shows a TRemoteListModel,
// keeps it sorted (header clicks), remembers the selection per remote
// directory, opens a pending name for editing or reselects it after a
// listing, and turns the user's navigation into signals the controller
// carries out on the browsing worker:
//   double click / Enter on a directory row  -> EnterDirectoryRequested(name)
//   double click on a file row               -> DownloadRequested()
//   Backspace                                -> ParentDirectoryRequested()
//   Delete                                   -> DeleteRequested()
//   F2 or a click on the selected row        -> in-place rename through the
//                                               model's rename handler
// The selection is remembered before EnterDirectoryRequested and
// ParentDirectoryRequested fire. Double clicks are ignored while the worker
// is busy (SetWorkerBusy).
//
// Contract: user-interface thread only. Names are UTF-8 as the server sent
// them.

#include "ui/RemoteListModel.h"

#include <QPointer>
#include <QTreeView>

class QListView;

#include <set>
#include <string>
#include <vector>

class TRemoteListView : public QTreeView {
    Q_OBJECT
public:
    explicit TRemoteListView(std::shared_ptr<TIconCache> icons = nullptr, QWidget* parent = nullptr);

    TRemoteListModel& Model() { return *model_; }
    const TRemoteListModel& Model() const { return *model_; }

    /// The listing-ready step: rows from `listing` in `currentDirectory`;
    /// then the pending name is edited or reselected, else the remembered
    /// selection is restored. A null listing empties the list.
    void Fill(TRemoteListModel::TListing listing, const std::string& currentDirectory);
    /// Removes every row (disconnected).
    void ClearRows();
    const std::string& CurrentDirectory() const { return currentDirectory_; }

    void SetSort(int column, int state);

    // --- view styles ---------------------------------------------------------
    /// The names-only view over the same rows and selection (icons, small
    /// icons, list); the window places it beside this one and shows one of
    /// them. Keys and double clicks act as they do here.
    QListView* IconView() const { return iconView_; }
    /// 0 icons, 1 small icons, 2 list, 3 details (this view).
    void SetViewStyle(int style);
    int ViewStyle() const { return viewStyle_; }
    void SetWorkerBusy(bool busy) { busy_ = busy; }
    /// A caption is open for in-place editing.
    bool IsEditing() const { return state() == QAbstractItemView::EditingState; }

    // --- pending names (consumed by the next Fill) ------------------------
    void SetNameToEdit(const QString& caption) { nameToEdit_ = caption; }
    void SetNameToReselect(const QString& caption) { nameToReselect_ = caption; }

    // --- selection memory (from connect to disconnect) ---------------------
    void RememberSelection();
    void ResetSelectionMemory() { memory_.clear(); }
    const std::set<std::string>& SelectionMemory() const { return memory_; }

    // --- selection -------------------------------------------------------
    /// Selected rows in view order.
    std::vector<int> SelectedRows() const;
    /// Selects every row whose caption is in `captions`; scrolls to the first.
    void SelectCaptions(const QStringList& captions);
    /// "%d files and %d directories selected. Total size: %s" of the selection.
    QString SelectionSummary() const;
    /// Whether SelectionSummaryChanged fires (the summary panel is shown).
    void SetSummaryEnabled(bool enabled);

signals:
    void EnterDirectoryRequested(const std::string& name);
    void ParentDirectoryRequested();
    void DownloadRequested();
    void DeleteRequested();
    void SelectionSummaryChanged(const QString& text);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void ActivateRow(int row);
    void RestoreSelection();
    void FocusRow(int row, bool edit);
    void EmitSummary();

    TRemoteListModel* model_;
    QListView* iconView_;  // owned by this view until the window places it
    // Compared without touching the icon view, which may be half destroyed
    // (or gone) when its viewport's last events pass the filter.
    QPointer<QObject> iconViewport_;
    int viewStyle_ = 3;
    std::string currentDirectory_;
    QString nameToEdit_;
    QString nameToReselect_;
    std::set<std::string> memory_;
    bool busy_ = false;
    bool summaryEnabled_ = false;
};
