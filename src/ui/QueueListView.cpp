#include "ui/QueueListView.h"

#include "ui/DragDrop.h"
#include "ui/QueueProgressDelegate.h"

#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMimeData>

TQueueListView::TQueueListView(QWidget* parent) : QTreeView(parent)
{
    setObjectName(QStringLiteral("QueueListView"));
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);  // keeps scrolling a long queue cheap
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSortingEnabled(false);
    setAllColumnsShowFocus(true);
    setContextMenuPolicy(Qt::CustomContextMenu);
    setAcceptDrops(true);
    setDropIndicatorShown(false);
    setDragDropMode(QAbstractItemView::DropOnly);
    setAutoScroll(true);
    setAutoScrollMargin(10);
    setItemDelegate(new TQueueProgressDelegate(this));
    header()->setSectionsClickable(false);
    header()->setMinimumSectionSize(30);
    // The selection stays visible while another pane has the focus.
    QPalette colours = palette();
    colours.setColor(QPalette::Inactive, QPalette::Highlight, colours.color(QPalette::Active, QPalette::Highlight));
    colours.setColor(QPalette::Inactive, QPalette::HighlightedText,
                     colours.color(QPalette::Active, QPalette::HighlightedText));
    setPalette(colours);
}

Qt::DropAction TQueueListView::GrantedAction(const QMimeData& dropped, Qt::DropAction proposed) const
{
    if (!AcceptsDrops || !AcceptsDrops())
        return Qt::IgnoreAction;
    if (!TDragDrop::HasFileList(dropped) && !TDragDrop::HasRemoteNames(dropped))
        return Qt::IgnoreAction;
    return proposed == Qt::IgnoreAction ? Qt::IgnoreAction : Qt::CopyAction;
}

void TQueueListView::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Delete && event->modifiers() == Qt::NoModifier) {
        emit DeleteRequested();
        event->accept();
        return;
    }
    QTreeView::keyPressEvent(event);
}

void TQueueListView::dragEnterEvent(QDragEnterEvent* event)
{
    const Qt::DropAction granted = GrantedAction(*event->mimeData(), event->proposedAction());
    if (granted == Qt::IgnoreAction) {
        event->ignore();
        return;
    }
    event->setDropAction(granted);
    event->accept();
}

void TQueueListView::dragMoveEvent(QDragMoveEvent* event)
{
    QTreeView::dragMoveEvent(event);  // automatic scrolling near the edges
    const Qt::DropAction granted = GrantedAction(*event->mimeData(), event->proposedAction());
    if (granted == Qt::IgnoreAction) {
        event->ignore();
        return;
    }
    event->setDropAction(granted);
    event->accept();
}

void TQueueListView::dropEvent(QDropEvent* event)
{
    const Qt::DropAction granted = GrantedAction(*event->mimeData(), event->proposedAction());
    if (granted == Qt::IgnoreAction || !OnDrop || !OnDrop(*event->mimeData())) {
        event->ignore();
        return;
    }
    event->setDropAction(granted);
    event->accept();
}
