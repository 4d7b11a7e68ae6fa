#pragma once
// IPowerOff: turning the computer off once the queue is done. The desktop
// program uses TLogindPowerOff; tests install a stand-in.

#include <memory>
#include <string>

class IPowerOff {
public:
    virtual ~IPowerOff() = default;
    /// Asks the system to power off. Answers whether the request could be
    /// sent; the system may still refuse it, and then nothing further
    /// happens. Does not block on the answer.
    virtual bool PowerOff() = 0;
};

/// logind's "PowerOff" over D-Bus (interactive, so policy may ask the
/// user for rights). By default on the system bus; `busAddress` names
/// another bus (tests run a private one).
class TLogindPowerOff final : public IPowerOff {
public:
    explicit TLogindPowerOff(std::string busAddress = {});
    ~TLogindPowerOff() override;
    bool PowerOff() override;

private:
    std::string busAddress_;
    std::string connectionName_;
};
