#include <win32/win32.h>

#include <gtest/gtest.h>

#include <chrono>
#include <ctime>

namespace {

// std::time() may lag the real-time clock by a tick; read that clock itself.
std::time_t secondsNow() {
    return std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
}

TEST(ClockTest, TickCountMovesForwardWithSleep) {
    const DWORD start = GetTickCount();
    Sleep(30);
    const DWORD middle = GetTickCount();
    Sleep(30);
    const DWORD end = GetTickCount();
    // Unsigned differences stay right across the wrap at 2^32.
    EXPECT_GE(middle - start, 30u);
    EXPECT_GE(end - middle, 30u);
    EXPECT_LT(end - start, 0x80000000u);
}

TEST(ClockTest, SystemTimeIsTheCurrentUtcTime) {
    const std::time_t before = secondsNow();
    SYSTEMTIME now{};
    GetSystemTime(&now);
    const std::time_t after = secondsNow();

    std::tm utc{};
    utc.tm_year = now.wYear - 1900;
    utc.tm_mon = now.wMonth - 1;
    utc.tm_mday = now.wDay;
    utc.tm_hour = now.wHour;
    utc.tm_min = now.wMinute;
    utc.tm_sec = now.wSecond;
    const std::time_t seen = timegm(&utc);
    EXPECT_GE(seen, before);
    EXPECT_LE(seen, after);
    EXPECT_EQ(now.wDayOfWeek, utc.tm_wday);  // timegm fills in the day of the week
    EXPECT_LT(now.wMilliseconds, 1000);
}

}  // namespace
