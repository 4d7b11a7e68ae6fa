#pragma once
// The main window's actions as data: name, texts, shortcut, icon and the
// rule that decides when each is enabled. Menus, toolbars and pop-up menus
// only point at these actions.
//
// Window-text entries: the caption of the action at table index i is entry
// 2i+1 of the "MainForm" window texts, its hint 2i+2, so a language file can
// replace both; the numbers never change once shipped.
//
// Pure data and one pure function; safe from any thread.

#include <span>
#include <string_view>

/// When an action is enabled.
enum class TEnableRule {
    erAlways,        // always enabled
    erConnected,     // while the control connection is open
    erAuthenticated, // while logged in and the worker is idle
    erQueue,         // while the queue holds items
    erLocalFolder,   // while the local folder is a real folder
    erRemotePopup,   // decided when the remote pop-up menu opens
    erQueuePopup,    // decided when the queue pop-up menu opens
    erWorkerBusy,    // while the worker runs an operation (Stop)
};

struct TActionDef {
    const char* Name;     // object name of the QAction ("ConnectAction")
    const char* Caption;  // English caption; "" for an action without one
    const char* Hint;     // English hint (tool tip and status tip)
    const char* Shortcut; // portable key sequence text, "" for none
    TEnableRule Rule;
    const char* Icon;     // icon name (TAppIcons), "" for none
    bool Checkable = false;
    bool CheckedAtStart = false;
};

/// Every action of the main window, in a fixed order.
std::span<const TActionDef> MainFormActionDefs();

/// The window-text entry numbers of the action at `index`.
constexpr int ActionCaptionEntry(int index) { return 2 * index + 1; }
constexpr int ActionHintEntry(int index) { return 2 * index + 2; }

/// What the rules look at.
struct TActionState {
    bool Connected = false;
    bool Authenticated = false;
    bool Busy = false;
    bool QueueHasItems = false;
    bool LocalFolderIsReal = true;
};

/// Whether `rule` enables its action in `state`. The pop-up rules answer
/// true here: their menus decide when they open.
bool RuleAllows(TEnableRule rule, const TActionState& state);

/// The index of the action named `name`, or -1.
int ActionIndex(std::string_view name);
