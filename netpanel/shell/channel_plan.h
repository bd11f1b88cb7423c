// The channel plan in an adapter's EEPROM image.
//
// The image is a chain of records [length][tag][data ...], the length byte counting tag and data;
// a length byte 0xFF is skipped alone. The channel-plan record has length 3 and tag 6; its two
// data bytes allow channels: bit b of the first allows channel b + 1 (b = 0..7), bit b of the
// second channel b + 9 (b = 0..5).
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace netpanel {

struct ChannelPlan {
    uint8_t low = 0;   // channels 1..8
    uint8_t high = 0;  // channels 9..14
};

// Walks the records of the first `length` bytes of `image` from the length byte at
// `firstRecord`; without a channel-plan record both bytes are 0. Bytes past the image read as 0.
ChannelPlan findChannelPlan(std::span<const uint8_t> image, int firstRecord, int length);

// The channels a plan allows, in ascending order.
std::vector<int> allowedChannels(ChannelPlan plan);

}  // namespace netpanel
