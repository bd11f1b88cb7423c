// The Security tab: the check of a typed key, apply to the adapter, the driver key and the
// profile, the four-keys rule, and the tab's load from the profile.
#include "config/tests/config_fixture.h"

namespace netpanel::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

class Security : public ConfigTest {
protected:
    // The Security tab of a started window, WEP at `position` with keys typed as `ascii` or not.
    Velto& open(int position, bool ascii, const ProfileValues& values = {}) {
        Velto& velto = startWith({"Default"}, values);
        velto.SSTab1.setTab(3);
        velto.KeyLength.userSelect(position);
        (ascii ? velto.ASCIIOption : velto.HEXOption).userClick();
        fakeClearCalls();
        host_.clear();
        return velto;
    }
    // A person types `text` into key box n: a key press, then the new text.
    void typeKey(int n, const std::string& text) {
        ui::TextBox& box = velto_->networkKey(n);
        box.userKeyDown(65, 0);
        box.userType(text);
    }
};

struct KeyCheck {
    const char* name;
    int position;  // of KeyLength
    bool ascii;
    std::string typed;
    std::string message;  // "" when accepted
    std::string cached;   // the cache entry after the check
};

class KeyChecks : public Security, public ::testing::WithParamInterface<KeyCheck> {};

TEST_P(KeyChecks, AcceptOrExplain) {
    const KeyCheck& c = GetParam();
    Velto& velto = open(c.position, c.ascii);
    velto.gstrKeyCache[1] = "before";
    velto.gCurSettings.KeyMaxLength = 99;
    velto.NetworkKey2.setText(c.typed);  // also where no person could type it (Disable)
    EXPECT_EQ(velto.checkKeyValid(velto.NetworkKey2, 2), c.message.empty());
    if (c.message.empty()) {
        EXPECT_THAT(host_.messages, IsEmpty());
    } else {
        ASSERT_EQ(host_.messages.size(), 1u);
        EXPECT_EQ(host_.messages[0].text, c.message);
        EXPECT_EQ(host_.messages[0].buttons, ui::MsgButtons::OK);
    }
    EXPECT_EQ(velto.gstrKeyCache[1], c.cached);
}

const std::string kLength13 =
    "Standard keys should be 13 alphanumeric character.\r\nPlease re-enter Key 2 .";
const std::string kLength5 =
    "Standard keys should be 5 alphanumeric character.\r\nPlease re-enter Key 2 .";
const std::string kBadHex = "Invalid character,please input Key 2 again!";

