// Checks parameters, read-outs right after construction, the accumulating entry and the
// identity answers of the metering effect.
#include <gtest/gtest.h>

#include <cstring>

#include "meter_test_support.h"

namespace melp::testing {
namespace {

TEST(Construction, StartingState) {
    auto e = makeEffect();
    EXPECT_EQ(e->record.numInputs, 2);
    EXPECT_EQ(e->record.numOutputs, 2);
    EXPECT_EQ(e->record.numPrograms, 1);
    EXPECT_EQ(e->record.numParams, 11);
    EXPECT_EQ(e->record.uniqueID, 0x4D454C50);
    EXPECT_EQ(e->record.flags & 16, 16);
    uint32_t floorBits;
    std::memcpy(&floorBits, &meter::kMaxLevelFloor, sizeof floorBits);
    EXPECT_EQ(floorBits, 0x3729B398u);
    EXPECT_EQ(maxOf(*e, 0), meter::kMaxLevelFloor);
    EXPECT_EQ(e->historyPos, 360);
    EXPECT_EQ(e->coefficientRate, 0.0f);
    EXPECT_EQ(e->currentRate, 44100.0f);
}

TEST(ReadOuts, AfterConstruction) {
    auto e = makeEffect();
    EXPECT_NEAR(e->readMeter(7), -99.9, 0.05);
    EXPECT_NEAR(e->readMeter(8), -99.9, 0.05);
    EXPECT_EQ(e->readMeter(4), 0.0f);
    EXPECT_EQ(e->readMeter(6), 0.0f);
    e->setParameterValue(4, 1.0f);
    EXPECT_NEAR(e->readMeter(7), -94.9, 0.05);
    for (int i = 41; i <= 100; ++i) EXPECT_EQ(e->readMeter(i), 0.0f) << i;
}

TEST(ReadOuts, CorrelationMovesOnceMetered) {
    auto e = makeEffect();
    process(*e, Stereo{{0.5f}, {0.5f}});
    EXPECT_GT(e->readMeter(6), 0.0f);
}

TEST(Parameters, StoredExactlyAndNeverReported) {
    auto e = makeEffect();
    e->setParameterValue(4, 1.0f);
    e->setParameterValue(5, 0.25f);
    e->setParameterValue(6, -3.0f);
    e->setParameterValue(7, 2.0f);
    EXPECT_EQ(e->quasiPeakMode.load(), 1.0f);
    EXPECT_EQ(e->truePeakMode.load(), 0.25f);
    EXPECT_EQ(e->fastCorrelation.load(), -3.0f);
    EXPECT_EQ(e->viewMode.load(), 2.0f);
    for (int i = -1; i <= 11; ++i) EXPECT_EQ(e->parameterValue(i), 0.0f) << i;
}

TEST(Parameters, IgnoredIndicesChangeNothing) {
    auto e = makeEffect();
    for (int index : {-5, 0, 1, 2, 3, 8, 9, 10, 11, 1000}) e->setParameterValue(index, 0.7f);
    EXPECT_EQ(e->quasiPeakMode.load(), 0.0f);
    EXPECT_EQ(e->truePeakMode.load(), 0.0f);
    EXPECT_EQ(e->fastCorrelation.load(), 0.0f);
    EXPECT_EQ(e->viewMode.load(), 0.0f);
}

TEST(Processing, ZeroCountTouchesNothing) {
    auto e = makeEffect();
    float left[2] = {0.5f, 0.5f};
    float right[2] = {0.5f, 0.5f};
    float outL[2] = {7, 7};
    float outR[2] = {7, 7};
    float* in[2] = {left, right};
    float* out[2] = {outL, outR};
    e->processReplace(in, out, 0);
    e->processReplace(in, out, -5);
    EXPECT_EQ(outL[0], 7.0f);
    EXPECT_EQ(outR[1], 7.0f);
    EXPECT_EQ(e->coefficientRate, 0.0f);
    EXPECT_EQ(e->correlation.load(), 0.0f);
}

TEST(Processing, AccumulatingEntryOnlyCopies) {
    auto e = makeEffect();
    const Stereo in{noise(64, 1), noise(64, 2)};
    Stereo out = silence(64);
    std::fill(out.left.begin(), out.left.end(), 9.0f);
    float* inputs[2] = {const_cast<float*>(in.left.data()), const_cast<float*>(in.right.data())};
    float* outputs[2] = {out.left.data(), out.right.data()};
    e->processAccumulate(inputs, outputs, 64);
    EXPECT_EQ(out.left, in.left);
    EXPECT_EQ(out.right, in.right);
    EXPECT_EQ(e->peakLevel[0].load(), 0.0f);
    EXPECT_EQ(e->coefficientRate, 0.0f);
}

TEST(Processing, CrossedChannelsReadBothInputsFirst) {
    auto e = makeEffect();
    std::vector<float> a{1, 2, 3}, b{4, 5, 6};
    float* inputs[2] = {a.data(), b.data()};
    float* outputs[2] = {b.data(), a.data()};
    e->processReplace(inputs, outputs, 3);
    EXPECT_EQ(a, (std::vector<float>{4, 5, 6}));
    EXPECT_EQ(b, (std::vector<float>{1, 2, 3}));
}

// True peak reads frames ahead and gives them back when the settings change in the middle
// of a block; a frame given back must not have reached the outputs, which here are the
// other channel's inputs.
TEST(Processing, CrossedChannelsInTruePeakWithChangesMidBlock) {
    for (int64_t every : {2, 3, 5, 7}) {
        auto e = makeEffect();
        e->setParameterValue(5, 1.0f);
        const Stereo original{noise(1000, 3), noise(1000, 4)};
        Stereo buffers = original;
        // Flip the true-peak mode at a spread of rate queries, odd and even.
        e->hook = [&](int64_t query) {
            if (query % (every * 37) == 0) e->setParameterValue(5, 0.0f);
            if (query % (every * 37) == every) e->setParameterValue(5, 1.0f);
        };
        float* inputs[2] = {buffers.left.data(), buffers.right.data()};
        float* outputs[2] = {buffers.right.data(), buffers.left.data()};
        e->processReplace(inputs, outputs, 1000);
        EXPECT_EQ(buffers.left, original.right) << "every " << every;
        EXPECT_EQ(buffers.right, original.left) << "every " << every;
    }
}

TEST(Identity, FixedAnswers) {
    auto e = makeEffect();
    char text[64];
    EXPECT_TRUE(e->copyEffectName(text));
    EXPECT_STREQ(text, "MELP200VST");
    EXPECT_TRUE(e->copyVendorText(text));
    EXPECT_STREQ(text, "Quillon Mardet");
    EXPECT_TRUE(e->copyProductText(text));
    EXPECT_STREQ(text, "MELP200");
    EXPECT_EQ(e->vendorVersion(), 1000);
    EXPECT_EQ(e->plugCategory(), 1);
    e->copyProgramName(text);
    EXPECT_STREQ(text, "Talvo's VST-MELP");
    std::strcpy(text, "keep");
    EXPECT_FALSE(e->copyIndexedProgramName(0, 0, text));
    e->copyParameterLabel(4, text);
    e->copyParameterDisplay(4, text);
    e->copyParameterName(4, text);
    EXPECT_STREQ(text, "keep");
    e->selectProgram(3);
    EXPECT_EQ(e->currentProgram(), 0);
}

}  // namespace
}  // namespace melp::testing
