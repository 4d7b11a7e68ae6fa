#pragma once
// TListDropTarget: the drop side of one item view. It takes the view's drag
// events (an event filter on the viewport, so neither the view nor its
// model ever acts on a drop by itself), asks its owner which effect a drop
// at the cursor gets, highlights the folder row under the cursor, scrolls
// the list while the cursor rests near its top or bottom edge, and hands a
// granted drop to its owner.
//
// Highlight: a granted drag over a folder row marks that row (a frame
// drawn over the list, so the selection is untouched); anywhere else, on
// leaving and after the drop the mark goes.
// Automatic scrolling: with the cursor in the top 10 pixels (y <= 9) the
// list scrolls up one line every 100 ms, in the bottom 10 pixels down;
// elsewhere, on leaving and after the drop it stops.
//
// User-interface thread only.

#include <QObject>
#include <QPersistentModelIndex>
#include <QPointer>

#include <functional>
#include <optional>

class QAbstractItemView;
class QDropEvent;
class QMimeData;
class QTimer;
class QWidget;

class TListDropTarget : public QObject {
    Q_OBJECT
public:
    /// The effect a drop of `data` over `row` (invalid: over no row) gets
    /// when the source proposes `proposed`: Qt::IgnoreAction refuses; no
    /// value keeps the effect granted at the previous position.
    using TGrant = std::function<std::optional<Qt::DropAction>(const QMimeData& data, const QModelIndex& row,
                                                               Qt::DropAction proposed)>;
    /// Whether `row` is a folder row, the rows that show the highlight.
    using TIsFolder = std::function<bool(const QModelIndex& row)>;
    /// A granted drop; runs after the highlight and the scrolling stopped.
    using TDrop = std::function<void(const QMimeData& data, const QModelIndex& row, Qt::DropAction effect)>;

    TListDropTarget(QAbstractItemView* view, TGrant grant, TIsFolder isFolder, TDrop drop);
    ~TListDropTarget() override;

    QAbstractItemView* View() const { return view_; }
    /// The row that carries the drop highlight (invalid when none).
    QModelIndex HighlightedRow() const { return highlighted_; }
    /// -1 scrolling up, 1 down, 0 still.
    int ScrollDirection() const { return scrollDirection_; }
    void ClearHighlight();
    void StopScrolling();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    class THighlight;

    /// The effect at the event's position, with the highlight and the
    /// scrolling brought up to date.
    Qt::DropAction Track(const QDropEvent& event);
    void Accept(QDropEvent& event, Qt::DropAction effect);
    void Drop(QDropEvent& event);
    void SetHighlight(const QModelIndex& row);
    void ScrollAt(int y);
    void ScrollStep();
    void PlaceOverlay();

    QPointer<QAbstractItemView> view_;
    // Compared without a cast: the filter still sees events while the view
    // is half destroyed, when it is no longer a QAbstractItemView.
    QPointer<QObject> viewport_;
    TGrant grant_;
    TIsFolder isFolder_;
    TDrop drop_;
    THighlight* overlay_ = nullptr;
    QTimer* scrollTimer_ = nullptr;
    QPersistentModelIndex highlighted_;
    Qt::DropAction lastEffect_ = Qt::IgnoreAction;
    int scrollDirection_ = 0;
};
