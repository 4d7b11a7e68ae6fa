#include "ui/SettingsForm.h"

#include "hosts/FileTransferTypes.h"
#include "i18n/LanguageManager.h"
#include "store/MainConfig.h"
#include "ui/SettingsPages.h"
#include "ui/TransferTypeTable.h"
#include "ui/WindowHelpers.h"
#include "ui/WindowTexts.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QShortcut>
#include <QSplitter>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

using P = TSettingsPages;

/// One tree entry: its caption's constant, its parent, the page it shows,
/// the tab it selects there (-1: none) and its help topic.
struct TEntryInfo {
    const char* Caption;
    int Parent;
    P::TPage Page;
    int Tab;
    int HelpTopic;
};

constexpr TEntryInfo kEntries[TSettingsForm::seCount] = {
    {"SettingsForm_IDS_0", -1, P::pgRoot, -1, 1},
    {"SettingsForm_IDS_1", TSettingsForm::seSettings, P::pgStartup, -1, 1},
    {"SettingsForm_IDS_2", TSettingsForm::seSettings, P::pgLanguage, -1, 2},
    {"SettingsForm_IDS_3", TSettingsForm::seSettings, P::pgConnection, -1, 3},
    {"SettingsForm_IDS_4", TSettingsForm::seConnection, P::pgConnection, 0, 3},
    {"SettingsForm_IDS_6", TSettingsForm::seConnection, P::pgConnection, 1, 4},
    {"SettingsForm_IDS_7", TSettingsForm::seSettings, P::pgIntegration, -1, 5},
    {"SettingsForm_IDS_9", TSettingsForm::seSettings, P::pgVisibility, -1, 6},
    {"SettingsForm_IDS_10", TSettingsForm::seSettings, P::pgFileTypes, -1, 7},
    {"SettingsForm_IDS_11", TSettingsForm::seSettings, P::pgTransfers, -1, 8},
    {"SettingsForm_IDS_12", TSettingsForm::seTransfers, P::pgTransfers, 0, 8},
    {"SettingsForm_IDS_13", TSettingsForm::seTransfers, P::pgTransfers, 1, 9},
    {"SettingsForm_IDS_14", TSettingsForm::seSettings, P::pgAuthentication, -1, 10},
    {"SettingsForm_IDS_15", TSettingsForm::seAuthentication, P::pgAuthentication, 0, 10},
    {"SettingsForm_strCertificates", TSettingsForm::seSettings, P::pgCertificates, -1, 10},
};

constexpr int kEntryRole = Qt::UserRole;
constexpr int kMinTreeWidth = 150;

} // namespace

TSettingsForm::TSettingsForm(TMainConfig& config, TFileTransferTypes& transferTypes, QWidget* parent)
    : QDialog(parent)
    , config_(config)
    , transferTypes_(transferTypes)
{
    setObjectName(QStringLiteral("SettingsForm"));
    texts_ = new TWindowTexts(this, QStringLiteral("SettingsForm"));
    texts_->AddTitle(1, QStringLiteral("Settings"));
    pages_ = std::make_unique<TSettingsPages>(this, *texts_);
    BuildTree();
    BuildLayout();
    texts_->SetOnApplied([this] { Retranslate(); });
    Retranslate();

    pages_->Show(config_);
    pages_->BrowserIntegration->setChecked(config_.BrowserIntegration());
    pages_->ExplorerContextMenu->setChecked(config_.ExplorerContextMenu());
    pages_->StartWithSystem->setChecked(config_.StartWithSystem());
    transferTypes_.LoadEntries();
    pages_->TransferTypes->SetEntries(transferTypes_.Entries());

    languageAtOpen_ = LangManager().ActiveLanguageId();
    connect(pages_->Languages, &QListWidget::currentItemChanged, this, [this] { LanguageChosen(); });
    resize(660, 460);
    SelectEntry(seSettings);
}

TSettingsForm::~TSettingsForm() = default;

void TSettingsForm::BuildTree()
{
    tree_ = new QTreeWidget(this);
    tree_->setHeaderHidden(true);
    tree_->setRootIsDecorated(true);
    tree_->setSelectionMode(QAbstractItemView::SingleSelection);
    for (int i = 0; i < seCount; ++i) {
        const TEntryInfo& info = kEntries[i];
        items_[i] = info.Parent < 0 ? new QTreeWidgetItem(tree_) : new QTreeWidgetItem(items_[info.Parent]);
        items_[i]->setData(0, kEntryRole, i);
    }
    tree_->expandAll();
    connect(tree_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        if (item && !syncing_)
            ShowEntry(item);
    });
    for (QTabWidget* tabs : {pages_->ConnectionTabs, pages_->TransferTabs, pages_->AuthenticationTabs})
        connect(tabs, &QTabWidget::currentChanged, this, [this, tabs](int index) { TabChanged(tabs, index); });
}

void TSettingsForm::BuildLayout()
{
    caption_ = new QLabel(this);
    QFont bold = caption_->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.2);
    caption_->setFont(bold);
    caption_->setFrameShape(QFrame::StyledPanel);
    caption_->setMargin(4);
    stack_ = new QStackedWidget(this);
    for (int i = 0; i < P::pgCount; ++i)
        stack_->addWidget(pages_->Page(static_cast<P::TPage>(i)));

    auto* right = new QWidget(this);
    auto* rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    rightLayout->addWidget(caption_);
    rightLayout->addWidget(stack_, 1);
    auto* split = new QSplitter(Qt::Horizontal, this);
    split->addWidget(tree_);
    split->addWidget(right);
    split->setStretchFactor(1, 1);
    split->setChildrenCollapsible(false);
    split->setSizes({170, 490});

    buttons_ = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Help, this);
    texts_->AddText(2, buttons_->button(QDialogButtonBox::Ok), QStringLiteral("&OK"));
    texts_->AddText(3, buttons_->button(QDialogButtonBox::Cancel), QStringLiteral("&Cancel"));
    texts_->AddText(4, buttons_->button(QDialogButtonBox::Help), QStringLiteral("&Help"));
    buttons_->button(QDialogButtonBox::Ok)->setDefault(true);
    connect(buttons_, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons_, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(buttons_, &QDialogButtonBox::helpRequested, this, &TSettingsForm::Help);
    auto* f1 = new QShortcut(QKeySequence::HelpContents, this);
    connect(f1, &QShortcut::activated, this, &TSettingsForm::Help);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(split, 1);
    layout->addWidget(buttons_);
}

