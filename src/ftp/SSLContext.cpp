#include "ftp/SSLContext.h"

#include "ftp/SSLExceptions.h"
#include "ftp/SSLSocket.h"

#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509_vfy.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <mutex>

std::string TakeOpenSSLErrors() {
    std::string text;
    while (unsigned long e = ERR_get_error()) {
        char buf[256];
        ERR_error_string_n(e, buf, sizeof buf);
        if (!text.empty()) text += "; ";
        text += buf;
    }
    return text;
}

namespace {

std::once_flag loadOnce;
bool loaded = false;

TIdSSLContext* ContextOf(const SSL* ssl) {
    return static_cast<TIdSSLContext*>(SSL_CTX_get_ex_data(SSL_get_SSL_CTX(ssl), 0));
}

void StatusInfo(const SSL* ssl, int where, int /*ret*/) {
    if (!(where & (SSL_CB_LOOP | SSL_CB_HANDSHAKE_DONE | SSL_CB_ALERT | SSL_CB_EXIT))) return;
    TIdSSLContext* context = ContextOf(ssl);
    if (!context || !context->Events().OnStatusInfo) return;
    context->Events().OnStatusInfo(std::string("SSL status: \"") + SSL_state_string_long(ssl) + "\"");
}

int PasswordCallback(char* buf, int size, int /*rwflag*/, void* userdata) {
    auto* context = static_cast<TIdSSLContext*>(userdata);
    if (!context->Events().OnGetPassword || size <= 0) return 0;
    std::string password = context->Events().OnGetPassword();
    int n = static_cast<int>(std::min<size_t>(password.size(), static_cast<size_t>(size)));
    std::memcpy(buf, password.data(), static_cast<size_t>(n));
    return n;
}

// Runs for every server certificate, whatever the verify mode: verifies the
// chain against the trust store, checks the host name, records both on the
// session and lets OnVerifyPeer decide.
int VerifyServerCertificate(X509_STORE_CTX* store, void* arg) {
    auto* context = static_cast<TIdSSLContext*>(arg);
    auto* ssl = static_cast<SSL*>(X509_STORE_CTX_get_ex_data(store, SSL_get_ex_data_X509_STORE_CTX_idx()));
    auto* socket = ssl ? static_cast<TIdSSLSocket*>(SSL_get_ex_data(ssl, 0)) : nullptr;
    X509* leaf = X509_STORE_CTX_get0_cert(store);

    bool chainOk = X509_verify_cert(store) == 1;
    long result = X509_STORE_CTX_get_error(store);
    TIdPeerCertificate cert = TIdPeerCertificate::FromX509(leaf);
    cert.ChainVerified = chainOk && result == X509_V_OK;
    cert.ChainResult = result;
    cert.ChainResultText = X509_verify_cert_error_string(result);
    cert.HostName = socket ? socket->HostName() : std::string();
    cert.HostNameMatches = TIdPeerCertificate::MatchesHost(leaf, cert.HostName);

    bool accept = true;
    if (context->Events().OnVerifyPeer)
        accept = context->Events().OnVerifyPeer(cert);
    else if (!context->Options().VerifyMode.Empty())
        accept = cert.ChainVerified && cert.HostNameMatches;
    if (!accept && result == X509_V_OK) {
        long reason = cert.HostNameMatches ? X509_V_ERR_APPLICATION_VERIFICATION : X509_V_ERR_HOSTNAME_MISMATCH;
        X509_STORE_CTX_set_error(store, static_cast<int>(reason));
    }
    if (socket) socket->SetPeerCertificate(std::move(cert));
    return accept ? 1 : 0;
}

int NewSession(SSL* ssl, SSL_SESSION* session) {
    auto* socket = static_cast<TIdSSLSocket*>(SSL_get_ex_data(ssl, 0));
    if (!socket) return 0;
    socket->SetLatestSession(session);  // takes ownership
    return 1;
}

}  // namespace

void TIdSSLContext::LoadLibrary() {
    std::call_once(loadOnce, [] {
        loaded = OPENSSL_init_ssl(OPENSSL_INIT_LOAD_SSL_STRINGS | OPENSSL_INIT_LOAD_CRYPTO_STRINGS, nullptr) == 1;
    });
    if (!loaded) throw EIdOSSLCouldNotLoadSSLLibrary(TakeOpenSSLErrors());
}

TIdSSLContext::TIdSSLContext(const TIdSSLOptions& options, TIdSSLEvents events)
    : options_(options), events_(std::move(events)) {
    LoadLibrary();
    if (options_.Method < sslvSSLv2 || options_.Method > sslvTLSv1) throw EIdOSSLGetMethodError();
    if (options_.Mode < sslmUnassigned || options_.Mode > sslmBoth) throw EIdOSSLModeNotSet();
    server_ = options_.Mode == sslmServer || options_.Mode == sslmBoth;
    const SSL_METHOD* method = server_ ? TLS_server_method() : TLS_client_method();
    if (!method) throw EIdOSSLGetMethodError(TakeOpenSSLErrors());
    ctx_ = SSL_CTX_new(method);
    if (!ctx_) throw EIdOSSLCreatingContextError(TakeOpenSSLErrors());
    try {
        SSL_CTX_set_ex_data(ctx_, 0, this);
        SSL_CTX_set_min_proto_version(ctx_, TLS1_2_VERSION);
        if (events_.OnStatusInfo) SSL_CTX_set_info_callback(ctx_, StatusInfo);
        LoadFiles();
        if (!options_.CipherList.empty() && SSL_CTX_set_cipher_list(ctx_, options_.CipherList.c_str()) != 1)
            throw EIdOSSLSettingCipherError(TakeOpenSSLErrors());
        if (!server_) {
            ApplyVerification();
            // Keep the newest session of each connection (TLS 1.3 tickets arrive
            // after the handshake) so data connections can resume it.
            SSL_CTX_set_session_cache_mode(ctx_, SSL_SESS_CACHE_CLIENT | SSL_SESS_CACHE_NO_INTERNAL_STORE);
            SSL_CTX_sess_set_new_cb(ctx_, NewSession);
        }
    } catch (...) {
        SSL_CTX_free(ctx_);
        throw;
    }
}

