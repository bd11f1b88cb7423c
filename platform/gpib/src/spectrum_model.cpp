#include "spectrum_model.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace gpibsim {
namespace {

constexpr double kFilterShapeDb = -3.01;  // Gaussian filter: -3.01 dB at half the RBW off
constexpr double kNegligibleDb = -200;    // filter skirts below this add nothing
constexpr double kReferenceRbwHz = 1e6;   // the bandwidth the configured noise level refers to

double milliwatts(double dbm) {
    return std::pow(10.0, dbm / 10);
}

double filterGain(double distanceHz, double rbwHz) {
    const double x = 2 * distanceHz / rbwHz;
    const double gainDb = kFilterShapeDb * x * x;
    return gainDb < kNegligibleDb ? 0.0 : milliwatts(gainDb);
}

double displayedNoise(const InputSignal& signal, const SweepSettings& sweep) {
    return milliwatts(signal.noiseDbm + 10 * std::log10(sweep.rbwHz / kReferenceRbwHz) +
                      sweep.attenuationDb);
}

// Follows the trace away from a top at `level` in one direction: true when it falls by the
// excursion (or runs off the end) before it rises above the top.
bool fallsBeforeRising(const Trace& trace, std::ptrdiff_t from, std::ptrdiff_t step, double level,
                       double excursionDb) {
    const auto size = static_cast<std::ptrdiff_t>(trace.size());
    for (auto i = from; i >= 0 && i < size; i += step) {
        const double value = trace.level(static_cast<std::size_t>(i));
        if (value > level) return false;
        if (value <= level - excursionDb) return true;
    }
    return true;
}

bool isPeak(const Trace& trace, std::size_t first, std::size_t last, double excursionDb) {
    const double level = trace.level(first);
    return fallsBeforeRising(trace, static_cast<std::ptrdiff_t>(first) - 1, -1, level,
                             excursionDb) &&
           fallsBeforeRising(trace, static_cast<std::ptrdiff_t>(last) + 1, 1, level, excursionDb);
}

bool comesFirst(const Peak& a, const Peak& b) {
    return a.level != b.level ? a.level > b.level : a.point < b.point;
}

}  // namespace

void SweepSettings::setStart(double hz) {
    const double stop = std::max(stopHz(), hz);
    centreHz = (hz + stop) / 2;
    spanHz = stop - hz;
}

void SweepSettings::setStop(double hz) {
    const double start = std::min(startHz(), hz);
    centreHz = (start + hz) / 2;
    spanHz = hz - start;
}

Trace::Trace(const InputSignal& signal, const SweepSettings& sweep)
    : tones_(signal.tones),
      startHz_(sweep.startHz()),
      stepHz_(sweep.spanHz / (kTracePoints - 1)),
      levels_(kTracePoints) {
    const double noise = displayedNoise(signal, sweep);
    for (std::size_t i = 0; i < levels_.size(); ++i) {
        double power = noise;
        for (const Tone& tone : tones_) {
            power += milliwatts(tone.levelDbm) *
                     filterGain(distanceToBin(i, tone.frequencyHz), sweep.rbwHz);
        }
        levels_[i] = 10 * std::log10(power);
    }
}

double Trace::frequency(std::size_t point) const {
    return startHz_ + static_cast<double>(point) * stepHz_;
}

double Trace::distanceToBin(std::size_t point, double hz) const {
    const double low = frequency(point) - stepHz_ / 2;
    const double high = frequency(point) + stepHz_ / 2;
    if (hz < low) return low - hz;
    if (hz > high) return hz - high;
    return 0;
}

std::size_t Trace::nearestPoint(double hz) const {
    if (stepHz_ <= 0) return size() / 2;
    const double position = std::round((hz - startHz_) / stepHz_);
    return static_cast<std::size_t>(std::clamp(position, 0.0, static_cast<double>(size() - 1)));
}

bool Trace::covers(double hz) const {
    return hz >= startHz_ - stepHz_ / 2 && hz <= frequency(size() - 1) + stepHz_ / 2;
}

