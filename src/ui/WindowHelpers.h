#pragma once
// Small helpers for the program's windows.

#include <QString>

class QLineEdit;
class QWidget;

/// The desktop's folder picker (folders only) starting at `initialFolder`;
/// the chosen folder, or "" when the user cancels.
QString BrowseForFolder(QWidget* owner, const QString& title, const QString& initialFolder);

/// Masks a password field; `showClear` shows the text as it is (for the
/// anonymous e-mail address, which is no secret).
void StylePasswordField(QLineEdit* field, bool showClear);

/// Gives the focus to the control of `page` that can take it and sits
/// highest (smallest top, measured in the page, below 1000 pixels); on equal
/// tops the first in child order. Answers the control, or nullptr.
QWidget* FocusFirstControl(QWidget* page);
