#include "ui/WindowTexts.h"

#include "i18n/LanguageManager.h"

#include <QAbstractButton>
#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QTabWidget>
#include <QWidget>

TWindowTexts::TWindowTexts(QWidget* window, QString windowName)
    : QObject(window), window_(window), windowName_(std::move(windowName))
{
    // Language changes may be announced from any thread; the widgets are
    // touched only here.
    subscription_ = std::make_unique<TLanguageSubscription>(
        LangManager().SubscribeLanguageChanged([this] {
            // Queued to this object when announced elsewhere; Qt drops the
            // call if the window is gone by then.
            QMetaObject::invokeMethod(this, [this] { Apply(); }, Qt::AutoConnection);
        }));
}

TWindowTexts::~TWindowTexts() = default;

QString TWindowTexts::Text(int entry, const QString& english) const
{
    const auto text = LangManager().WindowText(windowName_.toStdString(), entry);
    return text ? QString::fromStdString(*text) : english;
}

void TWindowTexts::Add(int entry, const QString& english, TApply apply)
{
    apply(Text(entry, english));
    entries_.push_back({entry, english, std::move(apply)});
}

void TWindowTexts::AddTitle(int entry, const QString& english)
{
    Add(entry, english, [w = window_](const QString& text) { w->setWindowTitle(text); });
}

void TWindowTexts::AddText(int entry, QLabel* label, const QString& english)
{
    Add(entry, english, [label](const QString& text) { label->setText(text); });
}

void TWindowTexts::AddText(int entry, QAbstractButton* button, const QString& english)
{
    Add(entry, english, [button](const QString& text) { button->setText(text); });
}

void TWindowTexts::AddText(int entry, QGroupBox* box, const QString& english)
{
    Add(entry, english, [box](const QString& text) { box->setTitle(text); });
}

void TWindowTexts::AddText(int entry, QAction* action, const QString& english)
{
    Add(entry, english, [action](const QString& text) { action->setText(text); });
}

void TWindowTexts::AddToolTip(int entry, QWidget* widget, const QString& english)
{
    Add(entry, english, [widget](const QString& text) { widget->setToolTip(text); });
}

void TWindowTexts::AddTab(int entry, QTabWidget* tabs, int index, const QString& english)
{
    Add(entry, english, [tabs, index](const QString& text) { tabs->setTabText(index, text); });
}

void TWindowTexts::Apply()
{
    for (const TEntry& e : entries_)
        e.Show(Text(e.Number, e.English));
    if (onApplied_)
        onApplied_();
}
