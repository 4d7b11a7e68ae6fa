// The main window's parts: actions, menus, toolbars, panes, the bottom
// pages and the tray icon; their texts in the active language; the stored
// window layout.

#include "ui/MainForm.h"

#include "i18n/LanguageManager.h"
#include "platform/Registry.h"
#include "store/MainConfig.h"
#include "ui/AppIcons.h"
#include "ui/LocalPane.h"
#include "ui/LogPane.h"
#include "ui/RemoteListView.h"
#include "ui/RemotePathBox.h"
#include "ui/StatusBar.h"

#include <QAction>
#include <QActionGroup>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QSplitter>
#include <QSystemTrayIcon>
#include <QListView>
#include <QStackedWidget>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

constexpr const char* kToolbarsKey = "Software\\Tovrel FTP\\Toolbars";
constexpr const char* kEntryProperty = "tovrelTextEntry";
constexpr const char* kEnglishProperty = "tovrelEnglishText";

// Window-text entries of texts that are not action captions.
enum TTextEntry {
    teFileMenu = 201, teViewMenu, teToolbarsMenu, teHostsMenu, teConnectToMenu, teLocalMenu, teLocalViewMenu,
    teRemoteMenu, teRemoteViewMenu, teBookmarkMenu, teToolsMenu, teHelpMenu, teLocalFilterMenu,
    teRemoteFilterMenu, teStyleIcons, teStyleSmallIcons, teStyleList, teStyleDetails, teQueuePage, teLogPage,
    teColumnFirst, teSelectHost = teColumnFirst + 7,
};

const char* const kColumnCaptions[] = {"Filename", "Size", "Type", "Date", "Permissions", "User", "Group"};
const char* const kStyleCaptions[] = {"Icons", "Small icons", "List", "Details"};

QString WindowText(int entry, const QString& english)
{
    const auto text = LangManager().WindowText("MainForm", entry);
    return text ? QString::fromStdString(*text) : english;
}

void MarkText(QObject* object, int entry, const QString& english)
{
    object->setProperty(kEntryProperty, entry);
    object->setProperty(kEnglishProperty, english);
}

QToolButton* DropDownButton(QAction* action, QMenu* menu)
{
    auto* button = new QToolButton;
    button->setDefaultAction(action);
    button->setMenu(menu);
    button->setPopupMode(QToolButton::InstantPopup);
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    return button;
}

} // namespace

void TMainForm::BuildActions()
{
    const auto defs = MainFormActionDefs();
    for (std::size_t i = 0; i < defs.size(); ++i) {
        const TActionDef& def = defs[i];
        auto* action = new QAction(this);
        action->setObjectName(QString::fromLatin1(def.Name));
        if (*def.Shortcut)
            action->setShortcut(QKeySequence(QString::fromLatin1(def.Shortcut)));
        if (*def.Icon)
            action->setIcon(TAppIcons::Icon(def.Icon));
        action->setCheckable(def.Checkable);
        action->setChecked(def.CheckedAtStart);
        // Shortcuts of actions without a menu entry work window-wide.
        action->setShortcutContext(Qt::WindowShortcut);
        addAction(action);
        actions_.emplace(def.Name, action);
    }
    // The Delete key belongs to the remote list alone.
    Action("RemoteDeleteFileAction")->setShortcutContext(Qt::WidgetShortcut);
}

QAction* TMainForm::Action(std::string_view name) const
{
    const auto found = actions_.find(name);
    return found == actions_.end() ? nullptr : found->second;
}

