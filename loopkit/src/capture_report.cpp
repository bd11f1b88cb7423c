#include "capture_report.h"

#include <loopkit/loopkit.h>

#include <cstddef>

namespace loopkit {
namespace {

constexpr size_t kBytesPerLine = 16;
constexpr size_t kBytesPerHalf = 8;

const char* conditionLine(int condition) {
    switch (condition) {
        case REPORT_ALL:
            return "Report Condition: REPORT_ALL\r\n";
        case REPORT_ONLY_BAD:
            return "Report Condition: REPORT_ONLY_BAD\r\n";
        case REPORT_ONLY_LOST:
            return "Report Condition: REPORT_ONLY_LOST\r\n";
        default:
            return nullptr;
    }
}

// Printable as the "C" locale sees it, whatever locale the host program chose.
bool isPrintable(uint8_t byte) {
    return byte >= 0x20 && byte < 0x7F;
}

char* putCell(char* out, const uint8_t* byte) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    out[0] = ' ';
    out[1] = byte != nullptr ? kHex[*byte >> 4] : ' ';
    out[2] = byte != nullptr ? kHex[*byte & 0x0F] : ' ';
    return out + 3;
}

// "%6.6X: ", eight cells, " :", eight cells, four spaces, sixteen characters, "\r\n".
void writeDumpLine(std::FILE* file, std::span<const uint8_t> frame, size_t offset) {
    char line[96];
    char* out = line + std::snprintf(line, sizeof line, "%6.6X: ", static_cast<unsigned>(offset));
    for (size_t i = 0; i < kBytesPerLine; ++i) {
        if (i == kBytesPerHalf) {
            *out++ = ' ';
            *out++ = ':';
        }
        const size_t at = offset + i;
        out = putCell(out, at < frame.size() ? &frame[at] : nullptr);
    }
    for (int i = 0; i < 4; ++i)
        *out++ = ' ';
    for (size_t i = 0; i < kBytesPerLine; ++i) {
        const size_t at = offset + i;
        *out++ = at < frame.size() && isPrintable(frame[at]) ? static_cast<char>(frame[at]) : '.';
    }
    *out++ = '\r';
    *out++ = '\n';
    std::fwrite(line, 1, static_cast<size_t>(out - line), file);
}

}  // namespace

void writeReportHeader(std::FILE* file, int condition, const SYSTEMTIME& start) {
    std::fprintf(file, "Data Captured by Loopkit start at %d:%d:%d:%d:%d:%d\r\n", start.wYear,
                 start.wMonth, start.wDay, start.wHour, start.wMinute, start.wSecond);
    if (const char* line = conditionLine(condition)) std::fputs(line, file);
    std::fputs("-----------------------------------------------\r\n", file);
}

void writeHexDump(std::FILE* file, std::span<const uint8_t> frame) {
    const uint8_t* f = frame.data();
    std::fprintf(file,
                 "802.3    Dest: %2.2X.%2.2X.%2.2X.%2.2X.%2.2X.%2.2X   "
                 "Src:  %2.2X.%2.2X.%2.2X.%2.2X.%2.2X.%2.2X    Length: %d\r\n",
                 f[0], f[1], f[2], f[3], f[4], f[5], f[6], f[7], f[8], f[9], f[10], f[11],
                 f[12] << 8 | f[13]);
    for (size_t offset = 0; offset < frame.size(); offset += kBytesPerLine)
        writeDumpLine(file, frame, offset);
    std::fputs("\r\n", file);
}

bool ReportFile::open(const char* path, int condition, const SYSTEMTIME& start) {
    // Binary: the records carry their own CR LF, which a text-mode file on Windows would double.
    file_.reset(std::fopen(path, "w+b"));
    if (!file_) return false;
    writeReportHeader(file_.get(), condition, start);
    return true;
}

void ReportFile::write(RecordKind kind, const FrameRecord& record, std::span<const uint8_t> frame) {
    std::FILE* file = file_.get();
    if (file == nullptr) return;
    if (record.good) {
        std::fprintf(file, "Frame Number: %d\r\n", static_cast<int>(record.number));
    } else {
        std::fputs("Frame Number: XXX\r\n", file);
    }
    std::fprintf(file, "IsGood: %d\r\nFrame Size: %d\r\nHave Lost: %d\r\n", record.good ? 1 : 0,
                 static_cast<int>(record.size), static_cast<int>(record.lost));
    if (kind == RecordKind::Quiet) {
        std::fputs("\r\n", file);
        return;
    }
    std::fputs("Frame DATA:\r\n", file);
    writeHexDump(file, frame);
}

}  // namespace loopkit
