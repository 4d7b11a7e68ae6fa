#include "app/PlaceholderMainWindow.h"

#include "store/MainConfig.h"

#include <QCloseEvent>
#include <QWidget>

#include <cstdio>
#include <exception>

TPlaceholderMainWindow::TPlaceholderMainWindow(TMainConfig& config) : config_(config)
{
    setWindowTitle(QStringLiteral("Tovrel FTP"));
    setCentralWidget(new QWidget(this));
}

void TPlaceholderMainWindow::ShowWithStoredLayout()
{
    try {
        move(config_.MainFormLeft(), config_.MainFormTop());
        resize(config_.MainFormWidth(), config_.MainFormHeight());
        if (config_.MainFormMaximized()) {
            showMaximized();
            return;
        }
    } catch (const std::exception& e) {
        // A hand-edited value that is not a number: keep the toolkit's layout.
        std::fprintf(stderr, "Tovrel FTP: window layout not restored: %s\n", e.what());
    }
    show();
}

void TPlaceholderMainWindow::SaveLayout()
{
    const bool maximized = isMaximized();
    const QRect bounds = maximized ? normalGeometry() : frameGeometry();
    config_.SetMainFormMaximized(maximized);
    config_.SetMainFormTop(bounds.top());
    config_.SetMainFormLeft(bounds.left());
    config_.SetMainFormHeight(maximized ? bounds.height() : height());
    config_.SetMainFormWidth(maximized ? bounds.width() : width());
}

void TPlaceholderMainWindow::closeEvent(QCloseEvent* event)
{
    // Closing must go on whatever fails here; the user would otherwise be
    // stuck with a window that cannot be closed.
    try {
        config_.SetSelectedBottomPageControlIndex(0);
        if (config_.RememberFormState())
            SaveLayout();
        config_.Save();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "Tovrel FTP: settings not saved: %s\n", e.what());
    }
    event->accept();
}
