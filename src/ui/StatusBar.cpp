#include "ui/StatusBar.h"

#include <QEvent>
#include <QLabel>
#include <QProgressBar>
#include <QStyle>
#include <QTimer>

namespace {

QLabel* IconPanel(QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setFixedWidth(20);
    label->setAlignment(Qt::AlignCenter);
    return label;
}

QPixmap PanelIcon(const char* themeName, QStyle::StandardPixmap fallback, const QWidget* widget)
{
    QIcon icon = QIcon::fromTheme(QString::fromLatin1(themeName));
    if (icon.isNull())
        icon = widget->style()->standardIcon(fallback);
    return icon.pixmap(16, 16);
}

}  // namespace

TStatusBar::TStatusBar(QWidget* parent)
    : QStatusBar(parent),
      status_(new QLabel(this)),
      activity_(new QProgressBar(this)),
      encrypted_(IconPanel(this)),
      resume_(IconPanel(this)),
      timer_(new QTimer(this))
{
    setSizeGripEnabled(true);
    status_->setMinimumWidth(200);
    activity_->setFixedWidth(80);
    activity_->setRange(0, 100);
    activity_->setValue(0);
    activity_->setTextVisible(false);
    activity_->setMaximumHeight(14);
    activity_->hide();
    auto* rest = new QLabel(this);
    addWidget(status_, 1);
    addWidget(activity_);
    addWidget(encrypted_);
    addWidget(resume_);
    addWidget(rest, 1);
    encrypted_->installEventFilter(this);
    timer_->setInterval(TickMilliseconds);
    connect(timer_, &QTimer::timeout, this, &TStatusBar::Tick);
}

void TStatusBar::WorkerBusy(const QString& status)
{
    status_->setText(status);
    timer_->start();
}

void TStatusBar::WorkerIdle()
{
    timer_->stop();
    activity_->setValue(0);
    activity_->hide();
    status_->clear();
}

void TStatusBar::Tick()
{
    activity_->show();
    const int next = activity_->value() + 1;
    activity_->setValue(next > 100 ? 0 : next);
}

void TStatusBar::SetConnectionIcons(bool encrypted, bool resumeSupported, const QString& encryptedTip)
{
    if (encrypted) {
        encrypted_->setPixmap(PanelIcon("security-high", QStyle::SP_DialogYesButton, this));
        encrypted_->setToolTip(encryptedTip);
        encrypted_->setCursor(Qt::PointingHandCursor);
    } else {
        encrypted_->clear();
        encrypted_->setToolTip(QString());
        encrypted_->unsetCursor();
    }
    if (resumeSupported) {
        resume_->setPixmap(PanelIcon("view-refresh", QStyle::SP_BrowserReload, this));
    } else {
        resume_->clear();
    }
}

void TStatusBar::ClearConnectionIcons()
{
    SetConnectionIcons(false, false);
}

QString TStatusBar::StatusText() const
{
    return status_->text();
}

bool TStatusBar::ActivityVisible() const
{
    return !activity_->isHidden();
}

int TStatusBar::ActivityValue() const
{
    return activity_->value();
}

bool TStatusBar::ActivityRunning() const
{
    return timer_->isActive();
}

bool TStatusBar::EncryptedIconShown() const
{
    return !encrypted_->pixmap().isNull();
}

bool TStatusBar::ResumeIconShown() const
{
    return !resume_->pixmap().isNull();
}

QString TStatusBar::EncryptedIconTip() const
{
    return encrypted_->toolTip();
}

QWidget* TStatusBar::EncryptedIcon() const
{
    return encrypted_;
}

bool TStatusBar::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == encrypted_ && event->type() == QEvent::MouseButtonRelease && EncryptedIconShown()) {
        emit EncryptedIconClicked();
        return true;
    }
    return QStatusBar::eventFilter(watched, event);
}
