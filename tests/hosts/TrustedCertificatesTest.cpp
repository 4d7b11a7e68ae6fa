#include "hosts/TrustedCertificates.h"
#include "hosts/XMLLoadException.h"

#include "hosts/HostsTestSupport.h"

#include <gtest/gtest.h>

namespace {

const std::string kFingerprint =
    "AB:CD:EF:01:23:45:67:89:AB:CD:EF:01:23:45:67:89:AB:CD:EF:01:23:45:67:89:AB:CD:EF:01:23:45:67:89";
const std::string kOther =
    "00:11:22:33:44:55:66:77:88:99:AA:BB:CC:DD:EE:FF:00:11:22:33:44:55:66:77:88:99:AA:BB:CC:DD:EE:FF";

} // namespace

TEST(TrustedCertificates, TrustReplaceAndRemoveSurviveAReload)
{
    THostsTestDir dir;
    {
        TTrustedCertificates store(dir.Path());
        store.Trust({"ftp.example.org", 21, kFingerprint, "CN=ftp.example.org,O=Example", 1765472400});
        store.Trust({"ftp.example.org", 990, kOther, "CN=other", 1765472401});
        store.Trust({"FTP.Example.ORG", 21, kOther, "CN=renewed", 1765472402});  // same host, other case
        store.Trust({"gone.example.org", 21, kFingerprint, "", 0});
        store.Remove("GONE.example.org", 21);
    }
    TTrustedCertificates store(dir.Path());
    ASSERT_EQ(store.Items().size(), 2u);
    const TTrustedCertificate* entry = store.Find("ftp.EXAMPLE.org", 21);
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->Fingerprint, kOther);
    EXPECT_EQ(entry->Subject, "CN=renewed");
    EXPECT_EQ(entry->Trusted, 1765472402);
    EXPECT_EQ(store.Find("ftp.example.org", 990)->Fingerprint, kOther);
    EXPECT_EQ(store.Find("ftp.example.org", 2121), nullptr);
    EXPECT_EQ(store.Find("gone.example.org", 21), nullptr);
    EXPECT_NE(dir.Read(dir.File("TrustedCertificates.xml")).find("DateTrusted=\"2025-12-11T17:00:02"),
              std::string::npos)
        << dir.Read(dir.File("TrustedCertificates.xml"));
}

// A damaged file is reported and stays as it was: nothing is trusted from it
// and nothing overwrites it.
TEST(TrustedCertificates, DamagedFilesRaiseAndAreLeftUntouched)
{
    const std::string head = "<?xml version=\"1.0\"?>\r\n<TrustedCertificates>\r\n  ";
    const std::string tail = "\r\n</TrustedCertificates>\r\n";
    const struct {
        const char* name;
        std::string text;
    } cases[] = {
        {"not XML", "<TrustedCertificates><Certificate"},
        {"no fingerprint", head + "<Certificate Host=\"h\" Port=\"21\"/>" + tail},
        {"short fingerprint", head + "<Certificate Host=\"h\" Port=\"21\" Fingerprint=\"AB:CD\"/>" + tail},
        {"port out of range", head + "<Certificate Host=\"h\" Port=\"70000\" Fingerprint=\"" + kFingerprint + "\"/>" + tail},
        {"port not a number", head + "<Certificate Host=\"h\" Port=\"x\" Fingerprint=\"" + kFingerprint + "\"/>" + tail},
        {"no host", head + "<Certificate Port=\"21\" Fingerprint=\"" + kFingerprint + "\"/>" + tail},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        THostsTestDir dir;
        dir.Write("TrustedCertificates.xml", c.text);
        EXPECT_THROW(TTrustedCertificates store(dir.Path()), std::runtime_error);
        EXPECT_EQ(dir.Read(dir.File("TrustedCertificates.xml")), c.text);
    }
}

TEST(TrustedCertificates, FingerprintsAreReadInEveryCommonSpelling)
{
    std::string bare;
    for (char ch : kFingerprint)
        if (ch != ':')
            bare += static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    const struct {
        std::string text;
        std::string expected;
    } cases[] = {
        {kFingerprint, kFingerprint},
        {"SHA256:" + kFingerprint, kFingerprint},
        {"sha256:" + bare, kFingerprint},
        {bare, kFingerprint},
        {kFingerprint.substr(3), ""},        // 31 bytes
        {kFingerprint + ":00", ""},          // 33 bytes
        {"SHA1:" + kFingerprint, ""},        // another digest's name
        {kFingerprint.substr(0, 94) + "G", ""},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(NormalizedFingerprint(c.text), c.expected) << c.text;
}
