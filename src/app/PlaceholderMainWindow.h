#pragma once
// TPlaceholderMainWindow: the program's main window until the full one
// exists. It restores and stores the window state through the settings and
// saves the settings when it closes.

#include <QMainWindow>

class TMainConfig;

class TPlaceholderMainWindow : public QMainWindow {
public:
    explicit TPlaceholderMainWindow(TMainConfig& config);

    /// Applies the stored bounds and state, then shows the window.
    void ShowWithStoredLayout();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void SaveLayout();

    TMainConfig& config_;
};