void TMainForm::BuildMenus()
{
    auto titled = [this](QMenu* menu, int entry, const char* english) {
        MarkText(menu->menuAction(), entry, QString::fromLatin1(english));
        titledMenus_.push_back(menu);
        return menu;
    };
    QMenuBar* bar = menuBar();
    QMenu* file = titled(bar->addMenu(QString()), teFileMenu, "&File");
    for (const char* name : {"EditHostsAction", "AddHostAction", "QuickConnectAction"}) {
        // Menu captions of their own ("Edit hosts..."), from the string table.
        auto* entry = file->addAction(Action(name)->icon(), QString());
        entry->setObjectName(QStringLiteral("File") + QString::fromLatin1(name));
        connect(entry, &QAction::triggered, Action(name), &QAction::trigger);
    }
    file->addSeparator();
    file->addAction(Action("ExitAction"));

    QMenu* view = titled(bar->addMenu(QString()), teViewMenu, "&View");
    toolbarPopup_ = titled(view->addMenu(QString()), teToolbarsMenu, "Toolbars");
    for (const char* name : {"ShowMainToolbarAction", "ShowLocalToolbarAction", "ShowRemoteToolbarAction",
                             "ShowQueueLogToolbarAction"})
        toolbarPopup_->addAction(Action(name));
    toolbarPopup_->addSeparator();
    toolbarPopup_->addAction(Action("CustomizeToolbarAction"));

    QMenu* hostsMenu = titled(bar->addMenu(QString()), teHostsMenu, "&Hosts");
    hostsMenu->addAction(Action("EditHostsAction"));
    connectToMenu_ = titled(hostsMenu->addMenu(QString()), teConnectToMenu, "Connect to");

    localStyles_ = new QActionGroup(this);
    remoteStyles_ = new QActionGroup(this);
    for (bool remote : {false, true}) {
        QMenu* pane = titled(bar->addMenu(QString()), remote ? teRemoteMenu : teLocalMenu,
                             remote ? "&Remote computer" : "&Local computer");
        const char* prefix = remote ? "Remote" : "Local";
        pane->addAction(Action(std::string(prefix) + "RefreshAction"));
        QMenu* styles = titled(pane->addMenu(QString()), remote ? teRemoteViewMenu : teLocalViewMenu, "View");
        styles->setIcon(TAppIcons::Icon("view"));
        QActionGroup* group = remote ? remoteStyles_ : localStyles_;
        for (int style = 0; style < 4; ++style) {
            QAction* entry = styles->addAction(QString());
            entry->setObjectName(QStringLiteral("%1ViewStyle%2").arg(QString::fromLatin1(prefix)).arg(style));
            MarkText(entry, teStyleIcons + style, QString::fromLatin1(kStyleCaptions[style]));
            entry->setCheckable(true);
            entry->setData(style);
            group->addAction(entry);
            connect(entry, &QAction::triggered, this, [this, remote, style] { SetViewStyle(remote, style); });
        }
        if (remote) {
            Action("RemoteViewAction")->setMenu(styles);
            pane->addAction(Action("StopAction"));
        }
        pane->addAction(Action(std::string(prefix) + "CDHomeAction"));
        pane->addAction(Action(std::string(prefix) + "CDUPAction"));
        pane->addAction(Action(std::string(prefix) + "MakeDirAction"));
        if (remote) {
            pane->addAction(Action("RemoteDeleteFileAction"));
            bookmarkMenu_ = titled(pane->addMenu(QString()), teBookmarkMenu, "Bookmark");
            bookmarkMenu_->setIcon(TAppIcons::Icon("bookmark"));
        }
        QMenu* filters = new QMenu(this);
        MarkText(filters->menuAction(), remote ? teRemoteFilterMenu : teLocalFilterMenu, QStringLiteral("Filter"));
        titledMenus_.push_back(filters);
        filters->addSeparator();
        filters->addAction(Action("EditFiltersAction"));
        (remote ? remoteFilterMenu_ : localFilterMenu_) = filters;
    }
    Action("RemoteSelectFilterAction")->setMenu(remoteFilterMenu_);

    toolbarBookmarkMenu_ = new QMenu(this);
    for (QMenu* menu : {bookmarkMenu_, toolbarBookmarkMenu_}) {
        menu->addSeparator();
        menu->addAction(Action("RemoteAddCurrentDirBookmarkAction"));
        menu->addAction(Action("RemoteEditBookmarksAction"));
    }
    Action("RemoteSelectBookmarkAction")->setMenu(toolbarBookmarkMenu_);

    QMenu* tools = titled(bar->addMenu(QString()), teToolsMenu, "&Tools");
    tools->addAction(Action("SettingsAction"));
    QMenu* help = titled(bar->addMenu(QString()), teHelpMenu, "&Help");
    for (const char* name : {"HelpAction", "CheckForUpdatesAction", "AboutAction"})
        help->addAction(Action(name));

    remotePopup_ = new QMenu(this);
    remotePopup_->setObjectName(QStringLiteral("RemotePopupMenu"));
    for (const char* name : {"RemoteFileOpenAction", "RemoteFileDownloadAction", "RemoteFileAddToQueueAction",
                             "RemoteFileCopyURLAction", "RemoteFilePropertiesAction"})
        remotePopup_->addAction(Action(name));
    queuePopup_ = new QMenu(this);
    queuePopup_->setObjectName(QStringLiteral("QueuePopupMenu"));
    for (const char* name : {"BeginQueueItemTransferAction", "", "StopQueueItemAction", "PauseQueueItemAction", "",
                             "PlayQueueAction", "StopQueueAction", "PauseQueueAction", "ClearQueueAction", "",
                             "DeleteQueueItemAction"}) {
        if (*name)
            queuePopup_->addAction(Action(name));
        else
            queuePopup_->addSeparator();
    }
}

