// Waiting and hexadecimal bytes.
#include <gtest/gtest.h>

#include <vector>

#include "platform/byte_to_hex.h"
#include "platform/delay.h"

namespace netpanel {
namespace {

// A clock whose time moves only when the code sleeps; it wraps at midnight.
class FakeClock : public Clock {
public:
    explicit FakeClock(double start) : now_(start) {}
    double secondsSinceMidnight() override { return now_; }
    void sleep(std::chrono::milliseconds duration) override {
        sleeps.push_back(duration.count());
        slept += duration.count() / 1000.0;
        now_ += duration.count() / 1000.0;
        if (now_ >= 86400.0) now_ -= 86400.0;
    }
    std::vector<long> sleeps;
    double slept = 0;

private:
    double now_;
};

TEST(DelayMs, SleepsForTheTimeAskedWithoutSpinning) {
    struct Case {
        double start;
        int32_t ms;
    } cases[] = {{36000.0, 1000}, {86399.5, 1000}, {86399.999, 5000}, {100.0, 0},
                 {5.0, 2000},     {7.25, 300},     {86399.9, 700}};
    for (const Case& c : cases) {
        FakeClock clock(c.start);
        DelayMs(clock, c.ms);
        EXPECT_NEAR(clock.slept, c.ms / 1000.0, 1e-9) << c.start;
        EXPECT_LE(clock.sleeps.size(), 3u) << "the wait polled instead of sleeping";
    }
}

TEST(DelayMs, RealClockSleeps) {
    SystemClock clock;
    auto start = std::chrono::steady_clock::now();
    DelayMs(clock, 30);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(30));
}

TEST(ByteToHex, TwoUpperCaseDigits) {
    const std::pair<uint8_t, const char*> cases[] = {{0, "00"},  {10, "0A"},   {15, "0F"},
                                                     {16, "10"}, {0xA0, "A0"}, {255, "FF"}};
    for (const auto& [byte, text] : cases)
        EXPECT_EQ(ByteToHex(byte), text);
}

}  // namespace
}  // namespace netpanel