TIdSSLContext::~TIdSSLContext() { SSL_CTX_free(ctx_); }

void TIdSSLContext::LoadFiles() {
    if (!options_.RootCertFile.empty() || !options_.VerifyDirs.empty()) {
        const char* file = options_.RootCertFile.empty() ? nullptr : options_.RootCertFile.c_str();
        const char* dirs = options_.VerifyDirs.empty() ? nullptr : options_.VerifyDirs.c_str();
        if (SSL_CTX_load_verify_locations(ctx_, file, dirs) != 1)
            throw EIdOSSLLoadingRootCertError(TakeOpenSSLErrors());
    }
    if (!options_.CertFile.empty() && SSL_CTX_use_certificate_chain_file(ctx_, options_.CertFile.c_str()) != 1)
        throw EIdOSSLLoadingCertError(TakeOpenSSLErrors());
    if (!options_.KeyFile.empty()) {
        SSL_CTX_set_default_passwd_cb(ctx_, PasswordCallback);
        SSL_CTX_set_default_passwd_cb_userdata(ctx_, this);
        bool ok = SSL_CTX_use_PrivateKey_file(ctx_, options_.KeyFile.c_str(), SSL_FILETYPE_PEM) == 1 &&
                  SSL_CTX_check_private_key(ctx_) == 1;
        SSL_CTX_set_default_passwd_cb(ctx_, nullptr);
        if (!ok) throw EIdOSSLLoadingKeyError(TakeOpenSSLErrors());
    }
}

namespace {

// The system trust store, read once per process (and again only when
// SSL_CERT_FILE or SSL_CERT_DIR change). Every data connection makes a
// context of its own; reading the whole bundle for each one cost more CPU
// than the handshake itself on folders of small files.
X509_STORE* SharedSystemTrustStore() {
    static std::mutex mutex;
    static X509_STORE* store = nullptr;
    static std::string key;
    const char* file = std::getenv(X509_get_default_cert_file_env());
    const char* dir = std::getenv(X509_get_default_cert_dir_env());
    const std::string wanted = std::string(file ? file : "") + '\n' + (dir ? dir : "");
    std::lock_guard lock(mutex);
    if (store == nullptr || key != wanted) {
        X509_STORE* fresh = X509_STORE_new();
        if (fresh == nullptr) return nullptr;
        X509_STORE_set_default_paths(fresh);
        ERR_clear_error();
        X509_STORE_free(store);
        store = fresh;
        key = wanted;
    }
    X509_STORE_up_ref(store);
    return store;
}

}  // namespace

void TIdSSLContext::ApplyVerification() {
    // The system trust store is consulted even when nothing is enforced: the
    // result goes to OnVerifyPeer. A missing store only makes chains fail.
    // Roots named in the options were loaded into the context's own store.
    const bool ownRoots = !options_.RootCertFile.empty() || !options_.VerifyDirs.empty();
    X509_STORE* shared = ownRoots ? nullptr : SharedSystemTrustStore();
    if (shared != nullptr)
        SSL_CTX_set_cert_store(ctx_, shared);  // takes over our reference
    else
        SSL_CTX_set_default_verify_paths(ctx_);
    ERR_clear_error();
    SSL_CTX_set_cert_verify_callback(ctx_, VerifyServerCertificate, this);
    const TIdSSLVerifyModeSet& set = options_.VerifyMode;
    int mode = SSL_VERIFY_NONE;
    if (!set.Empty()) {
        if (set.Contains(sslvrfPeer)) mode |= SSL_VERIFY_PEER;
        if (set.Contains(sslvrfFailIfNoPeerCert)) mode |= SSL_VERIFY_PEER | SSL_VERIFY_FAIL_IF_NO_PEER_CERT;
        if (set.Contains(sslvrfClientOnce)) mode |= SSL_VERIFY_PEER | SSL_VERIFY_CLIENT_ONCE;
        // 0 is the unset value here; OpenSSL would read it as "the leaf only".
        if (options_.VerifyDepth > 0) SSL_CTX_set_verify_depth(ctx_, options_.VerifyDepth);
    } else if (events_.OnVerifyPeer) {
        // Without a verify mode OpenSSL ignores a refusal; the hook must be able to refuse.
        mode = SSL_VERIFY_PEER;
    }
    SSL_CTX_set_verify(ctx_, mode, nullptr);
}
