// TIdFTP: control connection, replies, login and the single-command
// operations. Data connections are in FTPData.cpp.
#include "ftp/FTP.h"

#include "ftp/IOHandlerStack.h"
#include "ftp/IdExceptions.h"
#include "ftp/OTP.h"
#include "ftp/SSLExceptions.h"
#include "ftp/SocksErrors.h"
#include "ftp/listparse/ListRegistry.h"

#include <algorithm>
#include <charconv>

TIdFTP::TIdFTP() = default;

TIdFTP::~TIdFTP()
{
    if (io_ && io_->Opened())
        io_->Close();
}

void TIdFTP::DoStatus(TIdStatus status, const std::string& argument)
{
    if (OnStatus)
        OnStatus(status, IdStatusText(status, argument));
}

void TIdFTP::SetIOHandler(std::unique_ptr<TIdIOHandler> handler)
{
    io_ = std::move(handler);
    if (!io_ || !io_->IsTLSHandler())
        SetUseTLS(utNoTLSSupport);
}

void TIdFTP::SetUseTLS(TIdUseTLS value)
{
    if (io_ && io_->Connected())
        throw EIdTLSClientCanNotSetWhileConnected();
    if (value != utNoTLSSupport && !(io_ && io_->IsTLSHandler()))
        throw EIdTLSClientSSLIOHandlerRequred();
    if (value != useTLS_) {
        if (value == utUseImplicitTLS && Port == 21)
            Port = 990;
        else if (useTLS_ == utUseImplicitTLS && Port == 990)
            Port = 21;
    }
    useTLS_ = value;
    if (value == utNoTLSSupport) {
        dataProtection_ = ftpdpsClear;
        useCCC_ = false;
        authCmd_ = tAuto;
    }
}

void TIdFTP::SetAUTHCmd(TAuthCmd value)
{
    if (useTLS_ == utNoTLSSupport)
        throw EIdFTPNoAUTHWOSSL();
    if (tlsActive_)
        throw EIdFTPCanNotSetAUTHCon();
    authCmd_ = value;
}

void TIdFTP::SetDataPortProtection(TIdFTPDataPortSecurity value)
{
    if (useTLS_ == utNoTLSSupport)
        throw EIdFTPNoDataPortProtectionWOEncryption();
    if (cccDone_)
        throw EIdFTPNoDataPortProtectionAfterCCC();
    dataProtection_ = value;
}

void TIdFTP::SetUseCCC(bool value)
{
    if (useTLS_ == utNoTLSSupport)
        throw EIdFTPNoCCCWOEncryption();
    useCCC_ = value;
}

namespace {

std::string FirstWordOf(const std::string& text)
{
    const std::string_view trimmed = IdTrim(text);
    return std::string(trimmed.substr(0, trimmed.find(' ')));
}

bool Accepts(const std::vector<int>& accepted, int code)
{
    return std::find(accepted.begin(), accepted.end(), code) != accepted.end();
}

}  // namespace

void TIdFTP::SetClientInfo(const TIdFTPClientIdentifier& info)
{
    clientInfo_.ClientName = FirstWordOf(info.ClientName);
    clientInfo_.ClientVersion = FirstWordOf(info.ClientVersion);
    clientInfo_.PlatformDescription = info.PlatformDescription;
}

void TIdFTP::SetTransferType(TIdFTPTransferType value)
{
    if (value != transferType_ && io_ && io_->Connected() && !dataActive_)
        SendCommand(value == ftASCII ? "TYPE A" : "TYPE I", 200);
    transferType_ = value;
}

TIdIOHandler& TIdFTP::Transport()
{
    if (!io_)
        throw EIdNotConnected();
    return *io_;
}

void TIdFTP::ResetConnectionState()
{
    tlsActive_ = false;
    cccDone_ = false;
    protRefused_ = false;
    usingExtDataPort_ = UseExtensionDataPort;
    usingMLIS_ = false;
    capabilities_.clear();
    languages_.clear();
    loginReply_.Clear();
    greeting_.Clear();
    lastReply_.Clear();
    workLevel_[0] = workLevel_[1] = 0;
}

