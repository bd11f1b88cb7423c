// Whether Qt will find a display. Without one, and without a platform chosen for it, Qt aborts
// with advice that does not fit; the program says instead how to run without a display.
#pragma once

#include <optional>
#include <span>
#include <string>

namespace netpanel::qt {

// Nothing when the environment names a display (DISPLAY, WAYLAND_DISPLAY) or a platform
// (QT_QPA_PLATFORM, or -platform among `arguments`); otherwise what to tell the person.
std::optional<std::string> missingDisplay(std::span<char* const> arguments);

}  // namespace netpanel::qt
