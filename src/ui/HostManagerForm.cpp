#include "ui/HostManagerForm.h"

#include "hosts/HostTreeNode.h"
#include "hosts/Hosts.h"
#include "hosts/SiteImport.h"
#include "i18n/Format.h"
#include "i18n/LanguageManager.h"
#include "platform/Dialup.h"
#include "store/MainConfig.h"
#include "ui/FtpAddress.h"
#include "ui/HostEditorPages.h"
#include "ui/WindowTexts.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCheckBox>
#include <QCollator>
#include <QDrag>
#include <QDropEvent>
#include <QFileDialog>
#include <QMimeData>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSplitter>
#include <QStyle>
#include <QTabWidget>
#include <QToolBar>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QUrl>
#include <QVBoxLayout>

namespace {

constexpr int kIsHostRole = Qt::UserRole + 1;

/// Groups before hosts; each kind by caption in the user's locale order,
/// without regard to letter case.
class TTreeItem : public QTreeWidgetItem {
public:
    using QTreeWidgetItem::QTreeWidgetItem;
    bool operator<(const QTreeWidgetItem& other) const override
    {
        const bool host = data(0, kIsHostRole).toBool();
        const bool otherHost = other.data(0, kIsHostRole).toBool();
        if (host != otherHost)
            return !host;
        static const QCollator collator = [] {
            QCollator c;
            c.setCaseSensitivity(Qt::CaseInsensitive);
            return c;
        }();
        return collator.compare(text(0), other.text(0)) < 0;
    }
};

QString Q(const std::string& text) { return QString::fromStdString(text); }

constexpr const char* kDragTokenFormat = "application/x-tovrel-host-manager";

/// Text dropped from elsewhere: plain text, or the first address.
QString DroppedText(const QMimeData& data)
{
    if (data.hasText())
        return data.text();
    if (data.hasUrls() && !data.urls().isEmpty())
        return data.urls().first().toString();
    return {};
}

/// A drop whose source offers no move copies, and so does Ctrl alone;
/// every other drop moves.
Qt::DropAction DropActionOf(const QDropEvent& event)
{
    if (!(event.possibleActions() & Qt::MoveAction))
        return Qt::CopyAction;
    const Qt::KeyboardModifiers keys = event.modifiers();
    if (keys.testFlag(Qt::ControlModifier) && !keys.testFlag(Qt::ShiftModifier))
        return Qt::CopyAction;
    return Qt::MoveAction;
}

/// The tree of the window: drags start on any node but the root, drops go
/// to the window, and the group under the pointer is highlighted.
class THostTreeWidget : public QTreeWidget {
public:
    THostTreeWidget(THostManagerForm* form, QWidget* parent) : QTreeWidget(parent), form_(form)
    {
        setDragEnabled(true);
        setAcceptDrops(true);
        setDropIndicatorShown(false);
        setDragDropMode(QAbstractItemView::DragDrop);
    }

protected:
    void startDrag(Qt::DropActions) override
    {
        // The window moves the nodes itself; the view must not remove the
        // dragged rows after a move as it would by default.
        QMimeData* offer = form_->DragData(currentItem());
        if (!offer)
            return;
        auto* drag = new QDrag(this);
        drag->setMimeData(offer);
        drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::MoveAction);
        Highlight(nullptr);
    }
    void dragEnterEvent(QDragEnterEvent* event) override
    {
        setState(DraggingState);
        Decide(event);
    }
    void dragMoveEvent(QDragMoveEvent* event) override
    {
        QTreeWidget::dragMoveEvent(event); // scrolls near the edges
        Decide(event);
    }
    void dragLeaveEvent(QDragLeaveEvent* event) override
    {
        QTreeWidget::dragLeaveEvent(event);
        Highlight(nullptr);
    }
    void dropEvent(QDropEvent* event) override
    {
        stopAutoScroll();
        setState(NoState);
        Highlight(nullptr);
        QTreeWidgetItem* target = itemAt(event->position().toPoint());
        const Qt::DropAction action = DropActionOf(*event);
        if (event->mimeData() && form_->Drop(*event->mimeData(), target, action)) {
            event->setDropAction(action);
            event->accept();
        } else {
            event->ignore();
        }
    }

private:
    void Decide(QDragMoveEvent* event)
    {
        QTreeWidgetItem* target = itemAt(event->position().toPoint());
        if (event->mimeData() && form_->CanDrop(*event->mimeData(), target)) {
            Highlight(target);
            event->setDropAction(DropActionOf(*event));
            event->accept();
        } else {
            Highlight(nullptr);
            event->ignore();
        }
    }
    void Highlight(QTreeWidgetItem* item)
    {
        if (item == highlighted_)
            return;
        const QSignalBlocker block(this); // no "caption edited" for a colour
        if (highlighted_ && IsAlive(highlighted_))
            highlighted_->setData(0, Qt::BackgroundRole, QVariant());
        highlighted_ = item;
        if (item) {
            QColor colour = palette().color(QPalette::Highlight);
            colour.setAlpha(90);
            item->setData(0, Qt::BackgroundRole, colour);
        }
    }
    bool IsAlive(QTreeWidgetItem* item) const
    {
        return indexFromItem(item).isValid();
    }

