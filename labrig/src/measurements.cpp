// The instrument operations: opening, set-up commands and the canned measurements.
//
// A measurement is a fixed sequence of commands with settling waits between them. "Error bit
// set" checks look at the status of the last bus call only, as the instruments report it.
#include <labrig/labrig.h>

#include <cstdio>
#include <string>

#include "instrument.h"
#include "rounding.h"

using namespace labrig;

namespace {

constexpr double kNoCarrierDbm = -35.0;  // a marker-1 level below this means no carrier
constexpr double kSpurLimitDbm = -45.0;  // a spur marker below this is clean
constexpr double kPeakStepDb = 6.0;      // the peak search counts peaks at least this far down
constexpr int kPeakSearchRounds = 9;
constexpr int kNoCarrierAccuracy = 100;

constexpr std::string_view kClearWrite = "DISP:TRAC:MODE\tWRIT\n";
constexpr std::string_view kMarkersOff = "CALC1:MARK:AOFF\n";
constexpr std::string_view kMaxHold = "DISP:TRAC:MODE MAXH\n";
constexpr std::string_view kAverage = "DISP:TRAC:MODE AVER\n";
constexpr std::string_view kMarker1 = "CALC1:MARK1:X?;Y?\n";

std::string number(int value) {
    return std::to_string(value);
}

int okResult() {
    return ok() ? 1 : 0;
}

// Switches each marker on, each followed by a 20 ms settling wait.
void markersOn(std::initializer_list<std::string_view> commands) {
    for (std::string_view command : commands) {
        send(command);
        waitMs(20);
    }
}

struct Carrier {
    bool setUp = false;            // the set-up commands went through
    std::optional<Marker> marker;  // marker 1 on the carrier; nothing on a failed read
};

// The carrier frequency measurement, up to the marker-1 reading.
Carrier measureCarrier() {
    send({kClearWrite, kMarkersOff, "CALC1:MARK:PEXC 3dB\n", "DISP:TRAC:Y:RLEV 20dBm\n",
          "INP:ATT 30dB\n", "BAND 1MHZ\n", "BAND:VID 100KHZ\n", "FREQ:SPAN 10MHZ\n", kMaxHold});
    if (!ok()) return {};
    waitMs(700);
    markersOn({"CALC1:MARK1 ON\n"});
    send(kAverage);
    waitMs(650);
    Carrier carrier{true, queryMarker(kMarker1)};
    if (carrier.marker) send(kClearWrite);
    return carrier;
}

bool isCarrier(const Marker& marker) {
    return marker.y >= kNoCarrierDbm;
}

// Marker 1 on the carrier after a measurement's set-up; nothing (trace mode restored when a
// marker was read) when the set-up failed or no carrier is seen.
std::optional<Marker> carrierMarker() {
    if (!ok()) return std::nullopt;
    std::optional<Marker> marker = queryMarker(kMarker1);
    if (marker && !isCarrier(*marker)) {
        send(kClearWrite);
        return std::nullopt;
    }
    return marker;
}

std::optional<int> deltaHundredths(std::string_view query) {
    std::optional<Marker> delta = queryMarker(query);
    if (!delta) return std::nullopt;
    return roundToInt(delta->y * 100);
}

// Checks markers whose level must stay below the spur limit; `carrierHz` marks a frequency that
// is clean whatever its level (a marker sitting on the carrier).
std::optional<bool> spursClean(std::initializer_list<std::string_view> queries,
                               std::optional<double> carrierHz) {
    bool clean = true;
    for (std::string_view query : queries) {
        std::optional<Marker> marker = queryMarker(query);
        if (!marker) return std::nullopt;
        bool onCarrier = carrierHz && marker->x == *carrierHz;
        if (!(marker->y < kSpurLimitDbm || onCarrier)) clean = false;
    }
    return clean;
}

}  // namespace

int KV_CDECL ChkSpecAna() {
    return openInstrument(kAnalyserAddress) ? 1 : 0;
}
int KV_CDECL ChkPowMeter() {
    return openInstrument(kPowerMeterAddress) ? 1 : 0;
}

int KV_CDECL SpecOffLine() {
    offLine();
    return okResult();
}
int KV_CDECL PwrOffLine() {
    return SpecOffLine();
}
void KV_CDECL GPIBCleanup(int device) {
    cleanup(device);
}

int KV_CDECL SetSpecRST() {
    send({"*CLS\n", "*RST\n", "SYST:DISP:UPD ON\n"});
    return okResult();
}

int KV_CDECL SetSpecDispON() {
    send("SYST:DISP:UPD ON\n");
    return okResult();
}

int KV_CDECL SetSpecCenFrq(int centreMhz) {
    send("FREQ:CENT " + number(centreMhz) + "MHZ\n");
    return okResult();
}

int KV_CDECL SetSpecRLATT(int referenceDbm, int attenuationDb) {
    send({"DISP:TRAC:Y:RLEV " + number(referenceDbm) + "dBm\n",
          "INP:ATT " + number(attenuationDb) + "dB\n"});
    return okResult();
}

int KV_CDECL SetSpecBW(int resolutionMhz, int videoKhz) {
    send({"BAND " + number(resolutionMhz) + "MHZ\n", "BAND:VID " + number(videoKhz) + "KHZ\n"});
    return okResult();
}

