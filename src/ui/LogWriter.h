#pragma once
// TLogWriter: the thread-safe front of the log pane. WriteLog() may be
// called from any thread; it turns one call into its coloured lines at
// once, under one lock, so the lines of one call stay together and in call
// order. The lines wait in a queue until the pane takes them on the user
// interface thread in batches (TLogPane), so a flood of lines never blocks
// the caller or the window.
//
// Line kinds (the first argument): 4 command ("Command> ", grey), 5 reply
// ("Reply> ", blue; a chunk holding several lines becomes one line each),
// 3 debug (dropped), anything else status ("Status> ", green).
//
// Contract: thread-safe. After Close() (the window is going away) every
// write is dropped. Texts are UTF-8; bytes that are not valid UTF-8 are
// read as Latin-1.

#ifndef Q_MOC_RUN  // moc cannot parse the standard <concepts> header
#include "i18n/Format.h"
#endif

#include <QColor>
#include <QString>

#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

enum TLogKind : std::uint8_t {
    lkStatus = 0,
    lkDebug = 3,
    lkCommand = 4,
    lkReply = 5,
};

struct TLogLine {
    QString Text;  // with its prefix
    QColor Colour;
};

class TLogWriter {
public:
    /// The lines one call writes (empty for the debug kind).
    static std::vector<TLogLine> LinesFor(std::uint8_t kind, std::string_view text);

    void WriteLog(std::uint8_t kind, std::string_view text);
    /// WriteLog of a string-table text with its placeholders filled
    /// (i18n/Format.h), e.g. WriteLogFormat(lkStatus, LoadStr("MainForm_IDS_47"), name).
    template <typename... TArgs>
    void WriteLogFormat(std::uint8_t kind, std::string_view format, const TArgs&... args)
    {
        WriteLog(kind, Format(format, args...));
    }

    /// Takes at most `limit` waiting lines, oldest first.
    std::vector<TLogLine> Take(std::size_t limit);
    std::size_t Waiting() const;
    /// Drops the waiting lines (the pane was cleared).
    void DropWaiting();

    /// Called (outside the lock, on the writing thread) when lines arrive
    /// in an empty queue: the pane schedules a batch then.
    void SetOnLinesWaiting(std::function<void()> handler);
    void Close();
    bool Closed() const;

private:
    mutable std::mutex mutex_;
    std::deque<TLogLine> waiting_;
    std::function<void()> onLinesWaiting_;
    bool closed_ = false;
};
