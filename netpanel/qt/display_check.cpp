#include "qt/display_check.h"

#include <cstdlib>
#include <string_view>

namespace netpanel::qt {

namespace {

bool isSet(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
}

}  // namespace

std::optional<std::string> missingDisplay(std::span<char* const> arguments) {
    if (isSet("DISPLAY") || isSet("WAYLAND_DISPLAY") || isSet("QT_QPA_PLATFORM")) {
        return std::nullopt;
    }
    for (const char* argument : arguments) {
        const std::string_view option = argument != nullptr ? argument : "";
        if (option == "-platform" || option == "--platform") return std::nullopt;
    }
    return "no display found: neither DISPLAY nor WAYLAND_DISPLAY is set. Start it on a desktop, "
           "or run it without a display with QT_QPA_PLATFORM=offscreen (the window is then not "
           "shown and its messages go to standard error).";
}

}  // namespace netpanel::qt
