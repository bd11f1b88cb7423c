#include "shell/velto.h"

#include <initializer_list>
#include <utility>

namespace netpanel {

Velto::Velto(Nicapi& nicapi, ui::Host& host, std::string programDir, int twipsPerPixelX)
    : Form("Velto"),
      nicapi_(nicapi),
      host_(host),
      programDir_(std::move(programDir)),
      twipsPerPixelX_(twipsPerPixelX > 0 ? twipsPerPixelX : 15) {
    setDesignerProperties();
    buildPlacements();
    wire();
}

Velto::~Velto() = default;

bool Velto::start() {
    if (!Form_Initialize()) return false;
    Form_Load();
    return !ended_;
}

void Velto::End() {
    if (ended_) return;
    ended_ = true;
    host_.endProgram();
}

std::vector<ui::Timer*> Velto::timers() {
    return {&Timer1,
            &Timer2,
            &Timer3,
            &DetectCardOnTimer,
            &DetectCardOffTimer,
            &AutoscanTimer,
            &TimerOnlyForAuth8021x,
            &TimerOnlyWaitFor8021xOver};
}

void Velto::setStartValues() {
    gDefSettings = AdapterSettings{};
    gCurSettings = gDefSettings;
    for (auto* texts : {&KeyText5, &KeyText10, &KeyText13, &KeyText26})
        texts->fill("");
    QualitySamples.fill(0);
    SignalSamples.fill(0);
    SampleWritePos = 1;
    SampleCount = 0;
    SignalPercent = 0;
    LinkPercent = 0;
    StateFlags.fill(0);
    StateFlags[DefaultKeyNo] = 1;
    MatchingDeviceIdNext = 1;
}

namespace {

template <class C>
void designCaption(C& control, std::string text) {
    control.setCaption(std::move(text));
}

void items(ui::ComboBox& box, std::initializer_list<const char*> texts) {
    for (const char* text : texts)
        box.addItem(text);
}

void readOnly(std::initializer_list<ui::TextBox*> boxes) {
    for (ui::TextBox* box : boxes)
        box->setLocked(true);
}

}  // namespace

void Velto::setDesignerProperties() {
    setCaption("IEEE 802.11b WLAN Utility");
    hide();

    Picture1.setIcon(kIconConnected);
    Picture2.setIcon(kIconNotConnected);
    Picture3.setIcon(kIconSpare);
    for (ui::PictureBox* picture : {&Picture1, &Picture2, &Picture3})
        picture->setVisible(false);
    designCaption(Submit, "OK");
    designCaption(Command4, "Cancel");
    designCaption(HelpButton, "Help");
    designCaption(Exitprg, "Exit");
    designCaption(ViewAvailableNetworkA, "View Available Network");
    designCaption(AboutA, "About");
    Menu.addItem(Exitprg);
    Menu.addItem(ViewAvailableNetworkA);
    Menu.addItem(AboutA);
    Menu.setVisible(false);

    // Link Info
    designCaption(lblInfoState, "Device");
    designCaption(lblInfoSSID, "Current Service Set Identifier");
    SSIDStatus.setText("WIRELESS");
    designCaption(lblInfoChannel, "Current Channel");
    designCaption(lblTransferRate, "Current Transfer Rate");
    TxRateStatus.setText("11");
    designCaption(lblInfoMbps, "Mbps");
    designCaption(lblInfoMAC, "NIC MAC Address");
    designCaption(LinkQuality, "Link Quality:     Excellent (100%)");
    designCaption(LinkStrengthLabel, "Signal Strength:  Excellent (100%)");
    designCaption(DisplayUnit, "dBm");
    DisplayUnit.setToolTip("Display Unit");
    DisplayUnit.setEnabled(false);  // until an adapter is open
    designCaption(fmInfoThroughput, "Tx/Rx Frame");
    designCaption(fmInfoTx, "Transmitted");
    designCaption(fmInfoRx, "Received");
    RxFrameStatus.setText("989");
    designCaption(CmdInfoScan, "Re-Connect");
    readOnly(
        {&SSIDStatus, &ChannelStatus, &TxRateStatus, &MACStatus, &TxFrameStatus, &RxFrameStatus});

    // Configuration
    designCaption(fmConfProfile, "Profile");
    designCaption(CmdConfActivate, "Activate");
    designCaption(cmdConfCreate, "Create");
    designCaption(cmdConfRemove, "Remove");
    designCaption(fmConfConf, "Configuration");
    designCaption(lblConfOpMode, "Operating Mode");
    items(NetworkType, {"Ad-Hoc(IBSS)", "Infrastructure(BSS)"});
    NetworkType.setText("Infrastructure(BSS)");
    designCaption(lblConfSSID, "Service Set Identifier (SSID)");
    SetSSID.setText("any");
    designCaption(lblConfChannel, "Channel");
    for (int channel = 1; channel <= 14; ++channel)
        Channel.addItem("Ch" + std::to_string(channel));
    designCaption(lblConfTransferRate, "Transfer Rate");
    items(TxRate, {"1M bit/sec", "2M bit/sec", "5.5M bit/sec", "11M bit/sec", "Fully Auto"});
    TxRate.setText("Auto Rate");
    designCaption(lblConfPwSaving, "Power Saving Mode");
    items(CombConfPSMode, {"Disabled", "Enabled"});
    CombConfPSMode.setText("Disabled");
    designCaption(cmdConfApply, "Apply Changes");
    designCaption(cmdConfUndo, "Undo Changes");
    designCaption(cmdConfRestore, "Restore Defaults");
    designCaption(CancelCFG, "Cancel");

    // Site Survey
    designCaption(
        lblSiteText,
        "The list contains available Access Points and their features. To update the list, "
        "click 'Search' button. You can select a desired Access Point from the list, and "
        "click 'Connect' button to the specified Access Point.");
    SiteSurveyListView.setColumns({"SSID", "BSSID", "Signal", "Channel", "WEP", "BSS Type"});
    SiteSurveyListView.setToolTip("Search Available Network");
    designCaption(Rescan, "Search");
    Rescan.setToolTip("Rescan Site Survey");
    designCaption(ConnectButton, "Connect");
    ConnectButton.setToolTip("Connect to Assign Network");
    ConnectButton.setEnabled(false);

    // Security
    designCaption(lblSecEncryption, "Encryption:");
    items(KeyLength, {"Disable", "64 Bit", "128 Bit"});
    designCaption(WepKeyInf, "WEP Key Entry");
    designCaption(KeyTypeLabel, "Key Type:");
    designCaption(ASCIIOption, "ASCII");
    designCaption(HEXOption, "HEX");
    const char* const keyTips[] = {"Select First Key", "Select Second Key", "Select Third Key",
                                   "Select Fourth Key"};
    const char* const wordTips[] = {"First key word", "Second key word", "Third key word",
                                    "Fourth key word"};
    ui::OptionButton* defaultKeys[] = {&DefaultKey1, &DefaultKey2, &DefaultKey3, &DefaultKey4};
    ui::TextBox* networkKeys[] = {&NetworkKey1, &NetworkKey2, &NetworkKey3, &NetworkKey4};
    for (int k = 0; k < 4; ++k) {
        designCaption(*defaultKeys[k], "Key " + std::to_string(k + 1));
        defaultKeys[k]->setToolTip(keyTips[k]);
        networkKeys[k]->setToolTip(wordTips[k]);
        networkKeys[k]->setPasswordChar('*');
    }
    designCaption(SubmitSecurity, "Submit");
    designCaption(Check802, "Enable network access control using IEEE 802.1X");
    designCaption(fm8021x, "802.1x");
    designCaption(Label3, "Security Profile:");
    items(ComboProfileName, {"(NULL)"});
    designCaption(CmdProfile, "Profile...");
    designCaption(fmProfileDetails, "Profile Details");
    designCaption(Label5, "EAP:");
    designCaption(OptEAPMD5, "MD5");
    designCaption(OptEAPTLS, "TLS");
    designCaption(OptEAPTTLS, "TTLS");
    designCaption(Label4, "Login Name:");
    designCaption(fmPassword, "Password");
    designCaption(OptEAPInputPW, "Use password");
    designCaption(OptEAPPromptPW, "Prompt for password");
    designCaption(OptEAPWinPW, "Use Windows password");
    designCaption(CheckEAPPermitPW, "Permit login using password");
    // The 802.1X group is inert.
    for (ui::Control* control : std::initializer_list<ui::Control*>{&Check802, &fm8021x, &OptEAPTLS,
                                                                    &OptEAPTTLS, &OptEAPWinPW})
        control->setEnabled(false);
    designCaption(cmdSecApply, "Apply Changes");
    designCaption(cmdSecUndo, "Undo Changes");
    designCaption(cmdSecRestore, "Restore Defaults");
    designCaption(Command3, "Cancel");

    // Advanced
    designCaption(Label14, "Preamble Type");
    items(Preamble, {"Long Preamble", "Short Preamble", "Auto"});
    designCaption(frameSecurity, "Security");
    designCaption(Label6, "Authentication Type");
    items(AuthMode, {"Open system", "Shared key", "Auto"});
    AuthMode.setText("Auto");
    designCaption(fmThreshold, "Transmit Threshold Control");
    designCaption(lblFragmentTitle, "Fragmentation Threshold");
    SetFragment.setRange(256, 2305);
    SetFragment.setValue(2305);
    designCaption(lblFragment, "2305");
    designCaption(lblCTSRTSTitle, "RTS/CTS Threshold");
    SetRTS_CTS.setRange(0, 2305);
    SetRTS_CTS.setValue(2305);
    designCaption(lblRTS_CTS, "2305");
    designCaption(cmdAdvApply, "Apply Changes");
    designCaption(cmdAdvUndo, "Undo Changes");
    designCaption(cmdAdvRestore, "Restore Defaults");

    // About
    designCaption(fmDriver, "Driver");
    designCaption(Label2, "Version :");
    designCaption(DriverVersionSN, "1.0.0.1");
    designCaption(fmUtility, "Utility");
    designCaption(Label8, "Version :");
    designCaption(Label7, "2.0.0.0");
    designCaption(fmFirmware, "Firmware");
    designCaption(Label15, "Version :");
    designCaption(FirmwareVersion, "1.0.0.1");
    imgLogo.setIcon(kIconLogo);
    designCaption(Label1, "IEEE 802.11b Wireless LAN Utility");
    designCaption(
        lblWarning,
        "Warning: this program is protected by copyright law and international treaties.");
}

void Velto::buildPlacements() {
    auto place = [this](int tab, ui::Frame* frame, std::initializer_list<ui::Control*> controls) {
        for (ui::Control* control : controls)
            placements_.push_back({control, tab, frame});
    };
    place(kOutsideTabs, nullptr,
          {&Picture1, &Picture2, &Picture3, &SSTab1, &Submit, &Command4, &HelpButton, &Menu});

    place(0, nullptr,
          {&AdapterList, &lblInfoState, &lblInfoSSID, &SSIDStatus, &lblInfoChannel, &ChannelStatus,
           &lblTransferRate, &TxRateStatus, &lblInfoMbps, &lblInfoMAC, &MACStatus, &LinkQuality,
           &LinkStatusPB, &LinkStrengthLabel, &LinkStrengthPB, &DisplayUnit, &fmInfoThroughput});
    place(0, &fmInfoThroughput, {&fmInfoTx, &fmInfoRx});
    place(0, &fmInfoTx, {&TxFrameStatus});
    place(0, &fmInfoRx, {&RxFrameStatus});
    place(0, nullptr, {&CmdInfoScan});

    place(1, nullptr, {&fmConfProfile});
    place(1, &fmConfProfile, {&Profilename, &CmdConfActivate, &cmdConfCreate, &cmdConfRemove});
    place(1, nullptr, {&fmConfConf});
    place(1, &fmConfConf,
          {&lblConfOpMode, &NetworkType, &lblConfSSID, &SetSSID, &lblConfChannel, &Channel,
           &lblConfTransferRate, &TxRate, &lblConfPwSaving, &CombConfPSMode});
    place(1, nullptr, {&cmdConfApply, &cmdConfUndo, &cmdConfRestore, &CancelCFG});

    place(2, nullptr,
          {&lblSiteText, &SiteSurveyListView, &SiteSurveyImageList, &Rescan, &ConnectButton,
           &CommonDialog1});

    place(3, nullptr, {&lblSecEncryption, &KeyLength, &WepKeyInf});
    place(3, &WepKeyInf,
          {&KeyTypeLabel, &fmKeyType, &DefaultKey1, &DefaultKey2, &DefaultKey3, &DefaultKey4,
           &NetworkKey1, &NetworkKey2, &NetworkKey3, &NetworkKey4});
    place(3, &fmKeyType, {&ASCIIOption, &HEXOption});
    place(3, nullptr, {&SubmitSecurity, &Check802, &fm8021x});
    place(3, &fm8021x, {&Label3, &ComboProfileName, &CmdProfile, &fmProfileDetails});
    place(3, &fmProfileDetails,
          {&Label5, &OptEAPMD5, &OptEAPTLS, &OptEAPTTLS, &Label4, &TextEAPLoginName, &fmPassword});
    place(3, &fmPassword, {&TextEAPInputPW, &OptEAPInputPW, &OptEAPPromptPW, &OptEAPWinPW});
    place(3, &fmProfileDetails, {&CheckEAPPermitPW});
    place(3, nullptr, {&cmdSecApply, &cmdSecUndo, &cmdSecRestore, &Command3});

    place(4, nullptr, {&Label14, &Preamble, &frameSecurity});
    place(4, &frameSecurity, {&Label6, &AuthMode});
    place(4, nullptr, {&fmThreshold});
    place(
        4, &fmThreshold,
        {&lblFragmentTitle, &SetFragment, &lblFragment, &lblCTSRTSTitle, &SetRTS_CTS, &lblRTS_CTS});
    place(4, nullptr, {&cmdAdvApply, &cmdAdvUndo, &cmdAdvRestore});

    place(5, nullptr, {&fmDriver});
    place(5, &fmDriver, {&Label2, &DriverVersionSN});
    place(5, nullptr, {&fmUtility});
    place(5, &fmUtility, {&Label8, &Label7});
    place(5, nullptr, {&fmFirmware});
    place(5, &fmFirmware, {&Label15, &FirmwareVersion});
    place(5, nullptr, {&imgLogo, &Label1, &lblWarning});
}

}  // namespace netpanel
