#include "report_log.h"

#include <cstdio>

namespace loopkit {
namespace {

constexpr size_t kBytesPerLine = 16;

uint8_t byteAt(std::span<const uint8_t> frame, size_t at) {
    return at < frame.size() ? frame[at] : 0;
}

}  // namespace

std::string dumpLogText(std::span<const uint8_t> frame) {
    char line[128];
    std::string text;
    auto b = [&](size_t at) { return static_cast<unsigned>(byteAt(frame, at)); };
    std::snprintf(line, sizeof line,
                  "802.3    Dest: %2.2X.%2.2X.%2.2X.%2.2X.%2.2X.%2.2X   "
                  "Src:  %2.2X.%2.2X.%2.2X.%2.2X.%2.2X.%2.2X    Length/TYPE: %d\r\n",
                  b(0), b(1), b(2), b(3), b(4), b(5), b(6), b(7), b(8), b(9), b(10), b(11),
                  static_cast<int>(b(12) << 8 | b(13)));
    text += line;
    for (size_t offset = 0; offset < frame.size(); offset += kBytesPerLine) {
        std::snprintf(line, sizeof line, "%6.6X: ", static_cast<unsigned>(offset));
        text += line;
        for (size_t i = 0; i < kBytesPerLine; ++i) {
            if (i == kBytesPerLine / 2) text += " :";
            if (offset + i < frame.size()) {
                std::snprintf(line, sizeof line, " %2.2X", b(offset + i));
                text += line;
            } else {
                text += "   ";
            }
        }
        text += "\r\n";
    }
    text += "\r\n";
    return text;
}

void ReportLog::reset() {
    next_ = 0;
    lostAtLastGood_ = 0;
    waiting_.clear();
}

std::string ReportLog::add(ReportedFrame frame) {
    if (frame.index < next_) return {};  // already logged
    waiting_.insert_or_assign(frame.index, std::move(frame));
    std::string text;
    for (auto it = waiting_.find(next_); it != waiting_.end(); it = waiting_.find(next_)) {
        text += textOf(it->second);
        waiting_.erase(it);
        ++next_;
    }
    return text;
}

std::string ReportLog::textOf(const ReportedFrame& frame) {
    if (frame.dump) return dumpLogText(frame.bytes);
    if (frame.head.IsGood == 0) return "B";
    const uint32_t lost = frame.head.LostCount;
    std::string text(lost > lostAtLastGood_ ? lost - lostAtLastGood_ : 0, 'L');
    lostAtLastGood_ = lost;
    return text + ".";
}

}  // namespace loopkit
