// Certificates through the browsing session, the path the window takes:
// each kind of certificate against the real TLS servers, the question and
// its answers, the changed-certificate question, and what a server sees
// before and after the answer.

#include "WorkerHarness.h"

#include "hosts/TrustedCertificates.h"
#include "servers/ScriptedFtpServer.h"
#include "session/CertificateTrust.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <thread>

namespace {

bool Has(const std::vector<std::string>& items, const std::string& prefix)
{
    return std::any_of(items.begin(), items.end(), [&](const std::string& c) { return c.rfind(prefix, 0) == 0; });
}

bool Contains(const std::vector<std::string>& texts, const std::string& part)
{
    return std::any_of(texts.begin(), texts.end(), [&](const std::string& t) { return t.find(part) != std::string::npos; });
}

/// A trust with a store in a throwaway data directory, installed for the
/// process while it lives; its question records what it was asked.
class InstalledTrust {
public:
    InstalledTrust() : store_(std::make_unique<TTrustedCertificates>(dir_)), trust_(store_.get())
    {
        trust_.SetAsk([this](const TTrustQuestion& question) {
            std::lock_guard lock(mutex_);
            Questions.push_back(question);
            if (BeforeAnswer)
                BeforeAnswer();
            return Answer;
        });
        TCertificateTrust::SetInstance(&trust_);
    }
    ~InstalledTrust()
    {
        TCertificateTrust::SetInstance(nullptr);
        RemoveTree(dir_);
    }
    std::size_t Asked()
    {
        std::lock_guard lock(mutex_);
        return Questions.size();
    }
    TTrustedCertificates& Store() { return *store_; }
    const std::string& Dir() const { return dir_; }

