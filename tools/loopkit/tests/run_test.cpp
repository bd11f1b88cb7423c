// The runs in one process, on in-memory media: what the command line asks for reaches the
// engines, and every way a run can end ends it cleanly.
#include <sys/eventfd.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <sstream>

#include "command_line.h"
#include "runs.h"

namespace {

using namespace loopkit_cli;
using namespace std::chrono_literals;

constexpr auto kBound = 20s;  // generous: sanitizers slow everything down

Request request(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> args;
    for (std::string word; in >> word;)
        args.push_back(word);
    const Parsed parsed = parseCommandLine(args);
    EXPECT_TRUE(parsed.request) << line << ": " << parsed.error;
    return parsed.request.value_or(Request{});
}

// A stop asked for, as the signals would ask for it.
class StopSwitch {
public:
    StopSwitch() : fd_(eventfd(0, EFD_CLOEXEC)) {}
    ~StopSwitch() { close(fd_); }
    int fd() const { return fd_; }
    void flip() {
        const uint64_t one = 1;
        ASSERT_EQ(write(fd_, &one, sizeof one), static_cast<ssize_t>(sizeof one));
    }

private:
    int fd_;
};

// A run on a thread of its own; ready() once it said that it receives or sends.
class Background {
public:
    explicit Background(const std::string& line, int stopFd = -1) {
        io_.stopFd = stopFd;
        io_.notice = [this](const std::string&) { ready_.set_value(); };
        readyFuture_ = ready_.get_future();
        result_ = std::async(std::launch::async, [this, r = request(line)] {
            switch (r.mode) {
                case Mode::kRx:
                    return runRx(r, io_);
                case Mode::kTwoWay:
                    return runTwoWay(r, io_);
                default:
                    return runTx(r, io_);
            }
        });
    }
    bool ready() { return readyFuture_.wait_for(kBound) == std::future_status::ready; }
    bool ended() { return result_.wait_for(kBound) == std::future_status::ready; }
    RunResult result() {
        EXPECT_TRUE(ended());
        return result_.get();
    }

private:
    RunIo io_;
    std::promise<void> ready_;
    std::future<void> readyFuture_;
    std::future<RunResult> result_;
};

RunResult runLine(const std::string& line, int stopFd = -1) {
    const Request r = request(line);
    RunIo io;
    io.stopFd = stopFd;
    return r.mode == Mode::kTx ? runTx(r, io) : runRx(r, io);
}

TEST(Runs, TxOptionsReachTheReceiver) {
    const struct {
        const char* tx;
        const char* rx;
        uint32_t good;
    } cases[] = {
        {"tx mem:r1 --frames 300", "rx mem:r1 --frames 300", 300},
        {"tx mem:r2 --frames 300 --pattern 4 --length random", "rx mem:r2 --frames 300", 300},
        {"tx mem:r3 --frames 300 --text lab --length 60", "rx mem:r3 --frames 300", 300},
        {"tx mem:r4 --frames 300 --swap --pattern 1", "rx mem:r4 --frames 300 --swap", 300},
        {"tx mem:r5 --frames 300 --no-numbering --no-checksum",
         "rx mem:r5 --frames 300 --no-lost-check", 300},
        {"tx mem:r6/02:00:00:00:00:07 --frames 300",
         "rx mem:r6 --from 02:00:00:00:00:07 --frames 300", 300},
        // Left out by the receiver: another source, another destination, unswapped headers.
        {"tx mem:r7 --frames 300", "rx mem:r7 --from 02:00:00:00:00:07 --timeout 0.3", 0},
        {"tx mem:r8 --frames 300 --to 02:00:00:00:00:99", "rx mem:r8 --timeout 0.3", 0},
        {"tx mem:r9 --frames 300 --pattern 1 --swap", "rx mem:r9 --timeout 0.3", 0},
    };
    for (const auto& c : cases) {
        Background rx(c.rx);
        ASSERT_TRUE(rx.ready()) << c.rx;
        const RunResult tx = runLine(c.tx);
        ASSERT_EQ(tx.status, kExitPassed) << tx.error;
        EXPECT_EQ(tx.outcome.figures.sent, 300u) << c.tx;
        EXPECT_EQ(exitStatus(tx.outcome), kExitPassed);
        const RunResult received = rx.result();
        EXPECT_EQ(received.outcome.figures.good, c.good) << c.rx;
        EXPECT_EQ(received.outcome.figures.bad + received.outcome.figures.lost, 0u) << c.rx;
        EXPECT_EQ(received.outcome.ending, c.good != 0 ? Ending::kDone : Ending::kTimeout);
        EXPECT_EQ(exitStatus(received.outcome), c.good != 0 ? kExitPassed : kExitFailed);
    }
}

std::string fileText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

size_t occurrences(const std::string& text, const std::string& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

TEST(Runs, TheReportFileHoldsEveryRecordOfItsCondition) {
    const auto dir =
        std::filesystem::temp_directory_path() / ("loopkit-cli-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    const struct {
        const char* options;
        const char* condition;
        size_t records;
        size_t dumps;
    } cases[] = {
        {"", "REPORT_ALL", 50, 0},
        {"--condition good --dump", "REPORT_ALL", 50, 50},
        {"--condition bad", "REPORT_ONLY_BAD", 0, 0},
    };
    int n = 0;
    for (const auto& c : cases) {
        const auto file = dir / ("report" + std::to_string(++n) + ".txt");
        const std::string medium = "mem:report" + std::to_string(n);
        Background rx("rx " + medium + " --frames 50 --report " + file.string() + " " + c.options);
        ASSERT_TRUE(rx.ready());
        ASSERT_EQ(runLine("tx " + medium + " --frames 50").status, kExitPassed);
        ASSERT_EQ(rx.result().outcome.figures.good, 50u);
        const std::string text = fileText(file);  // closed once the run returned
        EXPECT_NE(text.find(std::string("Report Condition: ") + c.condition + "\r\n"),
                  std::string::npos)
            << c.options;
        EXPECT_EQ(occurrences(text, "IsGood: 1\r\n"), c.records) << c.options;
        EXPECT_EQ(occurrences(text, "Frame DATA:"), c.dumps) << c.options;
    }
    std::filesystem::remove_all(dir);
}

TEST(Runs, EveryWayOfEndingEndsTheRun) {
    // rx stopped by the user while nothing arrives, and tx sending until stopped.
    for (const char* line : {"rx mem:stop1", "tx mem:stop2 --frames 0 --interval 5"}) {
        StopSwitch stop;
        Background run(line, stop.fd());
        ASSERT_TRUE(run.ready());
        stop.flip();
        const RunResult result = run.result();
        EXPECT_EQ(result.outcome.ending, Ending::kInterrupted) << line;
    }
    const auto started = std::chrono::steady_clock::now();
    const RunResult timedOut = runLine("tx mem:stop3 --frames 0 --interval 5 --timeout 0.3");
    EXPECT_EQ(timedOut.outcome.ending, Ending::kTimeout);
    EXPECT_GT(timedOut.outcome.figures.sent, 0u);
    EXPECT_EQ(exitStatus(timedOut.outcome), kExitPassed);
    EXPECT_LT(std::chrono::steady_clock::now() - started, kBound);

    // Frames stop coming: the receiver ends on its own.
    Background idle("rx mem:stop4 --idle 0.3");
    ASSERT_TRUE(idle.ready());
    ASSERT_EQ(runLine("tx mem:stop4 --frames 200").status, kExitPassed);
    const RunResult idled = idle.result();
    EXPECT_EQ(idled.outcome.ending, Ending::kIdle);
    EXPECT_EQ(idled.outcome.figures.good, 200u);
}

TEST(Runs, WhatCannotBeginSaysWhy) {
    const struct {
        const char* line;
        int status;
        const char* error;
    } cases[] = {
        {"tx mem:", kExitNoInterface, "cannot open mem:: not a valid interface name"},
        {"rx mem:/zz", kExitNoInterface, "cannot open mem:/zz"},
        {"rx no-such-if0", kExitNoInterface, "cannot open no-such-if0: no such interface"},
        {"rx mem:f --report /nonexistent-dir/r.txt", kExitUsage,
         "cannot write the report file /nonexistent-dir/r.txt: No such file or directory"},
    };
    for (const auto& c : cases) {
        const RunResult result = runLine(c.line);
        EXPECT_EQ(result.status, c.status) << c.line;
        EXPECT_NE(result.error.find(c.error), std::string::npos) << c.line << ": " << result.error;
    }
}

TEST(Runs, TwoStationsEndEachOther) {
    // A station whose frames run out sends its stop frame after its last frame; the peer
    // counts all of them, stops its own stream and answers, and the first counts the peer's
    // frames until that answer. (The server's stream begins at the first frame after the start
    // frame: a client whose frames run out at once may leave it no time to send any.) The
    // endless stream is paced: at full speed on a busy machine it would fill the peer's queue,
    // and the medium drops what does not fit, as a wire would.
    const struct {
        const char* server;
        const char* client;
        bool serverLimited;
    } cases[] = {
        {"2way mem:w1 --server --timeout 15 --interval 1",
         "2way mem:w1 --client --frames 400 --length 100", false},
        {"2way mem:w3 --server --timeout 15 --frames 400",
         "2way mem:w3 --client --frames 0 --interval 1", true},
    };
    for (const auto& c : cases) {
        Background server(c.server);
        ASSERT_TRUE(server.ready());
        Background client(c.client);
        const Outcome s = server.result().outcome;
        const Outcome k = client.result().outcome;
        const Outcome& limited = c.serverLimited ? s : k;
        const Outcome& other = c.serverLimited ? k : s;
        EXPECT_EQ(limited.ending, Ending::kDone) << c.client;
        EXPECT_EQ(other.ending, Ending::kPeer) << c.client;
        EXPECT_EQ(limited.figures.sent, 400u) << c.client;
        EXPECT_EQ(other.figures.good, 400u) << c.client;
        EXPECT_EQ(limited.figures.good, other.figures.sent) << c.client;
        EXPECT_EQ(s.figures.bad + s.figures.lost + k.figures.bad + k.figures.lost, 0u);
        if (c.serverLimited) {
            // The server streams only after client frames came: frames went both ways.
            EXPECT_GT(k.figures.sent, 0u);
            EXPECT_EQ(exitStatus(s), kExitPassed);
            EXPECT_EQ(exitStatus(k), kExitPassed);
        }
    }
}

TEST(Runs, AStationThatStopsItselfEndsThePeer) {
    // Both stream until the client's time is up; paced, so that no frame is dropped and the
    // client's stop frame reaches the server. The client stops counting when it stops; the
    // server counts until the stop frame.
    Background server("2way mem:w2 --server --timeout 15 --interval 1");
    ASSERT_TRUE(server.ready());
    Background client("2way mem:w2 --client --frames 0 --timeout 1.5 --interval 1");
    const Outcome s = server.result().outcome;
    const Outcome k = client.result().outcome;
    EXPECT_EQ(k.ending, Ending::kTimeout);
    EXPECT_EQ(s.ending, Ending::kPeer) << endingName(s.ending);
    EXPECT_GT(k.figures.sent, 0u);
    EXPECT_GT(k.figures.good, 0u);
    EXPECT_LE(k.figures.good, s.figures.sent);
    EXPECT_EQ(s.figures.good, k.figures.sent);
    EXPECT_EQ(s.figures.bad + s.figures.lost + k.figures.bad + k.figures.lost, 0u);
}

}  // namespace
