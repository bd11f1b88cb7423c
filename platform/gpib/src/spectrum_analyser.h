// The simulated SCPI spectrum analyser: its command set on top of the spectrum model.
#pragma once

#include <functional>
#include <optional>
#include <string_view>

#include "scpi_instrument.h"
#include "sim_config.h"
#include "spectrum_model.h"

namespace gpibsim {

// The tones and noise a configuration puts on the analyser's input.
InputSignal inputSignal(const AnalyserConfig& config);

class SpectrumAnalyser : public ScpiInstrument {
public:
    explicit SpectrumAnalyser(const AnalyserConfig& config);

    // Changes what the input sees; settings and markers stay.
    void setSignal(const AnalyserConfig& config) { signal_ = inputSignal(config); }

protected:
    void reset() override;

private:
    struct Settings {
        SweepSettings sweep;
        double vbwHz = 3e6;
        double referenceDbm = 0;
        double excursionDb = 6;
        std::size_t traceMode = 0;  // index into kTraceModes
        std::size_t detector = 0;   // index into kDetectors
        bool displayUpdate = false;
    };

    using Setter = std::function<void(double)>;
    using Getter = std::function<double()>;
    using Validator = bool (*)(double);

    void addNumber(std::string_view spec, scpi::Quantity unit, Validator valid, Setter set,
                   Getter get);
    void addChoice(std::string_view spec, const std::vector<std::string_view>& mnemonics,
                   std::size_t Settings::*member);
    void addFrequencyCommands();
    void addLevelCommands();
    void addTraceCommands();
    void addMarkerCommands(MarkerKind kind, std::string_view prefix);
    void addMarkerQueries(MarkerKind kind, std::string_view prefix);
    void addPeakCommands(MarkerKind kind, std::string_view prefix);

    std::optional<MarkerId> marker(MarkerKind kind, const Invocation& invocation);
    std::optional<MarkerId> activeMarker(MarkerKind kind, const Invocation& invocation);
    Trace trace() const { return Trace(signal_, settings_.sweep); }

    InputSignal signal_;
    Settings settings_;
    MarkerSet markers_;
};

}  // namespace gpibsim
