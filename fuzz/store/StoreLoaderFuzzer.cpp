// Arbitrary bytes as a store file: the document store must either load them
// or raise its parse error, a loaded document must save and load again with
// the same content, and every settings read must answer a value or raise its
// conversion error.

#include "store/DataDirectory.h"
#include "store/MainConfig.h"
#include "store/XMLDocument.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <system_error>

#include <unistd.h>

namespace {

const std::string& DataDirectory()
{
    static const std::string dir = [] {
        char pattern[] = "/tmp/fuzz_store_loader.XXXXXX";
        const char* base = ::mkdtemp(pattern);
        if (!base)
            std::abort();
        ::setenv("XDG_CONFIG_HOME", base, 1);
        static const std::string created = base;
        std::atexit([] {
            std::error_code ec;
            std::filesystem::remove_all(created, ec);
        });
        return ResolveDataDirectory();
    }();
    return dir;
}

void WriteFile(const std::string& path, const uint8_t* data, size_t size)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    if (!out)
        std::abort();
}

std::string Serialized(const TXMLDocument& doc)
{
    struct Writer : pugi::xml_writer {
        std::string out;
        void write(const void* data, size_t size) override { out.append(static_cast<const char*>(data), size); }
    } writer;
    doc.Root().print(writer, "", pugi::format_raw);
    return writer.out;
}

void Touch(const std::function<void()>& read)
{
    try {
        read();
    } catch (const EConvertError&) {
    }
}

void ReadEverySetting(const TMainConfig& c)
{
    Touch([&] { (void)c.LocalViewStyle(); (void)c.RemoteViewStyle(); });
    Touch([&] { (void)c.LocalFileAlreadyExistsAction(); (void)c.RemoteFileSmallerAlreadyExistsAction(); });
    Touch([&] { (void)c.RemoteHeaderSortDirection(); (void)c.DefaultFileTransferType(); });
    Touch([&] { (void)c.DefaultProxyType(); });
    Touch([&] { (void)c.MaxFTPTransferCount(); });
    Touch([&] { (void)c.RetryDelay(); });
    Touch([&] { (void)c.MainFormWidth(); });
    Touch([&] { (void)c.MainFormMaximized(); });
    Touch([&] { (void)c.TrayIcon(); });
    Touch([&] { (void)c.FirstRun(); });
    Touch([&] { (void)c.LastTipIndex(); });
    Touch([&] { (void)c.DialogDefault("MainForm_IDS_53"); });
    (void)c.Language(); // never raises
    (void)c.AnonymousEmail();
    (void)c.LastConnectedHostID();
    (void)c.ReadValue("DefaultProxyPassword", "");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string& dir = DataDirectory();
    const std::string path = dir + "/Config.xml";
    WriteFile(path, data, size);

    std::string first;
    try {
        TXMLDocument doc(dir, "Config.xml", "Config");
        for (const pugi::xml_node element : TXMLDocument::Elements(doc.Root()))
            if (const auto value = TXMLDocument::Attribute(element, "value"))
                Touch([&] { (void)TXMLDocument::ParseBool(*value); });
        first = Serialized(doc);
        doc.MarkChanged();
        doc.Save();
    } catch (const EXMLParseError&) {
        return 0;
    }
    // What the store wrote it must be able to read back, unchanged.
    TXMLDocument again(dir, "Config.xml", "Config");
    if (Serialized(again) != first)
        std::abort();

    TMainConfig config;
    ReadEverySetting(config);
    return 0;
}
