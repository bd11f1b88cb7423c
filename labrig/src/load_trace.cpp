// The load and unload lines a debugger shows (on Windows); on standard error too when LABRIG_TRACE
// is set.
#ifdef _WIN32
#include <windows.h>
#endif

#include <cstdio>
#include <cstdlib>

namespace {

void trace(const char* line) {
#ifdef _WIN32
    OutputDebugStringA(line);
#endif
    if (std::getenv("LABRIG_TRACE")) std::fputs(line, stderr);
}

[[gnu::constructor]] void libraryLoaded() {
    trace("LABRIG.DLL Initializing!\n");
}
[[gnu::destructor]] void libraryUnloaded() {
    trace("LABRIG.DLL Terminating!\n");
}

}  // namespace
