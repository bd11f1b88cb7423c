// Test support: waiting for a condition while the thread's completion routines keep running.
#pragma once

#ifdef _WIN32
#include <windows.h>
#else
#include <win32/win32.h>
#endif

#include <chrono>

namespace testsupport {

// Sleeps in short alertable steps until `done()` or the timeout.
template <typename Done>
bool waitUntil(Done done, std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        SleepEx(2, TRUE);
    }
    return true;
}

}  // namespace testsupport
