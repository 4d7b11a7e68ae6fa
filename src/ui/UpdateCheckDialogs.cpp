#include "ui/UpdateCheckDialogs.h"

#include "i18n/LanguageManager.h"

#include <QApplication>
#include <QDesktopServices>
#include <QMessageBox>
#include <QUrl>
#include <QWidget>

namespace {

QString Title(const char* constant) { return QString::fromStdString(LoadStr(constant)); }

// The string table ends lines Windows-style; a message box wants "\n".
QString Body(const std::string& text)
{
    return QString::fromStdString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

} // namespace

TUpdateCheckDialogs::TUpdateCheckDialogs(QWidget* owner, std::string baseURL, std::string currentVersion)
    : QObject(owner), owner_(owner), check_(std::move(baseURL), std::move(currentVersion))
{
    OpenInstaller = [](const std::string& url) {
        return QDesktopServices::openUrl(QUrl(QString::fromStdString(url)));
    };
}

TUpdateCheckDialogs::~TUpdateCheckDialogs()
{
    if (busyPointer_)
        QApplication::restoreOverrideCursor();
}

bool TUpdateCheckDialogs::Run()
{
    if (!check_.Start([this](const TUpdateCheckOutcome& outcome) {
            if (busyPointer_) {
                QApplication::restoreOverrideCursor();
                busyPointer_ = false;
            }
            Show(outcome);
        }))
        return false;
    QApplication::setOverrideCursor(Qt::BusyCursor);
    busyPointer_ = true;
    return true;
}

void TUpdateCheckDialogs::Show(const TUpdateCheckOutcome& outcome)
{
    switch (outcome.Result) {
    case tfuUpToDate:
        QMessageBox::information(owner_, Title("MainForm_strInformation"), Body(outcome.Text), QMessageBox::Ok);
        break;
    case tfuNewVersion:
        if (QMessageBox::question(owner_, Title("MainForm_strConfirm"), Body(outcome.Text),
                                  QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes) == QMessageBox::Yes &&
            OpenInstaller)
            OpenInstaller(check_.InstallerURL());
        break;
    case tfuFailed:
        QMessageBox::critical(owner_, Title("MainForm_strError"), Body(outcome.Text), QMessageBox::Ok);
        break;
    }
}
