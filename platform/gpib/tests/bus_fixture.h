// Drives the simulated bus through its C interface with a private configuration and log.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "gpibsim/gpib.h"

#include "support/temp_dir.h"

namespace gpibsim::test {

#ifdef _WIN32
// The C runtime of Windows sets variables with _putenv_s; an empty value removes one.
inline int setenv(const char* name, const char* value, int) {
    return _putenv_s(name, value);
}
inline int unsetenv(const char* name) {
    return _putenv_s(name, "");
}
#endif

inline constexpr int kAnalyser = 20;
inline constexpr int kMeter = 13;
inline constexpr int kOk = GPIBSIM_CMPL | GPIBSIM_CIC;
inline constexpr int kFailed = GPIBSIM_ERR | GPIBSIM_CMPL;
inline constexpr int kTimedOut = GPIBSIM_ERR | GPIBSIM_TIMO | GPIBSIM_CMPL;

class BusFixture : public ::testing::Test {
protected:
    void SetUp() override {
        unsetenv("GPIBSIM_CONFIG");
        unsetenv("GPIBSIM_LOG");
    }

    void TearDown() override {
        for (const int ud : opened_)
            ibonl(ud, 0);
        unsetenv("GPIBSIM_CONFIG");
        unsetenv("GPIBSIM_LOG");
        // Opening a device again lets the bus close its log, which Windows cannot remove open.
        ibonl(ibdev(0, kMeter, 0, 11, 1, 0), 0);
    }

    std::string path(std::string_view name) const { return (dir_ / name).string(); }

    std::string writeFile(std::string_view name, std::string_view text) const {
        std::ofstream(path(name), std::ios::binary) << text;
        return path(name);
    }

    void useConfig(std::string_view text) {
        setenv("GPIBSIM_CONFIG", writeFile("gpibsim.conf", text).c_str(), 1);
    }

    std::string readFile(std::string_view name) const {
        std::ostringstream text;
        text << std::ifstream(path(name), std::ios::binary).rdbuf();
        return text.str();
    }

    // A descriptor for the address, reset when an instrument listens there.
    int open(int pad) {
        const int ud = ibdev(0, pad, 0, 11, 1, 0);
        EXPECT_GE(ud, 0) << "iberr " << ThreadIberr();
        opened_.push_back(ud);
        return ud;
    }

    int openReset(int pad) {
        const int ud = open(pad);
        send(ud, "*RST\n*CLS\n");
        return ud;
    }

    void send(int ud, std::string_view message) {
        EXPECT_EQ(ibwrt(ud, message.data(), static_cast<long>(message.size())), kOk) << message;
    }

    void sendAll(int ud, const std::vector<std::string>& messages) {
        for (const auto& message : messages)
            send(ud, message);
    }

    // The whole pending reply, or nullopt when the read times out.
    static std::optional<std::string> readReply(int ud) {
        std::string reply;
        char buffer[256];
        for (;;) {
            const int status = ibrd(ud, buffer, sizeof buffer);
            if (status & GPIBSIM_ERR) return std::nullopt;
            reply.append(buffer, static_cast<std::size_t>(ThreadIbcntl()));
            if (status & GPIBSIM_END) return reply;
        }
    }

    std::optional<std::string> query(int ud, std::string_view message) {
        send(ud, message);
        return readReply(ud);
    }

    // The numbers of a reply like "2.437E+09;-20.00\n".
    static std::vector<double> numbers(const std::optional<std::string>& reply) {
        std::vector<double> values;
        if (!reply) return values;
        std::istringstream items(*reply);
        for (std::string item; std::getline(items, item, ';');)
            values.push_back(atof(item.c_str()));
        return values;
    }

    testsupport::TempDir temp_;
    const std::filesystem::path& dir_ = temp_.path();
    std::vector<int> opened_;
};

}  // namespace gpibsim::test