    THostManagerForm* form_;
    QTreeWidgetItem* highlighted_ = nullptr;
};

} // namespace

THostManagerForm::THostManagerForm(TMainConfig& config, THosts& hosts, QWidget* parent)
    : QDialog(parent)
    , config_(config)
    , hosts_(hosts)
{
    static int windows = 0;
    dragToken_ = QStringLiteral("%1:%2").arg(reinterpret_cast<quintptr>(this)).arg(++windows);
    hosts_.Reload();
    BuildLayout();
    BuildActions();
    RegisterTexts();
    FillTree();
    pages_->SetDialupNames(TDialup::PhonebookNames());
    showOnStartup_->setChecked(config_.ShowHostManagerOnStartup());
    SelectionMoved(tree_->currentItem(), nullptr);
    SetChanged(false);
}

THostManagerForm::~THostManagerForm() = default;

void THostManagerForm::BuildLayout()
{
    auto* layout = new QVBoxLayout(this);
    auto* splitter = new QSplitter(this);
    tree_ = new THostTreeWidget(this, splitter);
    tree_->setHeaderHidden(true);
    tree_->setEditTriggers(QAbstractItemView::EditKeyPressed);
    tree_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(tree_, &QTreeWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        QTreeWidgetItem* item = tree_->itemAt(at);
        if (!item)
            return;
        tree_->setCurrentItem(item);
        QMenu menu(this);
        menu.addActions(tree_->actions());
        menu.exec(tree_->viewport()->mapToGlobal(at));
    });
    tree_->setMinimumWidth(200);
    pages_ = new THostEditorPages(config_, this);
    tabs_ = new QTabWidget(splitter);
    tabs_->addTab(pages_->GeneralPage(), tr("General"));
    tabs_->addTab(pages_->DirectoriesPage(), tr("Directories"));
    tabs_->addTab(pages_->ConnectionPage(), tr("Connection"));
    tabs_->addTab(pages_->TLSPage(), tr("TLS/SSL"));
    tabs_->addTab(pages_->ProxyPage(), tr("Proxy"));
    splitter->setStretchFactor(1, 1);
    layout->addWidget(splitter, 1);

    auto* bottom = new QHBoxLayout;
    showOnStartup_ = new QCheckBox(tr("&Show host manager on startup"), this);
    buttons_ = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    QDialogButtonBox* buttons = buttons_;
    apply_ = buttons->addButton(tr("&Apply"), QDialogButtonBox::ApplyRole);
    bottom->addWidget(showOnStartup_);
    bottom->addStretch();
    bottom->addWidget(buttons);
    layout->addLayout(bottom);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(apply_, &QPushButton::clicked, this, &THostManagerForm::Apply);
    connect(pages_, &THostEditorPages::Changed, this, [this] { SetChanged(true); });
    connect(tree_, &QTreeWidget::currentItemChanged, this, &THostManagerForm::SelectionMoved);
    connect(tree_, &QTreeWidget::itemChanged, this, &THostManagerForm::CaptionEdited);
    connect(tree_, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) {
        if (HostOf(item))
            ConnectSelected();
    });
    connect(QApplication::clipboard(), &QClipboard::dataChanged, this, &THostManagerForm::UpdateCommands);
    resize(720, 420);
}

