#include "shell/channel_plan.h"

namespace netpanel {

ChannelPlan findChannelPlan(std::span<const uint8_t> image, int firstRecord, int length) {
    auto at = [&image](int index) -> int {
        return index >= 0 && static_cast<size_t>(index) < image.size() ? image[index] : 0;
    };
    // pos is the offset of a record's tag byte; its length byte sits just before it.
    for (int pos = firstRecord + 1; pos <= length - 1;) {
        const int recordLength = at(pos - 1);
        if (recordLength == 3 && at(pos) == 6) {
            return {static_cast<uint8_t>(at(pos + 1)), static_cast<uint8_t>(at(pos + 2))};
        }
        pos += recordLength == 0xFF ? 1 : recordLength + 1;
    }
    return {};
}

std::vector<int> allowedChannels(ChannelPlan plan) {
    std::vector<int> channels;
    for (int bit = 0; bit < 8; ++bit) {
        if (plan.low & (1 << bit)) channels.push_back(bit + 1);
    }
    for (int bit = 0; bit < 6; ++bit) {
        if (plan.high & (1 << bit)) channels.push_back(bit + 9);
    }
    return channels;
}

}  // namespace netpanel
