#include "ui/RemotePathBox.h"

#include "ui/IconCache.h"
#include "ui/RemoteText.h"

#include <QKeyEvent>
#include <QLineEdit>

TRemotePathBox::TRemotePathBox(std::shared_ptr<TIconCache> icons, QWidget* parent)
    : QComboBox(parent), icons_(icons ? std::move(icons) : std::make_shared<TIconCache>())
{
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    setMaxCount(1000);
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    lineEdit()->installEventFilter(this);
    connect(this, &QComboBox::activated, this, [this](int index) { emit PathChosen(PathAt(index)); });
    connect(this, &QComboBox::currentIndexChanged, this, [this] { UpdateIcons(); });
}

void TRemotePathBox::AddPath(const std::string& path)
{
    const QString text = TextFromRemote(path);
    int index = findText(text, Qt::MatchFixedString);  // letter case ignored
    if (index < 0) {
        addItem(icons_->Icon(QLatin1String(TIconCache::DirectoryKey)), text, QByteArray::fromStdString(path));
        while (count() > std::max(1, maxEntries_))
            removeItem(0);
        index = count() - 1;
    }
    setCurrentIndex(index);
    setEditText(text);
    UpdateIcons();
}

void TRemotePathBox::SetMaxEntries(int count)
{
    maxEntries_ = std::max(1, count);
}

std::string TRemotePathBox::PathAt(int index) const
{
    const QVariant raw = itemData(index, Qt::UserRole);
    if (raw.isValid())
        return raw.toByteArray().toStdString();
    return RemoteFromText(itemText(index));
}

void TRemotePathBox::ClearPaths()
{
    clear();
    clearEditText();
}

void TRemotePathBox::UpdateIcons()
{
    const QIcon closed = icons_->Icon(QLatin1String(TIconCache::DirectoryKey));
    const QIcon open = icons_->Icon(QLatin1String(TIconCache::DirectoryOpenKey));
    for (int i = 0; i < count(); ++i)
        setItemIcon(i, i == currentIndex() ? open : closed);
}

bool TRemotePathBox::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == lineEdit() && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            const QString text = currentText();
            if (!text.isEmpty()) {
                // A typed path that matches an entry keeps that entry's bytes.
                const int index = findText(text, Qt::MatchFixedString | Qt::MatchCaseSensitive);
                emit PathChosen(index >= 0 ? PathAt(index) : RemoteFromText(text));
            }
            return true;
        }
    }
    return QComboBox::eventFilter(watched, event);
}
