#pragma once
// TAddHostWizard: the modal "New host" wizard. Three pages ("Common name",
// "Hostname", "User authentication") with "< Back", "Next >"/"Finish";
// finishing adds the host at the top level of "Hosts.xml" at once.
// Closing in another way after "Next >" was pressed asks first.

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QStackedWidget;
class THosts;
class TMainConfig;

class TAddHostWizard : public QDialog {
    Q_OBJECT
public:
    static constexpr int PageCount = 3;

    TAddHostWizard(TMainConfig& config, THosts& hosts, QWidget* parent = nullptr);

    void Next();
    void Back();
    int Page() const;

    QLineEdit* CommonNameEdit() const { return commonName_; }
    QLineEdit* HostnameEdit() const { return hostname_; }
    QLineEdit* UsernameEdit() const { return username_; }
    QLineEdit* PasswordEdit() const { return password_; }
    QCheckBox* AnonymousBox() const { return anonymous_; }
    QPushButton* NextButton() const { return next_; }
    QPushButton* BackButton() const { return back_; }
    QLabel* StepLabel() const { return step_; }

    void done(int result) override;

private:
    QLabel* NewPage(QWidget* field);
    void ShowPage(int index);
    /// The header and the next button of the shown page, in the active language.
    void ShowPageTexts();
    void Finish();

    TMainConfig& config_;
    THosts& hosts_;
    bool nextPressed_ = false;
    bool finishing_ = false;
    QStackedWidget* pages_ = nullptr;
    QLabel* title_ = nullptr;
    QLabel* step_ = nullptr;
    QLineEdit* commonName_ = nullptr;
    QLineEdit* hostname_ = nullptr;
    QLineEdit* username_ = nullptr;
    QLineEdit* password_ = nullptr;
    QCheckBox* anonymous_ = nullptr;
    QPushButton* back_ = nullptr;
    QPushButton* next_ = nullptr;
    QString titles_[3];
};