    TTrustAnswer Answer = taCancel;
    std::function<void()> BeforeAnswer;
    std::vector<TTrustQuestion> Questions;

private:
    std::string dir_ = MakeTempDir("tovrel-trust-");
    std::unique_ptr<TTrustedCertificates> store_;
    TCertificateTrust trust_;
    std::mutex mutex_;
};

struct CertificateCase {
    const char* Name;
    std::function<std::unique_ptr<TestCertificate>(const TestCertificateAuthority&)> Make;
    const char* Reason;  // nullptr: the system vouches for it
    TTrustAnswer Answer;
};

class WorkerTrust : public ::testing::TestWithParam<TlsServerKind> {};

TEST_P(WorkerTrust, EachKindOfCertificateIsAcceptedOrAskedAbout)
{
    TestCertificateAuthority ca;
    const TrustTestAuthority trusted(ca);
    const CertificateCase cases[] = {
        {"signed by a trusted authority", [](auto& a) { return std::make_unique<TestCertificate>(a); }, nullptr,
         taCancel},
        {"self-signed", [](auto&) { return std::make_unique<TestCertificate>(); },
         "issued by an authority that is not trusted", taTrustThisTime},
        {"for another name", [](auto& a) { return std::make_unique<TestCertificate>(a, "ftp.example.org"); },
         "made for another name: ftp.example.org", taCancel},
        {"expired", [](auto& a) { return std::make_unique<TestCertificate>(a, "localhost", -1); }, "expired on ",
         taTrustAlways},
    };
    for (const CertificateCase& c : cases) {
        SCOPED_TRACE(c.Name);
        BrowseTree tree;
        const auto certificate = c.Make(ca);
        const auto server = GetParam().Make(tree.Root(), *certificate);
        InstalledTrust trust;
        trust.Answer = c.Answer;
        WorkerHarness harness;
        THost host = harness.HostFor(*server);
        host.UseSSL = true;

        const bool accepted = c.Reason == nullptr || c.Answer != taCancel;
        EXPECT_EQ(harness.Connect(host), accepted) << harness.TakeError() << server->Log();
        ASSERT_EQ(trust.Asked(), c.Reason ? 1u : 0u);
        if (c.Reason) {
            const TTrustQuestion& q = trust.Questions[0];
            EXPECT_TRUE(Contains(q.Problems, c.Reason)) << ::testing::PrintToString(q.Problems);
            EXPECT_EQ(q.Certificate.FingerprintSHA256, certificate->FingerprintSHA256());
            EXPECT_EQ(q.Host, "127.0.0.1");
            EXPECT_EQ(q.Port, server->Port());
            EXPECT_EQ(q.PreviousFingerprint, "");
            EXPECT_FALSE(q.Certificate.ProtocolName.empty());
            EXPECT_FALSE(q.Certificate.CipherName.empty());
        }
        EXPECT_EQ(Has(harness.Commands(), "USER "), accepted) << "no credentials to a refused server";
        if (!accepted) {
            EXPECT_EQ(harness.TakeError(), "The server's certificate was not accepted.");
        } else {
            harness.List();
            EXPECT_EQ(harness.TakeError(), "") << "protected listing on the accepted certificate";
            EXPECT_FALSE(harness.ListingNames().empty());
        }
        const TTrustedCertificate* stored = trust.Store().Find("127.0.0.1", server->Port());
        EXPECT_EQ(stored != nullptr, c.Answer == taTrustAlways && c.Reason);
        if (stored) {
            EXPECT_EQ(stored->Fingerprint, certificate->FingerprintSHA256());
        }

        // A second connect: what was trusted is not asked about again; a
        // refusal is asked again, since the user connects anew.
        harness.Worker->Disconnect();
        EXPECT_EQ(harness.Connect(host), accepted) << harness.TakeError();
        const std::size_t asked = c.Reason == nullptr ? 0u : accepted ? 1u : 2u;
        EXPECT_EQ(trust.Asked(), asked);
    }
}

INSTANTIATE_TEST_SUITE_P(Servers, WorkerTrust, ::testing::ValuesIn(TlsServerKinds()),
                         [](const ::testing::TestParamInfo<TlsServerKind>& p) { return std::string(p.param.Name); });

// "Trust always" survives the program: a new trust over the same data
// directory accepts the certificate without asking.
TEST(WorkerTrustStore, TrustedAlwaysIsNotAskedAgainAfterARestart)
{
    BrowseTree tree;
    TestCertificate certificate;
    VsftpdServer server(tree.Root(), &certificate);
    std::string dir;
    {
        InstalledTrust trust;
        trust.Answer = taTrustAlways;
        WorkerHarness harness;
        THost host = harness.HostFor(server);
        host.UseSSL = true;
        ASSERT_TRUE(harness.Connect(host)) << harness.TakeError();
        ASSERT_EQ(trust.Asked(), 1u);
        dir = MakeTempDir("tovrel-trust-copy-");
        std::filesystem::copy_file(trust.Dir() + "/" + TTrustedCertificates::FileName,
                                   dir + "/" + TTrustedCertificates::FileName);
    }
    TTrustedCertificates store(dir);
    TCertificateTrust trust(&store);
    std::atomic<int> asked{0};
    trust.SetAsk([&](const TTrustQuestion&) {
        ++asked;
        return taCancel;
    });
    TCertificateTrust::SetInstance(&trust);
    WorkerHarness harness;
    THost host = harness.HostFor(server);
    host.UseSSL = true;
    EXPECT_TRUE(harness.Connect(host)) << harness.TakeError();
    EXPECT_EQ(asked.load(), 0);
    harness.Worker->Disconnect();
    TCertificateTrust::SetInstance(nullptr);
    RemoveTree(dir);
}

// The certificate stored for a host and port changed: the louder question
// names the old fingerprint; "Cancel" keeps the old entry, "Trust always"
// replaces it.
TEST(WorkerTrustStore, ChangedCertificateAsksWithTheOldFingerprint)
{
    BrowseTree tree;
    TestCertificate before;
    TestCertificate now;
    VsftpdServer server(tree.Root(), &now);
    InstalledTrust trust;
    trust.Store().Trust({"127.0.0.1", server.Port(), before.FingerprintSHA256(), "CN=localhost", 1});
    WorkerHarness harness;
    THost host = harness.HostFor(server);
    host.UseSSL = true;
    for (TTrustAnswer answer : {taCancel, taTrustAlways}) {
        SCOPED_TRACE(answer);
        trust.Answer = answer;
        EXPECT_EQ(harness.Connect(host), answer != taCancel) << harness.TakeError();
        ASSERT_FALSE(trust.Questions.empty());
        EXPECT_EQ(trust.Questions.back().PreviousFingerprint, before.FingerprintSHA256());
        EXPECT_EQ(trust.Questions.back().Certificate.FingerprintSHA256, now.FingerprintSHA256());
        const std::string expected = answer == taCancel ? before.FingerprintSHA256() : now.FingerprintSHA256();
        EXPECT_EQ(trust.Store().Find("127.0.0.1", server.Port())->Fingerprint, expected);
        EXPECT_EQ(trust.Store().Items().size(), 1u);
        harness.Worker->Disconnect();
    }
    EXPECT_TRUE(harness.Connect(host));
    EXPECT_EQ(trust.Asked(), 2u) << "the new certificate is trusted now";
}

// What the server sees: nothing after "AUTH TLS" while the question is
// open, nothing at all after "Cancel", the login only after a "Trust".
TEST(WorkerTrustScripted, NoCredentialsBeforeTheAnswerAndNothingAfterARefusal)
{
    TestCertificate certificate;
    for (TTrustAnswer answer : {taCancel, taTrustThisTime}) {
        SCOPED_TRACE(answer);
        std::atomic<int> afterTls{0};
        ScriptedFtpServer server([&](ScriptedSession& s) {
            s.Send("220 ready\r\n");
            s.Expect("AUTH TLS");
            s.Send("234 go ahead\r\n");
            if (!s.StartTls(certificate))
                return;
            for (;;) {
                const std::string command = s.ReadCommand();
                if (command.empty())
                    return;
                ++afterTls;
                if (command.rfind("USER", 0) == 0)
                    s.Send("331 password\r\n");
                else if (command.rfind("PASS", 0) == 0)
                    s.Send("230 in\r\n");
                else if (command.rfind("PWD", 0) == 0)
                    s.Send("257 \"/\" here\r\n");
                else if (command.rfind("TYPE", 0) == 0 || command.rfind("PBSZ", 0) == 0 || command.rfind("PROT", 0) == 0)
                    s.Send("200 ok\r\n");
                else
                    s.Send("500 unknown\r\n");
            }
        });
        InstalledTrust trust;
        trust.Answer = answer;
        int seenWhileAsking = -1;
        trust.BeforeAnswer = [&] {
            // Time for anything the client might have sent to arrive.
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            seenWhileAsking = afterTls.load();
        };
        WorkerHarness harness;
        THost host;
        host.Hostname = "127.0.0.1";
        host.Port = server.Port();
        host.Username = "u";
        host.Password = "p";
        host.UseSSL = true;
        EXPECT_EQ(harness.Connect(host), answer != taCancel) << harness.TakeError();
        EXPECT_EQ(trust.Asked(), 1u);
        EXPECT_EQ(seenWhileAsking, 0) << "nothing sent while the question is open";
        if (answer == taCancel) {
            server.Join();
            EXPECT_EQ(afterTls.load(), 0) << ::testing::PrintToString(server.Commands());
            EXPECT_EQ(server.Commands(), std::vector<std::string>{"AUTH TLS"});
        } else {
            EXPECT_TRUE(Has(server.Commands(), "USER u"));
            harness.Worker->Disconnect();
            server.Join();
        }
        EXPECT_EQ(server.Failure(), "");
    }
}

}  // namespace
