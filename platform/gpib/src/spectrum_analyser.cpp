#include "spectrum_analyser.h"

#include <string>
#include <utility>
#include <vector>

namespace gpibsim {
namespace {

constexpr double kHzPerMhz = 1e6;
constexpr const char* kFrequencyFormat = "%.9E";
constexpr const char* kLevelFormat = "%.2f";

const std::vector<std::string_view> kTraceModes{"WRITe", "MAXHold", "MINHold", "AVERage", "VIEW"};
const std::vector<std::string_view> kDetectors{"APEak", "POSitive", "NEGative", "SAMPle",
                                               "RMS",   "AVERage",  "QPEak"};

bool anyValue(double) {
    return true;
}
bool notNegative(double value) {
    return value >= 0;
}
bool positive(double value) {
    return value > 0;
}

std::string shortForm(std::string_view mnemonic) {
    std::string result;
    for (const char c : mnemonic) {
        if (c < 'A' || c > 'Z') break;
        result += c;
    }
    return result;
}

std::string withPrefix(std::string_view prefix, std::string_view rest) {
    return std::string(prefix) + std::string(rest);
}

}  // namespace

InputSignal inputSignal(const AnalyserConfig& config) {
    InputSignal signal;
    signal.noiseDbm = config.noiseDbm;
    const double carrierHz = config.carrierMhz * kHzPerMhz;
    signal.tones.push_back({carrierHz, config.carrierDbm});
    for (const Sidelobe& lobe : config.sidelobes) {
        const double offsetHz = lobe.offsetMhz * kHzPerMhz;
        signal.tones.push_back({carrierHz - offsetHz, config.carrierDbm + lobe.belowDbc});
        signal.tones.push_back({carrierHz + offsetHz, config.carrierDbm + lobe.aboveDbc});
    }
    for (const Spur& spur : config.spurs) {
        signal.tones.push_back({spur.frequencyMhz * kHzPerMhz, spur.levelDbm});
    }
    return signal;
}

SpectrumAnalyser::SpectrumAnalyser(const AnalyserConfig& config)
    : ScpiInstrument("Simulated,Spectrum Analyser,0,1.0"), signal_(inputSignal(config)) {
    addFrequencyCommands();
    addLevelCommands();
    addTraceCommands();
    addMarkerCommands(MarkerKind::kNormal, "CALCulate#:MARKer#");
    addMarkerCommands(MarkerKind::kDelta, "CALCulate#:DELTamarker#");
    addCommand("CALCulate#:MARKer#:AOFF", [this](const Invocation&) { markers_.allOff(); });
    addCommand("CALCulate#:DELTamarker#:AOFF", [this](const Invocation&) {
        for (int number = 1; number <= MarkerSet::kCount; ++number) {
            markers_.setOff({MarkerKind::kDelta, number});
        }
    });
}

void SpectrumAnalyser::reset() {
    settings_ = Settings{};
    markers_.allOff();
}

void SpectrumAnalyser::addNumber(std::string_view spec, scpi::Quantity unit, Validator valid,
                                 Setter set, Getter get) {
    addCommand(spec, [this, unit, valid, set](const Invocation& invocation) {
        const auto value = quantity(invocation, unit);
        if (!value) return;
        if (!valid(*value)) return fail(kIllegalParameter);
        set(*value);
    });
    const char* format = unit == scpi::Quantity::kFrequency ? kFrequencyFormat : kLevelFormat;
    addQuery(spec, [this, format, get](const Invocation&) { reply(formatNumber(format, get())); });
}

void SpectrumAnalyser::addChoice(std::string_view spec,
                                 const std::vector<std::string_view>& mnemonics,
                                 std::size_t Settings::*member) {
    addCommand(spec, [this, &mnemonics, member](const Invocation& invocation) {
        if (const auto index = choice(invocation, mnemonics)) settings_.*member = *index;
    });
    addQuery(spec, [this, &mnemonics, member](const Invocation&) {
        reply(shortForm(mnemonics[settings_.*member]));
    });
}

void SpectrumAnalyser::addFrequencyCommands() {
    using scpi::Quantity;
    auto& sweep = settings_.sweep;
    addNumber(
        "[SENSe:]FREQuency:CENTer", Quantity::kFrequency, anyValue,
        [&sweep](double hz) { sweep.centreHz = hz; }, [&sweep] { return sweep.centreHz; });
    addNumber(
        "[SENSe:]FREQuency:SPAN", Quantity::kFrequency, notNegative,
        [&sweep](double hz) { sweep.spanHz = hz; }, [&sweep] { return sweep.spanHz; });
    addNumber(
        "[SENSe:]FREQuency:STARt", Quantity::kFrequency, anyValue,
        [&sweep](double hz) { sweep.setStart(hz); }, [&sweep] { return sweep.startHz(); });
    addNumber(
        "[SENSe:]FREQuency:STOP", Quantity::kFrequency, anyValue,
        [&sweep](double hz) { sweep.setStop(hz); }, [&sweep] { return sweep.stopHz(); });
    for (const auto* name : {"[SENSe:]BANDwidth", "[SENSe:]BWIDth"}) {
        addNumber(
            withPrefix(name, "[:RESolution]"), Quantity::kFrequency, positive,
            [&sweep](double hz) { sweep.rbwHz = hz; }, [&sweep] { return sweep.rbwHz; });
        addNumber(
            withPrefix(name, ":VIDeo"), Quantity::kFrequency, positive,
            [this](double hz) { settings_.vbwHz = hz; }, [this] { return settings_.vbwHz; });
    }
}

void SpectrumAnalyser::addLevelCommands() {
    using scpi::Quantity;
    addNumber(
        "DISPlay[:WINDow#]:TRACe#:Y[:SCALe]:RLEVel", Quantity::kPowerLevel, anyValue,
        [this](double dbm) { settings_.referenceDbm = dbm; },
        [this] { return settings_.referenceDbm; });
    addNumber(
        "INPut#:ATTenuation", Quantity::kRatio, notNegative,
        [this](double db) { settings_.sweep.attenuationDb = db; },
        [this] { return settings_.sweep.attenuationDb; });
    addNumber(
        "CALCulate#:MARKer#:PEXCursion", Quantity::kRatio, notNegative,
        [this](double db) { settings_.excursionDb = db; },
        [this] { return settings_.excursionDb; });
}

void SpectrumAnalyser::addTraceCommands() {
    addChoice("DISPlay[:WINDow#]:TRACe#:MODE", kTraceModes, &Settings::traceMode);
    addChoice("[SENSe:]DETector#[:FUNCtion]", kDetectors, &Settings::detector);
    addCommand("SYSTem:DISPlay:UPDate", [this](const Invocation& invocation) {
        if (const auto on = boolean(invocation)) settings_.displayUpdate = *on;
    });
    addQuery("SYSTem:DISPlay:UPDate",
             [this](const Invocation&) { reply(settings_.displayUpdate ? "1" : "0"); });
}

void SpectrumAnalyser::addMarkerCommands(MarkerKind kind, std::string_view prefix) {
    const auto state = withPrefix(prefix, "[:STATe]");
    addCommand(state, [this, kind](const Invocation& invocation) {
        const auto id = marker(kind, invocation);
        const auto on = id ? boolean(invocation) : std::nullopt;
        if (!on) return;
        if (*on) return markers_.placeOnFreePeak(*id, trace(), settings_.excursionDb);
        markers_.setOff(*id);
    });
    addQuery(state, [this, kind](const Invocation& invocation) {
        if (const auto id = marker(kind, invocation)) reply(markers_.isOn(*id) ? "1" : "0");
    });
    addCommand(withPrefix(prefix, ":X"), [this, kind](const Invocation& invocation) {
        const auto id = marker(kind, invocation);
        const auto hz = id ? quantity(invocation, scpi::Quantity::kFrequency) : std::nullopt;
        if (hz) markers_.placeAt(*id, *hz);
    });
    addMarkerQueries(kind, prefix);
    addPeakCommands(kind, prefix);
}

void SpectrumAnalyser::addMarkerQueries(MarkerKind kind, std::string_view prefix) {
    addQuery(withPrefix(prefix, ":X"), [this, kind](const Invocation& invocation) {
        if (const auto id = activeMarker(kind, invocation)) {
            reply(formatNumber(kFrequencyFormat, markers_.read(*id, trace())->frequencyHz));
        }
    });
    addQuery(withPrefix(prefix, ":Y"), [this, kind](const Invocation& invocation) {
        if (const auto id = activeMarker(kind, invocation)) {
            reply(formatNumber(kLevelFormat, markers_.read(*id, trace())->level));
        }
    });
}

void SpectrumAnalyser::addPeakCommands(MarkerKind kind, std::string_view prefix) {
    addCommand(withPrefix(prefix, ":MAXimum[:PEAK]"), [this, kind](const Invocation& invocation) {
        if (const auto id = marker(kind, invocation)) markers_.placeOnMaximum(*id, trace());
    });
    addCommand(withPrefix(prefix, ":MAXimum:NEXT"), [this, kind](const Invocation& invocation) {
        const auto id = activeMarker(kind, invocation);
        if (id && !markers_.moveToNextPeak(*id, trace(), settings_.excursionDb)) {
            fail(kNoPeakFound);
        }
    });
}

std::optional<MarkerId> SpectrumAnalyser::marker(MarkerKind kind, const Invocation& invocation) {
    const int number = invocation.suffixes.at(1);
    if (number < 1 || number > MarkerSet::kCount) {
        fail(kHeaderSuffixOutOfRange);
        return std::nullopt;
    }
    return MarkerId{kind, number};
}

std::optional<MarkerId> SpectrumAnalyser::activeMarker(MarkerKind kind,
                                                       const Invocation& invocation) {
    auto id = marker(kind, invocation);
    if (id && !markers_.isOn(*id)) {
        fail(kSettingsConflict);
        return std::nullopt;
    }
    return id;
}

}  // namespace gpibsim
