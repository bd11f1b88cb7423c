// The current instrument: the device descriptor opened last, and the exchange of commands and
// replies with it.
#pragma once

#include <optional>
#include <string_view>

namespace labrig {

inline constexpr int kAnalyserAddress = 20;
inline constexpr int kPowerMeterAddress = 13;
inline constexpr int kReplyCapacity = 1024;

// A marker reply: x is the frequency in Hz, y the level in dBm (or the level difference in dB
// for a delta marker).
struct Marker {
    double x = 0;
    double y = 0;
};

// Opens the device at `address` and makes it current: true when it answers a device clear.
bool openInstrument(int address);
// Takes `device` off line, unless it is -1.
void cleanup(int device);
// Takes the current device off line.
void offLine();

// Sends `command` to the current device as exactly its bytes.
void send(std::string_view command);
// Sends each command in turn.
void send(std::initializer_list<std::string_view> commands);
// True when the last bus call succeeded.
bool ok();

// Reads the current device's reply into the reply buffer and returns its text without the
// closing line feed. Nothing when the read failed or returned no bytes; the status then shows
// the error bit.
std::optional<std::string_view> readReply();
// Reads a marker reply "x;y". Nothing when the read failed or the reply lacks either number.
std::optional<Marker> readMarker();
// Sends a marker query and reads its reply.
std::optional<Marker> queryMarker(std::string_view query);

// Sleeps for `ms` milliseconds.
void waitMs(int ms);

}  // namespace labrig
