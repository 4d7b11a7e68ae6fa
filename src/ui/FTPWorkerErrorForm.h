#pragma once
// TFTPWorkerErrorForm: shows one failure of the browsing session: a bold
// headline (the error's message; for the program's transfer errors the
// short text) and a read-only explanation (their long text; empty for any
// other error), with the warning icon, the title "Error" and one OK button.
//
// ShowWorkerError() is the handler of the worker's error notification: it
// takes the error out of the slot (an empty slot shows nothing) and shows
// it modally; the error is freed however the dialog ends.

#include <QDialog>

#include <exception>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class TPendingError;

class TFTPWorkerErrorForm : public QDialog {
    Q_OBJECT
public:
    explicit TFTPWorkerErrorForm(const std::exception& error, QWidget* parent = nullptr);

    QString Headline() const;
    QString Explanation() const;
    QPushButton* OkButton() const { return ok_; }

private:
    QLabel* headline_;
    QPlainTextEdit* explanation_;
    QPushButton* ok_;
};

/// Answers whether a dialog was shown.
bool ShowWorkerError(QWidget* parent, TPendingError& slot);
