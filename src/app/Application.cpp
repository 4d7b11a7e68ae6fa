#include "app/Application.h"

#include <cstdio>

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        if (handler_) {
            handler_(std::current_exception());
        } else {
            try {
                throw;
            } catch (const std::exception& e) {
                std::fprintf(stderr, "Tovrel FTP: %s\n", e.what());
            } catch (...) {
                std::fprintf(stderr, "Tovrel FTP: unknown exception\n");
            }
        }
        return false;
    }
}
