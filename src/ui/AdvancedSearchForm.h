#pragma once
// TAdvancedSearchForm: "Advanced file search". Finds files and folders
// whose names match a pattern ("*" and "?", letter case ignored) in the
// worker's current remote folder and every folder below it, through the
// worker's recursive walk, filling the result list while the walk runs.
//
// Contract:
// - User-interface thread only; the worker must deliver its events through
//   a dispatcher owned by this thread (as the main window's does).
// - Search starts a walk; Stop (or closing the window) detaches the walk
//   events, which ends the walk at its next folder; the worker then goes
//   back to the folder the search started in. Search is offered again once
//   the worker is idle, so a walk winding down never feeds a new search.
//   A walk that fails on the way (a folder the server refuses) ends the
//   search with the rows found so far.
// - Results keep their own copies; they stay after a stop.

#include <QDialog>
#include <QRegularExpression>

#include <cstdint>
#include <memory>

class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QTimer;
class QTreeView;
class TFTPWorker;
class TIconCache;
class TIdFTPListItems;
class TSearchResultModel;
class TWindowTexts;

class TAdvancedSearchForm : public QDialog {
    Q_OBJECT
public:
    TAdvancedSearchForm(TFTPWorker& worker, std::shared_ptr<TIconCache> icons = nullptr, QWidget* parent = nullptr);
    ~TAdvancedSearchForm() override;

    bool Searching() const { return searching_; }
    TSearchResultModel& Results() { return *results_; }
    QLineEdit* NameField() const { return name_; }
    QPushButton* SearchButton() const { return search_; }
    QPushButton* ClearButton() const { return clear_; }
    QTreeView* ResultList() const { return list_; }

    /// The Search button: starts a search, or stops the one running.
    void ToggleSearch();

protected:
    void showEvent(QShowEvent* event) override;
    void reject() override;

private:
    struct TLink;
    void BuildLayout();
    void RegisterTexts();
    void StartSearch();
    void StopSearch();
    void AddMatches(const TIdFTPListItems& listing);
    void WaitForIdleWorker();
    void ShowSearchCaption();

    TFTPWorker& worker_;
    std::shared_ptr<TLink> link_;  // what the walk's handlers reach; cut on close
    TSearchResultModel* results_ = nullptr;
    TWindowTexts* texts_ = nullptr;
    QTabWidget* pages_ = nullptr;
    QLabel* nameLabel_ = nullptr;
    QLineEdit* name_ = nullptr;
    QPushButton* search_ = nullptr;
    QPushButton* exit_ = nullptr;
    QPushButton* clear_ = nullptr;
    QTreeView* list_ = nullptr;
    QTimer* idleWait_ = nullptr;
    QTimer* walkWatch_ = nullptr;
    int idleTicks_ = 0;
    QRegularExpression pattern_;
    std::uint64_t generation_ = 0;  // tells this search's events from a stopped one's
    bool searching_ = false;
};
