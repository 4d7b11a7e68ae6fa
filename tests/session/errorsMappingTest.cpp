// Which of the program's errors each engine failure becomes, per operation.

#include "session/EngineErrorMapping.h"

#include "ftp/IdExceptions.h"
#include "ftp/SSLExceptions.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <typeinfo>

namespace {

using Op = TRemoteOperation;
using Act = TErrorAction;

struct TCase {
    const char* Name;
    Op Operation;
    std::function<std::unique_ptr<std::exception>()> Failure;
    Act Action;
    const std::type_info* Class; // for eaShow
    const char* Short;           // for eaShow
    bool Disconnect;
};

template <typename T, typename... A>
std::function<std::unique_ptr<std::exception>()> Raise(A... args)
{
    return [=] { return std::make_unique<T>(args...); };
}

const auto& None = typeid(void);

const std::vector<TCase>& Cases()
{
    static const std::vector<TCase> table = {
        // The socket-error report, in every operation that gives one.
        {"connect reset", Op::roConnect, Raise<EIdSocketError>(10054), Act::eaShow,
         &typeid(EFTRemoteConnectionClosed), "The remote host closed the connection.", true},
        {"list aborted", Op::roList, Raise<EIdSocketError>(10053), Act::eaShow, &typeid(EFTRemoteConnectionClosed),
         "The remote host closed the connection.", true},
        {"connect unknown host", Op::roConnect, Raise<EIdSocketError>(11001), Act::eaShow,
         &typeid(EFTRemoteConnectionFailed), "Host not found.", true},
        {"connect refused", Op::roConnect, Raise<EIdSocketError>(10061), Act::eaShow,
         &typeid(EFTRemoteConnectionFailed), "Connection to remote host refused.", true},
        {"cwd socket", Op::roChangeDir, Raise<EIdSocketError>(10060), Act::eaShow,
         &typeid(EFTRemoteConnectionFailed), "Connection to remote host refused.", true},
        {"cdup socket", Op::roChangeDirUp, Raise<EIdSocketError>(10054), Act::eaShow,
         &typeid(EFTRemoteConnectionClosed), "The remote host closed the connection.", true},
        {"dele socket", Op::roDeleteFile, Raise<EIdSocketError>(10054), Act::eaShow,
         &typeid(EFTRemoteConnectionClosed), "The remote host closed the connection.", true},
        // A refused certificate, at the step that met it; another certificate
        // on a data connection is never passed over.
        {"login certificate refused", Op::roLogin, Raise<EIdOSSLCertificateRefused>(TIdPeerCertificate{}), Act::eaShow,
         &typeid(EFTRemoteCertificateRefused), "The server's certificate was not accepted.", true},
        {"implicit TLS certificate refused", Op::roConnect, Raise<EIdOSSLCertificateRefused>(TIdPeerCertificate{}),
         Act::eaShow, &typeid(EFTRemoteCertificateRefused), "The server's certificate was not accepted.", true},
        {"list on another certificate", Op::roList,
         Raise<EIdOSSLCertificateMismatch>(TIdPeerCertificate{}, std::string("a, b")), Act::eaShow,
         &typeid(EFTRemoteDataCertificateMismatch), "The data connection was not the server's.", true},
        // Connect: anything else is not shown.
        {"connect bad greeting", Op::roConnect, Raise<EIdReplyRFCError>(500, "no"), Act::eaPassOn, &None, "", false},
        // Login.
        {"login auth refused", Op::roLogin, Raise<EIdTLSClientTLSNotAvailable>("SSL is not available on this server."),
         Act::eaShow, &typeid(EFTRemoteTLSNotAvailable), "TLS/SSL not availible.", true},
        {"login handshake", Op::roLogin, Raise<EIdTLSClientTLSHandShakeFailed>(), Act::eaShow,
         &typeid(EFTRemoteTLSNotAvailable), "TLS/SSL not availible.", true},
        {"login openssl", Op::roLogin, Raise<EIdOSSLConnectError>("alert"), Act::eaShow,
         &typeid(EFTRemoteTLSNotAvailable), "TLS/SSL not availible.", true},
        {"login 530", Op::roLogin, Raise<EIdReplyRFCError>(530, "Login incorrect."), Act::eaShow,
         &typeid(EFTRemoteAuthenticationFailed), "Authentication failed.", true},
        {"login socket", Op::roLogin, Raise<EIdSocketError>(10054), Act::eaShow,
         &typeid(EFTRemoteAuthenticationFailed), "Authentication failed.", true},
        {"login program error", Op::roLogin, Raise<std::logic_error>("bug"), Act::eaPassOn, &None, "", false},
        // List.
        {"list 550", Op::roList, Raise<EIdReplyRFCError>(550, "No such directory."), Act::eaShow,
         &typeid(EFTRemoteDirectoryCantRead), "Could not read the contents of choosen directory.", false},
        {"list timeout", Op::roList, Raise<EIdReadTimeout>(), Act::eaIgnore, &None, "", false},
        {"list date conversion", Op::roList, Raise<std::invalid_argument>("bad month"), Act::eaPassOn, &None, "",
         false},
        // Change directory: closing replies end the session silently.
        {"cwd 550", Op::roChangeDir, Raise<EIdReplyRFCError>(550, "Permission denied."), Act::eaShow,
         &typeid(EFTRemoteDirectoryCantChange), "Could not change to choosen directory.", false},
        {"cwd 421", Op::roChangeDir, Raise<EIdReplyRFCError>(421, "Timeout."), Act::eaCloseSilently, &None, "", true},
        {"cwd 221", Op::roChangeDir, Raise<EIdReplyRFCError>(221, "Bye."), Act::eaCloseSilently, &None, "", true},
        {"cwd 426", Op::roChangeDir, Raise<EIdReplyRFCError>(426, "Closed."), Act::eaCloseSilently, &None, "", true},
        {"cwd not connected", Op::roChangeDir, Raise<EIdNotConnected>(), Act::eaIgnore, &None, "", false},
        {"cdup 421", Op::roChangeDirUp, Raise<EIdReplyRFCError>(421, "Timeout."), Act::eaShow,
         &typeid(EFTRemoteDirectoryCantChange), "Could not change to choosen directory.", false},
        // Short operations.
        {"mkd 550", Op::roMakeDir, Raise<EIdReplyRFCError>(550, "Exists."), Act::eaShow,
         &typeid(EFTRemoteDirectoryCantCreate), "Could not create directory.", false},
        {"mkd socket", Op::roMakeDir, Raise<EIdSocketError>(10054), Act::eaPassOn, &None, "", false},
        {"rnfr 550", Op::roRename, Raise<EIdReplyRFCError>(550, "No."), Act::eaShow, &typeid(EFTRemoteCantRename),
         "Could not rename the remote file or directory.", false},
        {"dele 550", Op::roDeleteFile, Raise<EIdReplyRFCError>(550, "No such file."), Act::eaShow,
         &typeid(EFTRemoteFileNotFound), "The remote file was not found.", false},
        {"dele 553", Op::roDeleteFile, Raise<EIdReplyRFCError>(553, "Not allowed."), Act::eaShow,
         &typeid(EFTRemoteFileCantDelete), "Could not delete the remote file.", false},
        // Recursive delete.
        {"rdel link", Op::roRecursiveDelete, Raise<EFTRemoteSymbolicLinkInRecursiveDelete>(), Act::eaShow,
         &typeid(EFTRemoteSymbolicLinkInRecursiveDelete), "Can't delete directory.", false},
        {"rdel rmd", Op::roRecursiveDelete, Raise<EIdReplyRFCError>(550, "Not empty."), Act::eaShow,
         &typeid(EFTRemoteFileCantDelete), "Could not delete the remote file.", false},
        // Transfer thread.
        {"transfer unknown host", Op::roTransferConnect, Raise<EIdSocketError>(11001), Act::eaShow,
         &typeid(EFTRemoteConnectionFailed), "Host not found.", false},
        {"transfer reset at connect", Op::roTransferConnect, Raise<EIdSocketError>(10054), Act::eaShow,
         &typeid(EFTRemoteConnectionFailed), "Connection to remote host refused.", false},
        {"transfer bad greeting", Op::roTransferConnect, Raise<EIdReplyRFCError>(500, "no"), Act::eaIgnore, &None, "",
         false},
        {"transfer tls refused", Op::roTransferLogin, Raise<EIdTLSClientTLSNotAvailable>("x"), Act::eaShow,
         &typeid(EFTRemoteAuthenticationFailed), "Authentication failed.", true},
    };
    return table;
}

} // namespace

