#include "ui/QuickConnectForm.h"

#include "hosts/QuickHosts.h"
#include "i18n/LanguageManager.h"
#include "store/MainConfig.h"
#include "ui/FtpAddress.h"
#include "ui/HostEditorPages.h"
#include "ui/WindowTexts.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

namespace {

QString DroppedText(const QMimeData* data)
{
    if (!data)
        return {};
    if (data->hasText())
        return data->text();
    if (data->hasUrls() && !data->urls().isEmpty())
        return data->urls().first().toString();
    return {};
}

QToolButton* ToolButtonFor(QAction* action, QWidget* parent)
{
    auto* button = new QToolButton(parent);
    button->setDefaultAction(action);
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    // The focus stays in the field a paste may go to.
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

} // namespace

TQuickConnectForm::TQuickConnectForm(TMainConfig& config, TQuickHosts& history, QWidget* parent)
    : QDialog(parent)
    , config_(config)
    , history_(history)
{
    setAcceptDrops(true);
    BuildLayout();
    pages_->ShowHost(host_);
    pages_->ClearForm();
    history_.Reload();
    FillPreviousHosts();
    showOnStartup_->setChecked(config_.ShowQuickConnectOnStartup());
    for (QLineEdit* edit : findChildren<QLineEdit*>()) {
        edit->setAcceptDrops(false);
        edit->installEventFilter(this);
    }
    pages_->HostnameEdit()->setFocus();
}

TQuickConnectForm::~TQuickConnectForm() = default;

void TQuickConnectForm::BuildLayout()
{
    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    previous_ = new QComboBox(this);
    previous_->setObjectName(QStringLiteral("PreviousHosts"));
    previous_->setMinimumContentsLength(24);
    previous_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    auto* previousLabel = new QLabel(this);
    previousLabel->setBuddy(previous_);
    delete_ = new QAction(this);
    paste_ = new QAction(this);
    paste_->setShortcut(QKeySequence::Paste);
    paste_->setShortcutContext(Qt::WindowShortcut);
    addAction(paste_);
    top->addWidget(previousLabel);
    top->addWidget(previous_, 1);
    top->addWidget(ToolButtonFor(delete_, this));
    top->addWidget(ToolButtonFor(paste_, this));
    layout->addLayout(top);

    pages_ = new THostEditorPages(config_, this);
    tabs_ = new QTabWidget(this);
    pages_->SetTextNames("QuickConnectForm_IDS_0", "QuickConnectForm_IDS_9", "QuickConnectForm_IDS_11");
    tabs_->addTab(pages_->GeneralPage(), QString());
    tabs_->addTab(pages_->DirectoriesPage(), QString());
    tabs_->addTab(pages_->ProxyPage(), QString());
    // Only the pages above are shown; the others stay hidden children.
    pages_->ConnectionPage()->hide();
    pages_->TLSPage()->hide();
    layout->addWidget(tabs_, 1);

    auto* bottom = new QHBoxLayout;
    showOnStartup_ = new QCheckBox(this);
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* connectButton = buttons->addButton(QString(), QDialogButtonBox::AcceptRole);
    QPushButton* cancelButton = buttons->addButton(QString(), QDialogButtonBox::RejectRole);
    connectButton->setDefault(true);
    bottom->addWidget(showOnStartup_);
    bottom->addStretch();
    bottom->addWidget(buttons);
    layout->addLayout(bottom);

    connect(buttons, &QDialogButtonBox::accepted, this, &TQuickConnectForm::ConnectClicked);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(delete_, &QAction::triggered, this, &TQuickConnectForm::DeleteEntry);
    connect(paste_, &QAction::triggered, this, &TQuickConnectForm::Paste);
    connect(previous_, &QComboBox::currentIndexChanged, this, &TQuickConnectForm::ChooseEntry);
    setTabOrder(previous_, tabs_);
    setTabOrder(tabs_, pages_->HostnameEdit());

    auto* texts = new TWindowTexts(this, QStringLiteral("QuickConnectForm"));
    texts->AddTitle(1, QStringLiteral("Quick connect"));
    texts->AddText(2, previousLabel, QStringLiteral("&Previous hosts:"));
    texts->AddText(3, delete_, QStringLiteral("Delete"));
    texts->AddText(4, paste_, QStringLiteral("&Paste"));
    const char* const tabs[] = {"General", "Directories", "Proxy"};
    for (int i = 0; i < 3; ++i)
        texts->AddTab(5 + i, tabs_, i, QString::fromLatin1(tabs[i]));
    texts->AddText(8, showOnStartup_, QStringLiteral("&Show quick connect on startup"));
    texts->AddText(9, connectButton, QStringLiteral("C&onnect"));
    texts->AddText(10, cancelButton, QStringLiteral("&Cancel"));
    pages_->RegisterTexts(*texts, 100);
    texts->SetOnApplied([this] { pages_->ShowHostID(pages_->ShownHostID()); });
}

void TQuickConnectForm::FillPreviousHosts()
{
    const QSignalBlocker block(previous_);
    previous_->clear();
    previous_->addItem(QString());
    int last = 0;
    const std::string lastID = config_.LastQuickConnectedHostID();
    for (const auto& entry : history_.Items()) {
        previous_->addItem(QString::fromStdString(entry->Hostname), QString::fromStdString(entry->HostID));
        if (!lastID.empty() && entry->HostID == lastID)
            last = previous_->count() - 1;
    }
    previous_->setCurrentIndex(last);
    ChooseEntry(last);
}

THost* TQuickConnectForm::ChosenEntry() const
{
    const int index = previous_->currentIndex();
    if (index <= 0)
        return nullptr;
    return history_.FindByHostID(previous_->itemData(index).toString().toStdString());
}

void TQuickConnectForm::ChooseEntry(int)
{
    pages_->ClearForm();
    const THost* entry = ChosenEntry();
    delete_->setEnabled(entry != nullptr);
    if (!entry)
        return;
    host_.Assign(*entry);
    pages_->ShowHost(host_);
}

void TQuickConnectForm::DeleteEntry()
{
    const int index = previous_->currentIndex();
    const THost* entry = ChosenEntry();
    if (!entry)
        return;
    history_.Delete(entry);
    const QSignalBlocker block(previous_);
    previous_->removeItem(index);
    previous_->setCurrentIndex(index - 1);
    ChooseEntry(index - 1);
}

void TQuickConnectForm::ShowAddress(const QString& address, bool tickAnonymousWithoutUser)
{
    THost parsed{THostDefaults{}};
    QString portText;
    if (!ParseFtpAddress(address, &parsed, &portText))
        return;
    {
        const QSignalBlocker block(previous_);
        previous_->setCurrentIndex(0);
    }
    ChooseEntry(0);
    pages_->ShowAddress(parsed, portText);
    if (tickAnonymousWithoutUser && (parsed.Username.empty() || parsed.Username == "anonymous"))
        pages_->AnonymousBox()->setChecked(true);
}

void TQuickConnectForm::Paste()
{
    const QString text = QApplication::clipboard()->text();
    if (ParseFtpAddress(text)) {
        ShowAddress(text, true);
        return;
    }
    if (auto* field = qobject_cast<QLineEdit*>(focusWidget()); field && field->isEnabled())
        field->paste();
}

bool TQuickConnectForm::eventFilter(QObject* watched, QEvent* event)
{
    // A field handles Ctrl+V itself; it is routed through Paste() so an
    // address fills the whole form.
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->matches(QKeySequence::Paste)) {
        Paste();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TQuickConnectForm::dragEnterEvent(QDragEnterEvent* event)
{
    if (ParseFtpAddress(DroppedText(event->mimeData())))
        event->acceptProposedAction();
    else
        event->ignore();
}

void TQuickConnectForm::dropEvent(QDropEvent* event)
{
    const QString text = DroppedText(event->mimeData());
    if (!ParseFtpAddress(text)) {
        event->ignore();
        return;
    }
    ShowAddress(text, false);
    event->acceptProposedAction();
}

void TQuickConnectForm::ConnectClicked()
{
    const QString hostname = pages_->HostnameEdit()->text();
    if (hostname.isEmpty()) {
        QMessageBox::warning(this, QString::fromStdString(LoadStr("MainForm_strWarning")),
                             QString::fromStdString(LoadStr("QuickConnectForm_IDS_10")), QMessageBox::Ok);
        pages_->HostnameEdit()->setFocus();
        return;
    }
    host_.CommonName = hostname.toStdString();
    pages_->StoreInto(host_);
    if (!pages_->ShownHostID().empty())
        host_.HostID = pages_->ShownHostID();
    else
        host_.NewHostID();
    history_.AddOrUpdate(host_);
    config_.SetLastQuickConnectedHostID(host_.HostID);
    accept();
}

void TQuickConnectForm::done(int result)
{
    config_.SetShowQuickConnectOnStartup(showOnStartup_->isChecked());
    QDialog::done(result);
}
