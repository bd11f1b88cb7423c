// The command as a user runs it: the manual, usage errors, exit statuses and a stop by signal.
#include <signal.h>

#include <gtest/gtest.h>

#include <support/run_program.h>

namespace {

using testsupport::Outcome;

Outcome loopkit(const std::vector<std::string>& args) {
    return testsupport::run(LOOPKIT_CLI_PATH, args);
}

TEST(Program, TheManualGoesToStandardOutput) {
    const struct {
        std::vector<std::string> args;
        std::vector<const char*> present;
        std::vector<const char*> absent;
    } cases[] = {
        {{"--help"},
         {"NAME\n", "SYNOPSIS\n", "DESCRIPTION\n", "OPTIONS\n", "EXIT STATUS\n", "EXAMPLES\n",
          "loopkit tx IFACE", "loopkit rx IFACE", "loopkit 2way IFACE", "--condition C"},
         {}},
        {{"tx", "--help"},
         {"loopkit tx IFACE", "--pattern CODE", "EXIT STATUS\n"},
         {"loopkit rx IFACE", "--condition"}},
        {{"2way", "eth1", "-h"}, {"loopkit 2way IFACE", "--server"}, {"loopkit tx IFACE"}},
    };
    for (const auto& c : cases) {
        const Outcome o = loopkit(c.args);
        EXPECT_EQ(o.status, 0);
        EXPECT_EQ(o.err, "");
        for (const char* text : c.present)
            EXPECT_NE(o.out.find(text), std::string::npos) << c.args[0] << ": " << text;
        for (const char* text : c.absent)
            EXPECT_EQ(o.out.find(text), std::string::npos) << c.args[0] << ": " << text;
    }
}

TEST(Program, StatusesOfUsageErrorsAndUnusableInterfaces) {
    const struct {
        std::vector<std::string> args;
        int status;
        const char* err;
    } cases[] = {
        {{}, 2, "loopkit: no mode given: tx, rx or 2way\nTry 'loopkit --help'.\n"},
        {{"rx", "eth1", "--frames", "many"},
         2,
         "loopkit: --frames takes a count from 0 to 4294967295, not 'many'\n"
         "Try 'loopkit rx --help'.\n"},
        {{"tx", "no-such-if0"},
         3,
         "loopkit: cannot open no-such-if0: no such interface (No such device)\n"},
    };
    for (const auto& c : cases) {
        const Outcome o = loopkit(c.args);
        EXPECT_EQ(o.status, c.status);
        EXPECT_EQ(o.err, c.err);
        EXPECT_EQ(o.out, "");
    }
}

TEST(Program, OneSummaryLineOnStandardOutput) {
    // Nobody listens on the medium: the frames leave all the same.
    Outcome o = loopkit({"tx", "mem:alone", "--frames", "20", "--json"});
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(o.out.rfind(R"({"mode":"tx","interface":"mem:alone","sent":20,"bytes":30280,)", 0),
              0u)
        << o.out;
    EXPECT_EQ(o.out.find('\n'), o.out.size() - 1);
    o = loopkit({"rx", "mem:alone", "--timeout", "0.2"});
    EXPECT_EQ(o.status, 1);  // nothing counted
    EXPECT_EQ(o.out.rfind("rx mem:alone: good 0, bad 0, lost 0", 0), 0u) << o.out;
    EXPECT_EQ(o.err, "loopkit: receiving on mem:alone\n");  // no live line without a terminal
}

TEST(Program, SignalsStopTheRunWhichStillReports) {
    for (int signal : {SIGINT, SIGTERM}) {
        auto [inRead, inWrite] = testsupport::makePipe();
        testsupport::Program program(LOOPKIT_CLI_PATH, {"tx", "mem:s", "--frames", "0", "--json"},
                                     inRead.get());
        ASSERT_TRUE(program.waitForError("sending on mem:s"));
        ASSERT_EQ(kill(program.pid(), signal), 0);
        const Outcome o = program.finish();
        EXPECT_NE(o.out.find(R"("ended":"interrupted")"), std::string::npos) << o.out;
        // Until stopped, any number of frames passes; none at all (a stop before the first
        // left) fails.
        const bool none = o.out.find(R"("sent":0,)") != std::string::npos;
        EXPECT_NE(o.out.find(none ? R"("exit":1})" : R"("exit":0})"), std::string::npos) << o.out;
        EXPECT_EQ(o.status, none ? 1 : 0);
    }
}

}  // namespace
