#pragma once
// TXMLConfig: the common base of the program's settings objects. It has no
// state or operations of its own.

class TXMLConfig {
public:
    virtual ~TXMLConfig() = default;

protected:
    TXMLConfig() = default;
    TXMLConfig(const TXMLConfig&) = default;
    TXMLConfig& operator=(const TXMLConfig&) = default;
};
