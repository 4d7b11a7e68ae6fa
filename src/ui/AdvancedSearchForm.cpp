#include "ui/AdvancedSearchForm.h"

#include "i18n/LanguageManager.h"
#include "session/FTPWorker.h"
#include "ui/RemoteText.h"
#include "ui/SearchResultModel.h"
#include "ui/WindowTexts.h"

#include <QBoxLayout>
#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QTabWidget>
#include <QTimer>
#include <QTreeView>

// The walk's handlers reach the window through this; the window cuts it
// when it goes, so an event already on its way finds no window.
struct TAdvancedSearchForm::TLink {
    TAdvancedSearchForm* Form = nullptr;
};

namespace {

const char* const kColumnCaptions[] = {"Filename", "Path", "Size", "Type", "Date", "Permissions", "User", "Group"};
constexpr int kFirstColumnEntry = 6;

bool IsDotEntry(std::string_view name)
{
    return name == "." || name == "..";
}

}  // namespace

TAdvancedSearchForm::TAdvancedSearchForm(TFTPWorker& worker, std::shared_ptr<TIconCache> icons, QWidget* parent)
    : QDialog(parent), worker_(worker), link_(std::make_shared<TLink>())
{
    link_->Form = this;
    setObjectName(QStringLiteral("AdvancedSearchForm"));
    results_ = new TSearchResultModel(std::move(icons), this);
    BuildLayout();
    RegisterTexts();
    idleWait_ = new QTimer(this);
    idleWait_->setInterval(50);
    connect(idleWait_, &QTimer::timeout, this, [this] {
        if (worker_.Busy())
            return;
        idleWait_->stop();
        search_->setEnabled(true);
    });
    // A walk that fails (a folder the server refuses) ends without its
    // done event: once the worker has nothing left to do, the search is over.
    walkWatch_ = new QTimer(this);
    walkWatch_->setInterval(100);
    connect(walkWatch_, &QTimer::timeout, this, [this] {
        const bool ended = !worker_.Busy() && !worker_.CommandPending();
        idleTicks_ = ended ? idleTicks_ + 1 : 0;
        if (idleTicks_ >= 2 && searching_)
            StopSearch();
    });
    resize(652, 415);
}

TAdvancedSearchForm::~TAdvancedSearchForm()
{
    if (searching_) {
        worker_.OnSearchListing.Clear();
        worker_.OnSearchDone.Clear();
    }
    link_->Form = nullptr;
}

void TAdvancedSearchForm::BuildLayout()
{
    pages_ = new QTabWidget(this);
    auto* page = new QWidget(pages_);
    auto* form = new QFormLayout(page);
    nameLabel_ = new QLabel(page);
    name_ = new QLineEdit(page);
    name_->setObjectName(QStringLiteral("NameField"));
    nameLabel_->setBuddy(name_);
    form->addRow(nameLabel_, name_);
    pages_->addTab(page, QString());

    search_ = new QPushButton(this);
    search_->setObjectName(QStringLiteral("SearchButton"));
    search_->setDefault(true);
    search_->setAutoDefault(true);
    exit_ = new QPushButton(this);
    exit_->setAutoDefault(false);
    clear_ = new QPushButton(this);
    clear_->setAutoDefault(false);
    connect(search_, &QPushButton::clicked, this, &TAdvancedSearchForm::ToggleSearch);
    connect(exit_, &QPushButton::clicked, this, &TAdvancedSearchForm::reject);
    connect(clear_, &QPushButton::clicked, this, [this] { results_->Clear(); });
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(search_);
    buttons->addWidget(exit_);
    buttons->addWidget(clear_);
    buttons->addStretch(1);

    list_ = new QTreeView(this);
    list_->setObjectName(QStringLiteral("ResultList"));
    list_->setModel(results_);
    list_->setRootIsDecorated(false);
    list_->setUniformRowHeights(true);
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->setAllColumnsShowFocus(true);
    list_->header()->setSectionsClickable(true);
    list_->header()->setSortIndicatorShown(true);
    list_->header()->setSortIndicator(0, Qt::AscendingOrder);
    // Room for the usual texts; the list scrolls sideways for the rest.
    const int widths[] = {160, 140, 70, 130, 155, 85, 70, 70};
    for (int column = 0; column < TSearchResultModel::scColumnCount; ++column)
        list_->header()->resizeSection(column, widths[column]);
    connect(list_->header(), &QHeaderView::sectionClicked, this, [this](int column) {
        results_->HeaderClicked(column);
        list_->header()->setSortIndicator(results_->SortColumn(),
                                          results_->SortState() == 1 ? Qt::AscendingOrder : Qt::DescendingOrder);
    });

    auto* top = new QHBoxLayout;
    top->addWidget(pages_, 1);
    top->addLayout(buttons);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(list_, 1);
    setTabOrder(name_, search_);
    setTabOrder(search_, exit_);
    setTabOrder(exit_, clear_);
    setTabOrder(clear_, list_);
}

