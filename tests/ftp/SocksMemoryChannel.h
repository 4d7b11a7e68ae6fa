#pragma once
// A SOCKS channel over memory: reads come from a scripted reply, writes are
// recorded, so a handshake can be checked byte for byte.

#include "ftp/SocksChannel.h"

#include <string>
#include <vector>

class TSocksMemoryChannel final : public TIdSocksChannel {
public:
    explicit TSocksMemoryChannel(std::string reply) : Reply(std::move(reply)) {}

    bool WriteAll(std::span<const std::uint8_t> bytes) override
    {
        if (Closed)
            return false;
        Written.append(bytes.begin(), bytes.end());
        return true;
    }
    bool ReadExactly(std::span<std::uint8_t> bytes) override
    {
        if (Closed || Reply.size() - Consumed < bytes.size())
            return false;
        for (std::uint8_t& b : bytes)
            b = static_cast<std::uint8_t>(Reply[Consumed++]);
        return true;
    }
    void Close() override { Closed = true; }

    std::string Reply;
    std::size_t Consumed = 0;
    std::string Written;
    bool Closed = false;
};
