#pragma once
// TIdIOHandler: the transport under a control or data connection. It owns
// the input buffer, line reading, the traffic intercept and the status
// signalling; subclasses supply the byte stream (RawRecv/RawSend) and the
// socket. TIdIOHandlerStack (IOHandlerStack.h) is the plain socket
// transport; a TLS transport derives from it and overrides the raw calls,
// SetPassThrough (start TLS on the open socket / stop it after CCC) and
// Clone (data connections get a copy with the same settings).
//
// Contract: used by one owning thread. Abort() alone may be called from any
// other thread: it shuts the socket down so that a blocked read or write in
// the owning thread fails; the descriptor is closed only by the owner.

#include "ftp/SocksInfo.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

enum TIdStatus {
    hsResolving,
    hsConnecting,
    hsConnected,
    hsDisconnecting,
    hsDisconnected,
    hsStatusText,
    ftpTransfer,
    ftpReady,
    ftpAborted
};

/// The text of a status: "Resolving hostname %s.", "Connecting to %s.",
/// "Connected.", "Disconnecting.", "Disconnected." or the argument itself.
std::string IdStatusText(TIdStatus status, std::string_view argument = {});

/// Writes every byte to the file `file`; raises EIdException ("Cannot write
/// the local file: ...") on failure.
void IdWriteAllToFile(int file, const char* data, std::size_t size);

using TIdStatusEvent = std::function<void(TIdStatus status, const std::string& text)>;

/// Sees every byte of a connection: OnReceive before the bytes enter the
/// input buffer (it may change them), OnSend with exactly what is written.
class TIdConnectionIntercept {
public:
    std::function<void()> OnConnect;
    std::function<void()> OnDisconnect;
    std::function<void(std::string& bytes)> OnReceive;
    std::function<void(std::string& bytes)> OnSend;
};

enum TIdIPVersion { Id_IPv4, Id_IPv6 };

class TIdIOHandler {
public:
    static constexpr int DefaultBufferSize = 32768;

    virtual ~TIdIOHandler() = default;
    TIdIOHandler(const TIdIOHandler&) = delete;
    TIdIOHandler& operator=(const TIdIOHandler&) = delete;

    int RecvBufferSize = DefaultBufferSize;
    int SendBufferSize = DefaultBufferSize;
    int MaxLineLength = 16384;
    int ReadTimeout = 0;     ///< ms; 0 waits without limit
    int ConnectTimeout = 0;  ///< ms; 0 is a plain blocking connect
    TIdIPVersion IPVersion = Id_IPv4;
    std::shared_ptr<TIdConnectionIntercept> Intercept;
    TIdStatusEvent OnStatus;
    /// SOCKS settings; switched off by default.
    TIdSocksInfo TransparentProxy;

    /// Resolves, connects (through SOCKS when enabled), fires the intercept's
    /// OnConnect and the statuses. Raises EIdSocketError (11001 for an
    /// unknown host), EIdConnectTimeout or a SOCKS error; nothing stays open.
    virtual void Open(const std::string& host, std::uint16_t port) = 0;
    /// Takes over an already connected socket (an accepted data connection).
    virtual void Adopt(int fd) = 0;
    /// An active-mode data connection through the SOCKS proxy: connects to
    /// the proxy and has it listen for one connection from `peerHost`;
    /// returns where the peer must connect (for PORT/EPRT). Raises
    /// EIdTransparentProxyCantBind without SOCKS, else as Open.
    virtual TIdSocksAddress OpenBind(const std::string& peerHost);
    /// After OpenBind: waits until the peer has connected through the proxy
    /// (at most ReadTimeout; 0 waits without limit). Abort() ends the wait
    /// with EIdSocketError 10053.
    virtual void AcceptBind();
    /// Closes the socket (owner thread). The object can be opened again.
    virtual void Close() = 0;
    /// Any thread: shuts the socket down so a blocked call fails.
    void Abort();
    /// True while a socket is open and the peer has not been seen closing.
    bool Connected() const { return fd_ >= 0 && !peerClosed_; }
    bool Opened() const { return fd_ >= 0; }
    int Handle() const { return fd_; }

