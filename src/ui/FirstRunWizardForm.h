#pragma once
// TFirstRunWizardForm: the modal "First run" wizard shown at the first
// start-up. Three pages ("Introduction", "Language", "Startup") under a
// header with the page's caption and "Step %d of %d"; "< Back", "Next >"
// (on the last page "Finish"). It can only be finished: "&Cancel" is
// disabled, Escape does nothing and the window has no close button. Only a
// close by the program itself (when it is terminated) ends it otherwise,
// rejected.
//
// Contract: user-interface thread only. Choosing a language makes it the
// active one at once (the whole interface, this window included); nothing
// is stored here: Choice() tells the start-up what to do.

#include "ui/MainForm.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QListWidget;
class QPushButton;
class QStackedWidget;
class TMainConfig;
class TWindowTexts;

class TFirstRunWizardForm : public QDialog {
    Q_OBJECT
public:
    static constexpr int PageCount = 3;

    explicit TFirstRunWizardForm(const TMainConfig& config, QWidget* parent = nullptr);

    /// The two boxes and the language chosen.
    TFirstRunChoice Choice() const;

    void Next();
    void Back();
    int Page() const;

    QLabel* CaptionLabel() const { return caption_; }
    QLabel* StepLabel() const { return step_; }
    QLabel* IntroductionLabel() const { return introduction_; }
    QListWidget* Languages() const { return languages_; }
    QCheckBox* SampleHostsBox() const { return sampleHosts_; }
    QCheckBox* AddHostWizardBox() const { return addHostWizard_; }
    QPushButton* BackButton() const { return back_; }
    QPushButton* NextButton() const { return next_; }
    QPushButton* CancelButton() const { return cancel_; }

    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QWidget* BuildIntroduction();
    QWidget* BuildLanguage(int activeLanguage);
    QWidget* BuildStartup();
    void ShowPage(int index);
    void ShowHeader();
    void LanguageChosen();

    TWindowTexts* texts_ = nullptr;
    QString captions_[PageCount];
    QStackedWidget* pages_ = nullptr;
    QLabel* caption_ = nullptr;
    QLabel* step_ = nullptr;
    QLabel* introduction_ = nullptr;
    QListWidget* languages_ = nullptr;
    QCheckBox* sampleHosts_ = nullptr;
    QCheckBox* addHostWizard_ = nullptr;
    QPushButton* back_ = nullptr;
    QPushButton* next_ = nullptr;
    QPushButton* cancel_ = nullptr;
    bool finished_ = false;
};
