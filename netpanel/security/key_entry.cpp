// The "WEP Key Entry" frame of the Security tab: key length and type, the four keys behind their
// masks, the default key, and the check of a typed key.
#include <algorithm>
#include <cctype>
#include <utility>

#include "security/key_text.h"
#include "shell/messages.h"
#include "shell/velto.h"

namespace netpanel {
namespace {

constexpr int kInterimMaskLength = 14;  // shown right after the key length changed
constexpr int kFirstCharacterKey = 48;  // key codes below it (Tab, arrows, ...) type nothing

// Characters per key: 64 or 128 bit, ASCII or hexadecimal.
int keyLengthFor(int position, bool ascii) {
    if (position == 1) return ascii ? 5 : 10;
    return ascii ? 13 : 26;
}

bool allHexDigits(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](unsigned char c) { return std::isxdigit(c) != 0; });
}

}  // namespace

ui::TextBox& Velto::networkKey(int n) {
    ui::TextBox* const boxes[] = {&NetworkKey1, &NetworkKey2, &NetworkKey3, &NetworkKey4};
    return *boxes[std::clamp(n, 1, 4) - 1];
}

ui::OptionButton& Velto::defaultKey(int n) {
    ui::OptionButton* const options[] = {&DefaultKey1, &DefaultKey2, &DefaultKey3, &DefaultKey4};
    return *options[std::clamp(n, 1, 4) - 1];
}

void Velto::securityChanged() {
    cmdSecUndo.setEnabled(true);
    cmdSecApply.setEnabled(true);
}

bool Velto::checkKeyValid(ui::TextBox& ocontrol, int16_t keyid) {
    const std::string& text = ocontrol.text();
    // A box that shows a mask still holds the key it had.
    if (isKeyMask(text)) return true;
    const int position = KeyLength.listIndex();
    const bool ascii = ASCIIOption.value();
    auto reject = [&](const std::string& message) {
        ocontrol.setFocus();
        host_.messageBox(message, kMessageTitle, ui::MsgIcon::None, ui::MsgButtons::OK);
        return false;
    };
    auto lengthRule = [&](const char* rule) {
        return reject(std::string(rule) + "\r\nPlease re-enter Key " + std::to_string(keyid) +
                      " .");
    };

    std::string key = text;
    if (ascii) {
        // The adapter takes 8-bit characters; a blank at either end would be trimmed away when
        // the key is stored, leaving a key of another length.
        const std::optional<std::string> bytes = latin1Key(text);
        const bool storable =
            bytes && (bytes->empty() || (bytes->front() != ' ' && bytes->back() != ' '));
        if (position == 1 && (!storable || bytes->size() != 5)) {
            return lengthRule("Standard keys should be 5 alphanumeric character.");
        }
        if (position == 2 && (!storable || bytes->size() != 13)) {
            return lengthRule("Standard keys should be 13 alphanumeric character.");
        }
        if (position == 1 || position == 2)
            gCurSettings.KeyMaxLength = keyLengthFor(position, true);
        if (bytes) key = *bytes;
    } else {
        if (position == 1 && text.size() != 10) {
            return lengthRule("Standard keys should be 10 hexadecimal digits.");
        }
        if (position == 2 && text.size() != 26) {
            return lengthRule("Standard keys should be 26 hexadecimal digits.");
        }
        if (position == 1 || position == 2)
            gCurSettings.KeyMaxLength = keyLengthFor(position, false);
        if (!allHexDigits(text)) {
            return reject("Invalid character,please input Key " + std::to_string(keyid) +
                          " again!");
        }
    }
    gstrKeyCache[keyid - 1] = key;
    return true;
}

void Velto::setWepInterface(bool bVisable) {
    for (ui::Control* control : std::initializer_list<ui::Control*>{
             &HEXOption, &ASCIIOption, &DefaultKey1, &NetworkKey1, &DefaultKey2, &NetworkKey2,
             &DefaultKey3, &NetworkKey3, &DefaultKey4, &NetworkKey4, &AuthMode}) {
        control->setEnabled(bVisable);
    }
}

void Velto::ShowKeyMasks() {
    const int position = KeyLength.listIndex();
    if (position != 1 && position != 2) return;
    const int length = keyLengthFor(position, ASCIIOption.value());
    for (int n = 1; n <= 4; ++n) {
        networkKey(n).setMaxLength(length);
        networkKey(n).setText(keyMask(length));
    }
}

void Velto::SelectAllText(ui::TextBox& box) {
    box.setSelection(0, static_cast<int>(box.text().size()));
}

void Velto::UnmaskOnKeyDown(ui::TextBox& box, int keyCode, int /*shift*/) {
    if (keyCode >= kFirstCharacterKey) box.setPasswordChar(0);
}

void Velto::KeyLength_GotFocus() {
    gnPrevKeyLength = static_cast<int16_t>(KeyLength.listIndex());
}

// Runs also while the program fills the controls.
void Velto::KeyLength_Click() {
    for (int n = 1; n <= 4; ++n)
        networkKey(n).setText(keyMask(kInterimMaskLength));
    const int position = KeyLength.listIndex();
    if (position == 0) setWepInterface(false);
    if (position == 1 || position == 2) {
        setWepInterface(true);
        gnKeyCheckPending = 1;
        gstrKeyCache.fill("");
    }
    if (position != gCurSettings.KeyLength && !SubmitSecurity.enabled()) {
        SubmitSecurity.setEnabled(true);
    }
    ShowKeyMasks();
    securityChanged();
}

void Velto::keyTypeChanged(int32_t keyType) {
    if (StateFlags[UpdatingUi] != 0) return;
    ShowKeyMasks();
    gnKeyCheckPending = 1;
    gCurSettings.KeyType = keyType;
    gstrKeyCache.fill("");
    securityChanged();
}

void Velto::ASCIIOption_Click() {
    keyTypeChanged(1);
}

void Velto::HEXOption_Click() {
    keyTypeChanged(0);
}

void Velto::DefaultKeyN_Click(int n) {
    if (StateFlags[UpdatingUi] != 0 || !defaultKey(n).enabled()) return;
    StateFlags[DefaultKeyNo] = static_cast<int16_t>(n);
    networkKey(n).setFocus();
    gCurSettings.KeyInUse = n;
    securityChanged();
}

void Velto::NetworkKeyN_GotFocus(int n) {
    SelectAllText(networkKey(n));
}

void Velto::NetworkKeyN_KeyDown(int n, int keyCode, int shift) {
    gnKeyTyped[n] = 1;
    UnmaskOnKeyDown(networkKey(n), keyCode, shift);
}

void Velto::NetworkKeyN_Change(int n) {
    const auto stored = std::as_const(gCurSettings).networkKeys();
    const bool updating = StateFlags[UpdatingUi] != 0;
    // Key 1 ignores the program's own changes completely; keys 2..4 only for "Submit".
    if (updating && n == 1) return;
    if (!updating) {
        if (networkKey(n).text() != stored[n - 1]->text() && !SubmitSecurity.enabled()) {
            SubmitSecurity.setEnabled(true);
        }
        // A key pasted with the mouse presses no key: the change itself marks it typed.
        gnKeyTyped[n] = 1;
    }
    gnKeyCheckPending = 1;
    securityChanged();
}

}  // namespace netpanel
