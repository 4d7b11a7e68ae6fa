#include "ui/SuppressibleDialog.h"

#include "i18n/Format.h"
#include "i18n/LanguageManager.h"
#include "store/MainConfig.h"
#include "ui/WindowTexts.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace {

QString FromTable(const char* name)
{
    return QString::fromStdString(LoadStr(name));
}

QStyle::StandardPixmap KindIcon(int kind)
{
    switch (kind) {
    case mtWarning:
        return QStyle::SP_MessageBoxWarning;
    case mtError:
        return QStyle::SP_MessageBoxCritical;
    case mtInformation:
        return QStyle::SP_MessageBoxInformation;
    default:
        return QStyle::SP_MessageBoxQuestion;
    }
}

// The answer of Escape and of the window's close button: the most careful
// button present.
int EscapeAnswer(unsigned buttons)
{
    if (buttons & mbCancel)
        return mrCancel;
    if (buttons & mbNo)
        return mrNo;
    if (buttons & mbOK)
        return mrOk;
    return mrYes;
}

}  // namespace

QString TSuppressibleDialog::KindTitle(int kind)
{
    switch (kind) {
    case mtWarning:
        return FromTable("MainForm_strWarning");
    case mtError:
        return FromTable("MainForm_strError");
    case mtInformation:
        return FromTable("MainForm_strInformation");
    case mtConfirmation:
        return FromTable("MainForm_strConfirm");
    default:
        return {};
    }
}

TSuppressibleDialog::TSuppressibleDialog(const QString& text, int kind, unsigned buttons, QWidget* parent)
    : QDialog(parent), check_(new QCheckBox(this)), escapeAnswer_(EscapeAnswer(buttons))
{
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    const QString title = KindTitle(kind);
    setWindowTitle(title);

    auto* icon = new QLabel(this);
    const int size = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
    icon->setPixmap(style()->standardIcon(KindIcon(kind), nullptr, this).pixmap(size, size));
    icon->setAlignment(Qt::AlignTop);
    auto* message = new QLabel(text, this);
    message->setObjectName(QStringLiteral("message"));
    message->setWordWrap(true);
    message->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* top = new QHBoxLayout;
    top->addWidget(icon);
    top->addWidget(message, 1);

    auto* box = new QDialogButtonBox(this);
    const struct {
        unsigned Flag;
        const char* Caption;
        QDialogButtonBox::ButtonRole Role;
        int Result;
    } kinds[] = {{mbYes, "MainForm_strYes", QDialogButtonBox::YesRole, mrYes},
                 {mbNo, "MainForm_strNo", QDialogButtonBox::NoRole, mrNo},
                 {mbOK, nullptr, QDialogButtonBox::AcceptRole, mrOk},
                 {mbCancel, "MainForm_strCancel", QDialogButtonBox::RejectRole, mrCancel}};
    bool first = true;
    for (const auto& button : kinds) {
        if (!(buttons & button.Flag))
            continue;
        const QString caption = button.Caption ? FromTable(button.Caption) : QStringLiteral("&OK");
        QPushButton* push = box->addButton(caption, button.Role);
        push->setAutoDefault(false);
        push->setDefault(first);
        first = false;
        const int result = button.Result;
        connect(push, &QPushButton::clicked, this, [this, result] { Answer(result); });
    }

    auto* line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    // The captions are string-table texts, shown again after a language change.
    auto showTexts = [this, kind] {
        const QString kindTitle = KindTitle(kind);
        setWindowTitle(kindTitle);
        const QString checkCaption =
            QString::fromStdString(Format(LoadStr("MainForm_IDS_52"), kindTitle.toLower().toStdString()));
        check_->setText(checkCaption);
        check_->setToolTip(checkCaption);
    };
    showTexts();
    (new TWindowTexts(this, QStringLiteral("SuppressibleDialog")))->SetOnApplied(showTexts);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(box);
    layout->addWidget(line);
    layout->addWidget(check_);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

bool TSuppressibleDialog::DontShowAgain() const
{
    return check_->isChecked();
}

void TSuppressibleDialog::Answer(int result)
{
    answer_ = result;
    done(result);
}

void TSuppressibleDialog::reject()
{
    Answer(escapeAnswer_);
}

int ShowSuppressibleDialog(QWidget* parent, std::string_view name, const std::vector<std::string>& arguments,
                           int kind, unsigned buttons, int answerWhenSuppressed, TMainConfig* config)
{
    if (!config)
        config = TMainConfig::Instance();
    int stored = 0;
    if (config) {
        try {
            stored = config->DialogDefault(name);
        } catch (const std::exception&) {
            stored = 0;  // a value edited into something else asks again
        }
    }
    if (stored != 0)
        return answerWhenSuppressed != 0 ? answerWhenSuppressed : stored;

    std::vector<TFormatArg> args(arguments.begin(), arguments.end());
    QString text = QString::fromStdString(FormatArgs(LoadStr("MainForm_" + std::string(name)), args));
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    TSuppressibleDialog dialog(text, kind, buttons, parent);
    dialog.exec();
    const int answer = dialog.Answer() != mrNone ? dialog.Answer() : EscapeAnswer(buttons);
    if (dialog.DontShowAgain() && config)
        config->SetDialogDefault(name, answer);
    return answer;
}
