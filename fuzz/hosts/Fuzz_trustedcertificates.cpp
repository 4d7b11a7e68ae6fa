#include "FuzzStoreDir.h"

#include "hosts/TrustedCertificates.h"

#include <exception>

// Any file either fails to load cleanly or gives entries that are usable as
// they stand: a host, a port in range, a fingerprint in the one stored form,
// each found again by its host and port.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    WriteFuzzFile("TrustedCertificates.xml", data, size);
    try {
        TTrustedCertificates store(FuzzStoreDir());
        for (const TTrustedCertificate& entry : store.Items()) {
            if (entry.Host.empty() || entry.Port == 0 || NormalizedFingerprint(entry.Fingerprint) != entry.Fingerprint)
                __builtin_trap();
            if (store.Find(entry.Host, entry.Port) == nullptr)
                __builtin_trap();
        }
    } catch (const std::exception&) {
    }
    return 0;
}
