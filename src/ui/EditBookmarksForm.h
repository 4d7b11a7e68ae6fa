#pragma once
// TEditBookmarksForm: the modal "Edit bookmarks" window for the bookmarked
// remote directories of one host (the one the main window is connected
// to). Apply replaces the host's bookmarks with the rows (sorted, rows equal
// but for letter case kept once) and stores the host where it lives: in
// the host tree when that holds its host ID, else in the quick-connect
// history; then both host stores are saved.
//
// Contract: user-interface thread only. `host` is changed by Apply only.

#include "ui/ListEditorForm.h"

class THost;
class THosts;
class TQuickHosts;

class TEditBookmarksForm : public TListEditorForm {
    Q_OBJECT
public:
    TEditBookmarksForm(THost& host, THosts& hosts, TQuickHosts& quickHosts, QWidget* parent = nullptr);

protected:
    void ApplyChanges() override;

private:
    void FillRows();

    THost& host_;
    THosts& hosts_;
    TQuickHosts& quickHosts_;
};
