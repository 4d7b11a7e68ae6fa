#pragma once
// TPortEdit: a line edit for a port number. Typed keys other than the
// digits 0-9 and backspace are refused with a balloon titled "Error" saying
// "Value must be an integer" for 3000 ms; a valid key hides the balloon.
// Pasted or dropped text that is not all digits is refused too.

#include <QLineEdit>

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

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void ShowBalloon();
    void HideBalloon();

    QLabel* balloon_;
    QTimer* balloonTimer_;
};