void TMainForm::BuildToolbars()
{
    mainToolbar_ = new QToolBar(this);
    mainToolbar_->setObjectName(QStringLiteral("MainToolbar"));
    mainToolbar_->setWindowTitle(QStringLiteral("Connect"));
    mainToolbar_->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    mainToolbar_->setIconSize(QSize(32, 32));
    mainToolbar_->setMovable(true);
    addToolBar(Qt::TopToolBarArea, mainToolbar_);

    hostSelectorMenu_ = new QMenu(this);
    hostSelector_ = new QToolButton(this);
    hostSelector_->setObjectName(QStringLiteral("HostSelector"));
    hostSelector_->setIcon(TAppIcons::Icon("connect"));
    hostSelector_->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    hostSelector_->setPopupMode(QToolButton::MenuButtonPopup);
    hostSelector_->setMenu(hostSelectorMenu_);
    hostSelector_->setMinimumWidth(110);
    MarkText(hostSelector_, teSelectHost, QStringLiteral("Select a host"));
    connect(hostSelector_, &QToolButton::clicked, Action("ConnectAction"), &QAction::trigger);
    mainToolbar_->addWidget(hostSelector_);
    for (const char* name : {"DisconnectAction", "QuickConnectAction", "AddHostAction", "EditHostsAction"})
        mainToolbar_->addAction(Action(name));

    localPane_ = new TLocalPane(this);
    QToolBar* local = localPane_->ToolBar();
    for (const char* name : {"LocalRefreshAction", "LocalCDUPAction", "LocalCDHomeAction", "LocalMakeDirAction"})
        local->addAction(Action(name));
    local->addSeparator();
    local->addAction(Action("UploadAction"));
    local->addAction(Action("AddLocalFilesToQueueAction"));

    paneSplitter_ = new QSplitter(Qt::Horizontal, this);
    paneSplitter_->setObjectName(QStringLiteral("PaneSplitter"));
    paneSplitter_->setHandleWidth(4);
    paneSplitter_->setChildrenCollapsible(false);
    paneSplitter_->addWidget(localPane_);
    paneSplitter_->addWidget(BuildRemotePane());
    paneSplitter_->setStretchFactor(1, 1);

    bottomSplitter_ = new QSplitter(Qt::Vertical, this);
    bottomSplitter_->setObjectName(QStringLiteral("BottomSplitter"));
    bottomSplitter_->setHandleWidth(3);
    bottomSplitter_->setChildrenCollapsible(false);
    bottomSplitter_->addWidget(paneSplitter_);
    bottomSplitter_->addWidget(BuildBottomPanel());
    bottomSplitter_->setStretchFactor(0, 1);
    setCentralWidget(bottomSplitter_);

    statusBar_ = new TStatusBar(this);
    setStatusBar(statusBar_);
    resize(728, 547);
}

