#include "instrument.h"

#include <array>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "gpib_binding.h"

namespace labrig {
namespace {

// ibdev arguments besides the address: board 0, no secondary address, time-out code 13 (10 s),
// EOI at the end of each write, no end-of-string character.
constexpr int kBoard = 0;
constexpr int kNoSecondary = 0;
constexpr int kTimeout10s = 13;
constexpr int kSendEoi = 1;
constexpr int kNoEos = 0;

struct Module {
    int device = 0;
    std::array<char, kReplyCapacity> reply{};
};

Module& module() {
    static Module instance;
    return instance;
}

// Marks the last exchange as failed, for replies that the bus delivered but that cannot be used.
std::nullopt_t failedRead() {
    busStatus().ibsta |= kErr;
    return std::nullopt;
}

// The next non-empty ';'-separated token of `text` (the tokens strtok would give).
std::optional<std::string_view> nextToken(std::string_view& text) {
    size_t start = text.find_first_not_of(';');
    if (start == std::string_view::npos) return std::nullopt;
    text.remove_prefix(start);
    size_t end = text.find(';');
    std::string_view token = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end);
    return token;
}

double toNumber(std::string_view token) {
    return std::atof(std::string(token).c_str());
}

}  // namespace

bool openInstrument(int address) {
    Module& m = module();
    m.device = ibdev(kBoard, address, kNoSecondary, kTimeout10s, kSendEoi, kNoEos);
    ibclr(m.device);
    if (ok()) return true;
    cleanup(m.device);
    return false;
}

void cleanup(int device) {
    if (device != -1) ibonl(device, 0);
}

void offLine() {
    ibonl(module().device, 0);
}

void send(std::string_view command) {
    ibwrt(module().device, command.data(), static_cast<long>(command.size()));
}

void send(std::initializer_list<std::string_view> commands) {
    for (std::string_view command : commands)
        send(command);
}

bool ok() {
    return (busStatus().ibsta & kErr) == 0;
}

std::optional<std::string_view> readReply() {
    Module& m = module();
    ibrd(m.device, m.reply.data(), kReplyCapacity);
    long count = busStatus().ibcntl;
    if (!ok()) return std::nullopt;
    if (count <= 0 || count > kReplyCapacity) return failedRead();
    m.reply[count - 1] = '\0';  // the instrument's closing line feed
    return std::string_view(m.reply.data());
}

std::optional<Marker> readMarker() {
    std::optional<std::string_view> reply = readReply();
    if (!reply) return std::nullopt;
    std::optional<std::string_view> x = nextToken(*reply);
    std::optional<std::string_view> y = x ? nextToken(*reply) : std::nullopt;
    if (!y) return failedRead();
    return Marker{toNumber(*x), toNumber(*y)};
}

std::optional<Marker> queryMarker(std::string_view query) {
    send(query);
    return readMarker();
}

void waitMs(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

}  // namespace labrig
