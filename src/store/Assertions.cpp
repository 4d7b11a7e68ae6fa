#include "store/Assertions.h"

#include <QtGlobal>

#include <atomic>
#include <cinttypes>
#include <cstdint>
#include <cstdio>

namespace {


std::atomic<TAssertionSink> gSink{nullptr};
std::atomic<bool> gInstalled{false};

void DebugOutput(const std::string& line)
{
    qDebug("%s", line.c_str());
}

} // namespace

void InstallAssertionHandler(TAssertionSink sink)
{
    gSink.store(sink ? sink : &DebugOutput);
    gInstalled.store(true);
}

void RemoveAssertionHandler()
{
    gInstalled.store(false);
    gSink.store(nullptr);
}

std::string FormatAssertion(const char* message, const char* file, int line, const void* address)
{
    const auto where = static_cast<std::uintmax_t>(reinterpret_cast<std::uintptr_t>(address));
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, ", line %d, address $%" PRIXMAX ")", line, where);
    return std::string(message ? message : "") + " (" + (file ? file : "") + buffer;
}

void AssertionFailed(const char* message, const char* file, int line)
{
    const std::string text = FormatAssertion(message, file, line, __builtin_return_address(0));
    const TAssertionSink sink = gSink.load();
    if (!gInstalled.load() || !sink)
        throw EAssertionFailed(text);
    sink(text);
}
