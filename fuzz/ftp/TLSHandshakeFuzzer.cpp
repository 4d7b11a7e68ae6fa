// Feeds arbitrary bytes to the client handshake as the server's answer, over
// a socket pair whose server end is closed after the bytes: every input must
// end in success or EIdOSSLConnectError, quickly, without a crash.

#include "ftp/SSLContext.h"
#include "ftp/SSLExceptions.h"
#include "ftp/SSLSocket.h"

#include <sys/socket.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 60000) return 0;  // must fit into the socket buffer at once
    static TIdSSLContext context(TIdSSLOptions{}, TIdSSLEvents{});
    int fds[2];
    if (socketpair(AF_UNIX, SOCK_STREAM, 0, fds) != 0) return 0;
    int buffer = 256 * 1024;
    setsockopt(fds[1], SOL_SOCKET, SO_SNDBUF, &buffer, sizeof buffer);
    setsockopt(fds[0], SOL_SOCKET, SO_RCVBUF, &buffer, sizeof buffer);
    if (size > 0 && send(fds[1], data, size, MSG_NOSIGNAL | MSG_DONTWAIT) != static_cast<ssize_t>(size)) {
        close(fds[0]);
        close(fds[1]);
        return 0;
    }
    shutdown(fds[1], SHUT_WR);
    {
        TIdSSLSocket socket(context);
        try {
            socket.Connect(fds[0], "ftp.example.org", 1000);
            char buf[256];
            while (socket.Recv(buf, sizeof buf, 1000) > 0) {
            }
        } catch (const EIdOpenSSLError&) {
        }
    }
    close(fds[0]);
    close(fds[1]);
    return 0;
}
