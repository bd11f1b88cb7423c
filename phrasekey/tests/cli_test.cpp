// Runs the phrasekey program and checks what it prints and how it exits.
#include <stdlib.h>
#include <termios.h>

#include "support/run_program.h"

namespace {

using testsupport::Fd;
using testsupport::Outcome;
using testsupport::Program;

Outcome run(const std::vector<std::string>& args, const std::string& input = "") {
    return testsupport::run(PHRASEKEY_CLI_PATH, args, input);
}

std::string keys64(const std::string& hex) {
    std::string text = "64-bit keys:\n";
    for (int key = 0; key < 4; ++key) {
        text += "  Key " + std::to_string(key + 1) + ": " + hex.substr(10 * key, 10) + "\n";
    }
    return text;
}

std::string key128(const std::string& hex) {
    return "128-bit key:\n  Key:   " + hex + "\n";
}

const std::string kAbc64 = "41192b542a6473463ac1f33a3d5a83bd5c452ebd";
const std::string kAbc128 = "efefeedae197ed614b582e1490";
const std::string kSecret64 = "c93ca31ecadc1124096faf8c5062bfdd15219276";
const std::string kSecret128 = "1c064922046d6517dfef3b7ef3";
const std::string kEmpty64 = "2627f6859715ad1dd294ddc476193931f1adb558";
const std::string kNoKey128 = "phrasekey: an empty pass phrase gives no 128-bit key\n";

struct Case {
    const char* name;
    std::vector<std::string> args;
    std::string input;
    int status;
    std::string out;
    std::string err;
};

TEST(PhrasekeyCli, PrintsKeys) {
    const Case cases[] = {
        {"both kinds", {"abc"}, "", 0, keys64(kAbc64) + key128(kAbc128), ""},
        {"64 only", {"--64", "abc"}, "", 0, keys64(kAbc64), ""},
        {"128 only", {"abc", "--128"}, "", 0, key128(kAbc128), ""},
        {"after --",
         {"--", "-abc"},
         "",
         0,
         keys64("566371d6653253869cfde14b3b94fc98b923730e") + key128("5842bf50f62ff488ffd859a7cf"),
         ""},
        {"option after --",
         {"--128", "--", "--64"},
         "",
         0,
         key128("2d061e54dc781fc92948ee368d"),
         ""},
        {"stdin line", {"-"}, "secret\n", 0, keys64(kSecret64) + key128(kSecret128), ""},
        {"stdin CRLF", {"--128", "-"}, "secret\r\n", 0, key128(kSecret128), ""},
        {"stdin no newline", {"--128", "-"}, "secret", 0, key128(kSecret128), ""},
        {"stdin first line only", {"--64", "-"}, "secret\nabc\n", 0, keys64(kSecret64), ""},
        {"stdin after --", {"--64", "--", "-"}, "secret\n", 0, keys64(kSecret64), ""},
        {"empty, 64", {"--64", ""}, "", 0, keys64(kEmpty64), ""},
        {"empty, both", {""}, "", 1, keys64(kEmpty64), kNoKey128},
        {"empty, 128", {"--128", ""}, "", 1, "", kNoKey128},
        {"empty stdin, 128", {"--128", "-"}, "\n", 1, "", kNoKey128},
        {"NUL in stdin",
         {"-"},
         std::string("ab\0c\n", 5),
         1,
         "",
         "phrasekey: the pass phrase contains a NUL byte\n"},
    };
    for (const auto& c : cases) {
        const Outcome outcome = run(c.args, c.input);
        EXPECT_EQ(outcome.status, c.status) << c.name;
        EXPECT_EQ(outcome.out, c.out) << c.name;
        EXPECT_EQ(outcome.err, c.err) << c.name;
    }
}

TEST(PhrasekeyCli, Help) {
    for (const char* option : {"-h", "--help"}) {
        const Outcome outcome = run({"--64", option, "abc"});
        EXPECT_EQ(outcome.status, 0) << option;
        EXPECT_EQ(outcome.out.rfind("Usage: phrasekey", 0), 0u) << option;
        EXPECT_EQ(outcome.err, "") << option;
    }
}

TEST(PhrasekeyCli, UsageErrors) {
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{}, "phrasekey: no pass phrase given\n"},
        {{"--64"}, "phrasekey: no pass phrase given\n"},
        {{"--bogus", "abc"}, "phrasekey: unknown option '--bogus'\n"},
        {{"-x"}, "phrasekey: unknown option '-x'\n"},
        {{"abc", "def"}, "phrasekey: too many arguments\n"},
        {{"--", "abc", "-"}, "phrasekey: too many arguments\n"},
        {{"--64", "--128", "abc"},
         "phrasekey: --64 and --128 exclude each other; give neither for both kinds of key\n"},
    };
    for (const auto& [args, message] : cases) {
        const Outcome outcome = run(args);
        EXPECT_EQ(outcome.status, 2) << message;
        EXPECT_EQ(outcome.out, "") << message;
        EXPECT_EQ(outcome.err.substr(0, message.size()), message);
        EXPECT_NE(outcome.err.find("\nUsage: phrasekey"), std::string::npos) << message;
    }
}

// On a terminal the program prompts on standard error and reads with echo off, then restores it.
TEST(PhrasekeyCli, TerminalPromptsWithoutEcho) {
    Fd master(::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC));
    ASSERT_GE(master.get(), 0);
    ASSERT_EQ(::grantpt(master.get()), 0);
    ASSERT_EQ(::unlockpt(master.get()), 0);
    Fd terminal(::open(::ptsname(master.get()), O_RDWR | O_NOCTTY | O_CLOEXEC));
    ASSERT_GE(terminal.get(), 0);

    Program program(PHRASEKEY_CLI_PATH, {"--128", "-"}, terminal.get());
    ASSERT_TRUE(program.waitForError("Pass phrase: "));
    const std::string typed = "secret\n";
    ASSERT_EQ(::write(master.get(), typed.data(), typed.size()),
              static_cast<ssize_t>(typed.size()));
    const Outcome outcome = program.finish();
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.out, key128(kSecret128));
    EXPECT_EQ(outcome.err, "Pass phrase: \n");

    termios settings{};
    ASSERT_EQ(::tcgetattr(terminal.get(), &settings), 0);
    EXPECT_NE(settings.c_lflag & ECHO, 0u) << "echo not restored";
    ASSERT_EQ(::fcntl(master.get(), F_SETFL, O_NONBLOCK), 0);
    std::array<char, 256> echoed{};
    const ssize_t got = ::read(master.get(), echoed.data(), echoed.size() - 1);
    EXPECT_EQ(std::string(echoed.data(), got > 0 ? got : 0).find("secret"), std::string::npos)
        << "the phrase was echoed";
}

}  // namespace