void TAdvancedSearchForm::RegisterTexts()
{
    texts_ = new TWindowTexts(this, QStringLiteral("AdvancedSearchForm"));
    texts_->AddTitle(1, QStringLiteral("Advanced file search"));
    texts_->AddTab(2, pages_, 0, QStringLiteral("Files and folders"));
    texts_->AddText(3, nameLabel_, QStringLiteral("File or directory &name:"));
    texts_->AddText(4, exit_, QStringLiteral("&Exit"));
    texts_->AddText(5, clear_, QStringLiteral("&Clear results"));
    auto captions = std::make_shared<QStringList>();
    for (int column = 0; column < TSearchResultModel::scColumnCount; ++column) {
        captions->append(QString::fromLatin1(kColumnCaptions[column]));
        texts_->Add(kFirstColumnEntry + column, QString::fromLatin1(kColumnCaptions[column]),
                    [this, captions, column](const QString& text) {
                        (*captions)[column] = text;
                        results_->SetColumnCaptions(*captions);
                    });
    }
    texts_->SetOnApplied([this] { ShowSearchCaption(); });
    ShowSearchCaption();
}

void TAdvancedSearchForm::ShowSearchCaption()
{
    search_->setText(QString::fromStdString(
        LoadStr(searching_ ? "AdvancedSearchForm_strSTOP" : "AdvancedSearchForm_strSEARCH")));
}

void TAdvancedSearchForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    name_->setFocus();
}

void TAdvancedSearchForm::reject()
{
    if (searching_)
        StopSearch();
    QDialog::reject();
}

void TAdvancedSearchForm::ToggleSearch()
{
    if (searching_)
        StopSearch();
    else
        StartSearch();
}

void TAdvancedSearchForm::StartSearch()
{
    if (!search_->isEnabled())
        return;  // the last walk is still winding down
    // An empty field finds everything, as "*" does.
    const QString text = name_->text().isEmpty() ? QStringLiteral("*") : name_->text();
    pattern_ = QRegularExpression(
        QRegularExpression::wildcardToRegularExpression(text),
        QRegularExpression::CaseInsensitiveOption);
    const std::uint64_t generation = ++generation_;
    worker_.OnSearchListing.Set([link = link_, generation](const TIdFTPListItems& listing) {
        if (link->Form && link->Form->searching_ && link->Form->generation_ == generation)
            link->Form->AddMatches(listing);
    });
    worker_.OnSearchDone.Set([link = link_, generation](TFTPWorker&) {
        if (link->Form && link->Form->searching_ && link->Form->generation_ == generation)
            link->Form->StopSearch();
    });
    setCursor(Qt::BusyCursor);
    searching_ = true;
    ShowSearchCaption();
    worker_.RequestRecursiveSearch(worker_.CurrentDir());
    idleTicks_ = 0;
    walkWatch_->start();
}

void TAdvancedSearchForm::StopSearch()
{
    walkWatch_->stop();
    unsetCursor();
    worker_.OnSearchListing.Clear();
    worker_.OnSearchDone.Clear();
    searching_ = false;
    ShowSearchCaption();
    WaitForIdleWorker();
}

void TAdvancedSearchForm::WaitForIdleWorker()
{
    if (!worker_.Busy())
        return;
    search_->setEnabled(false);
    idleWait_->start();
}

// Runs while the worker waits, with the worker in the walked folder.
// "." and ".." name the folder itself and its parent, which are found as
// entries of their own parents: they are never results.
void TAdvancedSearchForm::AddMatches(const TIdFTPListItems& listing)
{
    const QString directory = TextFromRemote(worker_.CurrentDir());
    std::vector<const TIdFTPListItem*> matches;
    for (const TIdFTPListItem& entry : listing) {
        if (IsDotEntry(entry.FileName()))
            continue;
        if (pattern_.match(TextFromRemote(entry.FileName())).hasMatch())
            matches.push_back(&entry);
    }
    results_->AddAll(matches, directory);
}
