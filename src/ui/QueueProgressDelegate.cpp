#include "ui/QueueProgressDelegate.h"

#include "ui/QueueListModel.h"

#include <QApplication>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionProgressBar>

void TQueueProgressDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                   const QModelIndex& index) const
{
    if (index.column() != TQueueListModel::qcProgress) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    // The selection background still shows; the number itself never does.
    QStyleOptionViewItem background = option;
    initStyleOption(&background, index);
    background.text.clear();
    const QWidget* widget = option.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &background, painter, widget);

    const int progress = index.data(TQueueListModel::BarRole).toInt();
    if (progress <= 0)
        return;
    QStyleOptionProgressBar bar;
    bar.rect = option.rect.adjusted(1, 1, -1, -1);
    bar.minimum = 0;
    bar.maximum = 100;
    bar.progress = progress;
    bar.state = option.state | QStyle::State_Horizontal;
    bar.textVisible = false;
    style->drawControl(QStyle::CE_ProgressBar, &bar, painter, widget);
}
