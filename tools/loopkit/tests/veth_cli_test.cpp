// The command on real interfaces, as processes: each end of a veth pair lives in its own network
// namespace, and loopkit runs there through `ip netns exec`. Skipped, with the reason, where the
// machine does not allow it.
#include <gtest/gtest.h>

#include <support/run_program.h>
#include <support/veth_pair.h>

#include <regex>

namespace {

using testsupport::Outcome;
using testsupport::VethPair;

constexpr const char* kIp = "/usr/sbin/ip";

// A loopkit process inside the namespace of one end of the pair.
class Station {
public:
    Station(const VethPair& pair, int side, std::vector<std::string> args)
        : input_(testsupport::makePipe()),
          program_(kIp, withNamespace(pair, side, args), input_.first.get()) {}
    bool waitFor(const std::string& notice) { return program_.waitForError(notice); }
    Outcome finish() { return program_.finish(); }

private:
    static std::vector<std::string> withNamespace(const VethPair& pair, int side,
                                                  std::vector<std::string> args) {
        args.insert(args.begin(), {"netns", "exec", pair.ns(side), LOOPKIT_CLI_PATH});
        return args;
    }

    std::pair<testsupport::Fd, testsupport::Fd> input_;
    testsupport::Program program_;
};

// The value of `key` in a summary line, or -1.
long long jsonNumber(const std::string& json, const std::string& key) {
    std::smatch match;
    if (!std::regex_search(json, match, std::regex("\"" + key + "\":(\\d+)"))) return -1;
    return std::stoll(match[1]);
}

class VethCommand : public testing::Test {
protected:
    void SetUp() override {
        if (auto reason = VethPair::unavailableReason(); !reason.empty()) GTEST_SKIP() << reason;
        pair = std::make_unique<VethPair>();
    }

    std::unique_ptr<VethPair> pair;
};

TEST_F(VethCommand, RxCountsEveryFrameOfTx) {
    Station rx(*pair, 1,
               {"rx", VethPair::kSecond, "--frames", "2000", "--timeout", "30", "--json"});
    ASSERT_TRUE(rx.waitFor("receiving on kvb"));
    const Outcome tx =
        Station(*pair, 0, {"tx", VethPair::kFirst, "--frames", "2000", "--json"}).finish();
    EXPECT_EQ(tx.status, 0) << tx.err;
    EXPECT_EQ(jsonNumber(tx.out, "sent"), 2000) << tx.out;
    EXPECT_EQ(jsonNumber(tx.out, "bytes"), 2000 * 1514) << tx.out;

    const Outcome received = rx.finish();
    EXPECT_EQ(received.status, 0) << received.err;
    EXPECT_EQ(jsonNumber(received.out, "good"), 2000) << received.out;
    EXPECT_EQ(jsonNumber(received.out, "bad"), 0);
    EXPECT_EQ(jsonNumber(received.out, "lost"), 0);
    EXPECT_EQ(jsonNumber(received.out, "bytes"), 2000 * 1514);
    EXPECT_NE(received.out.find(R"("ended":"done")"), std::string::npos);
}

TEST_F(VethCommand, TwoWayStationsEndTogetherWithFramesBothWays) {
    // The server's stream ends after 2000 frames: its stop frame ends the client, whose answer
    // ends the server. The server streams only after the client's frames came. The client's
    // endless stream is paced, so that a busy machine does not overrun the server's capture.
    Station server(
        *pair, 1,
        {"2way", VethPair::kSecond, "--server", "--frames", "2000", "--timeout", "30", "--json"});
    ASSERT_TRUE(server.waitFor("waiting for a client on kvb"));
    const Outcome client = Station(*pair, 0,
                                   {"2way", VethPair::kFirst, "--client", "--frames", "0",
                                    "--interval", "1", "--json"})
                               .finish();
    const Outcome s = server.finish();
    EXPECT_EQ(client.status, 0) << client.out << client.err;
    EXPECT_EQ(s.status, 0) << s.out << s.err;
    EXPECT_EQ(jsonNumber(s.out, "sent"), 2000) << s.out;
    EXPECT_EQ(jsonNumber(client.out, "good"), 2000) << client.out;
    EXPECT_GT(jsonNumber(client.out, "sent"), 0) << client.out;
    EXPECT_EQ(jsonNumber(s.out, "good"), jsonNumber(client.out, "sent"));
    EXPECT_NE(client.out.find(R"("ended":"peer")"), std::string::npos) << client.out;
    EXPECT_NE(s.out.find(R"("ended":"done")"), std::string::npos) << s.out;
}

}  // namespace
