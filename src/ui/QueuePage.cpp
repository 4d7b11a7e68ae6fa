#include "ui/QueuePage.h"

#include "i18n/Format.h"
#include "i18n/LanguageManager.h"
#include "queue/QueueManager.h"
#include "ui/FileAlreadyExistsForm.h"
#include "ui/QueueListModel.h"
#include "ui/QueueListView.h"
#include "ui/WindowTexts.h"

#include <QHeaderView>
#include <QMessageBox>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

TQueuePage::TQueuePage(TQueueManager& manager, TMainConfig* config, std::shared_ptr<TIconCache> icons,
                       QWidget* parent)
    : QWidget(parent), manager_(manager), round_(manager, config)
{
    setObjectName(QStringLiteral("QueuePageContents"));
    model_ = new TQueueListModel(std::move(icons), this);
    view_ = new TQueueListView(this);
    view_->setModel(model_);
    const int widths[] = {100, 60, 80, 200, 200, 42};
    for (int column = 0; column < TQueueListModel::qcColumnCount; ++column)
        view_->header()->resizeSection(column, widths[column]);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view_);
    connect(view_, &TQueueListView::DeleteRequested, this, [this] { DeleteSelected(); });
    RegisterColumnTexts();

    {
        std::lock_guard lock(manager_.QueueLock());
        Bulk([this] {
            for (const auto& item : manager_.Items())
                model_->AddItem(*item);
        });
    }
    AttachEvents();

    round_.Ask = [this](TQueueItem& item, const EFTPFileAlreadyExistsException& error) { return Ask(item, error); };
    round_.Log = [this](const std::string& line, bool debug) {
        if (OnLog)
            OnLog(line, debug);
    };
    round_.QuestionOpen = [this] { return question_ != nullptr; };
    round_.StopRetryTimer = [this] { retryTimer_->stop(); };
    round_.StartRetryTimer = [this] { retryTimer_->start(); };

    progressTimer_ = new QTimer(this);
    progressTimer_->setObjectName(QStringLiteral("QueueItemProgressUpdateTimer"));
    progressTimer_->setInterval(ProgressInterval);
    connect(progressTimer_, &QTimer::timeout, this, &TQueuePage::RefreshVisibleRows);
    retryTimer_ = new QTimer(this);
    retryTimer_->setObjectName(QStringLiteral("QueueItemRetryDelayTimer"));
    retryTimer_->setInterval(RetryInterval);
    connect(retryTimer_, &QTimer::timeout, this, &TQueuePage::RetryTick);
}

TQueuePage::~TQueuePage()
{
    StopTimers();
    manager_.OnItemAdded = {};
    manager_.OnItemStatus = {};
    manager_.OnItemRemoving = {};
}

void TQueuePage::AttachEvents()
{
    manager_.OnItemAdded = [this](TQueueItem& item) {
        model_->AddItem(item);
        if (OnRowsChanged && bulkDepth_ == 0)
            OnRowsChanged();
    };
    manager_.OnItemStatus = [this](TQueueItem& item, TQueueItemStatus, const std::string&) {
        model_->ItemChanged(item);
    };
    manager_.OnItemRemoving = [this](TQueueItem& item) {
        model_->RemoveItem(item);
        if (OnItemLeft)
            OnItemLeft(item);
        if (OnRowsChanged && bulkDepth_ == 0)
            OnRowsChanged();
    };
    manager_.OnItemDone = [](TQueueItem&) {};
    manager_.OnItemFailed = [](TQueueItem&) {};
}

void TQueuePage::RegisterColumnTexts()
{
    auto* texts = new TWindowTexts(this, QStringLiteral("QueuePage"));
    const char* const columns[] = {"Filename", "Progress", "Status", "Remote path", "Local path", "Size"};
    for (int c = 0; c < TQueueListModel::qcColumnCount; ++c)
        texts->Add(1 + c, QString::fromLatin1(columns[c]), [this, c](const QString& text) {
            QStringList captions;
            for (int i = 0; i < TQueueListModel::qcColumnCount; ++i)
                captions << (i == c ? text : model_->headerData(i, Qt::Horizontal, Qt::DisplayRole).toString());
            model_->SetColumnCaptions(captions);
        });
}

std::vector<TQueueItem*> TQueuePage::SelectedItems() const
{
    QModelIndexList rows = view_->selectionModel()->selectedRows();
    std::sort(rows.begin(), rows.end(), [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    std::vector<TQueueItem*> items;
    for (const QModelIndex& index : rows)
        if (TQueueItem* item = model_->ItemAt(index.row()))
            items.push_back(item);
    return items;
}

void TQueuePage::TransferNowSelected()
{
    // Items a thread runs already are left to it.
    for (TQueueItem* item : SelectedItems())
        if (manager_.Contains(item) && !item->Transfer)
            manager_.TransferNow(*item);
}

void TQueuePage::StopSelected()
{
    for (TQueueItem* item : SelectedItems())
        if (manager_.Contains(item))
            manager_.StopItem(*item);
}

void TQueuePage::PauseSelected()
{
    for (TQueueItem* item : SelectedItems())
        if (manager_.Contains(item))
            manager_.PauseItem(*item);
}

void TQueuePage::DeleteSelected()
{
    // Collected first: every removal changes the rows.
    const std::vector<TQueueItem*> items = SelectedItems();
    for (TQueueItem* item : items)
        if (manager_.Contains(item))
            manager_.RemoveItem(*item);
}

bool TQueuePage::ClearWithQuestion()
{
    const int rows = model_->rowCount();
    const QString text = QString::fromStdString(Format(LoadStr("MainForm_IDS_49"), rows));
    const auto answer = QMessageBox::question(window(), QString::fromStdString(LoadStr("MainForm_strConfirm")), text,
                                              QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes);
    if (answer != QMessageBox::Yes)
        return false;
    Bulk([this] { manager_.ClearQueue(); });
    return true;
}

void TQueuePage::Bulk(const std::function<void()>& f)
{
    if (bulkDepth_++ == 0)
        model_->BeginBulk();
    struct TEnd {
        TQueuePage* page;
        ~TEnd()
        {
            if (--page->bulkDepth_ == 0) {
                page->model_->EndBulk();
                if (page->OnRowsChanged)
                    page->OnRowsChanged();
            }
        }
    } end{this};
    f();
}

void TQueuePage::StartTimers()
{
    progressTimer_->start();
    retryTimer_->start();
}

void TQueuePage::StopTimers()
{
    progressTimer_->stop();
    retryTimer_->stop();
}

void TQueuePage::RefreshVisibleRows()
{
    const int rows = model_->rowCount();
    // A hidden list shows nothing; its rows catch up within one pass of being shown.
    if (rows == 0 || !view_->isVisible())
        return;
    const QRect area = view_->viewport()->rect();
    int first = view_->indexAt(area.topLeft()).row();
    int last = view_->indexAt(QPoint(area.left(), area.bottom())).row();
    if (first < 0)
        first = 0;
    if (last < 0)
        last = rows - 1;  // the rows end above the bottom of the list
    model_->RefreshRows(first, last);
}

void TQueuePage::RetryTick()
{
    manager_.TickRetryDelays();
    round_.Run();
}

std::optional<TExistingFileAnswer> TQueuePage::Ask(TQueueItem& item, const EFTPFileAlreadyExistsException& error)
{
    if (OnQuestion)
        return OnQuestion(item, error);
    TFileAlreadyExistsForm form(item, error, window());
    question_ = &form;
    const int result = form.exec();
    question_ = nullptr;
    if (result != QDialog::Accepted)
        return std::nullopt;
    return form.Answer();
}
