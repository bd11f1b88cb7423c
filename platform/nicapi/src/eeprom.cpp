#include "eeprom.h"

#include <algorithm>

namespace nicapi {
namespace {

constexpr uint8_t kErased = 0xFF;
constexpr uint8_t kPlanLength = 3;
constexpr uint8_t kDomainFcc = 0x10;

void append(std::vector<uint8_t>& records, uint8_t tag, std::span<const uint8_t> data) {
    records.push_back(static_cast<uint8_t>(data.size() + 1));
    records.push_back(tag);
    records.insert(records.end(), data.begin(), data.end());
}

std::vector<uint8_t> generatedRecords(const AdapterSpec& adapter) {
    std::vector<uint8_t> records;
    append(records, kTagMacAddress, adapter.mac);
    append(records, kTagFirmwareVersion, adapter.firmwareVersion);
    records.insert(records.end(), {kErased, kErased});
    const uint8_t domain[] = {kDomainFcc, 0x00};
    append(records, kTagRegulatoryDomain, domain);
    const uint8_t plan[] = {static_cast<uint8_t>(adapter.channels & 0xFF),
                            static_cast<uint8_t>(adapter.channels >> 8 & 0x3F)};
    append(records, kTagChannelPlan, plan);
    return records;
}

}  // namespace

EepromKind eepromKindOf(std::string_view hardwareId) {
    const auto startsWith = [hardwareId](std::string_view prefix) {
        return hardwareId.size() >= prefix.size() &&
               equalsIgnoreCase(hardwareId.substr(0, prefix.size()), prefix);
    };
    if (startsWith("PCMCIA")) return EepromKind::kPcCard;
    if (startsWith("USB")) return EepromKind::kUsb;
    return EepromKind::kOther;
}

std::size_t eepromSize(EepromKind kind) {
    return kind == EepromKind::kUsb ? 2048 : 512;
}

std::size_t recordChainOffset(EepromKind kind) {
    return kind == EepromKind::kUsb ? 0x700 : 0x100;
}

std::vector<uint8_t> buildEepromImage(const AdapterSpec& adapter) {
    const EepromKind kind = eepromKindOf(adapter.hardwareId);
    std::vector<uint8_t> image(eepromSize(kind), kErased);
    image[0] = kEepromReadId & 0xFF;
    image[1] = kEepromReadId >> 8;
    image[2] = static_cast<uint8_t>(kind);
    const auto records = adapter.eepromRecords ? *adapter.eepromRecords : generatedRecords(adapter);
    const std::size_t offset = recordChainOffset(kind);
    std::copy_n(records.begin(), std::min(records.size(), image.size() - offset),
                image.begin() + static_cast<std::ptrdiff_t>(offset));
    return image;
}

ChannelSet channelPlanOf(std::span<const uint8_t> image, EepromKind kind) {
    std::size_t pos = recordChainOffset(kind) + 1;
    while (pos < image.size()) {
        const uint8_t length = image[pos - 1];
        if (length == kPlanLength && image[pos] == kTagChannelPlan) {
            if (pos + 2 >= image.size()) return 0;
            return static_cast<ChannelSet>(image[pos + 1] | (image[pos + 2] & 0x3F) << 8);
        }
        pos += length == kErased ? 1 : length + 1;
    }
    return 0;
}

}  // namespace nicapi