int KV_CDECL SetSpecPars(int centreMhz, int spanMhz, int referenceDbm) {
    send({"DISP:TRAC:Y:RLEV " + number(referenceDbm) + "dBm\n",
          "INP:ATT " + number(referenceDbm + 10) + "dB\n",
          "FREQ:CENT " + number(centreMhz) + "MHZ\n", "FREQ:SPAN " + number(spanMhz) + "MHZ\n",
          "BAND 1MHZ\n", "BAND:VID 100KHZ\n", "CALC1:MARK:PEXC 2dB\n"});
    return okResult();
}

int KV_CDECL ReadSpecCarrierFrq() {
    Carrier carrier = measureCarrier();
    if (!carrier.marker || !isCarrier(*carrier.marker)) return 0;
    return roundToInt(carrier.marker->x / 1000000);
}

int KV_CDECL ReadSpecCarrierFrqAcc(short nominalMhz) {
    Carrier carrier = measureCarrier();
    if (!carrier.setUp) return kNoCarrierAccuracy;
    if (!carrier.marker) return 0;
    if (!isCarrier(*carrier.marker)) return kNoCarrierAccuracy;
    double nominal = nominalMhz;
    return roundToInt((carrier.marker->x - nominal * 1000000) / nominal);
}

int KV_CDECL ReadSpecSideLobePwr(int* first, int* second) {
    send({kClearWrite, kMarkersOff, "CALC1:MARK:PEXC 2dB\n", kMaxHold});
    waitMs(350);
    send("DET AVER\n");
    waitMs(300);
    markersOn({"CALC1:MARK1 ON\n", "CALC1:DELT2 ON\n", "CALC1:DELT3 ON\n", "CALC1:DELT4 ON\n"});
    send(kAverage);
    waitMs(650);
    if (!carrierMarker()) return 0;
    std::optional<int> d2 = deltaHundredths("CALC1:DELT2:X?;Y?\n");
    std::optional<int> d3 = d2 ? deltaHundredths("CALC1:DELT3:X?;Y?\n") : std::nullopt;
    std::optional<int> d4 = d3 ? deltaHundredths("CALC1:DELT4:X?;Y?\n") : std::nullopt;
    if (!d4) return 0;
    send(kClearWrite);
    *first = *d2 > *d3 ? *d2 : *d3;
    *second = *d4;
    return 1;
}

int KV_CDECL ReadSpecSideLobePwr1(int* first, int* second) {
    static int peaks = 0;  // the module's peak counter, zero between calls
    double reference = 0.0;
    send({kClearWrite, kMarkersOff, "CALC1:MARK:PEXC 2dB\n", kAverage});
    waitMs(150);
    send("DET AVER\n");
    waitMs(400);
    markersOn({"CALC1:MARK1 ON\n"});
    if (!carrierMarker()) return 0;
    markersOn({"CALC1:DELT2 ON\n"});
    for (int pass = 0; pass < kPeakSearchRounds && peaks < 2; ++pass) {
        send("CALC1:DELT2:X?;Y?\n");
        waitMs(20);
        std::optional<Marker> delta = readMarker();
        if (!delta) {
            peaks = 0;
            return 0;
        }
        double step = reference - delta->y;
        if (step >= kPeakStepDb) {
            ++peaks;
            if (peaks == 1) {
                *first = roundToInt(step * -100);
                reference = -step;
            } else if (peaks == 2) {
                *second = roundToInt((reference - step) * 100);
            }
        }
        send("CALC1:DELT2:MAX:NEXT\n");
    }
    send(kClearWrite);
    peaks = 0;
    return 1;
}

int KV_CDECL StartSpurSweetTest() {
    send({kClearWrite, kMarkersOff, "CALC1:MARK:PEXC 3dB\n", "FREQ:STAR 100MHZ\n",
          "FREQ:STOP 2900MHZ\n", "BAND 1MHZ\n", "BAND:VID 100KHZ\n", kMaxHold});
    if (!ok()) return 0;
    waitMs(700);
    markersOn({"CALC1:MARK1 ON\n", "CALC1:MARK2 ON\n", "CALC1:MARK3 ON\n"});
    send(kAverage);
    waitMs(650);
    std::optional<Marker> carrier = queryMarker(kMarker1);
    if (!carrier) return 0;
    if (!isCarrier(*carrier)) {
        send(kClearWrite);
        return 0;
    }
    std::optional<bool> lowClean =
        spursClean({"CALC1:MARK2:X?;Y?\n", "CALC1:MARK3:X?;Y?\n"}, carrier->x);
    if (!lowClean) return 0;

    waitMs(800);
    send({"DISP:TRAC:MODE WRIT\n", kMarkersOff, "FREQ:STAR 2900MHZ\n", "FREQ:STOP 7500MHZ\n",
          kMaxHold});
    waitMs(1000);
    markersOn({"CALC1:MARK1 ON\n", "CALC1:MARK2 ON\n", "CALC1:MARK3 ON\n"});
    send(kAverage);
    waitMs(650);
    std::optional<bool> highClean =
        spursClean({kMarker1, "CALC1:MARK2:X?;Y?\n", "CALC1:MARK3:X?;Y?\n"}, std::nullopt);
    if (!highClean) return 0;
    send(kClearWrite);
    return *lowClean && *highClean ? 1 : 0;
}

int KV_CDECL ReadPowerMeter() {
    send("MEAS2? DEF,DEF,(@1)\n");
    std::optional<std::string_view> reply = readReply();
    if (!reply) return 0;
    std::printf("Data read: %s\n", reply->data());
    std::fflush(stdout);
    return roundToInt(std::atof(reply->data()) * 100);
}

int KV_CDECL LabrigDLLVersion() {
    return 100;
}
