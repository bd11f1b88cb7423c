// The frame log of the receive dialog, built from the records of a capture's report array in
// record order, whatever order their routines ran in.
//
// Quiet records give one character each: "." for a good frame, preceded by one "L" per frame
// lost since the previous good record; "B" for a bad frame. Dump records give the frame's text
// block (destination, source, length/type, then the bytes in lines of sixteen).
#pragma once

#include <loopkit/loopkit.h>

#include <cstddef>
#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <vector>

namespace loopkit {

inline constexpr char kQuietLogHeader[] = ".:good  B:bad  L:lost \r\n";

// One record of a report array as its routine found it: its position and a copy.
struct ReportedFrame {
    size_t index = 0;
    bool dump = false;
    _Rx_Frame_Report_Quiet head{};
    std::vector<uint8_t> bytes;  // dump records: the frame, FrameSize bytes at most 1516
};

// The text block of one frame in the dump log.
std::string dumpLogText(std::span<const uint8_t> frame);

class ReportLog {
public:
    // A new capture: records start again at index 0.
    void reset();
    // The text that the record adds to the log: nothing while an earlier record is missing;
    // when it closes a gap, the text of every record that can now follow.
    std::string add(ReportedFrame frame);

private:
    std::string textOf(const ReportedFrame& frame);

    size_t next_ = 0;
    uint32_t lostAtLastGood_ = 0;
    std::map<size_t, ReportedFrame> waiting_;
};

}  // namespace loopkit
