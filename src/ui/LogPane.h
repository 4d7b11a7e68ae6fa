#pragma once
// TLogPane: the log page. A read-only, fixed-pitch text box that shows the
// lines of its TLogWriter in their colours, appending in batches on the
// user-interface thread and scrolling to the end once per batch.
//
// Usage: keep Writer() (a shared pointer) wherever lines are written, also
// on other threads; WriteLog() here forwards to it. The pane closes the
// writer when it is destroyed, so late writes are dropped.

#include "ui/LogWriter.h"

#include <QPlainTextEdit>

#include <memory>

class TLogPane : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit TLogPane(QWidget* parent = nullptr);
    ~TLogPane() override;

    const std::shared_ptr<TLogWriter>& Writer() const { return writer_; }
    /// Any thread.
    void WriteLog(std::uint8_t kind, std::string_view text) { writer_->WriteLog(kind, text); }
    /// Empties the pane and drops lines not yet shown (the Clear log action).
    void ClearLog();
    /// Shows every waiting line now (tests, before a screenshot).
    void FlushPending();

    /// Lines taken at a time, and the time one turn of the event loop may
    /// spend appending them.
    static constexpr std::size_t BatchLines = 250;
    static constexpr int SliceMilliseconds = 30;

private:
    void AppendBatch();
    void AppendLines(const std::vector<TLogLine>& lines);
    void ScheduleBatch();

    struct TShared;
    std::shared_ptr<TLogWriter> writer_;
    std::shared_ptr<TShared> shared_;
};