QWidget* TMainForm::BuildRemotePane()
{
    auto* pane = new QWidget(this);
    pane->setObjectName(QStringLiteral("RemotePane"));
    remoteToolbar_ = new QToolBar(QStringLiteral("Remote Files Toolbar"), pane);
    remoteToolbar_->setObjectName(QStringLiteral("RemoteToolbar"));
    remoteToolbar_->setIconSize(QSize(16, 16));
    for (const char* name : {"RemoteRefreshAction", "RemoteCDUPAction", "RemoteCDHomeAction", "RemoteMakeDirAction",
                             "RemoteDeleteFileAction", "StopAction"})
        remoteToolbar_->addAction(Action(name));
    remoteToolbar_->addSeparator();
    remoteToolbar_->addWidget(DropDownButton(Action("RemoteViewAction"), Action("RemoteViewAction")->menu()));
    remoteToolbar_->addWidget(DropDownButton(Action("RemoteSelectFilterAction"), remoteFilterMenu_));
    remoteToolbar_->addWidget(DropDownButton(Action("RemoteSelectBookmarkAction"), toolbarBookmarkMenu_));
    remoteToolbar_->addSeparator();
    remoteToolbar_->addAction(Action("DownloadAction"));
    remoteToolbar_->addAction(Action("AddRemoteFilesToQueueAction"));

    remotePathBox_ = new TRemotePathBox(nullptr, pane);
    remotePathBox_->setObjectName(QStringLiteral("RemotePathBox"));
    remoteList_ = new TRemoteListView(nullptr, pane);
    remoteList_->setObjectName(QStringLiteral("RemoteList"));
    remoteList_->setContextMenuPolicy(Qt::CustomContextMenu);
    remoteList_->addAction(Action("RemoteDeleteFileAction"));
    remoteSummary_ = new QLabel(pane);
    remoteSummary_->setObjectName(QStringLiteral("RemoteSelectionSummary"));
    remoteSummary_->setContentsMargins(4, 2, 4, 2);
    remoteList_->setEnabled(false);
    remotePathBox_->setEnabled(false);

    auto* layout = new QVBoxLayout(pane);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(remoteToolbar_);
    layout->addWidget(remotePathBox_);
    remoteStack_ = new QStackedWidget(pane);
    remoteStack_->addWidget(remoteList_);
    remoteStack_->addWidget(remoteList_->IconView());
    layout->addWidget(remoteStack_, 1);
    layout->addWidget(remoteSummary_);
    return pane;
}

QWidget* TMainForm::BuildBottomPanel()
{
    auto* panel = new QWidget(this);
    panel->setObjectName(QStringLiteral("BottomPanel"));
    panel->setMinimumHeight(100);
    queueLogToolbar_ = new QToolBar(QStringLiteral("Log and Queue Toolbar"), panel);
    queueLogToolbar_->setObjectName(QStringLiteral("QueueLogToolbar"));
    queueLogToolbar_->setIconSize(QSize(16, 16));
    QMenu* save = new QMenu(this);
    save->addAction(Action("SaveQueueToFileAction"));
    QMenu* load = new QMenu(this);
    load->addAction(Action("LoadQueueFromFileAction"));
    Action("SaveQueueAction")->setMenu(save);
    Action("LoadQueueAction")->setMenu(load);
    for (const char* name : {"SaveQueueAction", "LoadQueueAction"}) {
        queueLogToolbar_->addAction(Action(name));
        if (auto* button = qobject_cast<QToolButton*>(queueLogToolbar_->widgetForAction(Action(name))))
            button->setPopupMode(QToolButton::MenuButtonPopup);
    }
    queueLogToolbar_->addSeparator();
    for (const char* name : {"PlayQueueAction", "StopQueueAction", "PauseQueueAction", "ClearQueueAction"})
        queueLogToolbar_->addAction(Action(name));
    auto* finished = new QToolButton(queueLogToolbar_);
    finished->setObjectName(QStringLiteral("QueueFinishedButton"));
    finished->setText(QStringLiteral("Queue finished"));
    finished->setPopupMode(QToolButton::InstantPopup);
    auto* finishedMenu = new QMenu(finished);
    finishedMenu->addAction(Action("TurnOffComputerAction"));
    finished->setMenu(finishedMenu);
    queueLogToolbar_->addWidget(finished);
    queueLogToolbar_->addSeparator();
    queueLogToolbar_->addAction(Action("ClearLogAction"));

    bottomPages_ = new QTabWidget(panel);
    bottomPages_->setObjectName(QStringLiteral("BottomPageControl"));
    bottomPages_->setDocumentMode(true);
    queuePage_ = new QWidget(bottomPages_);
    queuePage_->setObjectName(QStringLiteral("QueuePage"));
    // The queue page's list goes in here once the queue exists.
    auto* queueLayout = new QVBoxLayout(queuePage_);
    queueLayout->setContentsMargins(0, 0, 0, 0);
    logPane_ = new TLogPane(bottomPages_);
    logPane_->setObjectName(QStringLiteral("LogPane"));
    bottomPages_->addTab(queuePage_, TAppIcons::Icon("queue"), QString());
    bottomPages_->addTab(logPane_, TAppIcons::Icon("log"), QString());

    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(queueLogToolbar_);
    layout->addWidget(bottomPages_, 1);
    return panel;
}

