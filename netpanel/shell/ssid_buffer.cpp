#include "shell/ssid_buffer.h"

#include <algorithm>

#include "shell/texts.h"

namespace netpanel {

std::string textToNul(const SsidBuffer& buffer) {
    return std::string(buffer.begin(), std::find(buffer.begin(), buffer.end(), '\0'));
}

bool allNul(const SsidBuffer& buffer) {
    return std::all_of(buffer.begin(), buffer.end(), [](char c) { return c == '\0'; });
}

std::string trimBlanks(const SsidBuffer& buffer) {
    return trimBlanks(std::string_view(buffer.data(), buffer.size()));
}

std::string configuredSsidText(const SsidBuffer& buffer) {
    std::string text = textToNul(buffer);
    return trimBlanks(text).size() == buffer.size() ? "Any" : text;
}

}  // namespace netpanel
