#include "viewsGuiApp.h"

#include "ftp/listparse/ListRegistry.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QLocale>
#include <QThread>
#include <QTimer>

#include <fstream>
#include <memory>
#include <sstream>

namespace {

class GuiEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "tovrel-ui-views-test";
        static char* argv[] = {name, nullptr};
        app_ = std::make_unique<QApplication>(argc, argv);
        // A real locale, so names sort the way users see them (the "C"
        // locale of a bare test machine compares letter case).
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    }
    void TearDown() override { app_.reset(); }

private:
    std::unique_ptr<QApplication> app_;
};

[[maybe_unused]] const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new GuiEnvironment);

}  // namespace

bool WaitUntil(const std::function<bool()>& done, int milliseconds)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > milliseconds)
            return done();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        if (!done())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    }
    return true;
}

namespace {

/// Runs `action` on the first visible modal window `accept` takes.
void WhenModalMatches(std::function<bool(QWidget*)> accept, std::function<void(QWidget*)> action)
{
    auto* timer = new QTimer(QCoreApplication::instance());
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, accept, action] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible() || !accept(modal))
            return;
        timer->stop();
        timer->deleteLater();
        action(modal);
    });
    timer->start();
}

} // namespace

void guitest::WhenModal(std::function<void(QWidget*)> action)
{
    WhenModalMatches([](QWidget*) { return true; }, std::move(action));
}

void guitest::AnswerNextQuestion(QMessageBox::StandardButton button, QString* text)
{
    // A dialog under test may itself be modal; the question is the message
    // box that opens over it.
    WhenModalMatches([](QWidget* modal) { return qobject_cast<QMessageBox*>(modal) != nullptr; },
                     [button, text](QWidget* modal) {
                         auto* box = static_cast<QMessageBox*>(modal);
                         if (text)
                             *text = box->text();
                         box->button(button)->click();
                     });
}

TListingCache::TListing ParseListing(const std::string& lines)
{
    auto items = std::make_shared<TIdFTPListItems>();
    ParseListingText(lines, *items);
    return items;
}

std::string FixtureText(const std::string& relativePath)
{
    std::ifstream in(std::string(TOVREL_FIXTURES_DIR) + "/" + relativePath, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}
