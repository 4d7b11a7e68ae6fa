#pragma once
// TSettingsForm: the modal "Settings" window. A tree on the left chooses a
// page; "&OK" writes every setting the pages show (changed or not), the
// transfer-type table (its file at once) and the three desktop switches.
// Any other way of closing writes nothing.
//
// Contract:
// - User-interface thread only. The settings reach "Config.xml" when the
//   program saves its configuration, not here.
// - Choosing a language shows the whole interface in it at once; closing
//   without "&OK" brings back the language that was active before.
// - "&Help" (F1) calls OnHelp with the help topic of the page shown last.
// - A transfer-type file that cannot be written is reported and the window
//   stays open, the table as edited.

#include <QDialog>

#include <functional>
#include <memory>

class QDialogButtonBox;
class QLabel;
class QStackedWidget;
class QTabWidget;
class QTreeWidget;
class QTreeWidgetItem;
class TFileTransferTypes;
class TMainConfig;
class TSettingsPages;
class TWindowTexts;

class TSettingsForm : public QDialog {
    Q_OBJECT
public:
    /// The tree's entries, in tree order.
    enum TEntry { seSettings, seStartup, seLanguage, seConnection, seDialup, seProxy, seIntegration,
                  seVisibility, seFileTypes, seTransfers, seGeneral, seActions, seAuthentication,
                  seAnonymous, seCertificates, seCount };

    TSettingsForm(TMainConfig& config, TFileTransferTypes& transferTypes, QWidget* parent = nullptr);
    ~TSettingsForm() override;

    /// Opens the help on a topic number (set by the owner).
    std::function<void(int topic)> OnHelp;

    void SelectEntry(TEntry entry);
    TEntry CurrentEntry() const;
    /// The help topic of the page shown last.
    int HelpTopic() const { return helpTopic_; }
    void Help();

    TSettingsPages& Pages() const { return *pages_; }
    QTreeWidget* Tree() const { return tree_; }
    QLabel* PageCaption() const { return caption_; }
    QDialogButtonBox* Buttons() const { return buttons_; }

    void accept() override;
    void done(int result) override;

private:
    void BuildTree();
    void BuildLayout();
    void Retranslate();
    void ShowEntry(QTreeWidgetItem* item);
    void TabChanged(QTabWidget* tabs, int index);
    void LanguageChosen();
    bool Store();

    TMainConfig& config_;
    TFileTransferTypes& transferTypes_;
    TWindowTexts* texts_ = nullptr;
    std::unique_ptr<TSettingsPages> pages_;
    QTreeWidget* tree_ = nullptr;
    QTreeWidgetItem* items_[seCount] = {};
    QLabel* caption_ = nullptr;
    QStackedWidget* stack_ = nullptr;
    QDialogButtonBox* buttons_ = nullptr;
    int helpTopic_ = 1;
    int languageAtOpen_ = 0;
    bool syncing_ = false;
};
