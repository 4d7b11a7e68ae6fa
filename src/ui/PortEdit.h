#pragma once
// TPortEdit: a line edit for a port number. Typed keys other than the
// digits 0-9 and backspace are refused with a balloon titled "Error" saying
// "Value must be an integer" for 3000 ms; a valid key hides the balloon.
// Pasted or dropped text that is not all digits is refused too. Both texts
// come from the active language when the balloon shows.

#include <QLineEdit>

#include <string>

class QLabel;
class QTimer;

class TPortEdit : public QLineEdit {
    Q_OBJECT
public:
    static constexpr int BalloonMilliseconds = 3000;

    explicit TPortEdit(QWidget* parent = nullptr);
    ~TPortEdit() override;

    /// The balloon window while it is shown, else nullptr.
    QLabel* VisibleBalloon() const;
    /// The port in the field, or `fallback` when it is not a number.
    int PortOr(int fallback) const;
    /// The string-table name of the balloon's message (each window has its own).
    void SetMessageName(std::string name) { messageName_ = std::move(name); }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void ShowBalloon();
    void HideBalloon();

    std::string messageName_ = "HostsForm_IDS_14";
    QLabel* balloon_;
    QTimer* balloonTimer_;
};
