#include "ui/ActionTable.h"

#include <array>

namespace {

using R = TEnableRule;

// New actions go at the end: the index fixes the window-text numbers.
constexpr std::array kActions = std::to_array<TActionDef>({
    {"EditHostsAction", "&Edit", "Edit hosts", "F4", R::erAlways, "edit-hosts"},
    {"ConnectAction", "&Connect", "Connect", "Ctrl+D", R::erAlways, "connect"},
    {"DisconnectAction", "&Disconnect", "Disconnect", "", R::erConnected, "disconnect"},
    {"QuickConnectAction", "&Quick connect", "Quick connect", "F8", R::erAlways, "quick-connect"},
    {"AddHostAction", "&Add", "Add host", "", R::erAlways, "add-host"},
    {"StopAction", "Stop", "Stop", "", R::erWorkerBusy, "stop"},
    {"RemoteRefreshAction", "Refresh", "Refresh", "", R::erAuthenticated, "refresh"},
    {"RemoteViewAction", "View", "", "", R::erAuthenticated, "view"},
    {"RemoteCDUPAction", "Up", "Change directory up", "", R::erAuthenticated, "up"},
    {"RemoteCDHomeAction", "Home", "Change to initial directory", "", R::erAuthenticated, "home"},
    {"RemoteMakeDirAction", "New directory", "Make directory", "", R::erAuthenticated, "new-folder"},
    {"RemoteDeleteFileAction", "Delete", "Delete selected", "", R::erAuthenticated, "delete"},
    {"RemoteSelectFilterAction", "Filter", "", "", R::erAuthenticated, "filter"},
    {"RemoteSelectBookmarkAction", "Bookmark", "", "", R::erAuthenticated, "bookmark"},
    {"RemoteAddCurrentDirBookmarkAction", "Add current directory", "", "", R::erAlways, ""},
    {"RemoteEditBookmarksAction", "Edit bookmarks...", "", "", R::erAlways, ""},
    {"RemoteInvertSelectionAction", "Invert selection", "", "", R::erAuthenticated, ""},
    {"RemoteFileAdvancedSearchAction", "Advanced search", "", "", R::erAuthenticated, "search"},
    {"RemoteFileOpenAction", "Open", "", "", R::erRemotePopup, ""},
    {"RemoteFileDownloadAction", "Download", "", "", R::erRemotePopup, "download"},
    {"RemoteFileAddToQueueAction", "Add to queue", "", "", R::erRemotePopup, "add-to-queue"},
    {"RemoteFileCopyURLAction", "Copy URL", "", "", R::erRemotePopup, ""},
    {"RemoteFilePropertiesAction", "Properties", "", "", R::erRemotePopup, ""},
    {"UploadAction", "Upload", "Upload", "", R::erAuthenticated, "upload"},
    {"AddLocalFilesToQueueAction", "Add to queue", "Add files to queue", "", R::erAuthenticated, "add-to-queue"},
    {"DownloadAction", "Download", "Download", "", R::erAuthenticated, "download"},
    {"AddRemoteFilesToQueueAction", "Add to queue", "Add files to queue", "", R::erAuthenticated, "add-to-queue"},
    {"LocalRefreshAction", "Refresh", "Refresh", "", R::erAlways, "refresh"},
    {"LocalCDUPAction", "Up", "Change directory up", "", R::erAlways, "up"},
    {"LocalCDHomeAction", "Home", "Change to initial directory", "", R::erAlways, "home"},
    {"LocalMakeDirAction", "New directory", "Make directory", "", R::erLocalFolder, "new-folder"},
    {"SaveQueueAction", "Save queue", "", "", R::erAlways, "save"},
    {"SaveQueueToFileAction", "To file...", "", "", R::erAlways, ""},
    {"LoadQueueAction", "Load queue", "", "", R::erAlways, "open"},
    {"LoadQueueFromFileAction", "From file...", "", "", R::erAlways, ""},
    {"PlayQueueAction", "Play queue", "", "", R::erQueue, "play"},
    {"PauseQueueAction", "Pause queue", "", "", R::erQueue, "pause"},
    {"StopQueueAction", "Stop queue", "", "", R::erQueue, "stop-queue"},
    {"ClearQueueAction", "Clear queue", "", "", R::erQueue, "clear"},
    {"StopQueueItemAction", "Stop", "", "", R::erQueuePopup, ""},
    {"DeleteQueueItemAction", "Delete", "", "", R::erQueuePopup, ""},
    {"BeginQueueItemTransferAction", "Transfer now", "", "", R::erQueuePopup, ""},
    {"PauseQueueItemAction", "Pause", "", "", R::erQueuePopup, ""},
    {"TurnOffComputerAction", "Turn off computer after queue finished", "", "", R::erAlways, "", true},
    {"ClearLogAction", "Clear log", "", "", R::erAlways, "clear-log"},
    {"RefreshProxyAction", "", "", "F5", R::erAlways, ""},
    {"SimpleFileFindProxyAction", "", "", "Ctrl+F", R::erAlways, ""},
    {"ShowFiltersAction", "", "", "", R::erAlways, ""},
    {"RemoteSelectAllAction", "Select all", "", "Ctrl+A", R::erAlways, ""},
    {"EditFiltersAction", "Edit filters...", "Edit filters", "", R::erAlways, ""},
    {"SettingsAction", "Settings...", "Settings", "", R::erAlways, "settings"},
    {"HelpAction", "Help", "", "F1", R::erAlways, "help"},
    {"CheckForUpdatesAction", "Check for updates", "", "", R::erAlways, ""},
    {"AboutAction", "About...", "", "", R::erAlways, ""},
    {"ExitAction", "&Exit", "", "", R::erAlways, ""},
    {"MinimizeToTrayAction", "", "", "F9", R::erAlways, ""},
    {"CustomizeToolbarAction", "Customize...", "", "", R::erAlways, ""},
    {"ShowMainToolbarAction", "Main toolbar", "", "", R::erAlways, "", true, true},
    {"ShowLocalToolbarAction", "Local files toolbar", "", "", R::erAlways, "", true, true},
    {"ShowRemoteToolbarAction", "Remote files toolbar", "", "", R::erAlways, "", true, true},
    {"ShowQueueLogToolbarAction", "Queue and log toolbar", "", "", R::erAlways, "", true, true},
});

} // namespace

std::span<const TActionDef> MainFormActionDefs()
{
    return kActions;
}

bool RuleAllows(TEnableRule rule, const TActionState& state)
{
    switch (rule) {
    case R::erAlways: return true;
    case R::erConnected: return state.Connected;
    case R::erAuthenticated: return state.Authenticated && !state.Busy;
    case R::erQueue: return state.QueueHasItems;
    case R::erLocalFolder: return state.LocalFolderIsReal;
    case R::erRemotePopup:
    case R::erQueuePopup: return true;
    case R::erWorkerBusy: return state.Busy;
    }
    return true;
}

int ActionIndex(std::string_view name)
{
    for (std::size_t i = 0; i < kActions.size(); ++i)
        if (name == kActions[i].Name)
            return static_cast<int>(i);
    return -1;
}
