#pragma once
// TStatusBar: the main window's status bar. Panels, left to right: the
// worker's status text (takes the spare width), the activity bar (shown
// while the worker is busy, one percentage point per 250 ms tick, starting
// again after 100 %, no text), the encrypted-connection icon (its tooltip
// names the TLS version and cipher; a click on it fires
// EncryptedIconClicked), the resume icon, and an empty rest.

#include <QStatusBar>

class QLabel;
class QProgressBar;
class QTimer;

class TStatusBar : public QStatusBar {
    Q_OBJECT
public:
    explicit TStatusBar(QWidget* parent = nullptr);

    /// The worker's busy event: shows `status`, starts the activity timer.
    void WorkerBusy(const QString& status);
    /// The idle event: stops the timer, hides the bar at 0 %, clears the text.
    void WorkerIdle();
    /// After login; both icons go away with ClearConnectionIcons().
    void SetConnectionIcons(bool encrypted, bool resumeSupported, const QString& encryptedTip = {});
    void ClearConnectionIcons();

    QString StatusText() const;
    bool ActivityVisible() const;
    int ActivityValue() const;
    bool ActivityRunning() const;
    bool EncryptedIconShown() const;
    bool ResumeIconShown() const;
    QString EncryptedIconTip() const;
    QWidget* EncryptedIcon() const;

    static constexpr int TickMilliseconds = 250;

signals:
    void EncryptedIconClicked();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Tick();

    QLabel* status_;
    QProgressBar* activity_;
    QLabel* encrypted_;
    QLabel* resume_;
    QTimer* timer_;
};