void TIdFTP::ConnectControl()
{
    if (io_ && io_->Opened())
        throw EIdAlreadyConnected();
    if (!io_)
        io_ = std::make_unique<TIdIOHandlerStack>();
    owner_ = std::this_thread::get_id();
    ResetConnectionState();
    io_->OnStatus = [this](TIdStatus status, const std::string& text) {
        if (OnStatus)
            OnStatus(status, text);
    };
    const bool viaProxy = ProxySettings.ProxyType != fpcmNone && !ProxySettings.Host.empty();
    const std::string host = viaProxy ? ProxySettings.Host : Host;
    const std::uint16_t port = viaProxy ? ProxySettings.Port : Port;
    if (ConnectTimeout > 0)
        io_->ConnectTimeout = ConnectTimeout;
    if (ReadTimeout > 0)
        io_->ReadTimeout = ReadTimeout;
    try {
        io_->Open(host, port);
        if (io_->IPVersion == Id_IPv6)
            usingExtDataPort_ = true;
        if (useTLS_ == utUseImplicitTLS) {
            io_->SetPassThrough(false, Host);
            tlsActive_ = true;
        }
        ReadReplyAllowing({220});
        greeting_ = lastReply_;
        if (OnBannerBeforeLogin)
            OnBannerBeforeLogin(greeting_.FormattedReply());
        if (AutoLogin)
            Authenticate();
    } catch (...) {
        CloseConnection();
        throw;
    }
}

void TIdFTP::Connect()
{
    ConnectControl();
}

bool TIdFTP::IsConnected()
{
    if (!io_)
        return false;
    io_->CheckForDataOnSource();
    io_->CheckForDisconnect(false);
    return io_->Connected();
}

void TIdFTP::CloseConnection()
{
    if (!io_)
        return;
    if (owner_.load() != std::thread::id() && owner_.load() != std::this_thread::get_id()) {
        // Another thread: only shut down; the owner's blocked call fails.
        CloseDataChannel();
        io_->Abort();
        return;
    }
    if (!io_->Opened())
        return;
    DoStatus(hsDisconnecting);
    io_->Close();
    if (OnDisconnected)
        OnDisconnected();
    DoStatus(hsDisconnected);
}

void TIdFTP::CheckCommandText(const std::string& command)
{
    if (command.find_first_of("\r\n") != std::string::npos)
        throw EIdFTPLineBreakInCommand();
}

void TIdFTP::WriteCommand(const std::string& command)
{
    // Every command passes here; data commands are also checked before
    // their data connection is set up.
    CheckCommandText(command);
    Transport().Write(command + "\r\n");
}

int TIdFTP::ReadReply(const std::vector<int>& accepted, bool any)
{
    TIdIOHandler& io = Transport();
    TIdReplyReader reader;
    while (!reader.Feed(io.ReadLn())) {
    }
    reader.Finish(lastReply_);
    const int code = lastReply_.NumericCode();
    if (!any && !Accepts(accepted, code))
        throw EIdReplyRFCError(code, lastReply_.TextWithLineEnds());
    return code;
}

int TIdFTP::ReadReplyAllowing(std::initializer_list<int> accepted)
{
    return ReadReply(accepted, accepted.size() == 0);
}

int TIdFTP::SendCommand(const std::string& command, int expected)
{
    if (!io_)
        throw EIdNotConnected();
    WriteCommand(command);
    return ReadReply({expected}, expected == -1);
}

int TIdFTP::SendCommandAllowing(const std::string& command, std::initializer_list<int> accepted)
{
    if (!io_)
        throw EIdNotConnected();
    WriteCommand(command);
    return ReadReply(accepted, accepted.size() == 0);
}

// ---- login ---------------------------------------------------------------

void TIdFTP::StartControlTLS()
{
    try {
        io_->SetPassThrough(false, Host);
    } catch (const EIdOSSLCertificateRefused&) {
        CloseConnection();  // nothing was sent over TLS; the refusal is the report
        throw;
    } catch (const std::exception&) {
        CloseConnection();
        throw EIdTLSClientTLSHandShakeFailed();
    }
    tlsActive_ = true;
}

void TIdFTP::NegotiateTLS()
{
    static const char* const kNames[] = {"TLS", "SSL", "TLS-C", "TLS-P"};
    bool refused = false;
    if (authCmd_ != tAuto) {
        const int code = SendCommand(std::string("AUTH ") + kNames[authCmd_ - 1], -1);
        if (code == 234 || code == 334)
            StartControlTLS();
        else
            refused = true;
    } else {
        for (const char* name : kNames) {
            const int code = SendCommand(std::string("AUTH ") + name, -1);
            if (code == 234 || code == 334) {
                StartControlTLS();
                break;
            }
            if (code < 500 || code > 599) {
                refused = true;
                break;
            }
        }
    }
    if (refused) {
        CloseConnection();
        throw EIdTLSClientTLSNotAvailable(useTLS_ == utUseRequireTLS ? "SSL is not available on this server."
                                                                     : "Start SSL negotiation command failed.");
    }
}

