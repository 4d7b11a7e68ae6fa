#include "ui/LogPane.h"

#include <QElapsedTimer>
#include <QFontDatabase>
#include <QMetaObject>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>

#include <mutex>

// The writer notifies from any thread; it reaches the pane only through
// this block, under its lock, so a pane being destroyed is never touched.
struct TLogPane::TShared {
    std::mutex Lock;
    TLogPane* Pane = nullptr;
};

TLogPane::TLogPane(QWidget* parent)
    : QPlainTextEdit(parent), writer_(std::make_shared<TLogWriter>()), shared_(std::make_shared<TShared>())
{
    setReadOnly(true);
    setUndoRedoEnabled(false);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPixelSize(11);
    setFont(font);
    shared_->Pane = this;
    std::weak_ptr<TShared> weak = shared_;
    writer_->SetOnLinesWaiting([weak] {
        const auto shared = weak.lock();
        if (!shared)
            return;
        std::lock_guard lock(shared->Lock);
        if (TLogPane* pane = shared->Pane)
            QMetaObject::invokeMethod(pane, [pane] { pane->AppendBatch(); }, Qt::QueuedConnection);
    });
}

TLogPane::~TLogPane()
{
    writer_->Close();
    std::lock_guard lock(shared_->Lock);
    shared_->Pane = nullptr;
}

void TLogPane::ClearLog()
{
    writer_->DropWaiting();
    clear();
}

void TLogPane::FlushPending()
{
    while (writer_->Waiting() > 0)
        AppendBatch();
}

void TLogPane::ScheduleBatch()
{
    QMetaObject::invokeMethod(this, [this] { AppendBatch(); }, Qt::QueuedConnection);
}

void TLogPane::AppendBatch()
{
    // Appends for a short time slice only; the rest waits for the next turn
    // of the event loop, so the window repaints and answers in between.
    QElapsedTimer slice;
    slice.start();
    bool any = false;
    while (slice.elapsed() < SliceMilliseconds) {
        const std::vector<TLogLine> lines = writer_->Take(BatchLines);
        if (lines.empty())
            break;
        any = true;
        AppendLines(lines);
    }
    if (writer_->Waiting() > 0)
        ScheduleBatch();
    if (!any)
        return;
    moveCursor(QTextCursor::End);
    ensureCursorVisible();
}

void TLogPane::AppendLines(const std::vector<TLogLine>& lines)
{
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    cursor.beginEditBlock();
    bool first = document()->isEmpty();
    QTextCharFormat format;
    for (const TLogLine& line : lines) {
        if (!first)
            cursor.insertBlock();
        first = false;
        format.setForeground(line.Colour);
        cursor.insertText(line.Text, format);
    }
    cursor.endEditBlock();
}