void TMainForm::BuildTray()
{
    setWindowIcon(TAppIcons::ApplicationIcon());
    tray_ = new QSystemTrayIcon(TAppIcons::ApplicationIcon(), this);
    tray_->setToolTip(QString::fromLatin1(Caption));
    connect(tray_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason != QSystemTrayIcon::Trigger && reason != QSystemTrayIcon::DoubleClick)
            return;
        showNormal();
        raise();
        activateWindow();
        if (!config_.TrayIcon())
            tray_->hide();
    });
}

void TMainForm::ApplyWindowTexts()
{
    const auto defs = MainFormActionDefs();
    for (std::size_t i = 0; i < defs.size(); ++i) {
        QAction* action = Action(defs[i].Name);
        const int index = static_cast<int>(i);
        action->setText(WindowText(ActionCaptionEntry(index), QString::fromLatin1(defs[i].Caption)));
        const QString hint = WindowText(ActionHintEntry(index), QString::fromLatin1(defs[i].Hint));
        action->setToolTip(hint.isEmpty() ? QString(action->text()).remove(QLatin1Char('&')) : hint);
        action->setStatusTip(hint);
    }
    const std::pair<const char*, const char*> fileEntries[] = {{"FileEditHostsAction", "MainForm_strEditHosts"},
                                                               {"FileAddHostAction", "MainForm_strAddHost"},
                                                               {"FileQuickConnectAction", "MainForm_strQuickConnect"}};
    for (const auto& [name, constant] : fileEntries)
        if (auto* entry = findChild<QAction*>(QString::fromLatin1(name)))
            entry->setText(QString::fromStdString(LoadStr(constant)));

    QList<QObject*> marked;
    for (QMenu* menu : titledMenus_)
        marked << menu->menuAction();
    for (QActionGroup* group : {localStyles_, remoteStyles_})
        for (QAction* entry : group->actions())
            marked << entry;
    for (QObject* object : marked) {
        const QString text = WindowText(object->property(kEntryProperty).toInt(),
                                        object->property(kEnglishProperty).toString());
        static_cast<QAction*>(object)->setText(text);
    }
    if (hostSelectorIndex_ < 0)
        hostSelector_->setText(WindowText(teSelectHost, QStringLiteral("Select a host")));
    bottomPages_->setTabText(0, WindowText(teQueuePage, QStringLiteral("Queue")));
    bottomPages_->setTabText(1, WindowText(teLogPage, QStringLiteral("Log")));
    QStringList columns;
    for (int c = 0; c < 7; ++c)
        columns << WindowText(teColumnFirst + c, QString::fromLatin1(kColumnCaptions[c]));
    remoteList_->Model().SetColumnCaptions(columns);
}

void TMainForm::SetViewStyle(bool remote, int style)
{
    if (style < 0 || style > 3)
        style = 3;
    if (remote) {
        // Details show the list with its columns; the other styles show
        // the names only, in rows or as a grid of icons, over the same rows.
        remoteList_->SetViewStyle(style);
        const bool hadFocus = remoteStack_->currentWidget()->hasFocus();
        remoteStack_->setCurrentWidget(style == 3 ? static_cast<QWidget*>(remoteList_) : remoteList_->IconView());
        if (hadFocus)
            remoteStack_->currentWidget()->setFocus();
        config_.SetRemoteViewStyle(static_cast<TViewStyle>(style));
    } else {
        localPane_->SetViewStyle(style);
        config_.SetLocalViewStyle(static_cast<TViewStyle>(style));
    }
    const QList<QAction*> entries = (remote ? remoteStyles_ : localStyles_)->actions();
    if (style < entries.size())
        entries[style]->setChecked(true);
}

