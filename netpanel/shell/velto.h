// The main window of the utility, `Velto`, as a window model: every control of the window under
// its own name, the timers, the run-time state of the main module, and the event handlers.
//
// Velto is a ui::Form. It holds no toolkit code; a view (the Qt one, or a test) mirrors its
// controls and calls their user...() methods for a person's actions. The view:
//   - creates one widget per entry of placements(), in that order: entries name the tab of SSTab1
//     the control sits on (kOutsideTabs for controls of the window itself) and the frame that
//     holds it (null when it sits directly on the tab or the window). A frame's own entry comes
//     before the controls it holds, so the view can create the group box first; frames nest.
//     The kind of a control is its class (dynamic_cast to ui::Label, ui::Button, ...). The
//     invisible ones (Picture1..3, the popup Menu shown through Host::popupMenu, and the
//     non-visual ImageList and CommonDialog) need no widget; every control may change its
//     visible() and enabled() later, and a disabled frame disables what it holds.
//   - drives each timer of timers() by its interval/enabled observers and calls fire();
//   - delivers the tray icon's mouse messages with Picture1.userMouseMove(0, 0, message *
//     twipsPerPixelX(), 0), and the window's close box to userClose();
//   - calls F1Help() for the key F1 (the "Help" button has its own handler).
// Start-up: construct, then start(); false means the program ended during start-up (second
// instance, KvConfig.ini missing or malformed) and the view should quit without showing
// anything. Every later end goes through Host::endProgram().
//
// All handlers run on the window thread.
#pragma once

#include <nicapi/nicapi.h>

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/nicapi_binding.h"
#include "shell/adapter_settings.h"
#include "shell/extra_controls.h"
#include "ui/controls.h"
#include "ui/host.h"
#include "ui/timer.h"

namespace netpanel {

// Tab index of a control outside the tab control.
inline constexpr int kOutsideTabs = -1;

// Where a control of the window sits: its tab of SSTab1 (kOutsideTabs outside) and its frame.
struct ControlPlacement {
    ui::Control* control;
    int tab;
    ui::Frame* frame;  // null: directly on the tab (or the window)
};

// The icons the picture boxes hold (ids the view maps to images).
enum IconId : int {
    kIconConnected = 1,     // Picture1
    kIconNotConnected = 2,  // Picture2
    kIconSpare = 3,         // Picture3, shown by nothing
    kIconLogo = 4,          // imgLogo on the About tab
};

// The window handle of Picture1 in the tray record: the tray's messages go to Picture1.
inline constexpr uint32_t kPicture1Window = 0x0101;

// Elements of StateFlags.
enum StateFlag : size_t {
    AdapterOpen = 0,   // 1 once an adapter was opened
    DefaultKeyNo = 3,  // default WEP key 1..4
    UpdatingUi = 4,    // non-zero while the program fills controls
    ShowDbm = 8,       // display unit of the link monitor: 0 percent, else dBm
};

class Velto : public ui::Form {
public:
    // `programDir`: the directory of KvConfig.ini and the help file. `twipsPerPixelX`: the
    // horizontal twips per screen pixel, the scale of the tray's mouse messages.
    Velto(Nicapi& nicapi, ui::Host& host, std::string programDir, int twipsPerPixelX = 15);
    ~Velto() override;

    // Form_Initialize, then Form_Load; false when the program ended on the way.
    bool start();
    // True once the program ended (Host::endProgram was called); handlers then do nothing.
    bool ended() const { return ended_; }
    // The horizontal twips per pixel the tray's mouse messages are scaled by.
    int twipsPerPixelX() const { return twipsPerPixelX_; }

    // Every control with its tab and frame, in layout order (see above).
    const std::vector<ControlPlacement>& placements() const { return placements_; }
    // The window's timers, in layout order.
    std::vector<ui::Timer*> timers();

