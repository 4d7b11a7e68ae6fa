#include "platform/DesktopOpen.h"

#include <QProcess>
#include <QString>
#include <QStringList>

bool OpenWithDesktop(const std::string& url, const std::string& opener)
{
    if (url.empty())
        return false;
    return QProcess::startDetached(QString::fromStdString(opener), QStringList{QString::fromStdString(url)});
}
