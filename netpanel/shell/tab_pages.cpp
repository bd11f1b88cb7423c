// What the tabs show on entry beyond the profile values (the MAC address on Link Info, the
// versions on About), "OK", and the help of each tab.
#include <array>
#include <cstdint>
#include <string>

#include "platform/byte_to_hex.h"
#include "shell/velto.h"

namespace netpanel {
namespace {

constexpr int kLinkInfoTab = 0;
constexpr int kAboutTab = 5;

// The byte in upper-case hexadecimal without leading zeros: 10 -> "A", 0 -> "0".
std::string shortHex(uint8_t byte) {
    const std::string digits = ByteToHex(byte);
    return digits[0] == '0' ? digits.substr(1) : digits;
}

// Four version bytes, first byte first, as "1.2.A.0".
std::string versionText(const std::array<uint8_t, 4>& bytes) {
    std::string text;
    for (uint8_t byte : bytes)
        text += (text.empty() ? "" : ".") + shortHex(byte);
    return text;
}

// The help page of each tab, as the help pages beside the program are named.
constexpr std::array<const char*, 6> kHelpTopics = {"link-info", "configuration", "site-survey",
                                                    "security",  "advanced",      "about"};

}  // namespace

void Velto::showTabExtras(int tab) {
    if (tab == kLinkInfoTab) {
        std::array<uint8_t, 6> mac{};
        if (nicapi_.VBGetNICAdapterMAC(AdapterInfo, mac.data()) != 0) return;
        std::string text;
        for (uint8_t byte : mac)
            text += (text.empty() ? "" : ":") + ByteToHex(byte);
        MACStatus.setText(text);
    } else if (tab == kAboutTab) {
        for (ui::Control* branding :
             std::initializer_list<ui::Control*>{&imgLogo, &Label1, &lblWarning}) {
            branding->setVisible(false);
        }
        const int32_t driver = nicapi_.VBQueryWLDriverVersion(AdapterInfo);
        if (driver != -1) {
            const auto v = static_cast<uint32_t>(driver);
            DriverVersionSN.setCaption(
                versionText({static_cast<uint8_t>(v >> 24), static_cast<uint8_t>(v >> 16),
                             static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v)}));
        }
        std::array<uint8_t, 4> firmware{};
        if (nicapi_.VBQueryWLFirmwareVersion(AdapterInfo, firmware.data()) == 0) {
            FirmwareVersion.setCaption(versionText(firmware));
        }
    }
}

void Velto::Submit_Click() {
    if (!WzcActive) {
        if (cmdConfApply.enabled()) cmdConfApply_Click();
        if (cmdSecApply.enabled()) {
            cmdSecApply_Click();
            // A key that failed its check keeps the button on; its message was shown. Hiding
            // now would lose the user's edits at the next entry of the tab: stay open.
            if (cmdSecApply.enabled()) return;
        }
        if (cmdAdvApply.enabled()) cmdAdvApply_Click();
    }
    hide();
}

void Velto::HelpButton_Click() {
    // The button presses F1 in the window.
    F1Help();
}

void Velto::F1Help() {
    const int tab = SSTab1.tab();
    const bool known = tab >= 0 && tab < static_cast<int>(kHelpTopics.size());
    host_.showHelp(HelpFile, known ? kHelpTopics[static_cast<size_t>(tab)] : "");
}

}  // namespace netpanel
