// Checks the level view against analytic expectations: silence floors, the over indicator's
// timing, true peak between the samples, quasi-peak ballistics and the phase correlation.
#include <gtest/gtest.h>

#include "meter_test_support.h"

namespace melp::testing {
namespace {

constexpr double kRateHz = 44100.0;

TEST(SilenceFloors, SamplePeakRestsWhereTheFallBalancesTheOffset) {
    auto e = makeEffect();
    process(*e, Stereo{noise(4410, 1), noise(4410, 2)});
    process(*e, silence(20 * 44100));
    const double floor = 1e-9 / (1.0 - static_cast<double>(e->peakFall));
    EXPECT_NEAR(floor, 2.87e-05, 0.01e-05);
    EXPECT_NEAR(peakOf(*e, 0), floor, floor * 0.005);
    EXPECT_NEAR(peakOf(*e, 1), floor, floor * 0.005);
    EXPECT_LT(e->averageLevel[0].load(), 1e-6f);
    EXPECT_GT(e->correlation.load(), 0.999f);
    EXPECT_EQ(e->readMeter(2), 0.0f);
}

TEST(SilenceFloors, TruePeakFallsFourTimesPerSample) {
    auto e = makeEffect();
    e->setParameterValue(5, 1.0f);
    process(*e, silence(30 * 44100));
    const double floor = 1e-9 / (1.0 - static_cast<double>(e->peakFall4));
    EXPECT_NEAR(floor, 1.149e-04, 0.001e-04);
    EXPECT_NEAR(peakOf(*e, 0), floor, floor * 0.01);
    EXPECT_NEAR(e->readMeter(2), -0.0125f, 1e-6f);
}

TEST(OverIndicator, FullScaleItselfIsNotOver) {
    auto e = makeEffect();
    Stereo s = silence(100);
    s.left[10] = 1.0f;
    s.right[10] = -1.0f;
    process(*e, s);
    EXPECT_EQ(e->readMeter(9), 0.0f);
    EXPECT_EQ(e->readMeter(10), 0.0f);
    EXPECT_EQ(maxOf(*e, 0), 1.0f);
}

TEST(OverIndicator, TwiceFullScaleHoldsAboutOnePointFourFiveSeconds) {
    auto e = makeEffect();
    Stereo s = silence(2 * 44100);
    s.left[0] = 2.0f;
    float* channels[2] = {s.left.data(), s.right.data()};
    size_t cleared = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        float* frame[2] = {channels[0] + i, channels[1] + i};
        e->processReplace(frame, frame, 1);
        if (i == 0) {
            ASSERT_EQ(e->readMeter(9), 1.0f);
            ASSERT_EQ(e->readMeter(10), 0.0f);
        }
        if (cleared == 0 && e->readMeter(9) == 0.0f) {
            cleared = i;
        }
    }
    // 0.45 s to fall from 2.0 to full scale (20 dB per 1.5 s), then one second of hold.
    const double expected = 1.5 * std::log10(2.0) + 1.0;
    EXPECT_NEAR(static_cast<double>(cleared) / kRateHz, expected, 0.002);
}

TEST(TruePeak, QuarterRateSineAt45DegreesIsOverOnlyBetweenSamples) {
    // Amplitude 1.2 sampled at 45 degrees: every sample is +-0.8485.
    const auto wave = sine(44100, 11025.0, kRateHz, 1.2, 3.141592653589793 / 4.0);
    for (float truePeak : {0.0f, 1.0f}) {
        auto e = makeEffect();
        e->setParameterValue(5, truePeak);
        process(*e, Stereo{wave, wave});
        if (truePeak == 0.0f) {
            EXPECT_NEAR(maxOf(*e, 0), 0.8485f, 1e-4f);
            EXPECT_EQ(e->readMeter(9), 0.0f);
        } else {
            EXPECT_NEAR(maxOf(*e, 0), 1.19f, 0.015f);
            EXPECT_EQ(e->readMeter(9), 1.0f);
            EXPECT_EQ(e->readMeter(10), 1.0f);
        }
    }
}

TEST(TruePeak, HistoryPositionCyclesThroughMultiplesOfFour) {
    auto e = makeEffect();
    e->setParameterValue(5, 1.0f);
    EXPECT_EQ(e->historyPos, 360);
    process(*e, silence(91));
    EXPECT_EQ(e->historyPos, 360);
    process(*e, silence(3));
    EXPECT_EQ(e->historyPos, 348);
}

double quasiPeakMax(double frequencyHz, size_t frames, double amplitude) {
    auto e = makeEffect();
    e->setParameterValue(4, 1.0f);
    Stereo s = silence(frames + 4410);
    const auto tone = sine(frames, frequencyHz, kRateHz, amplitude);
    std::copy(tone.begin(), tone.end(), s.left.begin());
    process(*e, s);
    return static_cast<double>(maxOf(*e, 0));
}

TEST(QuasiPeak, SteadySineSettlesJustBelowTheRaisedPeak) {
    const double a = 0.3;
    const double settled = quasiPeakMax(1000.0, 44100, a);
    EXPECT_NEAR(settled / (1.5848932 * a), 0.977, 0.004);
}

TEST(QuasiPeak, ShortBurstsReachLess) {
    const double steady = quasiPeakMax(5000.0, 44100, 0.3);
    const double burst10 = quasiPeakMax(5000.0, 441, 0.3);
    const double burst5 = quasiPeakMax(5000.0, 220, 0.3);
    EXPECT_NEAR(db(burst10 / steady), -1.0, 0.3);
    EXPECT_NEAR(db(burst5 / steady), -2.6, 0.3);
}

TEST(QuasiPeak, OverThresholdIsFourDecibelsBelowTheRaisedScale) {
    auto e = makeEffect();
    e->setParameterValue(4, 1.0f);
    // -7 dB input is +-3 dB above the -4 dB threshold once raised by 4 dB.
    const auto tone = sine(4410, 1000.0, kRateHz, 0.4467);
    process(*e, Stereo{tone, std::vector<float>(tone.size(), 0.0f)});
    EXPECT_EQ(e->readMeter(9), 1.0f);
    EXPECT_EQ(e->readMeter(10), 0.0f);
    // readMeter 7 reads the maximum 5 dB higher: about 9 dB above the input level.
    EXPECT_NEAR(e->readMeter(7), db(0.4467) + 9.0, 0.35);
}

TEST(Correlation, FollowsThePhaseRelation) {
    const auto a = noise(3 * 44100, 21);
    const auto b = noise(3 * 44100, 22);
    std::vector<float> inverted(a.size());
    for (size_t i = 0; i < a.size(); ++i) inverted[i] = -a[i];

    auto same = makeEffect();
    process(*same, Stereo{a, a});
    EXPECT_GT(same->readMeter(6), 0.999f);

    auto opposite = makeEffect();
    process(*opposite, Stereo{a, inverted});
    EXPECT_LT(opposite->readMeter(6), 0.001f);

    auto unrelated = makeEffect();
    unrelated->setParameterValue(6, 1.0f);
    process(*unrelated, Stereo{a, b});
    EXPECT_NEAR(unrelated->readMeter(6), 0.5f, 0.08f);
}

TEST(Correlation, FastSettingHalvesTheTimeConstant) {
    auto slow = makeEffect();
    auto fast = makeEffect();
    fast->setParameterValue(6, 1.0f);
    // One time constant of the slow setting, two of the fast one.
    const size_t frames = static_cast<size_t>(0.3 * kRateHz);
    process(*slow, silence(frames));
    process(*fast, silence(frames));
    EXPECT_NEAR(slow->readMeter(6), 1.0 - std::exp(-1.0), 0.01);
    EXPECT_NEAR(fast->readMeter(6), 1.0 - std::exp(-2.0), 0.01);
}

TEST(Correlation, SpeedSwitchScalesTheAccumulatorOutput) {
    // The accumulator form keeps the accumulator and swaps the coefficient, so a switch from
    // slow to fast doubles the output for a moment before it settles back.
    auto e = makeEffect();
    process(*e, silence(static_cast<size_t>(3.0 * kRateHz)));
    ASSERT_GT(e->readMeter(6), 0.999f);
    e->setParameterValue(6, 1.0f);
    process(*e, silence(1));
    EXPECT_NEAR(e->readMeter(6), 2.0f, 0.01f);
    process(*e, silence(static_cast<size_t>(1.5 * kRateHz)));
    EXPECT_NEAR(e->readMeter(6), 1.0f, 0.001f);
}

TEST(Average, SettlesAtTheMeanOfTheRectifiedSignal) {
    auto e = makeEffect();
    const auto tone = sine(44100, 1000.0, kRateHz, 0.5);
    process(*e, Stereo{tone, tone});
    // Mean of |sin| is 2/pi.
    EXPECT_NEAR(e->averageLevel[0].load(), 0.5 * 2.0 / 3.141592653589793, 0.005);
}

}  // namespace
}  // namespace melp::testing
