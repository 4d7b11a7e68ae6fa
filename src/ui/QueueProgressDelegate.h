#pragma once
// TQueueProgressDelegate: draws the queue page's "Progress" cell as a
// progress bar while the row's item transfers (no widget per row), and
// nothing there otherwise; every other cell is drawn as usual.

#include <QStyledItemDelegate>

class TQueueProgressDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};
