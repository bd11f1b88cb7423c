#include "shell/ssid_buffer.h"

#include <algorithm>

namespace netpanel {

std::string textToNul(const SsidBuffer& buffer) {
    return std::string(buffer.begin(), std::find(buffer.begin(), buffer.end(), '\0'));
}

bool allNul(const SsidBuffer& buffer) {
    return std::all_of(buffer.begin(), buffer.end(), [](char c) { return c == '\0'; });
}

std::string trimBlanks(const SsidBuffer& buffer) {
    const std::string all(buffer.begin(), buffer.end());
    const size_t first = all.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return all.substr(first, all.find_last_not_of(' ') - first + 1);
}

}  // namespace netpanel
