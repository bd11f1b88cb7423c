#pragma once

#include <cstdint>
#include <string>

namespace netpanel {

// The byte as two upper-case hexadecimal digits: 10 -> "0A", 255 -> "FF".
std::string ByteToHex(uint8_t byte);

}  // namespace netpanel
