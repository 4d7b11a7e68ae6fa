#pragma once
// Internal assertions that never stop the program once it has started.
//
// TOVREL_ASSERT(condition, message): when the condition fails, reports
// "<message> (<source file>, line <n>, address $<hex>)".
// - After InstallAssertionHandler() the line goes to the installed sink
//   (by default the debug output, stderr) and execution continues after the
//   assertion.
// - Before that (libraries used on their own, tests) a failed assertion
//   raises EAssertionFailed carrying the same text.
// Thread-safe; the sink may be called from any thread.

#include <stdexcept>
#include <string>

class EAssertionFailed : public std::logic_error {
public:
    using std::logic_error::logic_error;
};

/// Receives one formatted line per failed assertion.
using TAssertionSink = void (*)(const std::string& line);

/// Installs the handler that logs and continues; `sink` nullptr writes to
/// the debug output.
void InstallAssertionHandler(TAssertionSink sink = nullptr);
/// Back to raising EAssertionFailed.
void RemoveAssertionHandler();

/// The formatted report line: "%s (%s, line %d, address $%x)".
std::string FormatAssertion(const char* message, const char* file, int line, const void* address);

/// Called by TOVREL_ASSERT; reports its own return address, which lies in
/// the function that holds the assertion.
[[gnu::noinline]] void AssertionFailed(const char* message, const char* file, int line);

#define TOVREL_ASSERT(condition, message)                                                          \
    do {                                                                                           \
        if (!(condition))                                                                          \
            ::AssertionFailed((message), __FILE__, __LINE__);                                      \
    } while (false)
