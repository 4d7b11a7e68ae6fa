#pragma once
// TApplication: the program's QApplication. An exception that escapes an
// event handler on the user-interface thread ends up here instead of
// ending the program: it goes to the installed handler (the main window
// logs it) or, without one, to standard error.

#include <QApplication>

#include <exception>
#include <functional>

class TApplication : public QApplication {
public:
    TApplication(int& argc, char** argv);

    void SetExceptionHandler(std::function<void(std::exception_ptr)> handler) { handler_ = std::move(handler); }

    bool notify(QObject* receiver, QEvent* event) override;

private:
    std::function<void(std::exception_ptr)> handler_;
};
