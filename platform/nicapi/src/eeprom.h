// The adapter's EEPROM image: a header, then from the chain offset on a chain of records
// [length][tag][data...] (length counts the tag and the data; a 0xFF byte is skipped on its
// own). The record of length 3 and tag 6 is the channel plan: bit b of its first data byte
// allows channel b+1 (b = 0..7), bit b of the second byte channel b+9 (b = 0..5).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "environment.h"

namespace nicapi {

// Image kinds, as VBWLReadEEPROM takes them.
enum class EepromKind : int32_t { kPcCard = 1, kOther = 2, kUsb = 3 };

inline constexpr int32_t kEepromReadId = 0x1201;

enum EepromTag : uint8_t {
    kTagMacAddress = 1,
    kTagFirmwareVersion = 2,
    kTagRegulatoryDomain = 5,
    kTagChannelPlan = 6,
};

// PC Card for "PCMCIA\...", USB for "USB\...", any other bus otherwise (case-insensitive).
EepromKind eepromKindOf(std::string_view hardwareId);
std::size_t eepromSize(EepromKind kind);
std::size_t recordChainOffset(EepromKind kind);

// The image of the adapter: its own records when the environment gives them, otherwise MAC
// address, firmware version, a few erased bytes, regulatory domain and channel plan.
std::vector<uint8_t> buildEepromImage(const AdapterSpec& adapter);

// Walks the record chain; no channel-plan record gives no channels.
ChannelSet channelPlanOf(std::span<const uint8_t> image, EepromKind kind);

}  // namespace nicapi
