// Leaks LeakSanitizer leaves out of a sanitized test program's report: only
// allocations inside libraries the program has no handle on, each with its
// reason. Leaks in the program's own code are never listed here.
extern "C" const char *__lsan_default_suppressions()
{
    // libpulse: SDL's PulseAudio backend drops the operations it started
    // (server, sink and device-list queries) when the server goes away under
    // it; the program reaches libpulse only through SDL.
    return "leak:libpulse.so\n";
}
