// Where the status of a call ends up: per thread, process-wide, and in the thread-only variant.
#include <dlfcn.h>

#include <memory>
#include <thread>

#include "bus_fixture.h"

namespace gpibsim::test {
namespace {

using StatusTest = BusFixture;

struct LibraryCloser {
    void operator()(void* handle) const { dlclose(handle); }
};
using Library = std::unique_ptr<void, LibraryCloser>;

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
    const Library full(dlopen(GPIBSIM_LIBRARY, RTLD_NOW | RTLD_LOCAL));
    ASSERT_NE(full, nullptr) << dlerror();
    EXPECT_NE(dlsym(full.get(), "user_ibsta"), nullptr);

    const Library threadOnly(dlopen(GPIBSIM_THREADONLY_LIBRARY, RTLD_NOW | RTLD_LOCAL));
    ASSERT_NE(threadOnly, nullptr) << dlerror();
    for (const char* name : {"user_ibsta", "user_iberr", "user_ibcntl"}) {
        EXPECT_EQ(dlsym(threadOnly.get(), name), nullptr) << name;
    }
    using Open = int (*)(int, int, int, int, int, int);
    using Write = int (*)(int, const void*, long);
    using Status = int (*)();
    const auto openDevice = reinterpret_cast<Open>(dlsym(threadOnly.get(), "ibdev"));
    const auto write = reinterpret_cast<Write>(dlsym(threadOnly.get(), "ibwrt"));
    const auto status = reinterpret_cast<Status>(dlsym(threadOnly.get(), "ThreadIbsta"));
    const auto count = reinterpret_cast<Status>(dlsym(threadOnly.get(), "ThreadIbcnt"));
    ASSERT_TRUE(openDevice && write && status && count);
    const int ud = openDevice(0, kAnalyser, 0, 11, 1, 0);
    ASSERT_GE(ud, 0);
    EXPECT_EQ(write(ud, "*CLS\n", 5), kOk);
    EXPECT_EQ(status(), kOk);
    EXPECT_EQ(count(), 5);
}

}  // namespace
}  // namespace gpibsim::test