    // ---- Controls outside the tab control ------------------------------------------------------
    ui::PictureBox Picture1{"Picture1"};  // the connected icon; receives the tray's messages
    ui::PictureBox Picture2{"Picture2"};  // the not-connected icon
    ui::PictureBox Picture3{"Picture3"};
    ui::Button Submit{"Submit"};
    ui::Button Command4{"Command4"};
    ui::Button HelpButton{"HelpButton"};
    ui::Timer Timer1{"Timer1", 300, true};
    ui::Timer Timer2{"Timer2", 1000, false};
    ui::Timer Timer3{"Timer3", 950, false};
    ui::Timer DetectCardOnTimer{"DetectCardOnTimer", 5000, false};
    ui::Timer DetectCardOffTimer{"DetectCardOffTimer", 5000, false};
    ui::Timer AutoscanTimer{"AutoscanTimer", 1000, false};
    ui::Timer TimerOnlyForAuth8021x{"TimerOnlyForAuth8021x", 1000, false};
    ui::Timer TimerOnlyWaitFor8021xOver{"TimerOnlyWaitFor8021xOver", 2, false};
    ui::MenuItem Exitprg{"Exitprg"};
    ui::MenuItem ViewAvailableNetworkA{"ViewAvailableNetworkA"};
    ui::MenuItem AboutA{"AboutA"};
    ui::Menu Menu{"Menu"};  // the tray's popup menu: Exitprg, ViewAvailableNetworkA, AboutA

    ui::TabStrip SSTab1{
        "SSTab1", {"Link Info", "Configuration", "Site Survey", "Security", "Advanced", "About"}};

    // ---- Tab 0 "Link Info" ---------------------------------------------------------------------
    ui::ComboBox AdapterList{"AdapterList", ui::ComboBox::Style::DropdownList};
    ui::Label lblInfoState{"lblInfoState"};
    ui::Label lblInfoSSID{"lblInfoSSID"};
    ui::TextBox SSIDStatus{"SSIDStatus"};
    ui::Label lblInfoChannel{"lblInfoChannel"};
    ui::TextBox ChannelStatus{"ChannelStatus"};
    ui::Label lblTransferRate{"lblTransferRate"};
    ui::TextBox TxRateStatus{"TxRateStatus"};
    ui::Label lblInfoMbps{"lblInfoMbps"};
    ui::Label lblInfoMAC{"lblInfoMAC"};
    ui::TextBox MACStatus{"MACStatus"};
    ui::Label LinkQuality{"LinkQuality"};
    ui::ProgressBar LinkStatusPB{"LinkStatusPB"};
    ui::Label LinkStrengthLabel{"LinkStrengthLabel"};
    ui::ProgressBar LinkStrengthPB{"LinkStrengthPB"};
    ui::Button DisplayUnit{"DisplayUnit"};
    ui::Frame fmInfoThroughput{"fmInfoThroughput"};
    ui::Frame fmInfoTx{"fmInfoTx"};
    ui::TextBox TxFrameStatus{"TxFrameStatus"};
    ui::Frame fmInfoRx{"fmInfoRx"};
    ui::TextBox RxFrameStatus{"RxFrameStatus"};
    ui::Button CmdInfoScan{"CmdInfoScan"};

    // ---- Tab 1 "Configuration" -----------------------------------------------------------------
    ui::Frame fmConfProfile{"fmConfProfile"};
    ui::ComboBox Profilename{"Profilename", ui::ComboBox::Style::DropdownCombo};
    ui::Button CmdConfActivate{"CmdConfActivate"};
    ui::Button cmdConfCreate{"cmdConfCreate"};
    ui::Button cmdConfRemove{"cmdConfRemove"};
    ui::Frame fmConfConf{"fmConfConf"};
    ui::Label lblConfOpMode{"lblConfOpMode"};
    ui::ComboBox NetworkType{"NetworkType", ui::ComboBox::Style::DropdownList};
    ui::Label lblConfSSID{"lblConfSSID"};
    ui::TextBox SetSSID{"SetSSID"};
    ui::Label lblConfChannel{"lblConfChannel"};
    ui::ComboBox Channel{"Channel", ui::ComboBox::Style::DropdownList};
    ui::Label lblConfTransferRate{"lblConfTransferRate"};
    ui::ComboBox TxRate{"TxRate", ui::ComboBox::Style::DropdownList};
    ui::Label lblConfPwSaving{"lblConfPwSaving"};
    ui::ComboBox CombConfPSMode{"CombConfPSMode", ui::ComboBox::Style::DropdownList};
    ui::Button cmdConfApply{"cmdConfApply"};
    ui::Button cmdConfUndo{"cmdConfUndo"};
    ui::Button cmdConfRestore{"cmdConfRestore"};
    ui::Button CancelCFG{"CancelCFG"};

