// Checks the three lookup tables against their telling entries and the lookup rule,
// including magnitudes that are not finite non-negative numbers.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>

#include "meter/level_scale.h"
#include "meter_test_support.h"

namespace melp::testing {
namespace {

using meter::kScaleSize;

struct Tables {
    float level[kScaleSize];
    float band[kScaleSize];
    Tables() {
        meter::buildLevelScale(level);
        meter::buildBandScale(band);
    }
};

const Tables& tables() {
    static const auto built = std::make_unique<Tables>();
    return *built;
}

TEST(LevelScale, TellingEntries) {
    const float* t = tables().level;
    EXPECT_EQ(t[0], 0.0f);
    EXPECT_EQ(t[2], 0.0f);
    EXPECT_NEAR(t[3], -0.0125, 1e-6);
    EXPECT_NEAR(t[4], -0.00375, 1e-5);
    EXPECT_NEAR(t[5], 0.00303, 1e-5);
    EXPECT_NEAR(t[103], 0.095, 1e-6);
    EXPECT_NEAR(t[104], 0.09522, 1e-5);
    EXPECT_NEAR(t[328], 0.19, 1e-6);
    EXPECT_NEAR(t[1036], 0.32, 1e-6);
    EXPECT_NEAR(t[3277], 0.5, 1e-6);
    EXPECT_NEAR(t[10362], 0.75, 1e-5);
    EXPECT_NEAR(t[16384], 0.84949, 1e-5);
    EXPECT_NEAR(t[32737], 0.99980, 1e-5);
    EXPECT_EQ(t[32767], 1.0f);
}

TEST(LevelScale, ContinuousAndRisingAcrossBreakpoints) {
    const float* t = tables().level;
    for (int i = 4; i < kScaleSize; ++i) {
        ASSERT_GT(t[i], t[i - 1]) << "index " << i;
    }
    for (int b : {104, 329, 1037, 3278}) {
        EXPECT_LT(t[b] - t[b - 1], 0.001f) << "jump at breakpoint " << b;
    }
}

TEST(BandScale, TellingEntries) {
    const float* t = tables().band;
    EXPECT_EQ(t[0], 0.0f);
    EXPECT_EQ(t[51], 0.0f);
    EXPECT_NEAR(t[52], 0.000202, 2e-6);
    EXPECT_NEAR(t[100], 0.10163, 1e-5);
    EXPECT_NEAR(t[1000], 0.45877, 1e-5);
    EXPECT_NEAR(t[3277], 0.64287, 1e-5);
    EXPECT_NEAR(t[32737], 0.99986, 1e-5);
    EXPECT_NEAR(t[32767], 1.0, 1e-6);
}

TEST(BandScale, EveryEntryFromTheFormula) {
    // The factor is 1/32767 as a single-precision value, not its decimal 3.0518509e-05.
    const double factor = static_cast<double>(static_cast<float>(1.0 / 32767.0));
    ASSERT_NE(factor, 3.0518509e-05);
    const float* t = tables().band;
    for (int i = 52; i < 32768; ++i) {
        const double value = (20.0 * std::log10(i * factor) + 56.0) * 0.017857142857142856;
        ASSERT_EQ(t[i], static_cast<float>(value)) << i;
    }
}

TEST(ScaleLookup, IndexRule) {
    EXPECT_EQ(meter::scaleIndex(0.0f), 0);
    EXPECT_EQ(meter::scaleIndex(1.0f), 32767);
    EXPECT_EQ(meter::scaleIndex(1.5f), 32737);
    EXPECT_EQ(meter::scaleIndex(0.0001f), 3);
    EXPECT_EQ(meter::scaleIndex(0.1f), 3276);
    EXPECT_EQ(meter::scaleIndex(0.5f), 16383);
    EXPECT_EQ(meter::scaleIndex(0.00156f), 51);
    EXPECT_EQ(meter::scaleIndex(0.0016f), 52);
    // Just above full scale but below 1 + 1/32767 still reads the top entry.
    EXPECT_EQ(meter::scaleIndex(1.00002f), 32767);
    EXPECT_EQ(meter::scaleIndex(1.00004f), 32737);
}

TEST(ScaleLookup, ReadsDescribedPositions) {
    const auto& t = tables();
    EXPECT_NEAR(meter::lookUp(t.level, 0.0001f), -0.0125, 1e-6);
    EXPECT_NEAR(meter::lookUp(t.level, 0.1f), 0.49995, 1e-5);
    EXPECT_NEAR(meter::lookUp(t.band, 0.1f), 0.64282, 1e-5);
    EXPECT_NEAR(meter::lookUp(t.level, 0.5f), 0.84948, 1e-5);
    EXPECT_NEAR(meter::lookUp(t.band, 0.5f), 0.89248, 1e-5);
    EXPECT_NEAR(meter::lookUp(t.level, 0.00156f), 0.07363, 1e-5);
    EXPECT_EQ(meter::lookUp(t.band, 0.00156f), 0.0f);
    EXPECT_NEAR(meter::lookUp(t.level, 1.5f), 0.99980, 1e-5);
}

TEST(ScaleLookup, NeverLeavesTheTable) {
    const float inf = std::numeric_limits<float>::infinity();
    EXPECT_EQ(meter::scaleIndex(std::numeric_limits<float>::quiet_NaN()), 0);
    EXPECT_EQ(meter::scaleIndex(-std::numeric_limits<float>::quiet_NaN()), 0);
    EXPECT_EQ(meter::scaleIndex(-0.5f), 0);
    EXPECT_EQ(meter::scaleIndex(-inf), 0);
    EXPECT_EQ(meter::scaleIndex(inf), 32737);
    EXPECT_EQ(meter::scaleIndex(3.0e38f), 32737);
    EXPECT_EQ(meter::scaleIndex(70000.0f), 32737);
}

TEST(MeterEffectTables, PeakAndQuasiPeakScalesAreIdentical) {
    auto effect = makeEffect();
    for (int i = 0; i < kScaleSize; ++i) {
        ASSERT_EQ(effect->peakScale[i], effect->quasiPeakScale[i]) << i;
        ASSERT_EQ(effect->peakScale[i], tables().level[i]) << i;
        ASSERT_EQ(effect->bandScale[i], tables().band[i]) << i;
    }
}

}  // namespace
}  // namespace melp::testing