void THostManagerForm::BuildActions()
{
    auto* toolbar = new QToolBar(this);
    static_cast<QVBoxLayout*>(layout())->insertWidget(0, toolbar);
    auto add = [this, toolbar](const QString& name, const QString& caption, QKeySequence key,
                               void (THostManagerForm::*run)()) {
        auto* action = new QAction(caption, this);
        action->setObjectName(name);
        action->setShortcut(key);
        action->setShortcutContext(Qt::WidgetShortcut);
        connect(action, &QAction::triggered, this, run);
        tree_->addAction(action);
        toolbar->addAction(action);
    };
    add(QStringLiteral("NewHost"), tr("New host"), {}, &THostManagerForm::NewHost);
    add(QStringLiteral("NewGroup"), tr("New group"), {}, &THostManagerForm::NewGroup);
    add(QStringLiteral("Connect"), tr("Connect"), {}, &THostManagerForm::ConnectSelected);
    add(QStringLiteral("Rename"), tr("Rename"), QKeySequence(Qt::Key_F2), &THostManagerForm::RenameSelected);
    add(QStringLiteral("Cut"), tr("Cu&t"), QKeySequence(QKeySequence::Cut), &THostManagerForm::CutSelected);
    add(QStringLiteral("Copy"), tr("&Copy"), QKeySequence(QKeySequence::Copy), &THostManagerForm::CopySelected);
    add(QStringLiteral("Paste"), tr("&Paste"), QKeySequence(QKeySequence::Paste), &THostManagerForm::PasteAddress);
    add(QStringLiteral("Delete"), tr("&Delete"), QKeySequence(QKeySequence::Delete), &THostManagerForm::DeleteSelected);
    // Not about the selected node: the toolbar only.
    auto* import = new QAction(QStringLiteral("Import sites\u2026"), this);
    import->setObjectName(QStringLiteral("Import"));
    connect(import, &QAction::triggered, this, &THostManagerForm::ImportSites);
    toolbar->addSeparator();
    toolbar->addAction(import);
}

void THostManagerForm::RegisterTexts()
{
    auto* texts = new TWindowTexts(this, QStringLiteral("HostsForm"));
    texts->AddTitle(1, QStringLiteral("Host manager"));
    const char* const tabs[] = {"General", "Directories", "Connection", "TLS/SSL", "Proxy"};
    for (int i = 0; i < 5; ++i)
        texts->AddTab(2 + i, tabs_, i, QString::fromLatin1(tabs[i]));
    texts->AddText(7, showOnStartup_, QStringLiteral("&Show host manager on startup"));
    texts->AddText(8, apply_, QStringLiteral("&Apply"));
    texts->AddText(9, buttons_->button(QDialogButtonBox::Ok), QStringLiteral("OK"));
    texts->AddText(10, buttons_->button(QDialogButtonBox::Cancel), QStringLiteral("&Cancel"));
    const std::pair<const char*, const char*> actions[] = {
        {"NewHost", "New host"}, {"NewGroup", "New group"}, {"Connect", "Connect"}, {"Rename", "Rename"},
        {"Cut", "Cu&t"},         {"Copy", "&Copy"},         {"Paste", "&Paste"},    {"Delete", "&Delete"}};
    int entry = 11;
    for (const auto& [name, caption] : actions)
        texts->AddText(entry++, ActionNamed(QString::fromLatin1(name)), QString::fromLatin1(caption));
    texts->AddText(entry++, ActionNamed(QStringLiteral("Import")), QStringLiteral("Import sites\u2026"));
    pages_->RegisterTexts(*texts, 100);
    texts->SetOnApplied([this] { pages_->ShowHostID(pages_->ShownHostID()); });
}