void TSettingsForm::Retranslate()
{
    const QFontMetrics metrics = tree_->fontMetrics();
    for (int i = 0; i < seCount; ++i) {
        const QString caption = QString::fromStdString(LoadStr(kEntries[i].Caption));
        items_[i]->setText(0, caption);
        // Room above capitals, so that accents ("Ü") are not cut off.
        items_[i]->setSizeHint(0, QSize(metrics.horizontalAdvance(caption) + 8, metrics.height() + 6));
    }
    // The tree is as wide as its longest caption in this language.
    int wanted = 0;
    for (int i = 0; i < seCount; ++i) {
        int depth = 1; // the root's decoration
        for (int p = kEntries[i].Parent; p >= 0; p = kEntries[p].Parent)
            ++depth;
        wanted = std::max(wanted, depth * tree_->indentation() + metrics.horizontalAdvance(items_[i]->text(0)));
    }
    wanted += 2 * tree_->frameWidth() + 16;
    tree_->setMinimumWidth(std::max(kMinTreeWidth, wanted));
    pages_->Retranslate();
    if (QTreeWidgetItem* item = tree_->currentItem())
        caption_->setText(item->text(0));
}

// --- navigation --------------------------------------------------------------

void TSettingsForm::SelectEntry(TEntry entry)
{
    tree_->setCurrentItem(items_[entry]);
    // Selecting the entry shown already still shows it (and its focus).
    ShowEntry(items_[entry]);
}

TSettingsForm::TEntry TSettingsForm::CurrentEntry() const
{
    const QTreeWidgetItem* item = tree_->currentItem();
    return item ? static_cast<TEntry>(item->data(0, kEntryRole).toInt()) : seSettings;
}

void TSettingsForm::ShowEntry(QTreeWidgetItem* item)
{
    const TEntryInfo& info = kEntries[item->data(0, kEntryRole).toInt()];
    QWidget* page = pages_->Page(info.Page);
    syncing_ = true;
    stack_->setCurrentWidget(page);
    QWidget* focusArea = page;
    if (info.Tab >= 0) {
        auto* tabs = page->findChild<QTabWidget*>();
        tabs->setCurrentIndex(info.Tab);
        focusArea = tabs->currentWidget();
    }
    syncing_ = false;
    caption_->setText(item->text(0));
    helpTopic_ = info.HelpTopic;
    FocusFirstControl(focusArea);
}

void TSettingsForm::TabChanged(QTabWidget* tabs, int index)
{
    if (syncing_)
        return;
    for (int i = 0; i < seCount; ++i)
        if (kEntries[i].Tab == index && pages_->Page(kEntries[i].Page)->isAncestorOf(tabs)) {
            syncing_ = true;
            tree_->setCurrentItem(items_[i]);
            syncing_ = false;
            caption_->setText(items_[i]->text(0));
            helpTopic_ = kEntries[i].HelpTopic;
            return;
        }
}

void TSettingsForm::Help()
{
    if (OnHelp)
        OnHelp(helpTopic_);
}

// --- language ------------------------------------------------------------------

void TSettingsForm::LanguageChosen()
{
    const QListWidgetItem* item = pages_->Languages->currentItem();
    if (!item)
        return;
    const int id = item->data(Qt::UserRole).toInt();
    if (id == LangManager().ActiveLanguageId())
        return;
    try {
        LangManager().SetActiveLanguage(id);
    } catch (const std::exception& e) {
        QMessageBox::critical(this, QString::fromStdString(LoadStr("MainForm_strError")), QString::fromUtf8(e.what()));
    }
}

// --- closing -------------------------------------------------------------------

bool TSettingsForm::Store()
{
    pages_->Store(config_);
    std::vector<std::string> previous = transferTypes_.Entries();
    transferTypes_.SetEntries(pages_->TransferTypes->Entries());
    try {
        transferTypes_.SaveEntries();
    } catch (const std::exception& e) {
        // The transfers go on with the table the file still holds.
        transferTypes_.SetEntries(std::move(previous));
        QMessageBox::critical(this, QString::fromStdString(LoadStr("MainForm_strError")), QString::fromUtf8(e.what()));
        return false;
    }
    pages_->StoreProxy(config_);
    // Written as shown: each switch registers or unregisters itself again.
    config_.SetBrowserIntegration(pages_->BrowserIntegration->isChecked());
    config_.SetExplorerContextMenu(pages_->ExplorerContextMenu->isChecked());
    config_.SetStartWithSystem(pages_->StartWithSystem->isChecked());
    return true;
}

void TSettingsForm::accept()
{
    if (Store())
        QDialog::accept();
}

void TSettingsForm::done(int result)
{
    if (result != QDialog::Accepted && LangManager().ActiveLanguageId() != languageAtOpen_) {
        try {
            LangManager().SetActiveLanguage(languageAtOpen_);
        } catch (const std::exception&) {
            // The language active before could be read then; English stays if not now.
        }
    }
    QDialog::done(result);
}