double Trace::countedFrequency(std::size_t point) const {
    const Tone* strongest = nullptr;
    for (const Tone& tone : tones_) {
        if (distanceToBin(point, tone.frequencyHz) > 0) continue;
        if (strongest == nullptr || tone.levelDbm > strongest->levelDbm) strongest = &tone;
    }
    return strongest != nullptr ? strongest->frequencyHz : frequency(point);
}

std::size_t Trace::maximum() const {
    return static_cast<std::size_t>(std::ranges::max_element(levels_) - levels_.begin());
}

std::vector<Peak> findPeaks(const Trace& trace, double excursionDb) {
    std::vector<Peak> peaks;
    for (std::size_t first = 0; first < trace.size();) {
        std::size_t last = first;
        while (last + 1 < trace.size() && trace.level(last + 1) == trace.level(first))
            ++last;
        if (isPeak(trace, first, last, excursionDb)) {
            peaks.push_back({(first + last) / 2, first, last, trace.level(first)});
        }
        first = last + 1;
    }
    std::ranges::sort(peaks, comesFirst);
    return peaks;
}

MarkerSet::Marker& MarkerSet::at(MarkerId id) {
    auto& markers = id.kind == MarkerKind::kNormal ? normal_ : delta_;
    return markers.at(static_cast<std::size_t>(id.number - 1));
}

const MarkerSet::Marker& MarkerSet::at(MarkerId id) const {
    const auto& markers = id.kind == MarkerKind::kNormal ? normal_ : delta_;
    return markers.at(static_cast<std::size_t>(id.number - 1));
}

void MarkerSet::allOff() {
    normal_ = {};
    delta_ = {};
}

void MarkerSet::placeAt(MarkerId id, double hz) {
    at(id) = {true, hz};
}

void MarkerSet::placeOnMaximum(MarkerId id, const Trace& trace) {
    placeAt(id, trace.frequency(trace.maximum()));
}

void MarkerSet::placeOnFreePeak(MarkerId id, const Trace& trace, double excursionDb) {
    for (const Peak& peak : findPeaks(trace, excursionDb)) {
        if (!heldByOther(peak, id, trace)) {
            placeAt(id, trace.frequency(peak.point));
            return;
        }
    }
    placeOnMaximum(id, trace);
}

bool MarkerSet::heldByOther(const Peak& peak, MarkerId self, const Trace& trace) const {
    for (const auto kind : {MarkerKind::kNormal, MarkerKind::kDelta}) {
        for (int number = 1; number <= kCount; ++number) {
            const MarkerId other{kind, number};
            const Marker& marker = at(other);
            if (other == self || !marker.on || !trace.covers(marker.frequencyHz)) continue;
            const std::size_t point = trace.nearestPoint(marker.frequencyHz);
            if (point >= peak.first && point <= peak.last) return true;
        }
    }
    return false;
}

bool MarkerSet::moveToNextPeak(MarkerId id, const Trace& trace, double excursionDb) {
    const std::size_t point = trace.nearestPoint(at(id).frequencyHz);
    const Peak current{point, point, point, trace.level(point)};
    for (const Peak& peak : findPeaks(trace, excursionDb)) {
        const bool sameTop = point >= peak.first && point <= peak.last;
        if (!sameTop && comesFirst(current, peak)) {
            placeAt(id, trace.frequency(peak.point));
            return true;
        }
    }
    return false;
}

std::optional<MarkerReading> MarkerSet::read(MarkerId id, const Trace& trace) const {
    const Marker& marker = at(id);
    if (!marker.on) return std::nullopt;
    const std::size_t point = trace.nearestPoint(marker.frequencyHz);
    MarkerReading reading{trace.countedFrequency(point), trace.level(point)};
    const Marker& reference = normal_[0];
    if (id.kind == MarkerKind::kDelta && reference.on) {
        reading.level -= trace.level(trace.nearestPoint(reference.frequencyHz));
    }
    return reading;
}

}  // namespace gpibsim