QAction* THostManagerForm::ActionNamed(const QString& name) const
{
    return findChild<QAction*>(name);
}

THost* THostManagerForm::HostOf(const QTreeWidgetItem* item) const
{
    const auto found = records_.find(item);
    return found == records_.end() ? nullptr : found->second.get();
}

QTreeWidgetItem* THostManagerForm::NewItem(QTreeWidgetItem* parent, const QString& caption, std::unique_ptr<THost> host)
{
    auto* item = new TTreeItem(parent);
    item->setText(0, caption);
    item->setFlags(item->flags() | Qt::ItemIsEditable);
    item->setData(0, kIsHostRole, host != nullptr);
    const QStyle::StandardPixmap icon = host ? QStyle::SP_ComputerIcon : QStyle::SP_DirClosedIcon;
    item->setIcon(0, style()->standardIcon(icon));
    if (host)
        records_[item] = std::move(host);
    return item;
}

void THostManagerForm::FillTree()
{
    filling_ = true;
    THostTreeNode tree;
    hosts_.FillTree(tree);
    const THostTreeNode& rootNode = tree.Children.empty() ? tree : *tree.Children.front();
    root_ = new TTreeItem(tree_);
    root_->setText(0, Q(rootNode.Caption));
    root_->setIcon(0, style()->standardIcon(QStyle::SP_DirOpenIcon));
    root_->setFlags(root_->flags() & ~Qt::ItemIsDragEnabled);
    AddNodes(rootNode, root_);
    root_->setExpanded(true);
    Sort();
    tree_->setCurrentItem(root_);
    filling_ = false;
}

void THostManagerForm::AddNodes(const THostTreeNode& node, QTreeWidgetItem* parent)
{
    for (const auto& child : node.Children) {
        QTreeWidgetItem* item = NewItem(parent, Q(child->Caption),
                                        child->IsHost() ? std::make_unique<THost>(*child->Host) : nullptr);
        AddNodes(*child, item);
    }
}

void THostManagerForm::CollectNodes(QTreeWidgetItem* item, THostTreeNode& node) const
{
    for (int i = 0; i < item->childCount(); ++i) {
        QTreeWidgetItem* child = item->child(i);
        if (const THost* host = HostOf(child))
            node.AddHost(*host).Caption = child->text(0).toStdString();
        else
            CollectNodes(child, node.AddGroup(child->text(0).toStdString()));
    }
}

void THostManagerForm::Sort()
{
    const bool wasFilling = filling_;
    filling_ = true;
    tree_->sortItems(0, Qt::AscendingOrder);
    filling_ = wasFilling;
}

void THostManagerForm::SelectionMoved(QTreeWidgetItem* current, QTreeWidgetItem* previous)
{
    if (THost* before = HostOf(previous))
        pages_->StoreInto(*before);
    const THost* host = HostOf(current);
    for (QWidget* page : {pages_->GeneralPage(), pages_->DirectoriesPage(), pages_->ConnectionPage(), pages_->ProxyPage()})
        page->setEnabled(host != nullptr);
    if (host)
        pages_->ShowHost(*host);
    else
        pages_->ShowHostID({});
    UpdateCommands();
}

void THostManagerForm::UpdateCommands()
{
    QTreeWidgetItem* current = tree_->currentItem();
    const bool notRoot = current && current != root_;
    ActionNamed(QStringLiteral("Rename"))->setEnabled(notRoot);
    ActionNamed(QStringLiteral("Delete"))->setEnabled(notRoot);
    ActionNamed(QStringLiteral("Connect"))->setEnabled(HostOf(current) != nullptr);
    ActionNamed(QStringLiteral("Copy"))->setEnabled(HostOf(current) != nullptr);
    ActionNamed(QStringLiteral("Cut"))->setEnabled(HostOf(current) != nullptr);
    ActionNamed(QStringLiteral("Paste"))->setEnabled(ParseFtpAddress(QApplication::clipboard()->text()));
}

