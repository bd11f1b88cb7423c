#include "summary.h"

#include <rates.h>

#include <cstdio>

namespace loopkit_cli {
namespace {

std::string jsonString(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

uint32_t received(const Figures& f) {
    return f.good + f.bad;
}

std::string field(const char* key, uint64_t value) {
    return std::string(",\"") + key + "\":" + std::to_string(value);
}

// "1.5 MB/s", with decimal units.
std::string byteRate(uint64_t bytesPerSecond) {
    const char* units[] = {"B/s", "kB/s", "MB/s", "GB/s"};
    double value = static_cast<double>(bytesPerSecond);
    size_t unit = 0;
    while (value >= 1000 && unit + 1 < std::size(units)) {
        value /= 1000;
        ++unit;
    }
    char text[32];
    std::snprintf(text, sizeof text, unit == 0 ? "%.0f %s" : "%.1f %s", value, units[unit]);
    return text;
}

std::string rates(const Figures& f) {
    const int64_t total = int64_t{f.good} + f.bad + f.lost;
    return "error rate " + loopkit::perMilleText(f.bad, total, true) + "/1000, lost rate " +
           loopkit::perMilleText(f.lost, total, true) + "/1000";
}

}  // namespace

const char* endingName(Ending ending) {
    switch (ending) {
        case Ending::kDone:
            return "done";
        case Ending::kPeer:
            return "peer";
        case Ending::kIdle:
            return "idle";
        case Ending::kTimeout:
            return "timeout";
        case Ending::kInterrupted:
            return "interrupted";
        case Ending::kLinkFailed:
            return "link-failed";
    }
    return "";
}

uint64_t perSecond(uint64_t count, uint32_t durationMs) {
    return durationMs == 0 ? 0 : count * 1000 / durationMs;
}

std::string summaryText(const Outcome& o) {
    const Figures& f = o.figures;
    std::string text = std::string(modeName(o.mode)) + " " + o.interface + ": ";
    const std::string sent = "sent " + std::to_string(f.sent) + " frames (" +
                             std::to_string(f.sentBytes) + " bytes) in " +
                             std::to_string(f.sendDurationMs) + " ms";
    const std::string got = "good " + std::to_string(f.good) + ", bad " + std::to_string(f.bad) +
                            ", lost " + std::to_string(f.lost) + " (" +
                            std::to_string(f.receivedBytes) + " bytes) in " +
                            std::to_string(f.receiveDurationMs) + " ms";
    const std::string sendRate = std::to_string(perSecond(f.sent, f.sendDurationMs)) +
                                 " frames/s, " + byteRate(perSecond(f.sentBytes, f.sendDurationMs));
    const std::string receiveRate = std::to_string(perSecond(received(f), f.receiveDurationMs)) +
                                    " frames/s, " +
                                    byteRate(perSecond(f.receivedBytes, f.receiveDurationMs));
    switch (o.mode) {
        case Mode::kTx:
            text += sent + ", " + sendRate;
            break;
        case Mode::kRx:
            text += got + ", " + receiveRate + "; " + rates(f);
            break;
        case Mode::kTwoWay:
            text += sent + ", " + sendRate + "; " + got + ", " + receiveRate + "; " + rates(f);
            break;
    }
    return text + "; ended: " + endingName(o.ending);
}

std::string summaryJson(const Outcome& o) {
    const Figures& f = o.figures;
    std::string json =
        "{\"mode\":" + jsonString(modeName(o.mode)) + ",\"interface\":" + jsonString(o.interface);
    switch (o.mode) {
        case Mode::kTx:
            json += field("sent", f.sent) + field("bytes", f.sentBytes) +
                    field("duration_ms", f.sendDurationMs) +
                    field("rate_fps", perSecond(f.sent, f.sendDurationMs));
            break;
        case Mode::kRx:
            json += field("good", f.good) + field("bad", f.bad) + field("lost", f.lost) +
                    field("bytes", f.receivedBytes) + field("duration_ms", f.receiveDurationMs) +
                    field("rate_fps", perSecond(received(f), f.receiveDurationMs));
            break;
        case Mode::kTwoWay:
            json += field("sent", f.sent) + field("good", f.good) + field("bad", f.bad) +
                    field("lost", f.lost) + field("bytes", f.receivedBytes) +
                    field("duration_ms", f.receiveDurationMs) +
                    field("rate_fps", perSecond(received(f), f.receiveDurationMs)) +
                    field("sent_bytes", f.sentBytes) + field("sent_duration_ms", f.sendDurationMs) +
                    field("sent_fps", perSecond(f.sent, f.sendDurationMs));
            break;
    }
    return json + ",\"ended\":" + jsonString(endingName(o.ending)) +
           ",\"exit\":" + std::to_string(exitStatus(o)) + "}";
}

int exitStatus(const Outcome& o) {
    const Figures& f = o.figures;
    const uint64_t counted = uint64_t{f.good} + f.bad + f.lost;
    bool passed = true;
    switch (o.mode) {
        case Mode::kTx:
            passed = o.ending != Ending::kLinkFailed && f.sent > 0 &&
                     (o.asked == 0 || f.sent >= o.asked);
            break;
        case Mode::kRx:
            passed = f.bad == 0 && f.lost == 0 && counted > 0 && counted >= o.asked;
            break;
        case Mode::kTwoWay:
            passed = f.bad == 0 && f.lost == 0 && f.sent > 0 && f.good > 0;
            break;
    }
    return passed ? kExitPassed : kExitFailed;
}

std::string liveText(Mode mode, const Figures& f, const LiveRates& r) {
    const std::string sent =
        "sent " + std::to_string(f.sent) + "  " + byteRate(r.sentBytesPerSecond);
    const std::string got = "good " + std::to_string(f.good) + "  bad " + std::to_string(f.bad) +
                            "  lost " + std::to_string(f.lost) + "  " +
                            byteRate(r.receivedBytesPerSecond);
    const uint32_t seconds = (mode == Mode::kRx ? f.receiveDurationMs : f.sendDurationMs) / 1000;
    switch (mode) {
        case Mode::kTx:
            return sent + "  " + std::to_string(seconds) + " s";
        case Mode::kRx:
            return got + "  " + std::to_string(seconds) + " s";
        case Mode::kTwoWay:
            return sent + "  |  " + got + "  " + std::to_string(seconds) + " s";
    }
    return {};
}

}  // namespace loopkit_cli
