// Arbitrary bytes as a queue file. Every host ID is known, so every element
// is read. Checks: no download maps outside its local folder, and what was
// loaded saves and loads back to the same items.

#include "queue/QueueFile.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>
#include <string>
#include <vector>

namespace {

const std::string& ScratchDir()
{
    static const std::string dir = [] {
        char pattern[] = "/tmp/tovrel-fuzz-queue-XXXXXX";
        const char* made = mkdtemp(pattern);
        if (!made)
            std::abort();
        return std::string(made);
    }();
    return dir;
}

void WriteFile(const std::string& path, const std::uint8_t* data, std::size_t size)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        std::abort();
    if (size && std::fwrite(data, 1, size, f) != size)
        std::abort();
    std::fclose(f);
}

using TItems = std::vector<std::unique_ptr<TQueueItem>>;

TItems Load(const std::string& path)
{
    static THost host(THostDefaults{});
    TItems items;
    try {
        LoadQueueFile(
            path, [](std::string_view) { return &host; },
            [&items](std::unique_ptr<TQueueItem> item) { items.push_back(std::move(item)); });
    } catch (const std::exception&) {
    }
    return items;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string input = ScratchDir() + "/Queue.xml";
    const std::string copy = ScratchDir() + "/Copy.xml";
    WriteFile(input, data, size);
    std::remove(copy.c_str());

    TItems items = Load(input);
    std::vector<TQueueItem*> pointers;
    for (auto& item : items) {
        if (item->TransferDirection == tdDownload && !IsInsideLocalRoot(item->LocalRoot, item->GetLocalFilename()))
            __builtin_trap();
        pointers.push_back(item.get());
    }
    try {
        SaveQueueFile(copy, pointers);
    } catch (const std::exception&) {
        return 0;
    }
    TItems again = Load(copy);
    if (again.size() != items.size())
        __builtin_trap();
    for (std::size_t i = 0; i < items.size(); ++i) {
        TQueueItem& a = *items[i];
        TQueueItem& b = *again[i];
        if (a.TransferDirection != b.TransferDirection || a.RemoteRoot != b.RemoteRoot || a.LocalRoot != b.LocalRoot
            || a.GetRemoteFilename() != b.GetRemoteFilename() || a.GetLocalFilename() != b.GetLocalFilename())
            __builtin_trap();
        // An upload's size and date are read from the local file system at
        // each load, which may have changed in between.
        if (a.TransferDirection == tdDownload
            && (a.FileSize != b.FileSize || a.IsDirectory != b.IsDirectory
                || a.FileModifiedDateTime != b.FileModifiedDateTime))
            __builtin_trap();
    }
    return 0;
}