void THostManagerForm::SetChanged(bool changed)
{
    changed_ = changed;
    apply_->setEnabled(changed);
}

QTreeWidgetItem* THostManagerForm::GroupForNew() const
{
    QTreeWidgetItem* current = tree_->currentItem();
    if (!current)
        return root_;
    return HostOf(current) ? current->parent() : current;
}

void THostManagerForm::NewHost()
{
    QTreeWidgetItem* group = GroupForNew();
    auto host = std::make_unique<THost>();
    host->CommonName = LoadStr("HostsForm_IDS_5");
    host->Port = THost::DefaultPort;
    host->Passive = true;
    filling_ = true;
    const QString caption = Q(host->CommonName);
    QTreeWidgetItem* item = NewItem(group, caption, std::move(host));
    filling_ = false;
    group->setExpanded(true);
    SetChanged(true);
    Sort();
    tree_->setCurrentItem(item);
    RenameSelected();
}

void THostManagerForm::NewGroup()
{
    QTreeWidgetItem* group = GroupForNew();
    filling_ = true;
    QTreeWidgetItem* item = NewItem(group, Q(LoadStr("HostsForm_IDS_10")), nullptr);
    filling_ = false;
    group->setExpanded(true);
    SetChanged(true);
    Sort();
    tree_->setCurrentItem(item);
    RenameSelected();
}

void THostManagerForm::RenameSelected()
{
    QTreeWidgetItem* item = tree_->currentItem();
    if (!item || item == root_)
        return;
    captions_[item] = item->text(0);
    tree_->editItem(item, 0);
}

void THostManagerForm::CaptionEdited(QTreeWidgetItem* item)
{
    if (filling_ || !item)
        return;
    filling_ = true;
    const QString caption = item->text(0).trimmed();
    const auto before = captions_.find(item);
    if (caption.isEmpty() && before != captions_.end())
        item->setText(0, before->second);
    if (THost* host = HostOf(item))
        host->CommonName = item->text(0).toStdString();
    captions_.erase(item);
    filling_ = false;
    SetChanged(true);
    Sort();
}

void THostManagerForm::DeleteSelected()
{
    QTreeWidgetItem* item = tree_->currentItem();
    if (!item || item == root_)
        return;
    std::vector<QTreeWidgetItem*> doomed{item};
    for (std::size_t i = 0; i < doomed.size(); ++i)
        for (int c = 0; c < doomed[i]->childCount(); ++c)
            doomed.push_back(doomed[i]->child(c));
    // Nothing is stored into a host that goes away.
    {
        const QSignalBlocker block(tree_);
        QTreeWidgetItem* parent = item->parent();
        parent->removeChild(item);
        tree_->setCurrentItem(parent);
    }
    for (QTreeWidgetItem* gone : doomed) {
        records_.erase(gone);
        captions_.erase(gone);
    }
    delete item;
    SelectionMoved(tree_->currentItem(), nullptr);
    SetChanged(true);
}

void THostManagerForm::ConnectSelected()
{
    QTreeWidgetItem* item = tree_->currentItem();
    THost* host = HostOf(item);
    if (!host)
        return;
    pages_->StoreInto(*host);
    const THost chosen = *host;
    if (OnConnect)
        OnConnect(chosen);
    done(Accepted);
}

void THostManagerForm::Apply()
{
    if (THost* host = HostOf(tree_->currentItem()))
        pages_->StoreInto(*host);
    THostTreeNode tree;
    THostTreeNode& root = tree.AddGroup(root_->text(0).toStdString());
    CollectNodes(root_, root);
    hosts_.ReplaceFromTree(tree);
    hosts_.Save();
    SetChanged(false);
}

bool THostManagerForm::AskSaveChanges()
{
    const auto answer = QMessageBox::question(
        this, Q(LoadStr("MainForm_strConfirm")), Q(LoadStr("HostsForm_IDS_11")),
        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes);
    if (answer == QMessageBox::Cancel)
        return false;
    if (answer == QMessageBox::Yes)
        Apply();
    return true;
}