void TIdFTP::DataSecurityStep()
{
    if (!tlsActive_ || cccDone_)
        return;
    SendCommand("PBSZ 0", -1);
    if (dataProtection_ == ftpdpsPrivate && !protRefused_) {
        const int code = SendCommand("PROT P", -1);
        // RFC 2228: 536 level not supported, 534 refused by policy, 504 and
        // 5xx not implemented, 431 a resource is missing. 421 ends the session.
        const bool refused = code != 200 && code != 421 && code >= 400 && code <= 599;
        if (code != 200 && !(refused && AllowClearDataFallback))
            throw EIdReplyRFCError(code, lastReply_.TextWithLineEnds());
        if (code != 200) {
            protRefused_ = true;
            const std::string reply = lastReply_.Text.empty() ? std::string() : " " + lastReply_.Text.front();
            DoStatus(hsStatusText, "The server refused protected data connections (" + std::to_string(code) + reply +
                                       "); data connections of this session are not encrypted.");
        }
    }
    if (dataProtection_ == ftpdpsClear || protRefused_)
        SendCommand("PROT C", 200);
    if (useCCC_) {
        const int code = SendCommand("CCC", -1);
        if (code >= 200 && code <= 299) {
            cccDone_ = true;
            io_->SetPassThrough(true, Host);
        }
    }
}

std::string TIdFTP::HostSpec() const
{
    return Port == 21 ? Host : Host + ":" + std::to_string(Port);
}

std::string TIdFTP::PasswordFor(const std::string& password)
{
    std::string text;
    for (const auto& line : lastReply_.Text)
        text += line + "\r\n";
    if (const auto challenge = ParseOTPChallenge(text))
        return OTPResponse(*challenge, password);
    return password;
}

void TIdFTP::LoginAs(const std::string& user, const std::string& pass, bool proxyStep)
{
    const int code = proxyStep ? SendCommandAllowing("USER " + user, {230, 331})
                               : SendCommandAllowing("USER " + user, {230, 232, 331});
    if (code == 331)
        SendCommand("PASS " + PasswordFor(pass), 230);
}

void TIdFTP::UserLogin()
{
    const auto& proxy = ProxySettings;
    const auto proxyLogin = [&] {
        if (!proxy.UserName.empty())
            LoginAs(proxy.UserName, proxy.Password, true);
    };
    switch (proxy.ProxyType) {
    case fpcmNone:
        LoginAs(Username, Password, false);
        break;
    case fpcmUserSite:
        proxyLogin();
        LoginAs(Username + "@" + HostSpec(), Password, false);
        break;
    case fpcmSite:
        proxyLogin();
        SendCommand("SITE " + HostSpec(), -1);
        LoginAs(Username, Password, false);
        break;
    case fpcmOpen:
        proxyLogin();
        SendCommand("OPEN " + HostSpec(), -1);
        LoginAs(Username, Password, false);
        break;
    case fpcmUserPass: {
        const int code =
            SendCommandAllowing("USER " + Username + "@" + proxy.UserName + "@" + HostSpec(), {230, 232, 331});
        if (code == 331) {
            std::string pass = PasswordFor(Password);
            if (!proxy.Password.empty())
                pass += "@" + proxy.Password;
            SendCommand("PASS " + pass, 230);
        }
        break;
    }
    case fpcmTransparent:
        proxyLogin();
        LoginAs(Username, Password, false);
        break;
    case fpcmHttpProxyWithFtp:
        throw EIdSocksServerCommandError();
    case fpcmCustomProxy:
        if (!OnCustomFTPProxy)
            throw EIdFTPOnCustomFTPProxyRequired();
        OnCustomFTPProxy();
        break;
    }
}

void TIdFTP::Authenticate()
{
    if (!io_ || !io_->Opened())
        throw EIdNotConnected();
    if (useTLS_ != utUseImplicitTLS)
        tlsActive_ = false;
    if (useTLS_ == utUseRequireTLS || useTLS_ == utUseExplicitTLS)
        NegotiateTLS();
    if (!tlsActive_ && useTLS_ != utNoTLSSupport) {
        bool goOn = useTLS_ != utUseRequireTLS;
        if (goOn && OnTLSNotAvailable)
            OnTLSNotAvailable(goOn);
        if (!goOn) {
            CloseConnection();
            throw EIdTLSClientTLSNotAvailable("Start SSL negotiation command failed.");
        }
    }
    UserLogin();
    loginReply_ = lastReply_;
    if (OnBannerAfterLogin)
        OnBannerAfterLogin(loginReply_.FormattedReply());
    AfterLogin();
}