    // ---- Tab 2 "Site Survey" -------------------------------------------------------------------
    ui::Label lblSiteText{"lblSiteText"};
    ui::ListView SiteSurveyListView{"SiteSurveyListView"};
    ImageList SiteSurveyImageList{"SiteSurveyImageList"};
    ui::Button Rescan{"Rescan"};
    ui::Button ConnectButton{"ConnectButton"};
    CommonDialog CommonDialog1{"CommonDialog1"};

    // ---- Tab 3 "Security" ----------------------------------------------------------------------
    // Option buttons exclude each other within their frame.
    ui::OptionGroup keyTypeOptions;      // ASCIIOption, HEXOption
    ui::OptionGroup defaultKeyOptions;   // DefaultKey1..4
    ui::OptionGroup eapMethodOptions;    // OptEAPMD5, OptEAPTLS, OptEAPTTLS
    ui::OptionGroup eapPasswordOptions;  // OptEAPInputPW, OptEAPPromptPW, OptEAPWinPW

    ui::Label lblSecEncryption{"lblSecEncryption"};
    ui::ComboBox KeyLength{"KeyLength", ui::ComboBox::Style::DropdownList};
    ui::Frame WepKeyInf{"WepKeyInf"};
    ui::Label KeyTypeLabel{"KeyTypeLabel"};
    ui::Frame fmKeyType{"fmKeyType"};  // the untitled frame of the key-type options
    ui::OptionButton ASCIIOption{"ASCIIOption", keyTypeOptions};
    ui::OptionButton HEXOption{"HEXOption", keyTypeOptions};
    ui::OptionButton DefaultKey1{"DefaultKey1", defaultKeyOptions};
    ui::OptionButton DefaultKey2{"DefaultKey2", defaultKeyOptions};
    ui::OptionButton DefaultKey3{"DefaultKey3", defaultKeyOptions};
    ui::OptionButton DefaultKey4{"DefaultKey4", defaultKeyOptions};
    ui::TextBox NetworkKey1{"NetworkKey1"};
    ui::TextBox NetworkKey2{"NetworkKey2"};
    ui::TextBox NetworkKey3{"NetworkKey3"};
    ui::TextBox NetworkKey4{"NetworkKey4"};
    ui::Button SubmitSecurity{"SubmitSecurity"};
    ui::CheckBox Check802{"Check802"};
    ui::Frame fm8021x{"fm8021x"};  // "802.1x"
    ui::Label Label3{"Label3"};
    ui::ComboBox ComboProfileName{"ComboProfileName", ui::ComboBox::Style::DropdownList};
    ui::Button CmdProfile{"CmdProfile"};
    ui::Frame fmProfileDetails{"fmProfileDetails"};  // "Profile Details"
    ui::Label Label5{"Label5"};
    ui::OptionButton OptEAPMD5{"OptEAPMD5", eapMethodOptions};
    ui::OptionButton OptEAPTLS{"OptEAPTLS", eapMethodOptions};
    ui::OptionButton OptEAPTTLS{"OptEAPTTLS", eapMethodOptions};
    ui::Label Label4{"Label4"};
    ui::TextBox TextEAPLoginName{"TextEAPLoginName"};
    ui::Frame fmPassword{"fmPassword"};  // "Password"
    ui::TextBox TextEAPInputPW{"TextEAPInputPW"};
    ui::OptionButton OptEAPInputPW{"OptEAPInputPW", eapPasswordOptions};
    ui::OptionButton OptEAPPromptPW{"OptEAPPromptPW", eapPasswordOptions};
    ui::OptionButton OptEAPWinPW{"OptEAPWinPW", eapPasswordOptions};
    ui::CheckBox CheckEAPPermitPW{"CheckEAPPermitPW"};
    ui::Button cmdSecApply{"cmdSecApply"};
    ui::Button cmdSecUndo{"cmdSecUndo"};
    ui::Button cmdSecRestore{"cmdSecRestore"};
    ui::Button Command3{"Command3"};

