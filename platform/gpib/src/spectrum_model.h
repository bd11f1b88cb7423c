// The spectrum analyser's measurement model: the swept trace, its peaks and the markers on it.
// Everything is deterministic: the same signal and settings always give the same trace.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <vector>

namespace gpibsim {

struct Tone {
    double frequencyHz = 0;
    double levelDbm = 0;
};

// What reaches the analyser's input.
struct InputSignal {
    std::vector<Tone> tones;
    double noiseDbm = -105;  // displayed noise at 1 MHz resolution bandwidth, 0 dB attenuation
};

// The settings that shape the trace. Centre/span and start/stop are two views of one range.
struct SweepSettings {
    double centreHz = 3.75e9;
    double spanHz = 7.5e9;
    double rbwHz = 3e6;
    double attenuationDb = 10;

    double startHz() const { return centreHz - spanHz / 2; }
    double stopHz() const { return centreHz + spanHz / 2; }
    void setStart(double hz);  // keeps the stop, unless the start passes it
    void setStop(double hz);   // keeps the start, unless the stop passes it
};

inline constexpr std::size_t kTracePoints = 1001;

// The swept trace: point i stands for the bin [f_i - step/2, f_i + step/2] and shows the noise
// plus every tone seen through the Gaussian resolution filter from the bin's nearer edge.
class Trace {
public:
    Trace(const InputSignal& signal, const SweepSettings& sweep);

    std::size_t size() const { return levels_.size(); }
    double frequency(std::size_t point) const;
    double level(std::size_t point) const { return levels_[point]; }
    // The point whose bin holds hz, or the nearer end when hz lies outside the trace.
    std::size_t nearestPoint(double hz) const;
    bool covers(double hz) const;
    // The frequency a marker counter reads: the strongest tone in the bin, else the bin centre.
    double countedFrequency(std::size_t point) const;
    std::size_t maximum() const;

private:
    double distanceToBin(std::size_t point, double hz) const;

    std::vector<Tone> tones_;
    double startHz_;
    double stepHz_;
    std::vector<double> levels_;
};

// A peak: the trace falls by the peak excursion on both sides before rising above it. For a flat
// top, `point` is its middle and [first, last] the whole top.
struct Peak {
    std::size_t point = 0;
    std::size_t first = 0;
    std::size_t last = 0;
    double level = 0;
};

// The trace's peaks, highest first (equal levels: lower frequency first).
std::vector<Peak> findPeaks(const Trace& trace, double excursionDb);

enum class MarkerKind { kNormal, kDelta };

struct MarkerId {
    MarkerKind kind = MarkerKind::kNormal;
    int number = 1;  // 1..MarkerSet::kCount
    bool operator==(const MarkerId&) const = default;
};

struct MarkerReading {
    double frequencyHz = 0;
    double level = 0;  // dBm; for a delta marker dB relative to marker 1 (or to 0 dBm without it)
};

// Markers and delta markers. A marker holds a frequency; its level comes from the trace it is
// read against, so it stays where it is when the settings change.
class MarkerSet {
public:
    static constexpr int kCount = 4;

    bool isOn(MarkerId id) const { return at(id).on; }
    void setOff(MarkerId id) { at(id).on = false; }
    void allOff();
    void placeAt(MarkerId id, double hz);
    void placeOnMaximum(MarkerId id, const Trace& trace);
    // On the highest peak no other active marker holds; on the maximum when all are held.
    void placeOnFreePeak(MarkerId id, const Trace& trace, double excursionDb);
    // To the highest peak below the marker's point; false (marker stays) when there is none.
    bool moveToNextPeak(MarkerId id, const Trace& trace, double excursionDb);
    std::optional<MarkerReading> read(MarkerId id, const Trace& trace) const;

private:
    struct Marker {
        bool on = false;
        double frequencyHz = 0;
    };

    Marker& at(MarkerId id);
    const Marker& at(MarkerId id) const;
    bool heldByOther(const Peak& peak, MarkerId self, const Trace& trace) const;

    std::array<Marker, kCount> normal_{};
    std::array<Marker, kCount> delta_{};
};

}  // namespace gpibsim
