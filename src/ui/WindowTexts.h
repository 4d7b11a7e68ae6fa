#pragma once
// TWindowTexts: a window's translatable texts under stable entry numbers.
//
// Each text is registered once with its number, its English original and
// how to show it (a label's text, a button's caption, a tooltip, ...). The
// active language file's "[<window name>]" section replaces entries by
// number; entries it lacks keep the English text. A language change
// re-applies every entry at once, on the user-interface thread.
//
// Contract: user-interface thread only. The object is a child of the window
// and dies with it, ending its language subscription.

#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

class QAbstractButton;
class QGroupBox;
class QLabel;
class QTabWidget;
class QAction;
class QWidget;
class TLanguageSubscription;

class TWindowTexts : public QObject {
    Q_OBJECT
public:
    using TApply = std::function<void(const QString& text)>;

    /// `windowName` is the language file's section, e.g. "SettingsForm".
    TWindowTexts(QWidget* window, QString windowName);
    ~TWindowTexts() override;

    /// Registers an entry and shows it in the active language at once.
    void Add(int entry, const QString& english, TApply apply);

    // The common kinds of text.
    void AddTitle(int entry, const QString& english);
    void AddText(int entry, QLabel* label, const QString& english);
    void AddText(int entry, QAbstractButton* button, const QString& english);
    void AddText(int entry, QGroupBox* box, const QString& english);
    void AddText(int entry, QAction* action, const QString& english);
    void AddToolTip(int entry, QWidget* widget, const QString& english);
    void AddTab(int entry, QTabWidget* tabs, int index, const QString& english);

    /// The entry in the active language, or `english` when it has none.
    QString Text(int entry, const QString& english) const;

    /// Called after every re-application, for texts composed at run time
    /// (e.g. "Step %d of %d").
    void SetOnApplied(std::function<void()> handler) { onApplied_ = std::move(handler); }

    /// Shows every entry in the active language again.
    void Apply();

private:
    struct TEntry {
        int Number;
        QString English;
        TApply Show;
    };
    QWidget* window_;
    QString windowName_;
    std::vector<TEntry> entries_;
    std::function<void()> onApplied_;
    std::unique_ptr<TLanguageSubscription> subscription_;
};
