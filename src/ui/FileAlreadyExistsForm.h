#pragma once
// TFileAlreadyExistsForm: the "File already exists" question of a queue
// item whose target exists. It shows the error's texts, the file name, both
// sizes and modification texts, and asks Overwrite, Resume (only when the
// target is smaller), Skip or Cancel, with a scope. Unattended, it counts
// down from 30 seconds and answers Skip.
//
// Contract: user-interface thread; shown modally with exec(). Every way of
// closing it (the buttons, Escape, the countdown) answers with OK; Cancel,
// Escape and the countdown answer Skip.

#include "queue/ExistingFileRound.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QPushButton;
class QTimer;

class TFileAlreadyExistsForm : public QDialog {
    Q_OBJECT
public:
    static constexpr int CountdownSeconds = 30;

    TFileAlreadyExistsForm(TQueueItem& item, const EFTPFileAlreadyExistsException& error, QWidget* parent = nullptr);

    TFileAlreadyExistsAction ChosenAction() const { return chosen_; }
    int ChoiceScope() const { return scope_; }
    int SecondsLeft() const { return secondsLeft_; }
    TExistingFileAnswer Answer() const;

    QPushButton* OverwriteButton() const { return overwrite_; }
    QPushButton* ResumeButton() const { return resume_; }
    QPushButton* SkipButton() const { return skip_; }
    QPushButton* CancelButton() const { return cancel_; }
    QComboBox* ScopeBox() const { return scopeBox_; }
    QLabel* FilenameLabel() const { return filename_; }

    /// One second of the countdown (the timer's step).
    void Tick();

    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QWidget* BuildHead(const EFTPFileAlreadyExistsException& error);
    QWidget* BuildFileBox(TQueueItem& item, const EFTPFileAlreadyExistsException& error, bool remoteName);
    QWidget* BuildButtons(bool resumeOffered);
    void Choose(TFileAlreadyExistsAction action);
    void UpdateSkipCaption();

    TFileAlreadyExistsAction chosen_ = faeAsk;
    int scope_ = efsOnlyThisFile;
    int secondsLeft_ = CountdownSeconds;
    QTimer* timer_ = nullptr;
    QLabel* filename_ = nullptr;
    QComboBox* scopeBox_ = nullptr;
    QPushButton* overwrite_ = nullptr;
    QPushButton* resume_ = nullptr;
    QPushButton* skip_ = nullptr;
    QPushButton* cancel_ = nullptr;
};