    /// A fresh, unconnected transport of the same kind and settings.
    virtual std::unique_ptr<TIdIOHandler> Clone() const = 0;
    /// True for a transport that can encrypt (TLS).
    virtual bool IsTLSHandler() const { return false; }
    /// false on an open socket starts encryption (client handshake with the
    /// peer name `host`); true stops it. The plain transport cannot encrypt.
    virtual void SetPassThrough(bool passThrough, const std::string& host);
    virtual bool PassThrough() const { return true; }

    /// Writes everything (after the peer-close check and the intercept).
    void Write(std::string_view bytes);
    /// Writes a block of file data (intercept included) without an extra copy.
    void WriteBytes(const char* data, std::size_t size);
    /// One line without its LF and one CR before it. Raises
    /// EIdReadLnMaxLineLengthExceeded, EIdReadTimeout, EIdConnClosedGracefully.
    std::string ReadLn();
    /// Up to `size` bytes: buffered input first, else one receive. 0 when the
    /// peer closed. Raises EIdReadTimeout or EIdSocketError.
    std::size_t ReadSome(char* buffer, std::size_t size);
    /// Receives up to `size` bytes and writes them to the file `file` at its
    /// position; 0 when the peer closed. Errors as ReadSome; a failed write
    /// raises EIdException ("Cannot write the local file: ..."), keeping what
    /// was written before. A transport that passes bytes through unchanged
    /// may move them without copying them through user memory.
    virtual std::size_t ReadSomeToFile(int file, std::size_t size);
    /// Sends up to `size` bytes read from the file `file` at its position; 0
    /// at its end. Errors as WriteBytes; a failed read raises EIdException
    /// ("Cannot read the local file: ...").
    virtual std::size_t WriteFromFile(int file, std::size_t size);
    /// Checks for a peer close; closes the socket when seen. With `raise`,
    /// raises EIdConnClosedGracefully when no input is buffered.
    void CheckForDisconnect(bool raise);
    /// Looks for a peer close without blocking (for IsConnected()).
    void CheckForDataOnSource();
    std::size_t BufferedBytes() const { return input_.size() - inputPos_; }

    std::string PeerIP() const { return peerIP_; }
    std::uint16_t PeerPort() const { return peerPort_; }
    std::string LocalIP() const { return localIP_; }
    std::uint16_t LocalPort() const { return localPort_; }

protected:
    TIdIOHandler() = default;
    void CopySettingsTo(TIdIOHandler& other) const;
    void DoStatus(TIdStatus status, std::string_view argument = {});

    /// One receive of up to `size` bytes waiting at most `timeoutMs` (<=0: no
    /// limit); 0 when the peer closed. Raises EIdReadTimeout/EIdSocketError.
    virtual std::size_t RawRecv(char* buffer, std::size_t size, int timeoutMs) = 0;
    virtual void RawSend(const char* data, std::size_t size) = 0;
    /// Bytes decrypted but not yet handed out (a TLS session).
    virtual bool RawPending() const { return false; }

    void SetSocket(int fd);
    void ReleaseSocket();  // closes the descriptor (owner thread)
    void ResetInput();

    std::atomic<int> fd_{-1};
    std::atomic<bool> aborted_{false};
    bool peerClosed_ = false;
    std::string peerIP_;
    std::string localIP_;
    std::uint16_t peerPort_ = 0;
    std::uint16_t localPort_ = 0;

    /// A scratch block of at least `size` bytes for the file calls, kept
    /// for the life of the object (not zero-filled).
    char* FileBuffer(std::size_t size);

private:
    bool FillBuffer(int timeoutMs);

    std::unique_ptr<char[]> fileBuffer_;
    std::size_t fileBufferSize_ = 0;

    std::string input_;
    std::size_t inputPos_ = 0;
    std::string scratch_;
    std::mutex fdMutex_;  // Abort() against the owner closing the socket
};
