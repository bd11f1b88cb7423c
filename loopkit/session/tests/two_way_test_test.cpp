// Two stations of the two-way test on one in-memory medium: each counts the other's stream,
// and stopping either one stops both.
#include <two_way_test.h>

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>

namespace loopkit {
namespace {

using namespace std::chrono_literals;

// A station and what its events said.
struct Station {
    explicit Station(const std::string& address) {
        info.AdapterHandle = W32N_OpenAdapter(address.c_str());
        test = std::make_unique<TwoWayTest>(
            &info, TwoWayTest::Events{[this](bool on) { note([&] { running = on; }); },
                                      [this] { note([&] { ++streams; }); },
                                      [this] { note([&] { ++streamEnds; }); }});
    }
    ~Station() {
        test.reset();
        W32N_CloseAdapter(info.AdapterHandle);
    }
    template <class Change>
    void note(Change change) {
        std::lock_guard guard(lock);
        change();
        changed.notify_all();
    }
    // Events wake the wait; counters are looked at every 10 ms.
    template <class Done>
    bool waitFor(Done done) {
        const auto deadline = std::chrono::steady_clock::now() + 20s;
        std::unique_lock guard(lock);
        while (!done()) {
            if (std::chrono::steady_clock::now() >= deadline) return false;
            changed.wait_for(guard, 10ms);
        }
        return true;
    }

    WLAdapterInfo info{};
    std::mutex lock;
    std::condition_variable changed;
    bool running = false;
    int streams = 0;
    int streamEnds = 0;
    std::unique_ptr<TwoWayTest> test;
};

class TwoWay : public testing::Test {
protected:
    // A paced stream: flat out, the in-memory medium drops what a slow (sanitized) receiver
    // cannot take, the stop frames among them.
    static constexpr int kPace = 1;
    std::string medium = "mem:twoway" + std::to_string(++media_);
    Station server{medium + "/02:00:00:00:00:01"};
    Station client{medium + "/02:00:00:00:00:02"};
    static inline int media_ = 0;

    void startBoth() {
        server.test->start(TwoWayTest::Role::Server, 100, {.intervalMs = kPace});
        server.test->settle();  // the server listens before the client's start frame
        client.test->start(TwoWayTest::Role::Client, 100, {.intervalMs = kPace});
        ASSERT_TRUE(server.waitFor([&] { return server.streams == 1; }));
        ASSERT_TRUE(client.waitFor([&] { return client.streams == 1; }));
    }
};

TEST_F(TwoWay, EachStationCountsTheOthersStreamAndOneStopEndsBoth) {
    ASSERT_TRUE(server.test->valid());
    startBoth();
    auto counted = [](Station& s) { return s.test->counters().good >= 20; };
    ASSERT_TRUE(server.waitFor([&] { return counted(server); }));
    ASSERT_TRUE(client.waitFor([&] { return counted(client); }));

    client.test->stop();
    EXPECT_TRUE(client.waitFor([&] { return !client.running && client.streamEnds == 1; }));
    EXPECT_TRUE(server.waitFor([&] { return !server.running && server.streamEnds == 1; }));
    for (Station* s : {&server, &client}) {
        const TwoWayTest::Counters c = s->test->counters();
        EXPECT_EQ(c.bad, 0u);
        EXPECT_EQ(c.lost, 0u);
        EXPECT_GT(c.sent, 0u);
        EXPECT_EQ(c.receivedBytes, uint64_t{c.good} * 124);  // 24 header bytes + 100
    }

    // Both are idle again: a second round runs the same way.
    server.note([&] { server.streams = 0; });
    client.note([&] { client.streams = 0; });
    startBoth();
    server.test->stop();
    EXPECT_TRUE(client.waitFor([&] { return !client.running; }));
}

TEST_F(TwoWay, ClosingWhileBothStreamLeavesNothingBehind) {
    const size_t runsBefore = RoutineHub::instance().liveRuns();
    startBoth();
    client.test.reset();  // closed mid-stream; its routines may still be on their way
    EXPECT_TRUE(server.waitFor([&] { return !server.running; }));  // its stop frame got out
    server.test.reset();
    EXPECT_TRUE(RoutineHub::instance().waitForLiveRuns(runsBefore, 10s));
}

}  // namespace
}  // namespace loopkit
