// The settings record that configuration and security share, and its fixed-length text fields.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "shell/texts.h"

namespace netpanel {

// A text field of exactly N characters: a longer value is cut, a shorter one padded with blanks.
template <size_t N>
class FixedText {
public:
    FixedText() : text_(N, ' ') {}
    explicit FixedText(std::string_view value) { assign(value); }

    void assign(std::string_view value) {
        text_.assign(value.substr(0, N));
        text_.resize(N, ' ');
    }
    FixedText& operator=(std::string_view value) {
        assign(value);
        return *this;
    }

    // All N characters.
    const std::string& text() const { return text_; }
    // Without leading and trailing blanks.
    std::string trimmed() const { return trimBlanks(text_); }

    bool operator==(const FixedText&) const = default;

private:
    std::string text_;
};

// Every adapter setting, in record order, with the built-in defaults as start values.
struct AdapterSettings {
    int32_t Channel = 6;
    int32_t TxRate = 15;  // rate mask: 1, 2, 4, 8; 15 = all four
    int32_t NetworkType = 1;
    int32_t PSMode = 0;
    int32_t FragmentThreshold = 2305;
    int32_t RTSCTSThreshold = 2305;
    int32_t Preamble = 3;
    int32_t DataEncryption = 0;
    int32_t AuthenticationMode = 3;
    int32_t KeyLength = 0;
    int32_t KeyType = 1;
    int32_t KeyMaxLength = 5;
    int32_t KeyInUse = 1;
    FixedText<32> SSID;
    FixedText<27> NetworkKey1;
    FixedText<27> NetworkKey2;
    FixedText<27> NetworkKey3;
    FixedText<27> NetworkKey4;
    int32_t Ieee8021x = 0;
    FixedText<260> SecurityProfileName;

    // NetworkKey1..4, in key order.
    std::array<FixedText<27>*, 4> networkKeys() {
        return {&NetworkKey1, &NetworkKey2, &NetworkKey3, &NetworkKey4};
    }
    std::array<const FixedText<27>*, 4> networkKeys() const {
        return {&NetworkKey1, &NetworkKey2, &NetworkKey3, &NetworkKey4};
    }

    bool operator==(const AdapterSettings&) const = default;
};

}  // namespace netpanel
