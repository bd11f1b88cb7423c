// The Security tab's "Apply Changes", "Undo Changes" and "Restore Defaults", and the tab's load
// from the active profile.
#include <algorithm>
#include <utility>

#include "config/profile_store.h"
#include "platform/delay.h"
#include "platform/registry_locations.h"
#include "platform/registry_paths.h"
#include "security/key_bytes.h"
#include "shell/messages.h"
#include "shell/texts.h"
#include "shell/velto.h"

namespace netpanel {
namespace {

constexpr int32_t kApplySettleMs = 2000;

// Whether a key of the cache is blank.
bool anyKeyBlank(const std::array<std::string, 4>& keys) {
    return std::any_of(keys.begin(), keys.end(),
                       [](const std::string& key) { return trimBlanks(key).empty(); });
}

// The driver's WEPStatus for a key-length position: off, 64 bit, 128 bit.
std::string wepStatusText(int position) {
    return position == 1 ? "2" : position == 2 ? "6" : "0";
}

}  // namespace

void Velto::writeWepKeys(const std::array<std::string, 4>& texts, int32_t defaultKey) {
    for (int32_t k = 0; k < 4; ++k) {
        const std::optional<KeyBytes> key = keyBytes(trimBlanks(texts[k]));
        if (!key) continue;  // a key of no valid length is not written
        const bool isDefault = k == defaultKey - 1;
        nicapi_.VBSetWLWriteKey(AdapterInfo, k, key->is128 ? -1 : 0, isDefault ? -1 : 0,
                                key->bytes.data());
        if (isDefault) nicapi_.VBSetWLDefaultKeyID(AdapterInfo, k);
    }
}

void Velto::cmdSecApply_Click() {
    // Nothing reaches the adapter before every typed key passed its check.
    for (int16_t n = 1; n <= 4; ++n) {
        if (gnKeyTyped[n] == 1 && !checkKeyValid(networkKey(n), n)) {
            SubmitSecurity.setEnabled(false);
            return;
        }
    }
    const int position = KeyLength.listIndex();
    if (position > 0 && gnKeyCheckPending == 1 && anyKeyBlank(gstrKeyCache)) {
        host_.beep();
        host_.messageBox("You must key in four key value.", kMessageTitle, ui::MsgIcon::Question,
                         ui::MsgButtons::OK);
        SubmitSecurity.setEnabled(false);
        return;
    }

    host_.setWaitCursor(true);
    if (position <= 0) {
        nicapi_.VBSetWLWEPStatus(AdapterInfo, 0);
    } else {
        nicapi_.VBSetWLWEPStatus(AdapterInfo, 1);
        nicapi_.VBSetWLWEPbit(AdapterInfo, position == 1 ? 0 : 1);
        if (StateFlags[DefaultKeyNo] != 0) {
            gCurSettings.KeyInUse = StateFlags[DefaultKeyNo];
            writeWepKeys(gstrKeyCache, StateFlags[DefaultKeyNo]);
        }
    }
    nicapi_.VBSetWLRestartNIC(AdapterInfo);
    DelayMs(host_.clock(), kApplySettleMs);

    gCurSettings.KeyLength = std::max(position, 0);
    gCurSettings.KeyType = ASCIIOption.value() ? 1 : 0;
    const auto stored = gCurSettings.networkKeys();
    for (int k = 0; k < 4; ++k)
        *stored[k] = gstrKeyCache[k];
    gCurSettings.Ieee8021x = Check802.value();
    gCurSettings.SecurityProfileName = ComboProfileName.text();

    const std::string key = driverKey(isWindows95(), AdapterInfo);
    for (int n = 1; n <= 4; ++n)
        RegWriteString(key + "Keys\\Key" + std::to_string(n), gstrKeyCache[n - 1]);
    ShowKeyMasks();
    std::string defaultKeys;
    const auto keyLength = static_cast<size_t>(std::clamp(gCurSettings.KeyMaxLength, 0, 27));
    for (const FixedText<27>* text : stored)
        defaultKeys += text->text().substr(0, keyLength);
    RegWriteString(key + "WEPDefaultKeyId", std::to_string(gCurSettings.KeyInUse));
    RegWriteString(key + "WEPStatus", wepStatusText(position));
    RegWriteString(key + "WEPDefaultKeys", defaultKeys);

    // A network joined from the survey is no setting of the profile.
    const std::string profile = Profilename.text();
    if (!trimBlanks(profile).empty() && gnSurveyJoined != 1) {
        writeProfileNumber(profile, "KeyInUse", gCurSettings.KeyInUse);
        writeProfileNumber(profile, "Ieee8021x", gCurSettings.Ieee8021x);
        writeProfileText(profile, "SecurityProfileName",
                         gCurSettings.SecurityProfileName.trimmed());
        writeProfileNumber(profile, "DataEncryption", gCurSettings.DataEncryption);
        writeProfileNumber(profile, "KeyLength", gCurSettings.KeyLength);
        writeProfileNumber(profile, "KeyType", gCurSettings.KeyType);
        writeProfileNumber(profile, "KeyMaxLength", gCurSettings.KeyMaxLength);
        for (int k = 0; k < 4; ++k) {
            writeProfileText(profile, "NetworkKey" + std::to_string(k + 1), stored[k]->trimmed());
        }
    }
    host_.setWaitCursor(false);
    gnSurveyJoined = 0;
    cmdSecUndo.setEnabled(false);
    cmdSecApply.setEnabled(false);
    gnKeyTyped.fill(0);
    SubmitSecurity.setEnabled(false);
}

void Velto::cmdSecUndo_Click() {
    SSTab1_Click(0);
}

void Velto::cmdSecRestore_Click() {
    KeyLength.selectIfListed(gDefSettings.KeyLength);
    const auto defaults = std::as_const(gDefSettings).networkKeys();
    for (int k = 0; k < 4; ++k)
        gstrKeyCache[k] = defaults[k]->text();
    Check802.setValue(gDefSettings.Ieee8021x);
    securityChanged();
}

void Velto::disable8021xDetails() {
    for (ui::Control* control : std::initializer_list<ui::Control*>{
             &ComboProfileName, &CmdProfile, &OptEAPMD5, &OptEAPTLS, &OptEAPTTLS, &TextEAPLoginName,
             &CheckEAPPermitPW, &OptEAPInputPW, &OptEAPPromptPW, &OptEAPWinPW, &TextEAPInputPW}) {
        control->setEnabled(false);
    }
}

void Velto::Check802_Click() {
    if (Check802.value() == ui::CheckBox::kUnchecked) disable8021xDetails();
    if (Check802.value() != gCurSettings.Ieee8021x && !SubmitSecurity.enabled()) {
        SubmitSecurity.setEnabled(true);
    }
    securityChanged();
}

void Velto::disable8021x() {
    disable8021xDetails();
    for (ui::Control* control :
         std::initializer_list<ui::Control*>{&Check802, &Label3, &Label4, &Label5}) {
        control->setEnabled(false);
    }
}

void Velto::loadSecurityFrom(const std::string& profile) {
    auto number = [&profile](const char* value) { return readProfileNumber(profile, value); };
    gCurSettings.KeyLength = number("KeyLength");
    KeyLength.selectIfListed(gCurSettings.KeyLength);
    DefaultKey1.setValue(true);
    if (gCurSettings.KeyLength < 1) {
        setWepInterface(false);
    } else {
        setWepInterface(true);
        gCurSettings.KeyType = number("KeyType");
        (gCurSettings.KeyType != 0 ? ASCIIOption : HEXOption).setValue(true);
        gCurSettings.KeyMaxLength = number("KeyMaxLength");
        const auto stored = gCurSettings.networkKeys();
        for (int k = 0; k < 4; ++k) {
            *stored[k] = readProfileText(profile, "NetworkKey" + std::to_string(k + 1));
            gstrKeyCache[k] = stored[k]->text();
        }
        ShowKeyMasks();
        gCurSettings.KeyInUse = number("KeyInUse");
        if (gCurSettings.KeyInUse >= 1 && gCurSettings.KeyInUse <= 4) {
            defaultKey(gCurSettings.KeyInUse).setValue(true);
        }
    }
    gnKeyCheckPending = anyKeyBlank(gstrKeyCache) ? 1 : 0;
}

}  // namespace netpanel
