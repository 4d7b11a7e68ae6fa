#pragma once
// The byte stream a SOCKS handshake runs on: the connection to the proxy.
// TIdSocksFdChannel wraps a connected socket; a transport with its own I/O
// (TLS pass-through, a test double) implements the interface itself.
// A channel is used by one thread at a time.

#include <cstdint>
#include <span>

class TIdSocksChannel {
public:
    virtual ~TIdSocksChannel() = default;
    /// Sends every byte; false when the connection failed.
    virtual bool WriteAll(std::span<const std::uint8_t> bytes) = 0;
    /// Fills `bytes` completely; false on end of stream, error or time-out.
    /// A channel may also throw its own transport exception; it passes through.
    virtual bool ReadExactly(std::span<std::uint8_t> bytes) = 0;
    /// Ends the connection after a failed handshake, in both directions.
    virtual void Close() = 0;
};

/// A connected socket, blocking or not. Does not own the descriptor: Close()
/// shuts the connection down (so a blocked reader wakes up) and the owner
/// still closes the descriptor. `readTimeoutMs` bounds each ReadExactly as
/// a whole (and each wait for a full send buffer to drain); 0 or less waits
/// without limit, as the transports' ReadTimeout does.
class TIdSocksFdChannel final : public TIdSocksChannel {
public:
    TIdSocksFdChannel(int fd, int readTimeoutMs);

    bool WriteAll(std::span<const std::uint8_t> bytes) override;
    bool ReadExactly(std::span<std::uint8_t> bytes) override;
    void Close() override;

private:
    int FD;
    int ReadTimeoutMs;
};
