#pragma once
// ELocalizationError: raised by the localisation layer.
//
// Asking the string table for a name it does not hold is a programming
// error ("Constant \"%s\" not found") and callers do not catch it. A
// language file that cannot be read raises it too; the start-up code
// catches that one and falls back to English.

#include <stdexcept>

class ELocalizationError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
