#pragma once
// Plugs the program's dialogs into the main window's hooks.

class TMainConfig;
class TMainForm;

/// Sets the hooks of the dialogs that exist (quick connect, host manager, add-host wizard) on
/// `window`; `config` outlives the window.
void InstallDialogHooks(TMainForm& window, TMainConfig& config);