    // ---- Tab 4 "Advanced" ----------------------------------------------------------------------
    ui::Label Label14{"Label14"};
    ui::ComboBox Preamble{"Preamble", ui::ComboBox::Style::DropdownList};
    ui::Frame frameSecurity{"frameSecurity"};
    ui::Label Label6{"Label6"};
    ui::ComboBox AuthMode{"AuthMode", ui::ComboBox::Style::DropdownList};
    ui::Frame fmThreshold{"fmThreshold"};  // "Transmit Threshold Control"
    ui::Label lblFragmentTitle{"lblFragmentTitle"};
    ui::Slider SetFragment{"SetFragment"};
    ui::Label lblFragment{"lblFragment"};
    ui::Label lblCTSRTSTitle{"lblCTSRTSTitle"};
    ui::Slider SetRTS_CTS{"SetRTS_CTS"};
    ui::Label lblRTS_CTS{"lblRTS_CTS"};
    ui::Button cmdAdvApply{"cmdAdvApply"};
    ui::Button cmdAdvUndo{"cmdAdvUndo"};
    ui::Button cmdAdvRestore{"cmdAdvRestore"};

    // ---- Tab 5 "About" -------------------------------------------------------------------------
    ui::Frame fmDriver{"fmDriver"};  // "Driver"
    ui::Label Label2{"Label2"};
    ui::Label DriverVersionSN{"DriverVersionSN"};
    ui::Frame fmUtility{"fmUtility"};  // "Utility"
    ui::Label Label8{"Label8"};
    ui::Label Label7{"Label7"};
    ui::Frame fmFirmware{"fmFirmware"};  // "Firmware"
    ui::Label Label15{"Label15"};
    ui::Label FirmwareVersion{"FirmwareVersion"};
    ui::PictureBox imgLogo{"imgLogo"};
    ui::Label Label1{"Label1"};
    ui::Label lblWarning{"lblWarning"};

    // ---- State of the main module (1-based arrays keep element 0 unused) ----------------------
    WLAdapterInfo AdapterInfo{};                     // the current adapter
    std::array<AdapterListEntry, 11> Adapters{};     // 1..10, from VBCreateNICAdapterList
    std::array<AdapterListEntry, 51> AllAdapters{};  // 1..50, from VBCreateAllNICAdapterList
    int16_t AllAdapterCount = 0;
    std::array<std::string, 11> MatchingDeviceIds;  // 1..10, from KvConfig.ini
    int32_t MatchingDeviceIdNext = 1;               // one more than the identifiers read
    // 1..10: index into Adapters of the k-th supported adapter; 11..20: the same again;
    // 21: adapters listed; 22: supported adapters found.
    std::array<int16_t, 23> AdapterSlots{};
    int32_t SignalStrengthMax = 0;
    int32_t SignalStrengthMin = 0;
    int32_t CommunicationQualityMax = 0;
    int32_t CommunicationQualityMin = 0;
    std::array<int16_t, 9> StateFlags{};  // indexed by StateFlag
    bool WzcActive = false;               // the system's wireless service manages the adapter
    std::array<uint8_t, 2048> EepromImage{};
    std::array<int32_t, 15> ChannelMap{};  // 1..14: channel of each Channel list position + 1
    AdapterSettings gDefSettings;
    AdapterSettings gCurSettings;
    // Key texts of each key format (64-bit ASCII, 64-bit HEX, 128-bit ASCII, 128-bit HEX).
    std::array<std::string, 4> KeyText5, KeyText10, KeyText13, KeyText26;
    // The link-sample ring of the link monitor (positions 1..4).
    std::array<int32_t, 5> QualitySamples{};
    std::array<int32_t, 5> SignalSamples{};
    int32_t SampleWritePos = 1;
    int32_t SampleCount = 0;
    int32_t SignalPercent = 0;
    int32_t LinkPercent = 0;
    std::string HelpFile;           // set by Form_Load: programDir + "/UHelp.chm"
    int32_t ProfileCount = 0;       // mirror of "ProfileLinkNumber"
    int32_t ActiveProfileLink = 0;  // mirror of "DefaultProfileLink"
    std::array<std::string, 4>
        gstrKeyCache;               // key texts 1..4 as accepted or loaded (index 0: key 1)
    int32_t gnSurveyJoined = 0;     // 1 while the adapter was last set up by a site-survey join
    int16_t gnPrevKeyLength = -1;   // KeyLength's position when it last got the focus
    int32_t gnKeyCheckPending = 0;  // 1: the next apply needs all four cached keys
    std::array<int32_t, 5> gnKeyTyped{};  // 1..4: a key was pressed in NetworkKeyN since apply

