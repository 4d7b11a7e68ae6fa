// Arbitrary proxy replies through every SOCKS handshake. The first byte
// picks the version, the method and CONNECT or BIND; the rest is what the
// proxy sends. A handshake either succeeds having read no more than was
// sent, or fails with a SOCKS error and closes the channel.
#include "ftp/SocksInfo.h"

#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>

namespace {

class TReplayChannel final : public TIdSocksChannel {
public:
    explicit TReplayChannel(std::span<const std::uint8_t> reply) : Reply(reply) {}
    bool WriteAll(std::span<const std::uint8_t> bytes) override
    {
        Written += bytes.size();
        return !Closed;
    }
    bool ReadExactly(std::span<std::uint8_t> bytes) override
    {
        if (Closed || Reply.size() - Consumed < bytes.size())
            return false;
        for (std::uint8_t& b : bytes)
            b = Reply[Consumed++];
        return true;
    }
    void Close() override { Closed = true; }

    std::span<const std::uint8_t> Reply;
    std::size_t Consumed = 0;
    std::size_t Written = 0;
    bool Closed = false;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::uint8_t mode = data[0];
    TIdSocksInfo info;
    info.Version = static_cast<TSocksVersion>(1 + mode % 3);
    info.Authentication = (mode & 4) ? saUsernamePassword : saNoAuthentication;
    info.Host = "proxy.example";
    info.Username = "user";
    info.Password = "password";
    const bool bind = (mode & 8) != 0;
    // SOCKS 4 resolves names itself: give it an address so no lookup happens.
    const std::string target = (mode & 16) || info.Version == svSocks4 ? "192.0.2.1" : "ftp.example";

    TReplayChannel channel(std::span<const std::uint8_t>(data + 1, size - 1));
    try {
        if (bind) {
            info.Bind(channel, target, 21);
            info.AcceptBind(channel);
        } else {
            info.Connect(channel, target, 21);
        }
        if (channel.Closed || channel.Consumed > channel.Reply.size())
            std::abort();
    } catch (const EIdSocksError&) {
        if (!channel.Closed)
            std::abort();
    }
    return 0;
}
