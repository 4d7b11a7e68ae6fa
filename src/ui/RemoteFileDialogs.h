#pragma once
// Opens the windows that work on the remote selection or folder of the
// main window: the properties of the selected entries and the advanced
// search. User-interface thread only.

class QWidget;
class TMainForm;

/// Properties of the selected remote rows (the ".." row is left out, it is
/// not an entry of this folder); nothing when none is selected. The
/// selection is remembered, and the folder listed again afterwards.
void ShowFileProperties(TMainForm& window, QWidget* owner);

/// The advanced search from the worker's current remote folder.
void ShowAdvancedSearch(TMainForm& window, QWidget* owner);
