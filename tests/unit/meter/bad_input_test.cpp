// Checks what the engine does with input it cannot meter as it stands: non-finite and
// absurd samples, unusable sample rates, null pointers, over-long names.
#include <gtest/gtest.h>

#include <cstring>
#include <limits>

#include "meter_test_support.h"

namespace melp::testing {
namespace {

const float kInf = std::numeric_limits<float>::infinity();

float bits(uint32_t pattern) {
    float value;
    std::memcpy(&value, &pattern, sizeof value);
    return value;
}

uint32_t patternOf(float value) {
    uint32_t pattern;
    std::memcpy(&pattern, &value, sizeof pattern);
    return pattern;
}

bool allFinite(MeterEffect& e) {
    for (int i = 0; i <= 100; ++i) {
        if (!std::isfinite(e.readMeter(i))) return false;
    }
    for (int ch = 0; ch < 2; ++ch) {
        if (!std::isfinite(e.averageAccumulator[ch]) || !std::isfinite(e.attackAccumulator[ch]) ||
            !std::isfinite(e.peakLevel[ch].load()) || !std::isfinite(e.averageLevel[ch].load()))
            return false;
    }
    for (int b = 0; b < 30; ++b) {
        for (int s = 0; s < 3; ++s) {
            if (!std::isfinite(e.bands.previous[s][b])) return false;
        }
    }
    return std::isfinite(e.correlationAccumulator);
}

struct Mode {
    float view, truePeak, quasiPeak;
};

class NonFinite : public ::testing::TestWithParam<Mode> {};

TEST_P(NonFinite, PassThroughBitForBitAndLeaveNoTrace) {
    const Mode mode = GetParam();
    auto e = makeEffect();
    e->setParameterValue(7, mode.view);
    e->setParameterValue(5, mode.truePeak);
    e->setParameterValue(4, mode.quasiPeak);
    Stereo s{noise(2000, 1, 0.5), noise(2000, 2, 0.5)};
    const float odd[] = {bits(0x7fc00001u), bits(0x7f800001u) /* signalling */, kInf, -kInf,
                         bits(0xffc12345u), 3.0e38f, -3.4e38f};
    for (size_t i = 0; i < std::size(odd); ++i) {
        s.left[100 + 7 * i] = odd[i];
        s.right[400 + 3 * i] = odd[i];
    }
    const Stereo out = process(*e, s, 256);
    for (size_t i = 0; i < s.size(); ++i) {
        ASSERT_EQ(patternOf(out.left[i]), patternOf(s.left[i])) << i;
        ASSERT_EQ(patternOf(out.right[i]), patternOf(s.right[i])) << i;
    }
    EXPECT_TRUE(allFinite(*e));
    if (mode.view == 0.0f) {
        // A non-finite sample meters as twice full scale: an over.
        EXPECT_EQ(e->readMeter(9), 1.0f);
    }
    process(*e, silence(10 * 44100));
    EXPECT_TRUE(allFinite(*e));
    EXPECT_LT(e->averageLevel[0].load(), 1e-3f);
}

INSTANTIATE_TEST_SUITE_P(EveryView, NonFinite,
                         ::testing::Values(Mode{0, 0, 0}, Mode{0, 1, 0}, Mode{0, 0, 1},
                                           Mode{1, 0, 0}, Mode{2, 0, 0}));

TEST(SampleRate, UnusableRatesKeepTheLastGoodOne) {
    auto e = makeEffect(48000.0f);
    process(*e, silence(10));
    const float averageCoef = e->averageCoef;
    const float alpha = static_cast<float>(e->bands.alpha[0][5]);
    for (float bad : {0.0f, -44100.0f, kInf, -kInf, std::numeric_limits<float>::quiet_NaN(),
                      2.0e7f, 500.0f}) {
        e->changeSampleRate(bad);
        process(*e, Stereo{noise(100, 3), noise(100, 4)});
        EXPECT_EQ(e->currentRate, 48000.0f) << bad;
        EXPECT_EQ(e->coefficientRate, 48000.0f) << bad;
        EXPECT_EQ(e->averageCoef, averageCoef) << bad;
        EXPECT_EQ(static_cast<float>(e->bands.alpha[0][5]), alpha) << bad;
    }
    EXPECT_TRUE(allFinite(*e));
    e->changeSampleRate(96000.0f);
    process(*e, silence(1));
    EXPECT_EQ(e->coefficientRate, 96000.0f);
}

TEST(SampleRate, EverySectionIsStableFrom1KilohertzTo10Megahertz) {
    for (float rate : {1000.0f, 8000.0f, 22050.0f, 44100.0f, 44880.0f, 48000.0f, 96000.0f,
                       192000.0f, 768000.0f, 2.0e6f, 1.0e7f}) {
        auto e = makeEffect(rate);
        process(*e, silence(1));
        for (int b = 0; b < 30; ++b) {
            for (int s = 0; s < 3; ++s) {
                // Poles of z^2 - 2 gamma z + 2 beta strictly inside the unit circle.
                const double beta = e->bands.beta[s][b];
                const double gamma = e->bands.gamma[s][b];
                EXPECT_LT(std::fabs(2.0 * beta), 1.0) << rate << " " << b << "/" << s;
                EXPECT_LT(2.0 * std::fabs(gamma), 1.0 + 2.0 * beta) << rate << " " << b << "/" << s;
                EXPECT_EQ(e->bands.minusBeta[s][b], -beta);
                EXPECT_EQ(e->bands.minusAlpha[s][b], -e->bands.alpha[s][b]);
            }
        }
    }
}

TEST(SampleRate, SectionsAtTheTangentsPoleEndStable) {
    // Just below the pole the tangent is so large that beta rounds to -0.5: no gamma can
    // then make the section stable, and moving gamma must stop rather than go on for ever.
    const double angle = 1.5707963267948966 - 1e-12;
    const meter::BandSection atPole = meter::bandSection(angle / 0.11547344);
    EXPECT_EQ(atPole.alpha, 0.0f);
    EXPECT_EQ(atPole.beta, 0.0f);
    EXPECT_EQ(atPole.gamma, 0.0f);
    // Past the pole, where the tangent turns negative, likewise nothing.
    const meter::BandSection past = meter::bandSection(1.6 / 0.11547344);
    EXPECT_EQ(past.alpha, 0.0f);
    EXPECT_EQ(past.gamma, 0.0f);
    // Just above half the rate, a section keeps its formulas.
    const double omega = 3.2;
    const double t = std::tan(omega * 0.11547344);
    const meter::BandSection above = meter::bandSection(omega);
    EXPECT_EQ(above.beta, static_cast<float>(0.5 * (1.0 - t) / (1.0 + t)));
    EXPECT_EQ(above.gamma, static_cast<float>((0.5 + static_cast<double>(above.beta)) * std::cos(omega)));
    EXPECT_GT(above.alpha, 0.0f);
}

TEST(SampleRate, EveryBandSettlesInSilenceFrom8To768Kilohertz) {
    for (float rate : {8000.0f, 11025.0f, 44100.0f, 44880.0f, 96000.0f, 192000.0f, 768000.0f}) {
        SCOPED_TRACE(rate);
        auto e = makeEffect(rate);
        e->setParameterValue(7, 1.0f);
        const size_t second = static_cast<size_t>(rate);
        process(*e, Stereo{noise(second, 5), noise(second, 6)}, 4096);
        process(*e, silence(4 * second), 4096);
        // In silence each band settles where the sections' 1e-9 offsets balance their
        // recursions (largest for low bands at high rates); it must not grow from there.
        float settled[30];
        for (int b = 0; b < 30; ++b) settled[b] = e->bandLevel[b].load();
        process(*e, silence(second), 4096);
        for (int b = 0; b < 30; ++b) {
            const float level = e->bandLevel[b].load();
            ASSERT_TRUE(std::isfinite(level)) << b;
            EXPECT_LE(level, settled[b] * 1.0001f) << "band " << b;
        }
    }
}

TEST(NullPointers, ProcessingDoesNothing) {
    auto e = makeEffect();
    float left[4] = {1, 1, 1, 1};
    float* one[2] = {left, nullptr};
    e->processReplace(nullptr, nullptr, 4);
    e->processReplace(one, one, 4);
    float* good[2] = {left, left};
    e->processReplace(good, nullptr, 4);
    e->processReplace(nullptr, good, 4);
    e->processAccumulate(nullptr, good, 4);
    e->processAccumulate(one, good, 4);
    EXPECT_EQ(e->peakLevel[0].load(), 0.0f);
    EXPECT_EQ(e->coefficientRate, 0.0f);
}

TEST(NullPointers, TextOperationsDoNothing) {
    auto e = makeEffect();
    e->renameProgram(nullptr);
    e->copyProgramName(nullptr);
    EXPECT_FALSE(e->copyEffectName(nullptr));
    EXPECT_FALSE(e->copyVendorText(nullptr));
    EXPECT_FALSE(e->copyProductText(nullptr));
    EXPECT_STREQ(e->programName, "Talvo's VST-MELP");
}

TEST(ProgramName, LongNamesKeepTheFirst31Characters) {
    auto e = makeEffect();
    const std::string name31(31, 'x');
    e->renameProgram(name31.c_str());
    char text[64];
    e->copyProgramName(text);
    EXPECT_EQ(std::string(text), name31);
    const std::string longer = std::string(40, 'y') + "z";
    e->renameProgram(longer.c_str());
    e->copyProgramName(text);
    EXPECT_EQ(std::string(text), longer.substr(0, 31));
    EXPECT_EQ(e->programName[31], '\0');
}

TEST(ReadMeter, IndicesOutsideTheTableAnswerZero) {
    auto e = makeEffect();
    process(*e, Stereo{noise(1000, 1), noise(1000, 2)});
    for (int index : {-1, -41, std::numeric_limits<int>::min(), 11, 40, 101,
                      std::numeric_limits<int>::max()}) {
        EXPECT_EQ(e->readMeter(index), 0.0f) << index;
    }
}

}  // namespace
}  // namespace melp::testing