INSTANTIATE_TEST_SUITE_P(
    Security, KeyChecks,
    ::testing::Values(KeyCheck{"Ascii64", 1, true, "ab de", "", "ab de"},
                      KeyCheck{"Ascii128", 2, true, "abcdefghijklm", "", "abcdefghijklm"},
                      KeyCheck{"AsciiOf64Under128", 2, true, "abcde", kLength13, "before"},
                      KeyCheck{"Latin1Character", 1, true,
                               "\xC3\xA4"
                               "bcde",
                               "",
                               "\xE4"
                               "bcde"},
                      KeyCheck{"CharacterWithout8BitCode", 1, true,
                               "\xE2\x82\xAC"
                               "bcde",
                               kLength5, "before"},
                      KeyCheck{"BlankAtTheEnd", 1, true, "abcd ", kLength5, "before"},
                      KeyCheck{"HexBothCases", 1, false, "0A1b2C3d4E", "", "0A1b2C3d4E"},
                      KeyCheck{"Hex128", 2, false, "000102030405060708090a0b0c", "",
                               "000102030405060708090a0b0c"},
                      KeyCheck{"HexWithG", 1, false, "0A1b2C3d4g", kBadHex, "before"},
                      KeyCheck{"HexLength", 1, false, "0A1b2C3d4",
                               "Standard keys should be 10 hexadecimal "
                               "digits.\r\nPlease re-enter Key 2 .",
                               "before"},
                      KeyCheck{"MaskIsUnchanged", 1, true, "*****", "", "before"},
                      KeyCheck{"InterimMaskIsUnchanged", 2, false, std::string(14, '*'), "",
                               "before"},
                      KeyCheck{"TextAfterAMaskIsChecked", 1, true, "*****xy", kLength5, "before"},
                      KeyCheck{"DisableChecksHexCharactersOnly", 0, false, "xy", kBadHex, "before"},
                      KeyCheck{"DisableAcceptsAnyLengthOfHex", 0, false, "0a1", "", "0a1"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Security, HexUnderDisableLeavesTheKeyLengthAsItWas) {
    Velto& velto = open(0, false);
    velto.gCurSettings.KeyMaxLength = 13;
    typeKey(1, "0a1");
    EXPECT_TRUE(velto.checkKeyValid(velto.NetworkKey1, 1));
    EXPECT_EQ(velto.gCurSettings.KeyMaxLength, 13);
}

TEST_F(Security, ApplyWritesFourKeysWithTheDefaultOneAndTheRegistry) {
    Velto& velto = open(1, true);
    for (int n = 1; n <= 4; ++n)
        typeKey(n, std::string("key") + char('0' + n) + "x");
    velto.DefaultKey2.userClick();
    velto.cmdSecApply.userClick();

    EXPECT_THAT(sets(), ElementsAre("VBSetWLWEPStatus @0001 1", "VBSetWLWEPbit @0001 0",
                                    "VBSetWLWriteKey @0001 0 0 0 6B657931780000000000000000",
                                    "VBSetWLWriteKey @0001 1 0 -1 6B657932780000000000000000",
                                    "VBSetWLDefaultKeyID @0001 1",
                                    "VBSetWLWriteKey @0001 2 0 0 6B657933780000000000000000",
                                    "VBSetWLWriteKey @0001 3 0 0 6B657934780000000000000000",
                                    "VBSetWLRestartNIC @0001"));
    EXPECT_EQ(driverValue("WEPStatus"), "2");
    EXPECT_EQ(driverValue("WEPDefaultKeyId"), "2");
    EXPECT_EQ(driverValue("WEPDefaultKeys"), "key1xkey2xkey3xkey4x");
    EXPECT_EQ(driverValue("Keys\\Key3"), "key3x");
    EXPECT_EQ(profileValue("Default", "NetworkKey4"), "key4x");
    EXPECT_EQ(profileValue("Default", "KeyInUse"), "2");
    EXPECT_EQ(profileValue("Default", "KeyLength"), "1");
    EXPECT_EQ(profileValue("Default", "KeyMaxLength"), "5");
    EXPECT_EQ(host_.testClock().slept() >= 2000ms, true);
    EXPECT_EQ(velto.NetworkKey1.text(), "*****");  // back behind the mask
    EXPECT_FALSE(velto.cmdSecApply.enabled());
    EXPECT_THAT(velto.gnKeyTyped, ElementsAre(0, 0, 0, 0, 0));
}

TEST_F(Security, HexPairsOf128BitsGiveTheirBytes) {
    Velto& velto = open(2, false);
    for (int n = 1; n <= 4; ++n)
        typeKey(n, "000102030405060708090a0B0C");
    velto.cmdSecApply.userClick();
    EXPECT_EQ(sets()[2], "VBSetWLWriteKey @0001 0 -1 -1 000102030405060708090A0B0C");
    EXPECT_EQ(driverValue("WEPStatus"), "6");
}

TEST_F(Security, DisableSendsNoKeysButWritesTheDriverValues) {
    Velto& velto = open(0, true, {{"KeyMaxLength", int16_t{5}}});
    velto.gstrKeyCache = {"abcde", "", "", ""};
    velto.cmdSecApply.userClick();
    EXPECT_THAT(sets(), ElementsAre("VBSetWLWEPStatus @0001 0", "VBSetWLRestartNIC @0001"));
    EXPECT_EQ(driverValue("WEPStatus"), "0");
    EXPECT_EQ(driverValue("Keys\\Key1"), "abcde");
    EXPECT_EQ(driverValue("WEPDefaultKeys"), "abcde" + std::string(15, ' '));
}

TEST_F(Security, AfterATypeChangeAllFourKeysMustBeTypedAgain) {
    Velto& velto = open(1, true);
    for (int n = 1; n <= 4; ++n)
        typeKey(n, "abcde");
    velto.cmdSecApply.userClick();
    fakeClearCalls();
    host_.clear();
    velto.HEXOption.userClick();
    typeKey(1, "0123456789");
    velto.cmdSecApply.userClick();
    EXPECT_THAT(host_.log, ElementsAre("beep", "message You must key in four key value."));
    EXPECT_THAT(sets(), IsEmpty());
    EXPECT_FALSE(velto.SubmitSecurity.enabled());
}

TEST_F(Security, APastedKeyIsCheckedLikeATypedOne) {
    Velto& velto = open(1, true);
    velto.NetworkKey1.userType("abc");  // no key pressed
    velto.cmdSecApply.userClick();
    ASSERT_EQ(host_.messages.size(), 1u);
    EXPECT_EQ(host_.messages[0].text,
              "Standard keys should be 5 alphanumeric character.\r\nPlease re-enter Key 1 .");
    EXPECT_THAT(sets(), IsEmpty());
}

TEST_F(Security, AJoinFromTheSurveyIsNoSettingOfTheProfile) {
    Velto& velto = open(1, true);
    for (int n = 1; n <= 4; ++n)
        typeKey(n, "abcde");
    velto.gnSurveyJoined = 1;
    velto.cmdSecApply.userClick();
    EXPECT_EQ(driverValue("Keys\\Key1"), "abcde");
    EXPECT_EQ(profileValue("Default", "NetworkKey1"), "");
    EXPECT_EQ(velto.gnSurveyJoined, 0);
}

TEST_F(Security, TheTabShowsTheProfilesKeysBehindMasks) {
    Velto& velto =
        startWith({"Default"}, {{"KeyLength", int16_t{2}},
                                {"KeyType", int16_t{0}},
                                {"KeyMaxLength", int16_t{26}},
                                {"KeyInUse", int16_t{3}},
                                {"NetworkKey1", std::string("00112233445566778899aabbcc")},
                                {"NetworkKey2", std::string("")}});
    velto.SSTab1.setTab(3);
    EXPECT_EQ(velto.KeyLength.text(), "128 Bit");
    EXPECT_TRUE(velto.HEXOption.value());
    EXPECT_TRUE(velto.DefaultKey3.value());
    EXPECT_EQ(velto.NetworkKey1.text(), std::string(26, '*'));
    EXPECT_EQ(velto.NetworkKey1.maxLength(), 26);
    EXPECT_EQ(trimBlanks(velto.gstrKeyCache[0]), "00112233445566778899aabbcc");
    EXPECT_EQ(velto.gnKeyCheckPending, 1);  // key 2 is blank
    EXPECT_TRUE(velto.AuthMode.enabled());
    EXPECT_FALSE(velto.Check802.enabled());
    EXPECT_FALSE(velto.cmdSecApply.enabled());

    velto.NetworkKey2.userKeyDown(9, 0);  // Tab: typed, still masked
    EXPECT_EQ(velto.gnKeyTyped[2], 1);
    EXPECT_EQ(velto.NetworkKey2.passwordChar(), '*');
    velto.NetworkKey2.userKeyDown(65, 0);
    EXPECT_EQ(velto.NetworkKey2.passwordChar(), 0);  // a typed key shows in clear
}

}  // namespace
}  // namespace netpanel::testing