    // ---- Start-up and current adapter ----------------------------------------------------------
    // Runs before the window exists; false when the program ended.
    bool Form_Initialize();
    void Form_Load();
    void AdapterList_Click();

    // ---- Link status monitor -------------------------------------------------------------------
    void Timer1_Timer();
    void Timer2_Timer();
    void DisplayUnit_Click();
    void CmdInfoScan_Click();

    // ---- Tray icon, tabs and the ways in and out -----------------------------------------------
    void TrayAdd();
    void TraySetConnected();
    void TraySetDisconnected();
    void TrayRemove();
    void Picture1_MouseMove(int button, int shift, float x, float y);
    void SSTab1_Click(int previousTab);
    void AboutA_Click();
    void Command4_Click();
    void Exitprg_Click();
    // Returns true to cancel the closing.
    bool Form_QueryUnload(int unloadMode);

    // ---- Configuration tab (netpanel/config) ---------------------------------------------------
    void ApplyConfiguration();
    void cmdConfApply_Click();
    void cmdConfUndo_Click();
    void cmdConfRestore_Click();
    void LoadProfileConfiguration();
    void NetworkType_Click();
    void Channel_Click();
    void TxRate_Click();
    void CombConfPSMode_Click();
    void SetSSID_Change();

    // ---- Configuration profiles ----------------------------------------------------------------
    // Fills Profilename from "ProfileLinkNumber" and the "ProfileLink n" values.
    void LoadProfileList();
    // Selects the active profile; with no profile listed, creates "Default" from gCurSettings.
    void SelectDefaultProfile();
    void Profilename_Change();
    void Profilename_Click();
    void cmdConfCreate_Click();
    void cmdConfRemove_Click();
    void CmdConfActivate_Click();

    // ---- Security tab (netpanel/security) ------------------------------------------------------
    // Whether the key typed in `ocontrol` (key `keyid`, 1..4) fits the key length and type; a
    // rejected key shows why and leaves the focus in the box.
    bool checkKeyValid(ui::TextBox& ocontrol, int16_t keyid);
    void setWepInterface(bool bVisable);
    void ShowKeyMasks();
    void SelectAllText(ui::TextBox& box);
    void UnmaskOnKeyDown(ui::TextBox& box, int keyCode, int shift);
    void KeyLength_GotFocus();
    void KeyLength_Click();
    void ASCIIOption_Click();
    void HEXOption_Click();
    // The handlers of DefaultKey1..4 and NetworkKey1..4; n is the key number 1..4.
    void DefaultKeyN_Click(int n);
    void NetworkKeyN_GotFocus(int n);
    void NetworkKeyN_KeyDown(int n, int keyCode, int shift);
    void NetworkKeyN_Change(int n);
    void cmdSecApply_Click();
    void cmdSecUndo_Click();
    void cmdSecRestore_Click();
    void Check802_Click();
    // NetworkKey1..4 and DefaultKey1..4 by key number.
    ui::TextBox& networkKey(int n);
    ui::OptionButton& defaultKey(int n);

