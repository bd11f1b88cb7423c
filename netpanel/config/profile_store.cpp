#include "config/profile_store.h"

#include <algorithm>
#include <cctype>
#include <limits>

#include "platform/registry_locations.h"
#include "platform/registry_paths.h"

namespace netpanel {
namespace {

bool sameIgnoringCase(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](unsigned char x, unsigned char y) {
        return std::tolower(x) == std::tolower(y);
    });
}

}  // namespace

int32_t numberOf(std::string_view text) {
    size_t at = text.find_first_not_of(' ');
    if (at == std::string_view::npos) return 0;
    bool negative = false;
    if (text[at] == '-' || text[at] == '+') negative = text[at++] == '-';
    int64_t value = 0;
    for (; at < text.size() && std::isdigit(static_cast<unsigned char>(text[at])); ++at) {
        value = std::min<int64_t>(value * 10 + (text[at] - '0'), int64_t{1} << 32);
    }
    if (negative) value = -value;
    return static_cast<int32_t>(std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

std::string blankNumber(int32_t value) {
    return value < 0 ? std::to_string(value) : " " + std::to_string(value);
}

std::string profileLinkName(int32_t link) {
    return "ProfileLink " + std::to_string(link);
}

std::string utilityValuePath(std::string_view name) {
    return std::string(kUtilityKey).append(name);
}

int32_t readUtilityNumber(std::string_view name) {
    return numberOf(RegReadValue(utilityValuePath(name)));
}

std::string profileValuePath(std::string_view profile, std::string_view value) {
    return std::string(kUtilityKey).append("Profile\\").append(profile).append("\\").append(value);
}

std::string profileKeyRelative(std::string_view profile) {
    return std::string(kUtilityKeyRelative).append("\\Profile\\").append(profile);
}

std::string readProfileText(std::string_view profile, std::string_view value) {
    return RegReadValue(profileValuePath(profile, value));
}

int32_t readProfileNumber(std::string_view profile, std::string_view value) {
    return numberOf(readProfileText(profile, value));
}

bool writeProfileNumber(std::string_view profile, std::string_view value, int32_t number) {
    if (number < std::numeric_limits<int16_t>::min() ||
        number > std::numeric_limits<int16_t>::max()) {
        return false;
    }
    RegWriteDword(profileValuePath(profile, value), static_cast<int16_t>(number));
    return true;
}

void writeProfileText(std::string_view profile, std::string_view value, std::string_view text) {
    RegWriteString(profileValuePath(profile, value), std::string(text));
}

void writeProfile(std::string_view profile, const AdapterSettings& s) {
    writeProfileText(profile, "SSID", s.SSID.trimmed());
    writeProfileNumber(profile, "Channel", s.Channel);
    writeProfileNumber(profile, "NetworkType", s.NetworkType);
    writeProfileNumber(profile, "PSMode", s.PSMode);
    writeProfileNumber(profile, "TxRate", s.TxRate);
    writeProfileNumber(profile, "DataEncryption", s.DataEncryption);
    writeProfileNumber(profile, "KeyLength", s.KeyLength);
    writeProfileNumber(profile, "KeyType", s.KeyType);
    writeProfileNumber(profile, "KeyMaxLength", s.KeyMaxLength);
    writeProfileNumber(profile, "KeyInUse", s.KeyInUse);
    writeProfileNumber(profile, "Ieee8021x", s.Ieee8021x);
    writeProfileText(profile, "SecurityProfileName", s.SecurityProfileName.trimmed());
    writeProfileText(profile, "NetworkKey1", s.NetworkKey1.trimmed());
    writeProfileText(profile, "NetworkKey2", s.NetworkKey2.trimmed());
    writeProfileText(profile, "NetworkKey3", s.NetworkKey3.trimmed());
    writeProfileText(profile, "NetworkKey4", s.NetworkKey4.trimmed());
    writeProfileNumber(profile, "FragmentThreshold", s.FragmentThreshold);
    writeProfileNumber(profile, "RTSCTSThreshold", s.RTSCTSThreshold);
    writeProfileNumber(profile, "Authentication Mode", s.AuthenticationMode);
    writeProfileNumber(profile, "Pramble", s.Preamble);
}

std::optional<std::string> profileNameProblem(std::string_view name,
                                              const std::vector<std::string>& listed) {
    if (name.find('\\') != std::string_view::npos) {
        return "A profile name cannot contain \"\\\".";
    }
    if (name.find_first_not_of(' ') == std::string_view::npos) {
        return "A profile name cannot be blank.";
    }
    for (const std::string& other : listed) {
        if (other != name && sameIgnoringCase(other, name)) {
            return "The profile \"" + other + "\" already exists. Profile names must differ " +
                   "in more than upper and lower case.";
        }
    }
    return std::nullopt;
}

bool keySharedWithAnother(const std::vector<std::string>& listed, int position) {
    for (int i = 0; i < static_cast<int>(listed.size()); ++i) {
        if (i != position && sameIgnoringCase(listed[i], listed[position])) return true;
    }
    return false;
}

}  // namespace netpanel
