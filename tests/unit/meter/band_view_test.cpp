// Checks the band analyser: a sine at a band centre, the selectivity around it, the silence
// floor, freezing when the view changes, and resets during the band view.
#include <gtest/gtest.h>

#include "meter_test_support.h"

namespace melp::testing {
namespace {

constexpr float kRate = 44100.0f;
constexpr double kRateHz = 44100.0;

std::unique_ptr<ProbedEffect> bandView(float rate = kRate) {
    auto e = makeEffect(rate);
    e->setParameterValue(7, 1.0f);
    return e;
}

TEST(BandView, FullScaleSineAtTheBandCentre) {
    auto e = bandView();
    const auto tone = sine(44100, 1000.0, kRateHz, 1.0);
    process(*e, Stereo{tone, tone});
    EXPECT_NEAR(e->bandLevel[16].load(), 0.925f, 0.01f);
    EXPECT_NEAR(e->bandMax[16].load(), 0.925f, 0.015f);
    // One octave away on either side the band is more than 35 dB down.
    EXPECT_LT(db(static_cast<double>(e->bandLevel[13].load()) / 0.925), -35.0);
    EXPECT_LT(db(static_cast<double>(e->bandLevel[19].load()) / 0.925), -35.0);
    // The band edges, a sixth of an octave away, are some 4.7 dB down.
    auto edge = bandView();
    const auto offCentre = sine(44100, 1000.0 * std::pow(2.0, 1.0 / 6.0), kRateHz, 1.0);
    process(*edge, Stereo{offCentre, offCentre});
    EXPECT_NEAR(db(static_cast<double>(edge->bandLevel[16].load())), -4.7, 0.2);
}

TEST(BandView, BandsAtOrAboveHalfTheRateStayAtTheBottom) {
    // At 8 kHz tones at 1 and 3 kHz fill their own bands; the bands from 4 kHz up cannot
    // see anything that is there.
    auto e = bandView(8000.0f);
    auto tones = sine(16000, 1000.0, 8000.0, 0.5);
    const auto other = sine(16000, 3000.0, 8000.0, 0.5);
    for (size_t i = 0; i < tones.size(); ++i) tones[i] += other[i];
    process(*e, Stereo{tones, tones});
    EXPECT_GT(e->readMeter(41 + 16), 0.8f);
    EXPECT_GT(e->readMeter(41 + 21), 0.8f);
    for (int b = 22; b < 30; ++b) {
        EXPECT_EQ(e->readMeter(41 + b), 0.0f) << b;
        EXPECT_EQ(e->readMeter(71 + b), 0.0f) << b;
    }
    // At 32 kHz the 12.5 kHz band shows a 14.4 kHz tone; the 16 and 20 kHz bands do not.
    auto high = bandView(32000.0f);
    const auto tone = sine(32000, 14400.0, 32000.0, 1.0);
    process(*high, Stereo{tone, tone});
    EXPECT_GT(high->readMeter(41 + 27), 0.5f);
    EXPECT_EQ(high->readMeter(71 + 28), 0.0f);
    EXPECT_EQ(high->readMeter(71 + 29), 0.0f);
}

TEST(BandView, MidSignalCancelsOppositeChannels) {
    auto e = bandView();
    const auto tone = sine(22050, 1000.0, kRateHz, 1.0);
    std::vector<float> inverted(tone.size());
    for (size_t i = 0; i < tone.size(); ++i) inverted[i] = -tone[i];
    process(*e, Stereo{tone, inverted});
    EXPECT_LT(e->bandLevel[16].load(), 1e-3f);
}

TEST(BandView, SilenceFloor) {
    auto e = bandView();
    process(*e, silence(10 * 44100));
    const double floor = 1e-8 / (1.0 - static_cast<double>(e->bandFall));
    EXPECT_NEAR(floor, 1.915e-04, 0.002e-04);
    for (int b = 0; b < 30; ++b) {
        EXPECT_NEAR(e->bandLevel[b].load(), floor, floor * 0.01) << b;
    }
}

TEST(BandView, FallsTwentyDecibelsPerSecond) {
    auto e = bandView();
    const auto tone = sine(22050, 1000.0, kRateHz, 1.0);
    process(*e, Stereo{tone, tone});
    const double before = static_cast<double>(e->bandLevel[16].load());
    process(*e, silence(22050));
    EXPECT_NEAR(db(static_cast<double>(e->bandLevel[16].load()) / before), -10.0, 0.3);
}

TEST(ViewMode, LeavingAViewFreezesItsMeasurements) {
    auto e = makeEffect();
    process(*e, Stereo{noise(4410, 4), noise(4410, 5)});
    float level[11];
    for (int i = 0; i < 11; ++i) level[i] = e->readMeter(i);

    e->setParameterValue(7, 1.0f);
    process(*e, Stereo{noise(4410, 6), noise(4410, 7)});
    for (int i = 0; i < 11; ++i) EXPECT_EQ(e->readMeter(i), level[i]) << i;
    float bands[60];
    for (int i = 0; i < 60; ++i) bands[i] = e->readMeter(41 + i);
    EXPECT_GT(bands[20], 0.0f);

    e->setParameterValue(7, 0.0f);
    process(*e, Stereo{noise(4410, 8), noise(4410, 9)});
    for (int i = 0; i < 60; ++i) EXPECT_EQ(e->readMeter(41 + i), bands[i]) << i;
    EXPECT_NE(e->readMeter(2), level[2]);
}

TEST(ViewMode, CorrelationViewMovesOnlyTheCorrelation) {
    auto e = makeEffect();
    process(*e, Stereo{noise(4410, 4), noise(4410, 5)});
    float before[11];
    for (int i = 0; i < 11; ++i) before[i] = e->readMeter(i);
    e->setParameterValue(7, 2.0f);
    Stereo one{{0.5f}, {0.5f}};
    process(*e, one);
    for (int i = 0; i < 11; ++i) {
        if (i == 6) {
            EXPECT_NE(e->readMeter(i), before[i]);
        } else {
            EXPECT_EQ(e->readMeter(i), before[i]) << i;
        }
    }
}

TEST(ViewMode, OtherValuesMeterNothingButStillCopy) {
    auto e = makeEffect();
    e->setParameterValue(7, 0.5f);
    const Stereo in{noise(1000, 1), noise(1000, 2)};
    const Stereo out = process(*e, in);
    EXPECT_EQ(out.left, in.left);
    EXPECT_EQ(out.right, in.right);
    EXPECT_EQ(e->correlation.load(), 0.0f);
    EXPECT_EQ(e->peakLevel[0].load(), 0.0f);
}

TEST(ResetMeters, DuringBandViewBringsMaximaDownToTheCurrentLevels) {
    auto e = bandView();
    const auto tone = sine(22050, 1000.0, kRateHz, 1.0);
    process(*e, Stereo{tone, tone});
    process(*e, silence(22050));
    ASSERT_GT(e->readMeter(71 + 16), e->readMeter(41 + 16));

    e->resetMeters();
    for (int b = 0; b < 30; ++b) EXPECT_EQ(e->readMeter(71 + b), 0.0f) << b;
    const float level16 = e->readMeter(41 + 16);
    EXPECT_GT(level16, 0.0f);

    process(*e, silence(1));
    for (int b = 0; b < 30; ++b) {
        EXPECT_EQ(e->readMeter(71 + b), e->readMeter(41 + b)) << b;
    }
}

TEST(ResetMeters, TouchesOnlyTheMaxima) {
    auto e = makeEffect();
    process(*e, Stereo{noise(4410, 4), noise(4410, 5)});
    const float peak = peakOf(*e, 0);
    const float average = e->averageLevel[0].load();
    const float correlation = e->correlation.load();
    e->resetMeters();
    EXPECT_EQ(maxOf(*e, 0), meter::kMaxLevelFloor);
    EXPECT_EQ(maxOf(*e, 1), meter::kMaxLevelFloor);
    EXPECT_EQ(peakOf(*e, 0), peak);
    EXPECT_EQ(e->averageLevel[0].load(), average);
    EXPECT_EQ(e->correlation.load(), correlation);
    // The next sample raises the maximum to the level that is current then.
    process(*e, silence(1));
    EXPECT_EQ(maxOf(*e, 0), peakOf(*e, 0));
}

}  // namespace
}  // namespace melp::testing
