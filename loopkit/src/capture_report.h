// The report file of a capture: a header written at the start, then one record per reported
// frame. Lines end with "\r\n"; the text is the file's format, byte for byte:
//
//   Data Captured by Loopkit start at 2024:5:17:9:3:41          year:month:day:h:m:s, UTC
//   Report Condition: REPORT_ALL                                 (none for other conditions)
//   -----------------------------------------------
//   Frame Number: 7            ("XXX" for a bad frame)
//   IsGood: 1
//   Frame Size: 60
//   Have Lost: 0
//   (quiet kind: an empty line; dump kind: "Frame DATA:" and the frame's hex dump)
//
// The hex dump: "802.3    Dest: FF.FF.FF.FF.FF.FF   Src:  02.00.00.00.00.0A    Length: 24576",
// then one line per 16 bytes, "000010:  24 5A ED ... :  ...    $Z.............", then an empty
// line.
#pragma once

#include <win32/win32.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <span>

namespace loopkit {

enum class RecordKind { Quiet, Dump };

struct FrameRecord {
    bool good;
    uint32_t number;  // the good counter; not written for a bad frame
    uint32_t size;
    uint32_t lost;
};

class ReportFile {
public:
    // Creates or truncates the file and writes the header; on failure the file stays closed.
    bool open(const char* path, int condition, const SYSTEMTIME& start);
    void close() { file_.reset(); }
    bool isOpen() const { return file_ != nullptr; }

    // A frame record; the dump kind carries the frame's hex dump.
    void write(RecordKind kind, const FrameRecord& record, std::span<const uint8_t> frame);

private:
    struct Closer {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };
    std::unique_ptr<std::FILE, Closer> file_;
};

// The header lines of a report file.
void writeReportHeader(std::FILE* file, int condition, const SYSTEMTIME& start);
// The hex dump of a frame (at least 14 bytes), with its closing empty line.
void writeHexDump(std::FILE* file, std::span<const uint8_t> frame);

}  // namespace loopkit