TEST(EngineErrorMapping, EachFailureBecomesItsClassOrAction)
{
    for (const auto& c : Cases()) {
        const auto failure = c.Failure();
        const TEngineErrorOutcome outcome = MapEngineError(c.Operation, *failure);
        EXPECT_EQ(outcome.Action, c.Action) << c.Name;
        EXPECT_EQ(outcome.Disconnect, c.Disconnect) << c.Name;
        if (c.Action == Act::eaShow) {
            ASSERT_NE(outcome.Error, nullptr) << c.Name;
            EXPECT_EQ(typeid(*outcome.Error), *c.Class) << c.Name;
            EXPECT_STREQ(outcome.Error->what(), c.Short) << c.Name;
        } else {
            EXPECT_EQ(outcome.Error, nullptr) << c.Name;
        }
    }
}

TEST(EngineErrorMapping, SocketErrorReportTellsHostNotFoundFromRefusedAndClosed)
{
    EXPECT_EQ(SocketErrorReport(11001)->LongDescription(),
              "Can't find the hostname for the remote host. Possible causes are; the nameservers are down, a firewall "
              "is blocking the dns service, the hostname is newly registered and not updated in nameservers.");
    EXPECT_STREQ(SocketErrorReport(10061)->what(), "Connection to remote host refused.");
    EXPECT_STREQ(SocketErrorReport(0)->what(), "Connection to remote host refused.");
    EXPECT_STREQ(SocketErrorReport(10053)->what(), "The remote host closed the connection.");
    EXPECT_STREQ(SocketErrorReport(10054)->what(), "The remote host closed the connection.");
}

TEST(EngineErrorMapping, EngineErrorsAreToldFromProgramErrors)
{
    EXPECT_TRUE(IsEngineError(EIdSocketError(10054)));
    EXPECT_TRUE(IsEngineError(EIdOSSLReadError()));
    EXPECT_FALSE(IsEngineError(std::runtime_error("x")));
    EXPECT_FALSE(IsEngineError(EFTRemoteFileNotFound()));
}
