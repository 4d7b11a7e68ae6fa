#pragma once
// Questions the user can answer once and for all. The dialog shows a text
// of the string table ("MainForm_" + name, its placeholders filled), the
// icon and title of its kind, its buttons and a check box "Don't show this
// <kind> again". With the box checked the answer is stored as the integer
// setting name + "DialogDefault"; while that setting is not 0 the question
// is not asked and the answer when suppressed (or, when that is 0, the
// stored answer) is returned at once.

#include <QDialog>

#include <string>
#include <string_view>
#include <vector>

class QCheckBox;
class TMainConfig;

/// Dialog kinds; the values are stored nowhere but keep the usual order.
enum TMsgDlgType { mtWarning = 0, mtError = 1, mtInformation = 2, mtConfirmation = 3 };

/// Buttons, combinable.
enum TMsgDlgBtn : unsigned { mbYes = 1, mbNo = 2, mbOK = 4, mbCancel = 8 };

/// Dialog results as stored in the settings.
enum TModalResult { mrNone = 0, mrOk = 1, mrCancel = 2, mrYes = 6, mrNo = 7 };

class TSuppressibleDialog : public QDialog {
    Q_OBJECT
public:
    TSuppressibleDialog(const QString& text, int kind, unsigned buttons, QWidget* parent = nullptr);

    /// The answer after exec(): mrYes, mrNo, mrOk or mrCancel.
    int Answer() const { return answer_; }
    bool DontShowAgain() const;
    QCheckBox* DontShowAgainBox() const { return check_; }
    /// The title of a kind ("" outside the table).
    static QString KindTitle(int kind);

    void reject() override;

private:
    void Answer(int result);

    QCheckBox* check_;
    int answer_ = mrNone;
    int escapeAnswer_ = mrCancel;
};

/// The whole question: asks (or answers from the settings), stores the
/// answer when the box is checked. `config` defaults to the program's
/// settings (TMainConfig::Instance()).
int ShowSuppressibleDialog(QWidget* parent, std::string_view name, const std::vector<std::string>& arguments,
                           int kind, unsigned buttons, int answerWhenSuppressed, TMainConfig* config = nullptr);
