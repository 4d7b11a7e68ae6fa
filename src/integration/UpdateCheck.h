#pragma once
// TUpdateCheck: "Check for updates". One plain GET of
// "<base>/tovrelftp/currentversion"; the trimmed body is compared exactly
// (letter case included, no numeric order) with the program's own version,
// so any difference, an older one too, offers the new version. The window
// shows the outcome's text in the matching dialog and, when the user wants
// the update, hands InstallerURL() to the desktop's browser.
//
// Contract:
// - Start() returns at once; `done` runs once, on the calling thread's
//   event loop, unless the object is destroyed first (the request is then
//   dropped). A Start() while one runs is refused (answers false).
// - Every failure (name resolution, refused connection, time-out, an HTTP
//   error status, a body over 64 KiB) becomes a tfuFailed outcome whose text
//   is the "could not get version information" entry, CR LF, the error's
//   class name, ": " and its message. Nothing is stored.
// - The base address comes from the constructor, else the environment
//   variable TOVREL_UPDATE_URL, else DefaultBaseURL. The program's own
//   settings for proxies do not apply; no proxy is used.

#include <functional>
#include <QtGlobal>

#include <memory>
#include <stdexcept>
#include <string>

class QNetworkAccessManager;
class QNetworkReply;

enum TUpdateCheckResult { tfuUpToDate, tfuNewVersion, tfuFailed };

struct TUpdateCheckOutcome {
    TUpdateCheckResult Result = tfuFailed;
    std::string CurrentVersion;
    std::string LatestVersion;
    std::string ErrorClass;
    std::string ErrorMessage;
    /// The dialog's text in the active language.
    std::string Text;
};

/// Why the version could not be fetched; ClassName() names the kind.
class EUpdateCheckError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
    virtual const char* ClassName() const { return "EUpdateCheckError"; }
};
class EHTTPProtocolError : public EUpdateCheckError {
public:
    using EUpdateCheckError::EUpdateCheckError;
    const char* ClassName() const override { return "EHTTPProtocolError"; }
};
class ENetworkError : public EUpdateCheckError {
public:
    using EUpdateCheckError::EUpdateCheckError;
    const char* ClassName() const override { return "ENetworkError"; }
};
class ETimeoutError : public EUpdateCheckError {
public:
    using EUpdateCheckError::EUpdateCheckError;
    const char* ClassName() const override { return "ETimeoutError"; }
};

class TUpdateCheck {
public:
    static constexpr const char* DefaultBaseURL = "http://tovrel.example.com";
    static constexpr const char* VersionPath = "/tovrelftp/currentversion";
    static constexpr const char* InstallerPath = "/tovrelftp/setup.exe";
    static constexpr int TimeoutMs = 30000;
    static constexpr qint64 MaxBodyBytes = 64 * 1024;

    /// `currentVersion` empty: the build's version (ProgramVersion()).
    explicit TUpdateCheck(std::string baseURL = {}, std::string currentVersion = {});
    ~TUpdateCheck();
    TUpdateCheck(const TUpdateCheck&) = delete;
    TUpdateCheck& operator=(const TUpdateCheck&) = delete;

    /// The build's four-part version ("1.4.1.17"), or "N/A" when unknown.
    static std::string ProgramVersion();
    const std::string& BaseURL() const { return baseURL_; }
    std::string VersionURL() const { return baseURL_ + VersionPath; }
    std::string InstallerURL() const { return baseURL_ + InstallerPath; }

    bool Start(std::function<void(const TUpdateCheckOutcome&)> done);
    bool Running() const { return reply_ != nullptr; }

    /// The outcome for a fetched body (pure).
    static TUpdateCheckOutcome Compare(const std::string& currentVersion, const std::string& body);
    /// The outcome for a failure.
    static TUpdateCheckOutcome Failure(const std::string& currentVersion, const EUpdateCheckError& error);
    /// The body without leading and trailing white space or control characters.
    static std::string Trim(const std::string& body);

private:
    void Finished();

    std::string baseURL_;
    std::string currentVersion_;
    std::unique_ptr<QNetworkAccessManager> network_;
    QNetworkReply* reply_ = nullptr;
    bool tooLarge_ = false;
    std::function<void(const TUpdateCheckOutcome&)> done_;
};
