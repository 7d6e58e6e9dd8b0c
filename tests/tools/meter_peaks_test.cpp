// Checks melp-meter's own peak measurement: the exact sample peak, and a true peak that finds
// the crests between the samples.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "tools/melp_meter/peak_analysis.h"

namespace melp::tools {
namespace {

constexpr double kTwoPi = 6.283185307179586;

PeakAnalysis analyse(const std::vector<float>& left, const std::vector<float>& right,
                     std::int32_t block, bool truePeak) {
    PeakAnalysis peaks;
    for (std::size_t i = 0; i < left.size(); i += static_cast<std::size_t>(block)) {
        const auto n = static_cast<std::int32_t>(std::min<std::size_t>(static_cast<std::size_t>(block), left.size() - i));
        peaks.add(left.data() + i, right.data() + i, n, truePeak);
    }
    peaks.finish(truePeak);
    return peaks;
}

// Faded in and out over 256 samples: a sudden start or stop rings in any band-limited
// reconstruction (the crest of a step lies above the step) and is not what these tests see.
std::vector<float> sine(double cyclesPerSample, double amplitude, double phase, std::size_t n) {
    std::vector<float> s(n);
    for (std::size_t i = 0; i < n; ++i) {
        const std::size_t edge = std::min(i, n - 1 - i);
        const double fade = edge < 256 ? 0.5 - 0.5 * std::cos(kTwoPi * static_cast<double>(edge) / 512.0) : 1.0;
        s[i] = static_cast<float>(fade * amplitude *
                                  std::sin(kTwoPi * cyclesPerSample * static_cast<double>(i) + phase));
    }
    return s;
}

TEST(OwnPeaks, SamplePeakIsTheLargestMagnitudeExactly) {
    std::vector<float> left(1000, 0.0f), right(1000, 0.0f);
    left[17] = -0.7f;
    left[500] = 0.3f;
    right[999] = 0.123456f;  // the very last sample counts
    const PeakAnalysis p = analyse(left, right, 64, false);
    EXPECT_EQ(p.samplePeak(0), static_cast<double>(0.7f));
    EXPECT_EQ(p.samplePeak(1), static_cast<double>(0.123456f));
    EXPECT_EQ(p.truePeak(0), p.samplePeak(0));
    EXPECT_NEAR(toDecibels(0.5), -6.0206, 1e-4);
    EXPECT_TRUE(std::isinf(toDecibels(0.0)));
}

TEST(OwnPeaks, TruePeakFindsTheCrestBetweenSamples) {
    // A quarter of the rate at 45 degrees: samples at 0.8485 of the amplitude.
    const auto quarter = sine(0.25, 1.2, kTwoPi / 8, 4800);
    const auto quiet = sine(0.25, 0.5, 0.0, 4800);
    const PeakAnalysis p = analyse(quarter, quiet, 512, true);
    EXPECT_NEAR(p.samplePeak(0), 0.8485, 1e-4);
    EXPECT_NEAR(toDecibels(p.truePeak(0)), toDecibels(1.2), 0.05);
    EXPECT_NEAR(toDecibels(p.truePeak(1)), toDecibels(0.5), 0.05);
    // High in the band the interpolation still holds.
    const auto high = sine(0.43, 0.9, 0.3, 9600);
    const PeakAnalysis h = analyse(high, high, 100, true);
    EXPECT_NEAR(toDecibels(h.truePeak(0)), toDecibels(0.9), 0.15);
    EXPECT_GE(h.truePeak(0), h.samplePeak(0));
}

TEST(OwnPeaks, BlockSplitDoesNotChangeTheResult) {
    const auto l = sine(0.1234, 0.8, 0.1, 20000);
    const auto r = sine(0.37, 0.6, 1.0, 20000);
    const PeakAnalysis whole = analyse(l, r, 20000, true);
    const PeakAnalysis single = analyse(l, r, 1, true);
    const PeakAnalysis odd = analyse(l, r, 777, true);
    for (int ch = 0; ch < 2; ++ch) {
        EXPECT_EQ(whole.truePeak(ch), single.truePeak(ch));
        EXPECT_EQ(whole.truePeak(ch), odd.truePeak(ch));
        EXPECT_EQ(whole.samplePeak(ch), odd.samplePeak(ch));
    }
}

// Every window the plain way: the signal behind 15 zeros and ahead of 8, each sum in window
// order in single precision. The vector versions must find exactly this.
TEST(OwnPeaks, TruePeakIsTheLargestInterpolatedValueOfEveryWindow) {
    const auto l = sine(0.31, 0.7, 0.4, 3001);
    std::vector<float> r = sine(0.47, 0.5, 2.0, 3001);
    r[1500] = -0.95f;  // a click: its crest is the loudest
    for (std::int32_t block : {1, 3, 8, 777, 3001}) {
        const PeakAnalysis p = analyse(l, r, block, true);
        for (int ch = 0; ch < 2; ++ch) {
            const std::vector<float>& x = ch == 0 ? l : r;
            std::vector<float> line(15, 0.0f);
            line.insert(line.end(), x.begin(), x.end());
            line.insert(line.end(), 8, 0.0f);
            float crest = 0.0f;
            for (std::size_t n = 0; n + 16 <= line.size(); ++n) {
                crest = std::max(crest, std::fabs(line[n + 15]));
                for (int k = 1; k < 4; ++k) {
                    float y = 0.0f;
                    for (int m = 0; m < 16; ++m) y += p.weight(m, k) * line[n + static_cast<std::size_t>(m)];
                    crest = std::max(crest, std::fabs(y));
                }
            }
            EXPECT_EQ(p.truePeak(ch), static_cast<double>(crest)) << "block " << block << " channel " << ch;
        }
    }
}

TEST(OwnPeaks, SlowWaveReadsItsSamplePeak) {
    // Far below the band edge the samples already meet the crest.
    const auto slow = sine(0.001, 0.6, 0.0, 6000);
    const PeakAnalysis p = analyse(slow, slow, 256, true);
    EXPECT_NEAR(p.truePeak(0), p.samplePeak(0), 1e-4);
    EXPECT_NEAR(p.samplePeak(0), 0.6, 1e-4);
}

}  // namespace
}  // namespace melp::tools