void TIdFTP::AfterLogin()
{
    SendCommand("FEAT", -1);
    capabilities_ = ParseFeatures(lastReply_.Text);
    if (usingExtDataPort_ && io_->IPVersion != Id_IPv6)
        usingExtDataPort_ = HasCapability(capabilities_, "EPRT") && HasCapability(capabilities_, "EPSV");
    std::string client = clientInfo_.ClientName;
    if (!client.empty() && !clientInfo_.ClientVersion.empty()) {
        client += " " + clientInfo_.ClientVersion;
        if (!clientInfo_.PlatformDescription.empty())
            client += " " + clientInfo_.PlatformDescription;
    }
    if (!client.empty() && HasCapability(capabilities_, "CLNT"))
        SendCommand("CLNT " + client, -1);
    // Names and paths travel as UTF-8; a server that offers it is told so.
    if (HasCapability(capabilities_, "UTF8"))
        SendCommand("OPTS UTF8 ON", -1);
    usingMLIS_ = UseMLIS && (HasCapability(capabilities_, "MLSD") || HasCapability(capabilities_, "MLST"));
    languages_ = ParseLanguages(capabilities_);
    SendCommand(transferType_ == ftASCII ? "TYPE A" : "TYPE I", 200);
}

// ---- single commands -----------------------------------------------------

std::string TIdFTP::QueryWorkingDirectory()
{
    SendCommand("PWD", 257);
    const std::string& line = lastReply_.Text.empty() ? std::string() : lastReply_.Text.front();
    const auto first = line.find('"');
    if (first == std::string::npos)
        return {};
    const auto second = line.find('"', first + 1);
    if (second == std::string::npos)
        return {};
    return line.substr(first + 1, second - first - 1);
}

void TIdFTP::ChangeWorkingDirectory(const std::string& path) { SendCommandAllowing("CWD " + path, {200, 250}); }
void TIdFTP::ChangeToParentDirectory() { SendCommandAllowing("CDUP", {200, 250}); }
void TIdFTP::CreateRemoteDirectory(const std::string& path) { SendCommand("MKD " + path, 257); }
void TIdFTP::RemoveRemoteDirectory(const std::string& path) { SendCommand("RMD " + path, 250); }
void TIdFTP::DeleteRemoteFile(const std::string& path) { SendCommand("DELE " + path, 250); }
void TIdFTP::SendSiteCommand(const std::string& text) { SendCommand("SITE " + text, 200); }

void TIdFTP::RenameRemote(const std::string& oldName, const std::string& newName)
{
    CheckCommandText(newName);  // the rename is refused whole, not after "RNFR"
    SendCommand("RNFR " + oldName, 350);
    SendCommand("RNTO " + newName, 250);
}

std::int64_t TIdFTP::QueryRemoteSize(const std::string& path)
{
    if (SendCommand("SIZE " + path, -1) != 213)
        return -1;
    std::string joined;
    for (const auto& line : lastReply_.Text)
        joined += line;
    std::string_view text = IdTrim(joined);
    const auto blank = text.find(' ');
    if (blank != std::string_view::npos)
        text = text.substr(blank + 1);
    std::int64_t size = -1;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), size);
    if (ec != std::errc() || end != text.data() + text.size() || size < 0)
        return -1;
    return size;
}

bool TIdFTP::SupportsRestart()
{
    if (!restartSupported_) {
        const bool yes = SendCommand("REST 1", -1) == 350;
        SendCommand("REST 0", -1);
        restartSupported_ = yes;
    }
    return *restartSupported_;
}

TIdFTPListItems& TIdFTP::ListingItems()
{
    if (!listItems_) {
        listItems_ = std::make_unique<TIdFTPListItems>();
        const TIdFTPListBase* parser = ParseListingText(rawListing_, *listItems_);
        listFormat_ = parser ? std::string(parser->Identifier()) : std::string();
    }
    return *listItems_;
}

std::string TIdFTP::ListingFormat()
{
    ListingItems();
    return listFormat_;
}
