// The log pane's lines, colours and batching, writes from several threads,
// and the status bar's worker activity and connection icons.

#include "viewsGuiApp.h"

#include "ui/LogPane.h"
#include "ui/StatusBar.h"

#include <gtest/gtest.h>

#include <QMetaObject>
#include <QTextBlock>
#include <QTest>
#include <QTimer>

#include <thread>

namespace {

const QColor kGrey(128, 128, 128);
const QColor kBlue(0, 0, 255);
const QColor kGreen(0, 128, 0);

struct LineCase {
    const char* Name;
    std::uint8_t Kind;
    std::string Text;
    std::vector<std::pair<QString, QColor>> Expected;
};

QStringList PaneLines(const TLogPane& pane)
{
    return pane.toPlainText().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QColor LineColour(const TLogPane& pane, int line)
{
    const QTextBlock block = pane.document()->findBlockByNumber(line);
    return block.begin().fragment().charFormat().foreground().color();
}

}  // namespace

TEST(LogWriter, KindsBecomePrefixedColouredLines)
{
    const LineCase cases[] = {
        {"command", 4, "PASS ******", {{"Command> PASS ******", kGrey}}},
        {"one reply", 5, "230 Login successful.", {{"Reply> 230 Login successful.", kBlue}}},
        {"two replies in one chunk",
         5,
         "230-Welcome\r\n230 Login successful.\r\n",
         {{"Reply> 230-Welcome", kBlue}, {"Reply> 230 Login successful.", kBlue}}},
        {"carriage returns only",
         5,
         "150 Here\r226 Done\r",
         {{"Reply> 150 Here", kBlue}, {"Reply> 226 Done", kBlue}}},
        {"empty pieces and blanks",
         5,
         "  \r\n211-Features:\r\n\r\n EPSV\r\n211 End\r\n",
         {{"Reply> 211-Features:", kBlue}, {"Reply> EPSV", kBlue}, {"Reply> 211 End", kBlue}}},
        {"debug", 3, "dropped", {}},
        {"status", 0, "Logged in, now listing", {{"Status> Logged in, now listing", kGreen}}},
        {"other kinds are status", 200, "x", {{"Status> x", kGreen}}},
        {"bytes that are not UTF-8", 5, "550 caf\xe9", {{QString::fromLatin1("Reply> 550 caf\xe9"), kBlue}}},
    };
    for (const LineCase& c : cases) {
        const std::vector<TLogLine> lines = TLogWriter::LinesFor(c.Kind, c.Text);
        ASSERT_EQ(lines.size(), c.Expected.size()) << c.Name;
        for (std::size_t i = 0; i < lines.size(); ++i) {
            EXPECT_EQ(lines[i].Text, c.Expected[i].first) << c.Name;
            EXPECT_EQ(lines[i].Colour, c.Expected[i].second) << c.Name;
        }
    }
}

TEST(LogPane, ShowsLinesInTheirColoursAndClears)
{
    TLogPane pane;
    pane.Writer()->WriteLogFormat(0, "Now connecting to %s..", "example");
    pane.WriteLog(4, "USER tovrel");
    pane.WriteLog(4, "PASS ******");
    pane.WriteLog(3, "debug line");
    pane.WriteLog(5, "230-Hi\r\n230 OK");
    ASSERT_TRUE(WaitUntil([&] { return pane.Writer()->Waiting() == 0 && PaneLines(pane).size() == 5; }));
    EXPECT_EQ(PaneLines(pane), (QStringList{"Status> Now connecting to example..", "Command> USER tovrel",
                                            "Command> PASS ******", "Reply> 230-Hi", "Reply> 230 OK"}));
    EXPECT_EQ(LineColour(pane, 0), kGreen);
    EXPECT_EQ(LineColour(pane, 1), kGrey);
    EXPECT_EQ(LineColour(pane, 4), kBlue);
    EXPECT_TRUE(pane.isReadOnly());

    pane.ClearLog();
    EXPECT_TRUE(pane.toPlainText().isEmpty());
    pane.WriteLog(0, "after clearing");
    pane.FlushPending();
    EXPECT_EQ(PaneLines(pane), QStringList{"Status> after clearing"});
}

TEST(LogPane, WritesFromSeveralThreadsKeepEachCallTogetherAndInOrder)
{
    TLogPane pane;
    constexpr int kThreads = 4;
    constexpr int kCalls = 500;
    std::vector<std::thread> writers;
    for (int t = 0; t < kThreads; ++t)
        writers.emplace_back([&pane, t] {
            for (int i = 0; i < kCalls; ++i) {
                const std::string id = std::to_string(t) + ":" + std::to_string(i);
                pane.WriteLog(5, id + " first\r\n" + id + " second\r\n");
            }
        });
    for (std::thread& writer : writers)
        writer.join();
    ASSERT_TRUE(WaitUntil([&] { return pane.Writer()->Waiting() == 0; }));
    const QStringList lines = PaneLines(pane);
    ASSERT_EQ(lines.size(), kThreads * kCalls * 2);
    std::vector<int> next(kThreads, 0);
    for (int i = 0; i < lines.size(); i += 2) {
        const QString id = lines[i].mid(7).section(' ', 0, 0);
        EXPECT_EQ(lines[i], "Reply> " + id + " first");
        EXPECT_EQ(lines[i + 1], "Reply> " + id + " second");  // the call's lines stay together
        const int thread = id.section(':', 0, 0).toInt();
        EXPECT_EQ(id.section(':', 1, 1).toInt(), next[thread]++);  // each thread's calls in order
    }
}

TEST(LogPane, AFloodOfLinesArrivesInBatchesAndEndsAtTheLastLine)
{
    TLogPane pane;
    pane.resize(400, 200);
    pane.show();
    constexpr int kLines = 100000;
    for (int i = 0; i < kLines; ++i)
        pane.WriteLog(0, "line " + std::to_string(i));
    // The first turn of the event loop shows one batch, not everything.
    QCoreApplication::processEvents();
    EXPECT_GT(pane.Writer()->Waiting(), 0U);
    ASSERT_TRUE(WaitUntil([&] { return pane.Writer()->Waiting() == 0; }, 120000));
    EXPECT_EQ(pane.document()->blockCount(), kLines);
    EXPECT_EQ(pane.document()->lastBlock().text(), "Status> line 99999");
    EXPECT_EQ(pane.textCursor().position(), pane.document()->characterCount() - 1);
}

TEST(LogPane, WritesAfterThePaneIsGoneAreDropped)
{
    std::shared_ptr<TLogWriter> writer;
    {
        TLogPane pane;
        writer = pane.Writer();
    }
    EXPECT_TRUE(writer->Closed());
    writer->WriteLog(0, "late");
    EXPECT_EQ(writer->Waiting(), 0U);
}

TEST(StatusBar, ShowsTheWorkersActivityUntilIdle)
{
    TStatusBar bar;
    bar.show();
    EXPECT_FALSE(bar.ActivityVisible());
    bar.WorkerBusy("Listing directory");
    EXPECT_EQ(bar.StatusText(), "Listing directory");
    EXPECT_TRUE(bar.ActivityRunning());
    auto* timer = bar.findChild<QTimer*>();
    ASSERT_NE(timer, nullptr);
    EXPECT_EQ(timer->interval(), 250);
    for (int tick = 0; tick < 100; ++tick)
        QMetaObject::invokeMethod(timer, "timeout");
    EXPECT_TRUE(bar.ActivityVisible());
    EXPECT_EQ(bar.ActivityValue(), 100);
    QMetaObject::invokeMethod(timer, "timeout");  // past 100 % it starts again
    EXPECT_EQ(bar.ActivityValue(), 0);

    bar.WorkerIdle();
    EXPECT_TRUE(bar.StatusText().isEmpty());
    EXPECT_FALSE(bar.ActivityVisible());
    EXPECT_FALSE(bar.ActivityRunning());
    EXPECT_EQ(bar.ActivityValue(), 0);
}

TEST(StatusBar, ConnectionIconsFollowTheSession)
{
    TStatusBar bar;
    bar.SetConnectionIcons(true, false);
    EXPECT_TRUE(bar.EncryptedIconShown());
    EXPECT_FALSE(bar.ResumeIconShown());
    bar.SetConnectionIcons(false, true);
    EXPECT_FALSE(bar.EncryptedIconShown());
    EXPECT_TRUE(bar.ResumeIconShown());
    bar.ClearConnectionIcons();
    EXPECT_FALSE(bar.EncryptedIconShown());
    EXPECT_FALSE(bar.ResumeIconShown());
}