    // ---- Advanced tab --------------------------------------------------------------------------
    void cmdAdvApply_Click();
    void cmdAdvUndo_Click();
    void cmdAdvRestore_Click();
    void SetFragment_Scroll();
    void SetRTS_CTS_Scroll();
    void Preamble_Click();
    void AuthMode_Click();

    // ---- Site survey (netpanel/config/site_survey.cpp) ----
    // The networks of the last search that rebuilt the list, positions 1..16: row n of
    // SiteSurveyListView (counted from 1) describes SurveyTable[n].
    std::array<SurveyEntry, 17> SurveyTable{};
    void Rescan_Click();
    void SiteSurveyListView_Click();
    void SiteSurveyListView_DblClick();
    void ConnectButton_Click();
    void ViewAvailableNetworkA_Click();
    // The tab strip's mouse release: on the Site Survey tab a disabled list searches again.
    void SSTab1_MouseUp(int button, int shift, float x, float y);

    // ---- Card presence (shell/card_detection.cpp) ----------------------------------------------
    void DetectCardOffTimer_Timer();
    void DetectCardOnTimer_Timer();
    // True while no adapter is open and DetectCardOnTimer looks for a card: the tray shows the
    // not-connected icon, its menu offers only "Exit", and nothing but the polling calls the
    // adapter library.
    bool waitingForCard() const { return waitingForCard_; }

    // ---- "OK", "Help" and F1 (netpanel/shell/tab_pages.cpp) ----
    // "OK": the pending applies of Configuration, Security and Advanced, then hide. A security
    // apply whose key check failed keeps the window open.
    void Submit_Click();
    // "Help" presses F1.
    void HelpButton_Click();
    // F1 in the window: the help page of the current tab.
    void F1Help();

private:
    // Connects the control and timer events to the handlers.
    void wire();
    void setDesignerProperties();
    void buildPlacements();
    void setStartValues();
    // Ends the program through the host.
    void End();
    // Entering tab 0 shows the MAC address; tab 5 the driver and firmware versions.
    void showTabExtras(int tab);

    bool readAdapterInformationFile();
    void matchSupportedAdapters();
    bool openCurrentAdapter();
    void showAdapterSettings();
    void showFrameCounts();
    void buildChannelList();
    void seedDriverKey();
    // Leaves the adapter to the system's wireless service, or takes it and activates the profile.
    void settleWirelessService();
    // The profiles loaded and the default one selected, the wireless service settled and, on
    // Windows 95/98/Me, the Configuration tab applied after 5 s: the end of taking up an adapter.
    void takeUpProfiles();
    void showLinkSample(int32_t quality, int32_t signal);

