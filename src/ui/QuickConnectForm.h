#pragma once
// TQuickConnectForm: the modal "Quick connect" window. The user types a
// server, picks one from "Previous hosts:" (the quick-connect history),
// pastes or drops an ftp:// address, and presses "C&onnect"; the server is
// then recorded in the history, remembered as "LastQuickConnectedHostID",
// and Host() is the record to connect to.
//
// Contract: user-interface thread only. The history is written only by
// "C&onnect" and the "Delete" command; every way of closing writes
// "ShowQuickConnectOnStartup".

#include "hosts/Host.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QAction;
class QMimeData;
class QTabWidget;
class THostEditorPages;
class TMainConfig;
class TQuickHosts;

class TQuickConnectForm : public QDialog {
    Q_OBJECT
public:
    TQuickConnectForm(TMainConfig& config, TQuickHosts& history, QWidget* parent = nullptr);
    ~TQuickConnectForm() override;

    /// The server to connect to after the window closed with OK.
    const THost& Host() const { return host_; }

    /// Fills the form from the clipboard's ftp:// address (ticking
    /// "Connect anonymously" when it names no user), or pastes the text into
    /// the focused field when it is no such address.
    void Paste();
    /// Deletes the chosen history entry.
    void DeleteEntry();
    /// Connects: warns and stays open without a host name.
    void ConnectClicked();

    QComboBox* PreviousHosts() const { return previous_; }
    THostEditorPages& Pages() const { return *pages_; }
    QCheckBox* ShowOnStartupBox() const { return showOnStartup_; }
    QAction* DeleteAction() const { return delete_; }

    void done(int result) override;

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildLayout();
    void FillPreviousHosts();
    void ChooseEntry(int index);
    /// Clears the form, selects the blank entry and shows the address.
    void ShowAddress(const QString& address, bool tickAnonymousWithoutUser);
    THost* ChosenEntry() const;

    TMainConfig& config_;
    TQuickHosts& history_;
    THost host_;
    QComboBox* previous_ = nullptr;
    QTabWidget* tabs_ = nullptr;
    THostEditorPages* pages_ = nullptr;
    QCheckBox* showOnStartup_ = nullptr;
    QAction* delete_ = nullptr;
    QAction* paste_ = nullptr;
};
