// The load and unload lines a debugger would show; here on standard error when LABRIG_TRACE is
// set.
#include <cstdio>
#include <cstdlib>

namespace {

void trace(const char* line) {
    if (std::getenv("LABRIG_TRACE")) std::fputs(line, stderr);
}

[[gnu::constructor]] void libraryLoaded() {
    trace("LABRIG.DLL Initializing!\n");
}
[[gnu::destructor]] void libraryUnloaded() {
    trace("LABRIG.DLL Terminating!\n");
}

}  // namespace
