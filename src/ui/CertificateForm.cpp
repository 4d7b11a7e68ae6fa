#include "ui/CertificateForm.h"

#include "ui/WindowTexts.h"

#include <QDateTime>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QStyle>
#include <QTimeZone>
#include <QVBoxLayout>

namespace {

QString Text(const std::string& text)
{
    return QString::fromStdString(text);
}

QString DateText(std::time_t t)
{
    if (t == 0)
        return QStringLiteral("?");
    return QLocale().toString(QDateTime::fromSecsSinceEpoch(t, QTimeZone::utc()).toLocalTime(), QLocale::LongFormat);
}

QString JoinedNames(const std::vector<std::string>& names)
{
    QStringList list;
    for (const std::string& name : names)
        list << Text(name);
    return list.isEmpty() ? QStringLiteral("-") : list.join(QStringLiteral(", "));
}

QLabel* Value(const QString& text, QWidget* parent, bool monospace = false)
{
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    if (monospace)
        label->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    return label;
}

} // namespace

TCertificateForm::TCertificateForm(const TTrustQuestion& question, QWidget* parent)
    : QDialog(parent), texts_(new TWindowTexts(this, QStringLiteral("CertificateForm")))
{
    Build(question, false);
}

TCertificateForm::TCertificateForm(const TIdPeerCertificate& certificate, const std::string& host, QWidget* parent)
    : QDialog(parent), texts_(new TWindowTexts(this, QStringLiteral("CertificateForm")))
{
    Build(TTrustQuestion{host, 0, certificate, {}, {}}, true);
}

void TCertificateForm::Build(const TTrustQuestion& question, bool readOnly)
{
    changed_ = !readOnly && !question.PreviousFingerprint.empty();
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    texts_->AddTitle(1, QStringLiteral("Server certificate"));
    const QStyle::StandardPixmap kind = readOnly  ? QStyle::SP_MessageBoxInformation
                                        : changed_ ? QStyle::SP_MessageBoxCritical
                                                   : QStyle::SP_MessageBoxWarning;
    auto* picture = new QLabel(this);
    const int size = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
    picture->setPixmap(style()->standardIcon(kind, nullptr, this).pixmap(size, size));
    picture->setAlignment(Qt::AlignTop);

    headline_ = new QLabel(this);
    headline_->setWordWrap(true);
    headline_->setTextFormat(Qt::PlainText);
    QFont bold = headline_->font();
    bold.setBold(true);
    headline_->setFont(bold);
    const QString host = Text(question.Host) + (question.Port ? QStringLiteral(":%1").arg(question.Port) : QString());
    const auto headline = [this, host](const QString& text) { headline_->setText(QString(text).replace(QLatin1String("%1"), host)); };
    if (readOnly)
        texts_->Add(4, QStringLiteral("The certificate of %1:"), headline);
    else if (changed_)
        texts_->Add(3, QStringLiteral("The certificate of %1 has CHANGED since you trusted it. Someone may be "
                                      "listening in on the connection. Only trust the new certificate when you "
                                      "know that the server was given a new one."),
                    headline);
    else
        texts_->Add(2, QStringLiteral("The system cannot vouch for the certificate of %1:"), headline);

    problems_ = new QLabel(this);
    problems_->setTextFormat(Qt::PlainText);
    problems_->setWordWrap(true);
    QStringList reasons;
    for (const std::string& problem : question.Problems)
        reasons << QStringLiteral("\u2022 ") + Text(problem);
    problems_->setText(reasons.join(QLatin1Char('\n')));
    problems_->setVisible(!reasons.isEmpty());

    AddFields(question);

    auto* buttons = new QDialogButtonBox(this);
    if (readOnly) {
        cancel_ = buttons->addButton(QString(), QDialogButtonBox::RejectRole);
        texts_->AddText(17, cancel_, QStringLiteral("&Close"));
    } else {
        always_ = buttons->addButton(QString(), QDialogButtonBox::AcceptRole);
        once_ = buttons->addButton(QString(), QDialogButtonBox::AcceptRole);
        cancel_ = buttons->addButton(QString(), QDialogButtonBox::RejectRole);
        texts_->AddText(14, always_, QStringLiteral("Trust &always"));
        texts_->AddText(15, once_, QStringLiteral("Trust this &time"));
        texts_->AddText(16, cancel_, QStringLiteral("&Cancel"));
        connect(always_, &QPushButton::clicked, this, [this] { Choose(taTrustAlways); });
        connect(once_, &QPushButton::clicked, this, [this] { Choose(taTrustThisTime); });
    }
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
    // A changed certificate is the likelier attack: Enter must not accept it.
    QPushButton* preferred = readOnly || changed_ ? cancel_ : once_;
    preferred->setDefault(true);
    preferred->setFocus();

    auto* text = new QVBoxLayout;
    text->addWidget(headline_);
    text->addWidget(problems_);
    text->addWidget(fields_);
    auto* top = new QHBoxLayout;
    top->addWidget(picture);
    top->addLayout(text, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addWidget(buttons);
    setMinimumWidth(520);
}

void TCertificateForm::AddFields(const TTrustQuestion& question)
{
    const TIdPeerCertificate& c = question.Certificate;
    fields_ = new QWidget(this);
    auto* form = new QFormLayout(fields_);
    form->setContentsMargins(0, 8, 0, 0);
    const auto row = [this, form](int entry, const QString& english, QLabel* value) {
        auto* label = new QLabel(fields_);
        texts_->AddText(entry, label, english);
        form->addRow(label, value);
    };
    row(5, QStringLiteral("Subject:"), Value(Text(c.Subject), fields_));
    row(6, QStringLiteral("Issuer:"), Value(Text(c.Issuer), fields_));
    row(7, QStringLiteral("Valid from:"), Value(DateText(c.NotBefore), fields_));
    row(8, QStringLiteral("Valid until:"), Value(DateText(c.NotAfter), fields_));
    row(9, QStringLiteral("Alternative names:"), Value(JoinedNames(c.AltNames), fields_));
    row(10, QStringLiteral("SHA-256 fingerprint:"), Value(Text(GroupedFingerprint(c.FingerprintSHA256)), fields_, true));
    if (changed_)
        row(11, QStringLiteral("Fingerprint trusted before:"),
            Value(Text(GroupedFingerprint(question.PreviousFingerprint)), fields_, true));
    row(12, QStringLiteral("Protocol:"), Value(Text(c.ProtocolName), fields_));
    row(13, QStringLiteral("Cipher:"), Value(Text(c.CipherName), fields_));
}

void TCertificateForm::Choose(TTrustAnswer answer)
{
    answer_ = answer;
    accept();
}

QString TCertificateForm::Details() const
{
    QStringList lines{windowTitle(), headline_->text(), problems_->text()};
    for (const QLabel* label : fields_->findChildren<QLabel*>())
        lines << label->text();
    return lines.join(QLatin1Char('\n'));
}

TTrustAnswer AskCertificateTrust(QWidget* parent, const TTrustQuestion& question)
{
    TCertificateForm form(question, parent);
    return form.exec() == QDialog::Accepted ? form.Answer() : taCancel;
}

void ShowCertificate(QWidget* parent, const TIdPeerCertificate& certificate, const std::string& host)
{
    TCertificateForm form(certificate, host, parent);
    form.exec();
}