void THostManagerForm::done(int result)
{
    if (result == Accepted) {
        Apply();
        if (const THost* host = HostOf(tree_->currentItem()))
            config_.SetLastConnectedHostID(host->HostID);
    } else if (changed_ && !AskSaveChanges()) {
        return;
    }
    config_.SetShowHostManagerOnStartup(showOnStartup_->isChecked());
    QDialog::done(result);
}

void THostManagerForm::CopySelected()
{
    if (const THost* host = HostOf(tree_->currentItem()))
        QApplication::clipboard()->setText(Q(host->ToURL()));
}

void THostManagerForm::CutSelected()
{
    if (!HostOf(tree_->currentItem()))
        return;
    CopySelected();
    DeleteSelected();
}

void THostManagerForm::PasteAddress()
{
    AddHostFromAddress(QApplication::clipboard()->text(), GroupForNew());
}

QTreeWidgetItem* THostManagerForm::AddHostFromAddress(const QString& address, QTreeWidgetItem* group)
{
    auto host = std::make_unique<THost>();
    if (!ParseFtpAddress(address, host.get()))
        return nullptr;
    host->Passive = true;
    const QString caption = Q(host->CommonName);
    filling_ = true;
    QTreeWidgetItem* item = NewItem(group, caption, std::move(host));
    filling_ = false;
    group->setExpanded(true);
    SetChanged(true);
    Sort();
    tree_->setCurrentItem(item);
    return item;
}

void THostManagerForm::ImportSites()
{
    const QString path = QFileDialog::getOpenFileName(this, Q(LoadStr("HostsForm_strImportTitle")), QString(),
                                                      Q(LoadStr("HostsForm_strImportFilter")));
    if (!path.isEmpty())
        ImportSitesFrom(path);
}

bool THostManagerForm::ImportSitesFrom(const QString& path)
{
    TSiteImport sites;
    try {
        sites = TSiteImport::FromFile(path.toStdString());
    } catch (const ESiteImportError& e) {
        QMessageBox::warning(this, Q(LoadStr("MainForm_strError")),
                             Q(Format(LoadStr("HostsForm_strImportFailed"), path.toStdString(), e.what())));
        return false;
    }
    QString group;
    if (sites.Imported > 0) {
        if (THost* shown = HostOf(tree_->currentItem()))
            pages_->StoreInto(*shown);
        group = NewImportGroupName();
        filling_ = true;
        QTreeWidgetItem* item = NewItem(root_, group, nullptr);
        AddNodes(sites.Tree, item);
        filling_ = false;
        item->setExpanded(true);
        SetChanged(true);
        Sort();
        Reselect(item);
    }
    QStringList lines{Q(Format(LoadStr("HostsForm_strImportResult"), sites.Imported, group.toStdString()))};
    if (sites.Skipped > 0)
        lines << Q(Format(LoadStr("HostsForm_strImportSkipped"), sites.Skipped));
    if (sites.PasswordsLeftOut > 0)
        lines << Q(Format(LoadStr("HostsForm_strImportNoPasswords"), sites.PasswordsLeftOut));
    QMessageBox::information(this, Q(LoadStr("MainForm_strInformation")), lines.join(QStringLiteral("\n\n")));
    return sites.Imported > 0;
}

QString THostManagerForm::NewImportGroupName() const
{
    const QString base = Q(LoadStr("HostsForm_strImportGroup"));
    auto taken = [this](const QString& name) {
        for (int i = 0; i < root_->childCount(); ++i)
            if (!HostOf(root_->child(i)) && root_->child(i)->text(0).compare(name, Qt::CaseInsensitive) == 0)
                return true;
        return false;
    };
    QString name = base;
    for (int n = 2; taken(name); ++n)
        name = QStringLiteral("%1 (%2)").arg(base).arg(n);
    return name;
}

int THostManagerForm::IndexOf(const QTreeWidgetItem* item) const
{
    int index = 0;
    for (QTreeWidgetItemIterator it(root_); *it; ++it, ++index)
        if (*it == item)
            return index;
    return -1;
}

