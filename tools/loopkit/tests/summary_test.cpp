#include "summary.h"

#include <gtest/gtest.h>

namespace {

using namespace loopkit_cli;

Outcome outcome(Mode mode, unsigned long asked, Ending ending, Figures f) {
    Outcome o;
    o.mode = mode;
    o.interface = "kvb";
    o.asked = asked;
    o.ending = ending;
    o.figures = f;
    return o;
}

TEST(Summary, JsonHasTheKeysOfTheMode) {
    const struct {
        Outcome outcome;
        const char* json;
    } cases[] = {
        {outcome(Mode::kTx, 2000, Ending::kDone,
                 {.sent = 2000, .sentBytes = 3028000, .sendDurationMs = 4}),
         R"({"mode":"tx","interface":"kvb","sent":2000,"bytes":3028000,"duration_ms":4,)"
         R"("rate_fps":500000,"ended":"done","exit":0})"},
        {outcome(Mode::kRx, 0, Ending::kTimeout,
                 {.good = 1000,
                  .bad = 1,
                  .lost = 2,
                  .receivedBytes = 60000,
                  .receiveDurationMs = 2000}),
         R"({"mode":"rx","interface":"kvb","good":1000,"bad":1,"lost":2,"bytes":60000,)"
         R"("duration_ms":2000,"rate_fps":500,"ended":"timeout","exit":1})"},
        {outcome(Mode::kTwoWay, 10, Ending::kPeer,
                 {.sent = 10,
                  .sentBytes = 600,
                  .sendDurationMs = 0,
                  .good = 9,
                  .bad = 0,
                  .lost = 0,
                  .receivedBytes = 540,
                  .receiveDurationMs = 3}),
         R"({"mode":"2way","interface":"kvb","sent":10,"good":9,"bad":0,"lost":0,"bytes":540,)"
         R"("duration_ms":3,"rate_fps":3000,"sent_bytes":600,"sent_duration_ms":0,"sent_fps":0,)"
         R"("ended":"peer","exit":0})"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(summaryJson(c.outcome), c.json);
}

TEST(Summary, InterfaceNamesAreEscapedInJson) {
    Outcome o = outcome(Mode::kTx, 1, Ending::kDone, {.sent = 1});
    o.interface = "mem:a\"b\\c\n";
    EXPECT_NE(summaryJson(o).find(R"("interface":"mem:a\"b\\c\u000a")"), std::string::npos)
        << summaryJson(o);
}

TEST(Summary, TextNamesCountersRatesAndTheEnd) {
    const struct {
        Outcome outcome;
        const char* text;
    } cases[] = {
        {outcome(Mode::kTx, 0, Ending::kInterrupted,
                 {.sent = 3000, .sentBytes = 4542000, .sendDurationMs = 1500}),
         "tx kvb: sent 3000 frames (4542000 bytes) in 1500 ms, 2000 frames/s, 3.0 MB/s; "
         "ended: interrupted"},
        {outcome(Mode::kRx, 0, Ending::kDone,
                 {.good = 1000, .bad = 1, .lost = 0, .receivedBytes = 999, .receiveDurationMs = 0}),
         "rx kvb: good 1000, bad 1, lost 0 (999 bytes) in 0 ms, 0 frames/s, 0 B/s; "
         "error rate < 1/1000, lost rate 0/1000; ended: done"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(summaryText(c.outcome), c.text);
}

TEST(Summary, ExitStatusPassesOnlyCompleteCleanRuns) {
    const struct {
        Outcome outcome;
        int status;
    } cases[] = {
        {outcome(Mode::kTx, 10, Ending::kDone, {.sent = 10}), kExitPassed},
        {outcome(Mode::kTx, 10, Ending::kInterrupted, {.sent = 9}), kExitFailed},
        {outcome(Mode::kTx, 0, Ending::kInterrupted, {.sent = 5}), kExitPassed},
        {outcome(Mode::kTx, 0, Ending::kInterrupted, {.sent = 0}), kExitFailed},
        {outcome(Mode::kTx, 0, Ending::kLinkFailed, {.sent = 5}), kExitFailed},
        {outcome(Mode::kRx, 0, Ending::kTimeout, {.good = 5}), kExitPassed},
        {outcome(Mode::kRx, 5, Ending::kDone, {.good = 5}), kExitPassed},
        {outcome(Mode::kRx, 6, Ending::kTimeout, {.good = 5}), kExitFailed},
        {outcome(Mode::kRx, 0, Ending::kTimeout, {.good = 5, .bad = 1}), kExitFailed},
        {outcome(Mode::kRx, 0, Ending::kTimeout, {.good = 5, .lost = 1}), kExitFailed},
        {outcome(Mode::kRx, 0, Ending::kTimeout, {}), kExitFailed},
        {outcome(Mode::kTwoWay, 10, Ending::kPeer, {.sent = 3, .good = 4}), kExitPassed},
        {outcome(Mode::kTwoWay, 10, Ending::kDone, {.sent = 10, .good = 0}), kExitFailed},
        {outcome(Mode::kTwoWay, 10, Ending::kDone, {.sent = 0, .good = 10}), kExitFailed},
        {outcome(Mode::kTwoWay, 10, Ending::kDone, {.sent = 10, .good = 10, .lost = 1}),
         kExitFailed},
    };
    for (size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(exitStatus(cases[i].outcome), cases[i].status) << "case " << i;
}

TEST(Summary, RatesDoNotDivideByZero) {
    EXPECT_EQ(perSecond(100, 0), 0u);
    EXPECT_EQ(perSecond(100, 1), 100000u);
    EXPECT_EQ(perSecond(4294967295ULL, 3), 1431655765000ULL);
}

TEST(Summary, LiveLineOfEachMode) {
    const Figures f{.sent = 7,
                    .sentBytes = 0,
                    .sendDurationMs = 2500,
                    .good = 5,
                    .bad = 1,
                    .lost = 2,
                    .receivedBytes = 0,
                    .receiveDurationMs = 3100};
    EXPECT_EQ(liveText(Mode::kTx, f, {1500, 0}), "sent 7  1.5 kB/s  2 s");
    EXPECT_EQ(liveText(Mode::kRx, f, {0, 999}), "good 5  bad 1  lost 2  999 B/s  3 s");
    EXPECT_EQ(liveText(Mode::kTwoWay, f, {2000000, 0}),
              "sent 7  2.0 MB/s  |  good 5  bad 1  lost 2  0 B/s  2 s");
}

}  // namespace
