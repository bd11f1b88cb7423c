// Where the status of a call ends up: per thread, process-wide, and in the thread-only variant.
#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

#include <memory>
#include <thread>
#include <type_traits>

#include "bus_fixture.h"

namespace gpibsim::test {
namespace {

using StatusTest = BusFixture;

#ifdef _WIN32
struct LibraryCloser {
    void operator()(HMODULE handle) const { FreeLibrary(handle); }
};
using Library = std::unique_ptr<std::remove_pointer_t<HMODULE>, LibraryCloser>;

Library loadLibrary(const char* path) {
    return Library(LoadLibraryA(path));
}
void* symbolOf(const Library& library, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(library.get(), name));
}
std::string loadError() {
    return "error " + std::to_string(GetLastError());
}
#else
struct LibraryCloser {
    void operator()(void* handle) const { dlclose(handle); }
};
using Library = std::unique_ptr<void, LibraryCloser>;

Library loadLibrary(const char* path) {
    return Library(dlopen(path, RTLD_NOW | RTLD_LOCAL));
}
void* symbolOf(const Library& library, const char* name) {
    return dlsym(library.get(), name);
}
std::string loadError() {
    return dlerror();
}
#endif

TEST_F(StatusTest, ThreadValuesAreTheCallersAndUserValuesTheLastCall) {
    const int ud = openReset(kAnalyser);
    send(ud, "*IDN?\n");
    char buffer[64];
    ASSERT_EQ(ibrd(ud, buffer, 10), kOk);

    std::thread other([] {
        EXPECT_EQ(ibwrt(9999, "x", 1), kFailed);
        EXPECT_EQ(ThreadIberr(), GPIBSIM_EDVR);
    });
    other.join();

    EXPECT_EQ(ThreadIbsta(), kOk);
    EXPECT_EQ(ThreadIbcnt(), 10);
    EXPECT_EQ(ThreadIbcntl(), 10);
    EXPECT_EQ(user_ibsta, kFailed);
    EXPECT_EQ(user_iberr, GPIBSIM_EDVR);
    EXPECT_EQ(user_ibcntl, 0);

    ibrd(ud, buffer, sizeof buffer);
    EXPECT_EQ(user_ibsta, kOk | GPIBSIM_END);
    EXPECT_EQ(user_ibcntl, 24);
}

TEST_F(StatusTest, ThreadOnlyVariantLacksUserVariables) {
    const Library full = loadLibrary(GPIBSIM_LIBRARY);
    ASSERT_NE(full, nullptr) << loadError();
    EXPECT_NE(symbolOf(full, "user_ibsta"), nullptr);

    const Library threadOnly = loadLibrary(GPIBSIM_THREADONLY_LIBRARY);
    ASSERT_NE(threadOnly, nullptr) << loadError();
    for (const char* name : {"user_ibsta", "user_iberr", "user_ibcntl"}) {
        EXPECT_EQ(symbolOf(threadOnly, name), nullptr) << name;
    }
    using Open = int(GPIBSIM_CALL*)(int, int, int, int, int, int);
    using Write = int(GPIBSIM_CALL*)(int, const void*, long);
    using Status = int(GPIBSIM_CALL*)();
    const auto openDevice = reinterpret_cast<Open>(symbolOf(threadOnly, "ibdev"));
    const auto write = reinterpret_cast<Write>(symbolOf(threadOnly, "ibwrt"));
    const auto status = reinterpret_cast<Status>(symbolOf(threadOnly, "ThreadIbsta"));
    const auto count = reinterpret_cast<Status>(symbolOf(threadOnly, "ThreadIbcnt"));
    ASSERT_TRUE(openDevice && write && status && count);
    const int ud = openDevice(0, kAnalyser, 0, 11, 1, 0);
    ASSERT_GE(ud, 0);
    EXPECT_EQ(write(ud, "*CLS\n", 5), kOk);
    EXPECT_EQ(status(), kOk);
    EXPECT_EQ(count(), 5);
}

}  // namespace
}  // namespace gpibsim::test
