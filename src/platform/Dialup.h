#pragma once
// TDialup: dial-up connections of the system's remote-access phonebook.
// This desktop has no such phonebook: the list is empty, so the dialogs
// offer only "None", and EnsureDialup() never dials and answers true.

#include <string>
#include <vector>

class TDialup {
public:
    /// The phonebook's entry names, in the system's order.
    static std::vector<std::string> PhonebookNames();
    /// Makes sure the machine is online before connecting to a host that
    /// names `connection`; true when no dial was needed or it succeeded.
    static bool EnsureDialup(const std::string& connection);
};