QTreeWidgetItem* THostManagerForm::ItemAtIndex(int index) const
{
    int at = 0;
    for (QTreeWidgetItemIterator it(root_); *it; ++it, ++at)
        if (at == index)
            return *it;
    return nullptr;
}

QMimeData* THostManagerForm::DragData(QTreeWidgetItem* item) const
{
    if (!item || item == root_ || IndexOf(item) < 0)
        return nullptr;
    auto* offer = new QMimeData;
    offer->setData(QString::fromLatin1(HostIndexFormat), QByteArray::number(IndexOf(item)));
    offer->setData(QString::fromLatin1(kDragTokenFormat), dragToken_.toUtf8());
    if (const THost* host = HostOf(item)) {
        const QString address = Q(host->ToURL());
        offer->setText(address);
        offer->setUrls({QUrl(address)});
    }
    return offer;
}

QTreeWidgetItem* THostManagerForm::DraggedItem(const QMimeData& dropped) const
{
    // An index is only meaningful to the window that made it.
    if (dropped.data(QString::fromLatin1(kDragTokenFormat)) != dragToken_.toUtf8())
        return nullptr;
    bool number = false;
    const int index = dropped.data(QString::fromLatin1(HostIndexFormat)).toInt(&number);
    QTreeWidgetItem* item = number ? ItemAtIndex(index) : nullptr;
    return item == root_ ? nullptr : item;
}

bool THostManagerForm::CanDrop(const QMimeData& dropped, QTreeWidgetItem* target) const
{
    if (QTreeWidgetItem* dragged = DraggedItem(dropped)) {
        if (!target || HostOf(target))
            return false;
        for (QTreeWidgetItem* up = target; up; up = up->parent())
            if (up == dragged)
                return false; // a group never goes below itself
        return true;
    }
    return ParseFtpAddress(DroppedText(dropped));
}

bool THostManagerForm::Drop(const QMimeData& dropped, QTreeWidgetItem* target, Qt::DropAction action)
{
    if (!CanDrop(dropped, target))
        return false;
    QTreeWidgetItem* dragged = DraggedItem(dropped);
    if (!dragged) {
        QTreeWidgetItem* group = !target ? root_ : HostOf(target) ? target->parent() : target;
        return AddHostFromAddress(DroppedText(dropped), group) != nullptr;
    }
    if (THost* shown = HostOf(tree_->currentItem()))
        pages_->StoreInto(*shown); // a copy takes the edits too
    QTreeWidgetItem* placed = nullptr;
    {
        const QSignalBlocker block(tree_);
        if (action == Qt::CopyAction) {
            placed = CopyNode(dragged, target);
        } else {
            dragged->parent()->removeChild(dragged);
            target->addChild(dragged);
            placed = dragged;
        }
        target->setExpanded(true);
    }
    SetChanged(true);
    Sort();
    Reselect(placed);
    return true;
}

QTreeWidgetItem* THostManagerForm::CopyNode(const QTreeWidgetItem* source, QTreeWidgetItem* parent)
{
    std::unique_ptr<THost> host;
    if (const THost* original = HostOf(source)) {
        host = std::make_unique<THost>(*original);
        host->NewHostID();
    }
    const bool wasFilling = filling_;
    filling_ = true;
    QTreeWidgetItem* copy = NewItem(parent, source->text(0), std::move(host));
    filling_ = wasFilling;
    // The children are listed first: copying into a group of the subtree
    // itself is refused, but the list must not grow while it is read.
    std::vector<const QTreeWidgetItem*> children;
    for (int i = 0; i < source->childCount(); ++i)
        children.push_back(source->child(i));
    for (const QTreeWidgetItem* child : children)
        CopyNode(child, copy);
    copy->setExpanded(source->isExpanded());
    return copy;
}

void THostManagerForm::Reselect(QTreeWidgetItem* item)
{
    {
        const QSignalBlocker block(tree_);
        tree_->setCurrentItem(item);
    }
    SelectionMoved(item, nullptr);
}
