#pragma once
// Shared by the settings window and first-run wizard tests: answering the
// next modal window, the shipped German language file, and desktop
// switches that only remember what they were told.

#include "i18n/LanguageManager.h"
#include "store/RegistrySwitches.h"

#include <QAbstractButton>
#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <functional>

namespace settingstest {

/// Runs `action` on the next modal window once it shows.
inline void WhenModal(std::function<void(QWidget*)> action)
{
    auto* timer = new QTimer(QCoreApplication::instance());
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, action] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible())
            return;
        timer->stop();
        timer->deleteLater();
        action(modal);
    });
    timer->start();
}

/// Clicks the button of `window` whose caption (without "&") is `caption`.
inline bool Click(QWidget* window, const QString& caption)
{
    for (QAbstractButton* button : window->findChildren<QAbstractButton*>())
        if (button->text().remove(QLatin1Char('&')) == caption) {
            button->click();
            return true;
        }
    return false;
}

/// Registers the shipped German file of the build tree (once).
inline void RegisterGerman()
{
    LangManager().ScanDirectory(TOVREL_BINARY_DIR "/Languages");
}

/// Back to English whatever a test did.
struct TEnglishAfterwards {
    ~TEnglishAfterwards() { LangManager().SetActiveLanguage(TLanguageManager::BuiltInLanguageId); }
};

class TRecordingSwitches final : public IRegistrySwitches {
public:
    bool Browser = false, Explorer = false, StartUp = false;
    int Writes = 0;
    bool BrowserIntegration() const override { return Browser; }
    void SetBrowserIntegration(bool value) override { Browser = value; ++Writes; }
    bool ExplorerContextMenu() const override { return Explorer; }
    void SetExplorerContextMenu(bool value) override { Explorer = value; ++Writes; }
    bool StartWithSystem() const override { return StartUp; }
    void SetStartWithSystem(bool value) override { StartUp = value; ++Writes; }
};

} // namespace settingstest
