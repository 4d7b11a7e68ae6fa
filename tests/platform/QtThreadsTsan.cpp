// Qt's network and D-Bus modules run threads of their own, synchronised
// with futex-based locks that ThreadSanitizer does not see when Qt itself is
// not instrumented; what it reports between those threads and the event
// loop is about Qt's data, not ours. Linked into the tests that use them.
extern "C" const char* __tsan_default_suppressions()
{
    return "race:libQt6Core.so\n"
           "race:libQt6Network.so\n"
           "race:libQt6DBus.so\n"
           "race:libglib-2.0.so\n"
           "race:libdbus-1.so\n";
}
