#pragma once
// THostManagerForm: the modal "Host manager" window. It shows the host
// tree (groups before hosts, each level in the user's locale order without
// regard to letter case) with its own copies of the hosts, edits the
// selected host on the editor pages, and writes the whole tree to
// "Hosts.xml" only on "&Apply" or OK.
//
// Contract: user-interface thread only. The constructor raises the host
// file's load error (the caller shows it and does not open the window).
// Closing with changes not applied asks whether to save them (Yes, No,
// Cancel). Every close writes "ShowHostManagerOnStartup"; OK with a host
// selected writes "LastConnectedHostID". OnConnect receives the host that
// "Connect" chose; the window then closes with OK.
//
// Drags inside the tree carry "FTPHostIndex" (the node's depth-first index
// from the root, meaningful only to the window that started the drag) and,
// for a host, its address. A move makes the node the last child of the
// group dropped on; a copy gives every copied host a new host ID. Only the
// root and groups take a drop, and a group never goes below itself. An
// ftp:// address dropped from elsewhere becomes a host in the group closest
// to the drop.

#include "hosts/Host.h"

#include <QDialog>

#include <functional>
#include <map>
#include <memory>

class QAction;
class QMimeData;
class QCheckBox;
class QDialogButtonBox;
class QPushButton;
class QTabWidget;
class QTreeWidget;
class QTreeWidgetItem;
class THostEditorPages;
class THostTreeNode;
class THosts;
class TMainConfig;

class THostManagerForm : public QDialog {
    Q_OBJECT
public:
    THostManagerForm(TMainConfig& config, THosts& hosts, QWidget* parent = nullptr);
    ~THostManagerForm() override;

    std::function<void(const THost& host)> OnConnect;

    void NewHost();
    void NewGroup();
    void RenameSelected();
    void DeleteSelected();
    void ConnectSelected();
    /// The selected host's address (without its login password).
    void CopySelected();
    void CutSelected();
    /// A host made from the clipboard's ftp:// address.
    void PasteAddress();
    /// "Import sites…": asks for a site manager file or a list of ftp://
    /// addresses and imports it (ImportSitesFrom).
    void ImportSites();
    /// Adds the sites of `path` under a new group below the root (folders as
    /// groups, every host with a new host ID) and tells the user what came
    /// in and what was skipped; a file that cannot be read whole changes
    /// nothing and is reported. Answers whether any site came in.
    bool ImportSitesFrom(const QString& path);
    void Apply();
    bool Changed() const { return changed_; }

    static constexpr const char* HostIndexFormat = "FTPHostIndex";
    /// The data of a drag of `item`; nullptr for the root.
    QMimeData* DragData(QTreeWidgetItem* item) const;
    /// Whether `dropped` may be dropped on `target` (nullptr: empty space).
    bool CanDrop(const QMimeData& dropped, QTreeWidgetItem* target) const;
    /// Moves or copies the dragged node (`action` Qt::CopyAction copies),
    /// or makes a host of a dropped address. Answers whether it did.
    bool Drop(const QMimeData& dropped, QTreeWidgetItem* target, Qt::DropAction action);

    QTreeWidget* Tree() const { return tree_; }
    THostEditorPages& Pages() const { return *pages_; }
    QCheckBox* ShowOnStartupBox() const { return showOnStartup_; }
    QPushButton* ApplyButton() const { return apply_; }
    QAction* ActionNamed(const QString& name) const;
    /// The record of a host item (nullptr for groups and the root).
    THost* HostOf(const QTreeWidgetItem* item) const;

    void done(int result) override;

private:
    void BuildLayout();
    void BuildActions();
    void RegisterTexts();
    void FillTree();
    void AddNodes(const THostTreeNode& node, QTreeWidgetItem* parent);
    void CollectNodes(QTreeWidgetItem* item, THostTreeNode& node) const;
    QTreeWidgetItem* NewItem(QTreeWidgetItem* parent, const QString& caption, std::unique_ptr<THost> host);
    QTreeWidgetItem* GroupForNew() const;
    void SelectionMoved(QTreeWidgetItem* current, QTreeWidgetItem* previous);
    void CaptionEdited(QTreeWidgetItem* item);
    void UpdateCommands();
    void SetChanged(bool changed);
    void Sort();
    bool AskSaveChanges();
    QTreeWidgetItem* DraggedItem(const QMimeData& dropped) const;
    int IndexOf(const QTreeWidgetItem* item) const;
    QTreeWidgetItem* ItemAtIndex(int index) const;
    QTreeWidgetItem* CopyNode(const QTreeWidgetItem* source, QTreeWidgetItem* parent);
    QTreeWidgetItem* AddHostFromAddress(const QString& address, QTreeWidgetItem* group);
    QString NewImportGroupName() const;
    void Reselect(QTreeWidgetItem* item);

    TMainConfig& config_;
    THosts& hosts_;
    std::map<const QTreeWidgetItem*, std::unique_ptr<THost>> records_;
    std::map<const QTreeWidgetItem*, QString> captions_; // before an edit
    bool changed_ = false;
    bool filling_ = false;
    QString dragToken_; // tells this window's drags from others'
    QTreeWidget* tree_ = nullptr;
    QTreeWidgetItem* root_ = nullptr;
    QTabWidget* tabs_ = nullptr;
    THostEditorPages* pages_ = nullptr;
    QCheckBox* showOnStartup_ = nullptr;
    QPushButton* apply_ = nullptr;
    QDialogButtonBox* buttons_ = nullptr;
};
