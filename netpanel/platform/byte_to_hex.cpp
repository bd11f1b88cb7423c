#include "byte_to_hex.h"

namespace netpanel {

std::string ByteToHex(uint8_t byte) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    return {kDigits[byte >> 4], kDigits[byte & 0x0F]};
}

}  // namespace netpanel
