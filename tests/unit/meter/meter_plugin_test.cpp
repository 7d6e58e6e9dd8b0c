// Checks the plug-in as the host entry builds it: the record, the identity a host reads
// through the dispatcher, parameters and processing through the record's entries, the
// forward of parameter changes to the editor, and closing.
#include <gtest/gtest.h>

#include <cstring>

#include "host/entry.h"
#include "host/opcodes.h"
#include "meter/meter_plugin.h"
#include "tests/support/fake_host.h"

namespace melp::testing {
namespace {

using namespace melp::host;

class MeterPluginTest : public ::testing::Test {
protected:
    void SetUp() override {
        host.answer(audioMasterVersion, 2400);
        effect = melpPluginEntry(FakeHost::callback);
        ASSERT_NE(effect, nullptr);
    }
    void TearDown() override {
        if (effect) {
            effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
        }
    }
    intptr dispatch(int32 opcode, int32 index = 0, intptr value = 0, void* ptr = nullptr,
                    float opt = 0.0f) {
        return effect->dispatcher(effect, opcode, index, value, ptr, opt);
    }
    meter::MeterPlugin& plugin() {
        return *static_cast<meter::MeterPlugin*>(BaseEffect::fromRecord(effect));
    }

    FakeHost host;
    AEffect* effect = nullptr;
};

TEST_F(MeterPluginTest, RecordAfterConstruction) {
    EXPECT_EQ(effect->magic, kEffectMagic);
    EXPECT_EQ(effect->numPrograms, 1);
    EXPECT_EQ(effect->numParams, 11);
    EXPECT_EQ(effect->numInputs, 2);
    EXPECT_EQ(effect->numOutputs, 2);
    EXPECT_EQ(effect->flags, 17);
    EXPECT_EQ(effect->uniqueID, 0x4D454C50);
    EXPECT_EQ(effect->version, 1);
    EXPECT_NE(plugin().editor, nullptr);
    EXPECT_EQ(effect->object, static_cast<void*>(static_cast<BaseEffect*>(&plugin())));
}

TEST_F(MeterPluginTest, IdentityThroughTheDispatcher) {
    char text[80];
    EXPECT_EQ(dispatch(effGetEffectName, 0, 0, text), 1);
    EXPECT_STREQ(text, "MELPEdit");
    EXPECT_EQ(dispatch(effGetProductString, 0, 0, text), 1);
    EXPECT_STREQ(text, "MELPEdit");
    EXPECT_EQ(dispatch(effGetVendorString, 0, 0, text), 1);
    EXPECT_STREQ(text, "Quillon Mardet");
    EXPECT_EQ(dispatch(effGetVendorVersion), 1000);
    EXPECT_EQ(dispatch(effGetPlugCategory), 1);
    dispatch(effGetProgramName, 0, 0, text);
    EXPECT_STREQ(text, "Talvo's VST-MELP");
}

TEST_F(MeterPluginTest, ParametersAndProcessingThroughTheRecord) {
    effect->setParameter(effect, 7, 2.0f);
    effect->setParameter(effect, 4, 1.0f);
    EXPECT_EQ(plugin().viewMode.load(), 2.0f);
    EXPECT_EQ(plugin().quasiPeakMode.load(), 1.0f);
    EXPECT_EQ(effect->getParameter(effect, 7), 0.0f);

    dispatch(effSetSampleRate, 0, 0, nullptr, 48000.0f);
    float left[64];
    float right[64];
    for (int i = 0; i < 64; ++i) {
        left[i] = right[i] = 0.25f;
    }
    float* channels[2] = {left, right};
    effect->processReplacing(effect, channels, channels, 64);
    EXPECT_EQ(left[63], 0.25f);
    EXPECT_EQ(plugin().coefficientRate, 48000.0f);
    EXPECT_GT(plugin().readMeter(6), 0.0f);
    // The accumulating entry only copies.
    const float before = plugin().correlation.load();
    effect->process(effect, channels, channels, 64);
    EXPECT_EQ(plugin().correlation.load(), before);
}

TEST_F(MeterPluginTest, ClosingDestroysTheObject) {
    EXPECT_EQ(dispatch(effClose), 1);
    effect = nullptr;
}

TEST(MeterPluginEntry, HostAnsweringVersionZeroGetsNothing) {
    FakeHost host;
    host.answer(audioMasterVersion, 0);
    EXPECT_EQ(melpPluginEntry(FakeHost::callback), nullptr);
}

TEST(MeterPluginEntry, EveryCallMakesItsOwnObject) {
    FakeHost host;
    host.answer(audioMasterVersion, 2400);
    AEffect* a = melpPluginEntry(FakeHost::callback);
    AEffect* b = melpPluginEntry(FakeHost::callback);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_NE(a, b);
    a->setParameter(a, 7, 1.0f);
    EXPECT_EQ(static_cast<meter::MeterPlugin*>(BaseEffect::fromRecord(b))->viewMode.load(), 0.0f);
    a->dispatcher(a, effClose, 0, 0, nullptr, 0.0f);
    b->dispatcher(b, effClose, 0, 0, nullptr, 0.0f);
}

}  // namespace
}  // namespace melp::testing
