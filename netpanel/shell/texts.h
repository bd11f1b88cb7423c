// Text rules the window's handlers share.
#pragma once

#include <algorithm>
#include <cctype>
#include <string>
#include <string_view>

namespace netpanel {

// Without leading and trailing blanks (only the blank counts, as the utility trims).
inline std::string trimBlanks(std::string_view text) {
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    return std::string(text.substr(first, text.find_last_not_of(' ') - first + 1));
}

inline std::string upperCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

}  // namespace netpanel
