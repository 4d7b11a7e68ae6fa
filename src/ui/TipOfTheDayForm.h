#pragma once
// TTipOfTheDayForm: the "Tip of the day" window. Each opening shows the
// tip after the one shown last; "Next tip" and "Previous tip" step on,
// wrapping at both ends, reading the tip file again each time. A tip that
// names a help topic shows the link "Read more about this topic...".
// Closing stores "Show tip on startup".
//
// Contract: user-interface thread only. A tip file that cannot be read
// shows why in place of the tip and is left as it was.

#include <QDialog>

#include <filesystem>
#include <vector>

class QCheckBox;
class QLabel;
class QPushButton;
class QTextBrowser;
class TMainConfig;
class TWindowTexts;

class TTipOfTheDayForm : public QDialog {
    Q_OBJECT
public:
    /// `shippedDirectories` are where a missing tip file is copied from;
    /// by default the program's shipped-data directories.
    explicit TTipOfTheDayForm(TMainConfig& config, QWidget* parent = nullptr);
    TTipOfTheDayForm(TMainConfig& config, std::vector<std::filesystem::path> shippedDirectories,
                     QWidget* parent = nullptr);
    ~TTipOfTheDayForm() override;

    void NextTip();
    void PreviousTip();

    QTextBrowser* TipView() const { return view_; }
    QLabel* HelpLink() const { return link_; }
    QCheckBox* ShowOnStartupBox() const { return showOnStartup_; }
    QPushButton* NextButton() const { return next_; }
    QPushButton* PreviousButton() const { return previous_; }
    /// The help topic the link carries, -1 when none.
    int HelpTopic() const { return helpTopic_; }

    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void BuildLayout();
    void Step(bool forward);
    void ShowText(const std::string& text);
    void OpenHelpTopic();

    TMainConfig& config_;
    std::vector<std::filesystem::path> shipped_;
    TWindowTexts* texts_ = nullptr;
    QTextBrowser* view_ = nullptr;
    QLabel* link_ = nullptr;
    QCheckBox* showOnStartup_ = nullptr;
    QPushButton* next_ = nullptr;
    QPushButton* previous_ = nullptr;
    int helpTopic_ = -1;
    bool shown_ = false;
};
