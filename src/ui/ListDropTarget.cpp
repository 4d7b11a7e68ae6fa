#include "ui/ListDropTarget.h"

#include <QAbstractItemView>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTimer>

namespace {

constexpr int kScrollMargin = 10;
constexpr int kScrollIntervalMs = 100;

} // namespace

// Drawn over the viewport but not inside it: the viewport moves its
// children when it scrolls.
class TListDropTarget::THighlight : public QWidget {
public:
    THighlight(TListDropTarget& owner, QWidget* parent) : QWidget(parent), owner_(owner)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
        setFocusPolicy(Qt::NoFocus);
        hide();
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QAbstractItemView* view = owner_.View();
        const QModelIndex row = owner_.HighlightedRow();
        if (!view || !row.isValid())
            return;
        QRect rect = view->visualRect(row);
        const int lastColumn = row.model()->columnCount(row.parent()) - 1;
        if (lastColumn > row.column())
            rect = rect.united(view->visualRect(row.sibling(row.row(), lastColumn)));
        if (rect.isEmpty())
            return;
        QPainter painter(this);
        QColor fill = palette().color(QPalette::Active, QPalette::Highlight);
        fill.setAlpha(60);
        painter.fillRect(rect, fill);
        painter.setPen(palette().color(QPalette::Active, QPalette::Highlight));
        painter.drawRect(rect.adjusted(0, 0, -1, -1));
    }

private:
    TListDropTarget& owner_;
};

TListDropTarget::TListDropTarget(QAbstractItemView* view, TGrant grant, TIsFolder isFolder, TDrop drop)
    : QObject(view), view_(view), grant_(std::move(grant)), isFolder_(std::move(isFolder)), drop_(std::move(drop))
{
    overlay_ = new THighlight(*this, view);
    scrollTimer_ = new QTimer(this);
    scrollTimer_->setInterval(kScrollIntervalMs);
    connect(scrollTimer_, &QTimer::timeout, this, &TListDropTarget::ScrollStep);
    connect(view->verticalScrollBar(), &QScrollBar::valueChanged, overlay_, qOverload<>(&QWidget::update));
    connect(view->horizontalScrollBar(), &QScrollBar::valueChanged, overlay_, qOverload<>(&QWidget::update));
    viewport_ = view->viewport();
    view->viewport()->setAcceptDrops(true);
    view->viewport()->installEventFilter(this);
}

TListDropTarget::~TListDropTarget() = default;

bool TListDropTarget::eventFilter(QObject* watched, QEvent* event)
{
    if (viewport_.isNull() || watched != viewport_.get())
        return false;
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto& drag = static_cast<QDragMoveEvent&>(*event);
        if (event->type() == QEvent::DragEnter)
            lastEffect_ = Qt::IgnoreAction;  // a new drag
        Accept(drag, Track(drag));
        return true;
    }
    case QEvent::DragLeave:
        ClearHighlight();
        StopScrolling();
        return true;
    case QEvent::Drop:
        Drop(static_cast<QDropEvent&>(*event));
        return true;
    case QEvent::Resize:
    case QEvent::Move:
        PlaceOverlay();
        return false;
    default:
        return false;
    }
}

Qt::DropAction TListDropTarget::Track(const QDropEvent& event)
{
    const QPoint at = event.position().toPoint();
    const QModelIndex row = view_->indexAt(at);
    const std::optional<Qt::DropAction> granted =
        grant_ ? grant_(*event.mimeData(), row, event.proposedAction()) : std::optional(Qt::IgnoreAction);
    if (granted)
        lastEffect_ = *granted;
    SetHighlight(lastEffect_ != Qt::IgnoreAction && row.isValid() && isFolder_ && isFolder_(row) ? row
                                                                                                 : QModelIndex());
    ScrollAt(at.y());
    return lastEffect_;
}

void TListDropTarget::Accept(QDropEvent& event, Qt::DropAction effect)
{
    if (effect == Qt::IgnoreAction) {
        // A refused enter would stop the move events that may find a
        // row that takes the drop; the position itself is refused.
        event.setDropAction(Qt::IgnoreAction);
        if (event.type() == QEvent::DragEnter)
            event.accept();
        else
            event.ignore();
        return;
    }
    event.setDropAction(effect);
    event.accept();
}

void TListDropTarget::Drop(QDropEvent& event)
{
    const QModelIndex row = view_->indexAt(event.position().toPoint());
    const Qt::DropAction effect = Track(event);
    const QPersistentModelIndex target(row);
    ClearHighlight();
    StopScrolling();
    lastEffect_ = Qt::IgnoreAction;
    if (effect == Qt::IgnoreAction) {
        event.setDropAction(Qt::IgnoreAction);
        event.ignore();
        return;
    }
    event.setDropAction(effect);
    event.accept();
    if (drop_)
        drop_(*event.mimeData(), target, effect);
}

void TListDropTarget::SetHighlight(const QModelIndex& row)
{
    if (QModelIndex(highlighted_) == row)
        return;
    highlighted_ = row;
    PlaceOverlay();
    overlay_->setVisible(row.isValid());
    overlay_->raise();
    overlay_->update();
}

void TListDropTarget::ClearHighlight()
{
    SetHighlight(QModelIndex());
}

void TListDropTarget::ScrollAt(int y)
{
    const int height = view_->viewport()->height();
    const int direction = y < kScrollMargin ? -1 : (y > height - kScrollMargin ? 1 : 0);
    if (direction == scrollDirection_)
        return;
    scrollDirection_ = direction;
    if (direction == 0)
        scrollTimer_->stop();
    else
        scrollTimer_->start();
}

void TListDropTarget::StopScrolling()
{
    scrollDirection_ = 0;
    scrollTimer_->stop();
}

void TListDropTarget::ScrollStep()
{
    if (!view_ || scrollDirection_ == 0)
        return;
    view_->verticalScrollBar()->triggerAction(scrollDirection_ < 0 ? QAbstractSlider::SliderSingleStepSub
                                                                   : QAbstractSlider::SliderSingleStepAdd);
}

void TListDropTarget::PlaceOverlay()
{
    if (view_)
        overlay_->setGeometry(view_->viewport()->geometry());
}