// --- window layout ----------------------------------------------------------------

void TMainForm::RestoreLayout()
{
    try {
        if (config_.MainFormMaximized()) {
            setWindowState(windowState() | Qt::WindowMaximized);
        } else {
            move(config_.MainFormLeft(), config_.MainFormTop());
            resize(config_.MainFormWidth(), config_.MainFormHeight());
        }
        const int localWidth = config_.LocalPanelWidth();
        paneSplitter_->setSizes({localWidth, std::max(100, width() - localWidth)});
        const int bottom = std::max(100, config_.BottomPanelHeight());
        bottomSplitter_->setSizes({std::max(100, height() - bottom), bottom});
        const int page = config_.SelectedBottomPageControlIndex();
        bottomPages_->setCurrentIndex(page >= 0 && page < bottomPages_->count() ? page : 0);
        RestoreToolbars();
    } catch (const std::exception& e) {
        // A hand-edited value that is not a number: keep the built layout.
        WriteLog(lkStatus, std::string("Window layout not restored: ") + e.what());
    }
}

void TMainForm::RestoreToolbars()
{
    try {
        TRegistry registry(config_.DataDirectory());
        if (const auto state = registry.ReadBinary(kToolbarsKey, "State"))
            restoreState(QByteArray::fromStdString(*state));
    } catch (const std::exception&) {
        // A damaged registry file keeps the default toolbar places.
    }
    const std::pair<const char*, bool> shown[] = {{"ShowMainToolbarAction", config_.ShowMainToolbar()},
                                                  {"ShowLocalToolbarAction", config_.ShowLocalToolbar()},
                                                  {"ShowRemoteToolbarAction", config_.ShowRemoteToolbar()},
                                                  {"ShowQueueLogToolbarAction", config_.ShowQueueLogToolbar()}};
    for (const auto& [name, visible] : shown)
        Action(name)->setChecked(visible);
    mainToolbar_->setVisible(config_.ShowMainToolbar());
    localPane_->ToolBar()->setVisible(config_.ShowLocalToolbar());
    remoteToolbar_->setVisible(config_.ShowRemoteToolbar());
    queueLogToolbar_->setVisible(config_.ShowQueueLogToolbar());
}

void TMainForm::SaveLayout()
{
    const bool maximized = isMaximized();
    config_.SetMainFormMaximized(maximized);
    if (!maximized) {
        config_.SetMainFormTop(frameGeometry().top());
        config_.SetMainFormLeft(frameGeometry().left());
        config_.SetMainFormHeight(height());
        config_.SetMainFormWidth(width());
    }
    const QList<int> panes = paneSplitter_->sizes();
    if (!panes.isEmpty())
        config_.SetLocalPanelWidth(panes.first());
    const QList<int> rows = bottomSplitter_->sizes();
    if (rows.size() > 1)
        config_.SetBottomPanelHeight(rows.last());
    config_.SetMainToolbarDockRow(1);
    config_.SetMainToolbarDockPos(mainToolbar_->x());
    config_.SetShowMainToolbar(Action("ShowMainToolbarAction")->isChecked());
    config_.SetMainMenuToolbarDockRow(0);
    config_.SetMainMenuToolbarDockPos(0);
    config_.SetShowLocalToolbar(Action("ShowLocalToolbarAction")->isChecked());
    config_.SetShowRemoteToolbar(Action("ShowRemoteToolbarAction")->isChecked());
    config_.SetShowQueueLogToolbar(Action("ShowQueueLogToolbarAction")->isChecked());
    config_.SetLocalSortColumn(localPane_->SortColumn());
    config_.SetRemoteHeaderSortColumn(remoteList_->Model().SortColumn());
    config_.SetRemoteHeaderSortDirection(remoteList_->Model().SortState() == 0 ? sdAscending : sdDescending);
    TRegistry registry(config_.DataDirectory());
    const QByteArray state = saveState();
    registry.WriteBinary(kToolbarsKey, "State", std::string_view(state.constData(), static_cast<std::size_t>(state.size())));
}