    // Configuration helpers (netpanel/config).
    // A change on the tab enables its "Undo Changes" and "Apply Changes".
    void configurationChanged();
    void advancedChanged();
    // Selects the Channel position of `channel` among the listed channels; false when unlisted.
    bool selectChannel(int32_t channel);
    // Channel is disabled in infrastructure mode (1), enabled otherwise.
    void enableChannelFor(int32_t networkType);
    // SetSSID shows the stored SSID trimmed, or "Any" for the empty one.
    void showConfiguredSsid();
    // Reads the five Configuration values of `profile` into gCurSettings and the controls.
    void loadConfigurationFrom(const std::string& profile);
    // Reads the four Advanced values of `profile` into gCurSettings and the controls.
    void loadAdvancedFrom(const std::string& profile);
    // A threshold slider at `value` (held to its range), its title and its number label.
    void showFragmentThreshold(int32_t value);
    void showRtsCtsThreshold(int32_t value);
    // The titles and number labels of both sliders, from their values.
    void showThresholdTitles();
    // WEP is on while KeyLength shows "64 Bit" or "128 Bit".
    bool wepOn() const { return KeyLength.listIndex() >= 1; }
    // The profile names of Profilename's list.
    const std::vector<std::string>& profileNames() const { return Profilename.items(); }
    // The profile the box names, when its text is the entry at the selected position.
    std::optional<std::string> selectedProfile() const;
    // Selects the active profile (DefaultProfileLink) when it names a listed one; position 0
    // when the link is out of range and profiles exist.
    void reselectActiveProfile();
    // Security helpers (netpanel/security).
    // A key setting changed: the tab's "Undo Changes" and "Apply Changes" come on.
    void securityChanged();
    void keyTypeChanged(int32_t keyType);
    // Reads the WEP settings of `profile` into gCurSettings, the cache and the controls.
    void loadSecurityFrom(const std::string& profile);
    // Writes the keys of valid length to the adapter, the default one (1..4) flagged and followed
    // by its index; keys of other lengths are skipped.
    void writeWepKeys(const std::array<std::string, 4>& texts, int32_t defaultKey);
    // The 802.1X group: the whole of it, or the details below its check box.
    void disable8021x();
    void disable8021xDetails();
    void putProfileIntoForce(const std::string& profile);
    void sendTrayRecord(uint32_t message, int icon);
    bool isWindows95();
    // The hardware identifier of an adapter, from its driver key, in upper case.
    std::string hardwareId(bool windows95, const WLAdapterInfo& adapter);

    // ---- Site survey and modal boxes (netpanel/config/site_survey.cpp, shell/modal_box.cpp) ----
    // A message box during which the adapter timers (Timer1, Timer2, DetectCardOffTimer,
    // DetectCardOnTimer) are held: a view may let timers run while a box is open, and their
    // handlers could close the adapter under the caller. The timers get their states back
    // afterwards unless the program ended or the adapter was opened or let go meanwhile; a
    // caller checks adapterStillOpen() before it uses the adapter again.
    ui::MsgResult askWithTimersHeld(const std::string& text, const std::string& title,
                                    ui::MsgIcon icon, ui::MsgButtons buttons);
    bool adapterStillOpen() const { return !ended_ && StateFlags[AdapterOpen] == 1; }
    // Fills the list from SurveyTable[1..count], clamping each entry's signal level in place.
    void showSurvey(int count);
    // The entry of the selected row when it can be joined now: the list shows a current search,
    // the row has a table entry, its channel is 1..14 and the system's service does not manage
    // the adapter. Null otherwise.
    const SurveyEntry* joinableEntry() const;
    // Joins `entry`'s network (Connect, after the question for a WEP network).
    void joinNetwork(const SurveyEntry& entry);

    // ---- Card presence (shell/card_detection.cpp) ----
    // The card stopped answering: the adapter is closed and the window polls for a card.
    void letCardGo();
    // Closes the current adapter and opens the one selected in AdapterList again.
    void rebindSelectedAdapter();
    // Whether a supported card answers an open; every handle the check opens is closed again.
    bool supportedCardAnswers();
    // Rebuilds the adapter tables and the current adapter as start-up does; false when no
    // supported adapter is listed.
    bool rebuildAdapters();
    // Enters or leaves the state in which no adapter is open and the window polls for a card.
    void setWaitingForCard(bool waiting);
    // Tabs 1, 3 and 4 and "Re-Connect" are unavailable while the system's service manages the
    // adapter; a window showing one of those tabs goes to "Link Info" first.
    void restrictForService(bool restricted);
    // Follows the system's wireless service: it took the adapter, or let it go.
    void followWirelessService();
    // "Exit": without an open adapter the program ends without calling the adapter library.
    void exitCommand();
    bool waitingForCard_ = false;

    Nicapi& nicapi_;
    ui::Host& host_;
    std::string programDir_;
    int twipsPerPixelX_;
    bool ended_ = false;
    std::vector<ControlPlacement> placements_;
};

}  // namespace netpanel
