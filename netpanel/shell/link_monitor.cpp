// The link status monitor of the "Link Info" tab: channel, rate and SSID (Timer1), link quality,
// signal strength, tray icon and frame counters (Timer2), the display unit and "Re-Connect".
#include <algorithm>
#include <numeric>
#include <optional>

#include "platform/delay.h"
#include "shell/rounding.h"
#include "shell/ssid_buffer.h"
#include "shell/velto.h"

namespace netpanel {
namespace {

enum class Port { Connected, NotConnected, Unknown };

Port portState(int32_t status) {
    switch (status) {
        case 3:
        case 4:
            return Port::Connected;
        case 1:
        case 2:
        case 5:
        case 6:
        case 8:
        case 9:
            return Port::NotConnected;
        default:
            return Port::Unknown;
    }
}

int32_t ringAverage(const std::array<int32_t, 5>& ring, int32_t count) {
    const double sum = std::accumulate(ring.begin() + 1, ring.begin() + 1 + count, 0.0);
    return roundHalfEven(sum / count);
}

// (numerator / range) * 100 as an integer percentage; a zero range counts as 100 percent.
int32_t percentOf(int32_t numerator, int32_t range) {
    if (range == 0) return 100;
    return roundHalfEven(static_cast<double>(numerator) / range * 100.0);
}

// The class of a percentage; none above 100 (the caption then stays).
std::optional<std::string> linkClass(int32_t percent) {
    if (percent <= 30) return "Poor";
    if (percent <= 65) return "Good";
    if (percent <= 100) return "Excellent";
    return std::nullopt;
}

void showPercent(ui::ProgressBar& bar, int32_t percent) {
    bar.setValue(std::clamp(percent, bar.min(), bar.max()));
}

}  // namespace

void Velto::Timer1_Timer() {
    StateFlags[UpdatingUi] = 1;
    const int32_t channel = nicapi_.VBQueryWLChannel(AdapterInfo);
    if (channel != -1) {
        gCurSettings.Channel = channel;
        ChannelStatus.setText(std::to_string(channel));
    }
    const int32_t rate = nicapi_.VBQueryWLCurrentTxRate(AdapterInfo);
    if (rate > 0) TxRateStatus.setText(rate == 5 ? "5.5" : std::to_string(rate));

    SsidBuffer ssid{};
    if (portState(nicapi_.VBQueryWLPortStatus(AdapterInfo)) == Port::Connected) {
        if (nicapi_.VBQueryWLCurrentSSID(AdapterInfo, ssid.data()) != 0) {
            SSIDStatus.setText("");
        } else {
            SSIDStatus.setText(allNul(ssid) ? "Any" : textToNul(ssid));
        }
    } else if (nicapi_.VBQueryWLSSID(AdapterInfo, ssid.data()) != 0 || allNul(ssid)) {
        SSIDStatus.setText("");
    } else {
        SSIDStatus.setText(configuredSsidText(ssid));
    }
    StateFlags[UpdatingUi] = 0;
    Timer1.setInterval(1500);
}

void Velto::Timer2_Timer() {
    const Port port = portState(nicapi_.VBQueryWLPortStatus(AdapterInfo));
    if (port == Port::Connected) TraySetConnected();
    if (port == Port::NotConnected) TraySetDisconnected();

    if (port != Port::Connected) {
        LinkQuality.setCaption("Link Quality:");
        LinkStrengthLabel.setCaption("Signal Strength:");
        LinkStatusPB.setValue(0);
        LinkStrengthPB.setValue(0);
    } else {
        int32_t qualitySum = 0;
        int32_t signalLevel = 0;
        int32_t qualityCount = 0;
        const int32_t result =
            nicapi_.VBQueryWLCQSLCurrBSS(AdapterInfo, qualitySum, signalLevel, qualityCount);
        if (result != -1 && qualitySum > 0 && qualityCount > 0 && signalLevel > 0) {
            showLinkSample(roundHalfEven(static_cast<double>(qualitySum) / qualityCount),
                           signalLevel);
        }
    }
    showFrameCounts();
}

void Velto::showLinkSample(int32_t quality, int32_t signal) {
    QualitySamples[SampleWritePos] = quality;
    SignalSamples[SampleWritePos] = signal;
    SampleCount = std::min(SampleCount + 1, 4);
    SampleWritePos = SampleWritePos == 4 ? 1 : SampleWritePos + 1;

    const int32_t q = clampUpperFirst(ringAverage(QualitySamples, SampleCount),
                                      CommunicationQualityMin, CommunicationQualityMax);
    const int32_t s = clampUpperFirst(ringAverage(SignalSamples, SampleCount), SignalStrengthMin,
                                      SignalStrengthMax);
    // A lower quality value is a better link.
    const int32_t qualityPercent =
        percentOf(CommunicationQualityMax - q, CommunicationQualityMax - CommunicationQualityMin);
    SignalPercent = percentOf(s - SignalStrengthMin, SignalStrengthMax - SignalStrengthMin);
    LinkPercent = roundHalfEven((2.0 * SignalPercent + qualityPercent) / 3.0);
    showPercent(LinkStatusPB, LinkPercent);
    showPercent(LinkStrengthPB, SignalPercent);

    const bool dbm = StateFlags[ShowDbm] != 0;
    if (const auto cls = linkClass(LinkPercent)) {
        LinkQuality.setCaption("Link Quality:     " + *cls +
                               (dbm ? "" : " (" + std::to_string(LinkPercent) + "%)"));
    }
    if (const auto cls = linkClass(SignalPercent)) {
        LinkStrengthLabel.setCaption("Signal Strength:  " +
                                     (dbm ? std::to_string(s - 105) + "dBm"
                                          : *cls + " (" + std::to_string(SignalPercent) + "%)"));
    }
}

void Velto::showFrameCounts() {
    uint32_t counts[4] = {};
    if (nicapi_.VBGetTxRxFrameCount(AdapterInfo, counts) == 0) {
        TxFrameStatus.setText(std::to_string(counts[0]));
        RxFrameStatus.setText(std::to_string(counts[1]));
    }
}

void Velto::DisplayUnit_Click() {
    if (StateFlags[ShowDbm] != 0) {
        DisplayUnit.setCaption("dBm");
        StateFlags[ShowDbm] = 0;
    } else {
        DisplayUnit.setCaption("Percent");
        StateFlags[ShowDbm] = 1;
    }
}

void Velto::CmdInfoScan_Click() {
    Timer1.setEnabled(false);
    for (ui::TextBox* field :
         {&ChannelStatus, &TxRateStatus, &SSIDStatus, &TxFrameStatus, &RxFrameStatus}) {
        field->setText("");
    }
    host_.setWaitCursor(true);

    SsidBuffer saved{};
    nicapi_.VBQueryWLSSID(AdapterInfo, saved.data());
    // A different SSID makes the adapter leave its network.
    nicapi_.VBSetWLSSID(AdapterInfo, "TestTestTest");
    DelayMs(host_.clock(), 1000);
    // The saved text goes back up to its first NUL, as the library reads it.
    nicapi_.VBSetWLSSID(AdapterInfo, trimBlanks(saved).c_str());
    DelayMs(host_.clock(), 1000);
    nicapi_.VBSetWLRestartNIC(AdapterInfo);

    Timer1.setEnabled(true);
    host_.setWaitCursor(false);
}

}  // namespace netpanel
