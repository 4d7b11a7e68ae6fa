#include "ui/PortEdit.h"

#include "i18n/LanguageManager.h"

#include <QKeyEvent>
#include <QLabel>
#include <QRegularExpressionValidator>
#include <QTimer>

TPortEdit::TPortEdit(QWidget* parent)
    : QLineEdit(parent)
    , balloon_(new QLabel(this, Qt::ToolTip | Qt::FramelessWindowHint))
    , balloonTimer_(new QTimer(this))
{
    setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), this));
    balloon_->setTextFormat(Qt::RichText);
    balloon_->setMargin(6);
    balloon_->setAutoFillBackground(true);
    balloon_->setBackgroundRole(QPalette::ToolTipBase);
    balloon_->setForegroundRole(QPalette::ToolTipText);
    balloonTimer_->setSingleShot(true);
    balloonTimer_->setInterval(BalloonMilliseconds);
    connect(balloonTimer_, &QTimer::timeout, this, &TPortEdit::HideBalloon);
}

TPortEdit::~TPortEdit() = default;

QLabel* TPortEdit::VisibleBalloon() const
{
    return balloon_->isVisible() ? balloon_ : nullptr;
}

int TPortEdit::PortOr(int fallback) const
{
    bool ok = false;
    const int port = text().toInt(&ok);
    return ok ? port : fallback;
}

void TPortEdit::keyPressEvent(QKeyEvent* event)
{
    const QString typed = event->text();
    const bool printable = !typed.isEmpty() && typed.at(0).isPrint();
    const bool shortcut = event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    if (printable && !shortcut) {
        for (const QChar c : typed)
            if (c < u'0' || c > u'9') {
                event->accept();
                ShowBalloon();
                return;
            }
    }
    if (printable || event->key() == Qt::Key_Backspace)
        HideBalloon();
    QLineEdit::keyPressEvent(event);
}

void TPortEdit::ShowBalloon()
{
    balloon_->setText(QStringLiteral("<b>%1</b><br>%2")
                          .arg(QString::fromStdString(LoadStr("MainForm_strError")).toHtmlEscaped(),
                               QString::fromStdString(LoadStr(messageName_)).toHtmlEscaped()));
    balloon_->adjustSize();
    balloon_->move(mapToGlobal(QPoint(width() / 2, height())));
    balloon_->show();
    balloonTimer_->start();
}

void TPortEdit::HideBalloon()
{
    balloonTimer_->stop();
    balloon_->hide();
}
