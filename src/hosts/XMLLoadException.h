#pragma once
// The program's errors for stored XML documents that cannot be turned into
// objects (a host, a queue item). Their message is shown to the user as is.

#include <stdexcept>

class EXMLException : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class EXMLLoadException : public EXMLException {
public:
    using EXMLException::EXMLException;
};
