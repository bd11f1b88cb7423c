// The adapter information file KvConfig.ini: which adapters the utility supports and the
// calibration limits of its link display.
//
//   [ADAPTER_INFORMATION]
//   Signal_Strength_Max=0x4B            limits: "0x" and hexadecimal digits
//   Signal_Strength_Min=0x0F
//   Communication_Quality_Max=0x50
//   Communication_Quality_Min=0x0A
//   MatchingDeviceId=PCMCIA\...         hardware identifiers of supported adapters, up to ten
//   [...]                               a line beginning with "[" ends the section
//
// Keys match the exact beginning of a line. The section also ends after 14 recognised keys.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace netpanel {

inline constexpr size_t kMaxMatchingDeviceIds = 10;

struct AdapterInformation {
    int32_t signalStrengthMax = 0;
    int32_t signalStrengthMin = 0;
    int32_t communicationQualityMax = 0;
    int32_t communicationQualityMin = 0;
    std::vector<std::string> matchingDeviceIds;  // in file order; an eleventh is ignored
};

// Reads the text of the file `fileName`. A file without the section, or one that ends inside
// it, gives an error message naming the file and what was missing.
std::variant<AdapterInformation, std::string> readAdapterInformation(std::string_view text,
                                                                     const std::string& fileName);

}  // namespace netpanel
