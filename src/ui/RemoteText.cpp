#include "ui/RemoteText.h"

#include <QByteArrayView>

QString TextFromRemote(std::string_view bytes)
{
    const QByteArrayView view(bytes.data(), static_cast<qsizetype>(bytes.size()));
    if (view.isValidUtf8())
        return QString::fromUtf8(view);
    return QString::fromLatin1(view);
}

std::string RemoteFromText(const QString& text)
{
    return text.toUtf8().toStdString();
}
