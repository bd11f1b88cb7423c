#include "spectrum_model.h"

#include <gtest/gtest.h>

#include <cmath>

namespace gpibsim {
namespace {

constexpr double kMhz = 1e6;

// A 10 MHz span around 1000 MHz: 10 kHz per point, point 500 at 1000 MHz.
SweepSettings narrowSweep(double rbwHz) {
    SweepSettings sweep;
    sweep.centreHz = 1000 * kMhz;
    sweep.spanHz = 10 * kMhz;
    sweep.rbwHz = rbwHz;
    sweep.attenuationDb = 0;
    return sweep;
}

std::vector<double> peakFrequencies(const Trace& trace, double excursionDb) {
    std::vector<double> frequencies;
    for (const Peak& peak : findPeaks(trace, excursionDb)) {
        frequencies.push_back(trace.frequency(peak.point) / kMhz);
    }
    return frequencies;
}

TEST(SpectrumModel, NoiseFollowsBandwidthAndAttenuation) {
    SweepSettings sweep = narrowSweep(3 * kMhz);
    sweep.attenuationDb = 20;
    const Trace trace(InputSignal{{}, -100}, sweep);
    ASSERT_EQ(trace.size(), kTracePoints);
    const double expected = -100 + 10 * std::log10(3.0) + 20;
    EXPECT_NEAR(trace.level(0), expected, 1e-9);
    EXPECT_NEAR(trace.level(kTracePoints - 1), expected, 1e-9);
}

TEST(SpectrumModel, ToneShowsThroughGaussianFilter) {
    const Trace trace(InputSignal{{{1000 * kMhz, -10}}, -250}, narrowSweep(190e3));
    EXPECT_NEAR(trace.level(500), -10, 1e-9) << "the tone lies in the bin";
    EXPECT_NEAR(trace.level(510), -13.01, 1e-9) << "half the RBW beyond the bin edge";
    EXPECT_NEAR(trace.level(489), -10 - 3.01 * std::pow(2 * 105e3 / 190e3, 2), 1e-9);
    EXPECT_EQ(trace.maximum(), 500u);
    EXPECT_EQ(trace.nearestPoint(1000.004 * kMhz), 500u);
    EXPECT_EQ(trace.nearestPoint(2000 * kMhz), kTracePoints - 1);
    EXPECT_TRUE(trace.covers(1005.004 * kMhz));
    EXPECT_FALSE(trace.covers(1005.006 * kMhz));
}

TEST(SpectrumModel, CounterReadsTheStrongestToneInTheBin) {
    const InputSignal signal{{{1000.003 * kMhz, -30}, {999.997 * kMhz, -20}}, -100};
    const Trace trace(signal, narrowSweep(1 * kMhz));
    EXPECT_DOUBLE_EQ(trace.countedFrequency(500), 999.997 * kMhz);
    EXPECT_DOUBLE_EQ(trace.countedFrequency(510), 1000.1 * kMhz) << "no tone: the bin centre";
}

TEST(SpectrumModel, PeaksNeedTheExcursionOnBothSides) {
    // The weak tone stands 4.8 dB above the noise.
    const InputSignal signal{{{997 * kMhz, -10}, {1002 * kMhz, -97}}, -100};
    const Trace trace(signal, narrowSweep(1 * kMhz));
    EXPECT_EQ(peakFrequencies(trace, 3), (std::vector<double>{997, 1002}));
    EXPECT_EQ(peakFrequencies(trace, 6), (std::vector<double>{997}));
}

TEST(SpectrumModel, TraceEndAndFlatTopsMakePeaks) {
    const Trace rising(InputSignal{{{1006 * kMhz, -10}}, -100}, narrowSweep(1 * kMhz));
    EXPECT_EQ(peakFrequencies(rising, 6), (std::vector<double>{1005}));

    const Trace onEdge(InputSignal{{{1000005000.0, -10}}, -100}, narrowSweep(1 * kMhz));
    const auto peaks = findPeaks(onEdge, 6);
    ASSERT_EQ(peaks.size(), 1u);
    EXPECT_EQ(peaks[0].first, 500u);
    EXPECT_EQ(peaks[0].last, 501u);
    EXPECT_EQ(peaks[0].point, 500u);

    const Trace flat(InputSignal{{}, -100}, narrowSweep(1 * kMhz));
    EXPECT_EQ(findPeaks(flat, 6).size(), 1u) << "a flat trace is one top";
}

// Marker behaviour through the SCPI commands is in analyser_test.cpp; this covers what the
// instrument cannot set up directly.
TEST(SpectrumModel, MarkersTakeFreePeaksAndIgnoreMarkersOutsideTheTrace) {
    const InputSignal signal{{{1000 * kMhz, -10}, {1002 * kMhz, -30}}, -100};
    const Trace trace(signal, narrowSweep(100e3));
    const MarkerId marker1{MarkerKind::kNormal, 1};
    const MarkerId delta2{MarkerKind::kDelta, 2};
    const MarkerId delta3{MarkerKind::kDelta, 3};
    MarkerSet markers;
    markers.placeAt(marker1, 500 * kMhz);
    markers.placeOnFreePeak(delta2, trace, 6);
    EXPECT_EQ(markers.read(delta2, trace)->frequencyHz, 1000 * kMhz);
    markers.placeOnFreePeak(marker1, trace, 6);
    EXPECT_EQ(markers.read(marker1, trace)->frequencyHz, 1002 * kMhz);
    markers.placeOnFreePeak(delta3, trace, 6);
    EXPECT_EQ(markers.read(delta3, trace)->frequencyHz, 1000 * kMhz) << "all held: the maximum";
    EXPECT_NEAR(markers.read(delta3, trace)->level, 20, 1e-6) << "relative to marker 1";
}

}  // namespace
}  // namespace gpibsim
