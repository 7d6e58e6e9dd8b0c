// The effect record as the base constructor leaves it, the flag helpers, editor attachment
// and ownership, and the record entries reaching the object's operations.
#include <gtest/gtest.h>

#include <cstring>

#include "host/opcodes.h"
#include "tests/unit/host/test_effect.h"

using namespace melp;
using melp::testing::TestEditor;
using melp::testing::TestEffect;

TEST(EffectRecord, BaseConstructorFillsTheRecord) {
    TestEffect effect(nullptr, 3, 11);
    const host::AEffect& r = effect.record;
    EXPECT_EQ(r.magic, 0x56737450);
    EXPECT_EQ(r.dispatcher, &host::dispatchEntry);
    EXPECT_EQ(r.process, &host::processEntry);
    EXPECT_EQ(r.processReplacing, &host::processReplacingEntry);
    EXPECT_EQ(r.setParameter, &host::setParameterEntry);
    EXPECT_EQ(r.getParameter, &host::getParameterEntry);
    EXPECT_EQ(r.numPrograms, 3);
    EXPECT_EQ(r.numParams, 11);
    EXPECT_EQ(r.numInputs, 1);
    EXPECT_EQ(r.numOutputs, 2);
    EXPECT_EQ(r.flags, 0);
    EXPECT_EQ(r.resvd1, 0);
    EXPECT_EQ(r.resvd2, 0);
    EXPECT_EQ(r.initialDelay, 0);
    EXPECT_EQ(r.realQualities, 0);
    EXPECT_EQ(r.offQualities, 0);
    EXPECT_EQ(r.ioRatio, 1.0f);
    EXPECT_EQ(r.object, static_cast<host::BaseEffect*>(&effect));
    EXPECT_EQ(r.user, nullptr);
    EXPECT_EQ(r.uniqueID, 0x4E6F4566);
    EXPECT_EQ(r.version, 1);
    const char zeros[60] = {};
    EXPECT_EQ(std::memcmp(r.future, zeros, sizeof zeros), 0);

    EXPECT_EQ(effect.sampleRate.load(), 44100.0f);
    EXPECT_EQ(effect.blockSize, 1024);
    EXPECT_EQ(effect.programCount, 3);
    EXPECT_EQ(effect.parameterCount, 11);
    EXPECT_EQ(effect.programIndex, 0);
    EXPECT_EQ(effect.editor, nullptr);
}

namespace {
// No fields of its own, so the base's layout decides where the object ends.
class PlainEffect : public host::ExtendedEffect {
public:
    PlainEffect() : ExtendedEffect(nullptr, 1, 1) {}
    void processAccumulate(float**, float**, host::int32) noexcept override {}
};
}  // namespace

TEST(EffectRecord, RecordIsTheLastField) {
    PlainEffect effect;
    const auto* begin = reinterpret_cast<const char*>(&effect);
    const auto* recordEnd = reinterpret_cast<const char*>(&effect.record + 1);
    // blockSize is the field right before the record: nothing lies between them but the
    // record's alignment.
    const auto* blockSizeEnd = reinterpret_cast<const char*>(&effect.blockSize + 1);
    const auto gap = static_cast<std::size_t>(reinterpret_cast<const char*>(&effect.record) -
                                              blockSizeEnd);
    EXPECT_LT(gap, alignof(host::AEffect));
    EXPECT_EQ(static_cast<std::size_t>(recordEnd - begin), sizeof(PlainEffect));
}

TEST(EffectRecord, DeclareOperationsSetAndClearOnlyTheirBit) {
    TestEffect effect(nullptr);
    struct Case {
        void (*declare)(TestEffect&, bool);
        host::int32 bit;
    };
    const Case cases[] = {
        {[](TestEffect& e, bool s) { e.declareVu(s); }, host::effFlagsHasVu},
        {[](TestEffect& e, bool s) { e.declareClip(s); }, host::effFlagsHasClip},
        {[](TestEffect& e, bool s) { e.declareMono(s); }, host::effFlagsCanMono},
        {[](TestEffect& e, bool s) { e.declareReplacing(s); }, host::effFlagsCanReplacing},
        {[](TestEffect& e, bool s) { e.declareChunkPrograms(s); }, host::effFlagsProgramChunks},
        {[](TestEffect& e, bool s) { e.declareAsync(s); }, host::effFlagsExtIsAsync},
        {[](TestEffect& e, bool s) { e.declareExternalBuffer(s); }, host::effFlagsExtHasBuffer},
        {[](TestEffect& e, bool s) { e.declareSynth(s); }, host::effFlagsIsSynth},
        {[](TestEffect& e, bool s) { e.declareNoTail(s); }, host::effFlagsNoSoundInStop},
    };
    for (const Case& c : cases) {
        effect.record.flags = 0x40000;  // an unrelated bit that must survive
        c.declare(effect, true);
        EXPECT_EQ(effect.record.flags, 0x40000 | c.bit);
        c.declare(effect, true);
        EXPECT_EQ(effect.record.flags, 0x40000 | c.bit);
        c.declare(effect, false);
        EXPECT_EQ(effect.record.flags, 0x40000);
    }
}

TEST(EffectRecord, AssignOperationsWriteTheirFields) {
    TestEffect effect(nullptr);
    effect.assignUniqueId(host::fourCharacters('M', 'E', 'L', 'P'));
    effect.assignInputCount(2);
    effect.assignOutputCount(6);
    effect.assignRealtimeQualities(3);
    effect.assignOfflineQualities(4);
    effect.assignInitialDelay(128);
    EXPECT_EQ(effect.record.uniqueID, 0x4D454C50);
    EXPECT_EQ(effect.record.numInputs, 2);
    EXPECT_EQ(effect.record.numOutputs, 6);
    EXPECT_EQ(effect.record.realQualities, 3);
    EXPECT_EQ(effect.record.offQualities, 4);
    EXPECT_EQ(effect.record.initialDelay, 128);
}

TEST(EffectRecord, PlugCategoryFollowsTheSynthFlag) {
    TestEffect effect(nullptr);
    EXPECT_EQ(effect.plugCategory(), host::kPlugCategUnknown);
    effect.declareSynth(true);
    EXPECT_EQ(effect.plugCategory(), host::kPlugCategSynth);
}

TEST(EditorAttachment, AttachSetsTheFlagAndTheEffectOwnsTheEditor) {
    TestEditor::liveCount = 0;
    {
        TestEffect effect(nullptr);
        effect.declareReplacing(true);
        auto* editor = new TestEditor(&effect);
        effect.attachEditor(editor);
        EXPECT_EQ(effect.editor, editor);
        EXPECT_EQ(effect.attachedEditor(), editor);
        EXPECT_EQ(effect.record.flags, 17);
        EXPECT_EQ(TestEditor::liveCount, 1);
    }
    EXPECT_EQ(TestEditor::liveCount, 0);
}

TEST(EditorAttachment, DetachClearsTheFlag) {
    TestEffect effect(nullptr);
    TestEditor editor(&effect);
    effect.attachEditor(&editor);
    effect.attachEditor(nullptr);
    EXPECT_EQ(effect.editor, nullptr);
    EXPECT_EQ(effect.record.flags & host::effFlagsHasEditor, 0);
}

TEST(RecordEntries, ReachTheObjectThroughTheRecord) {
    TestEffect effect(nullptr);
    host::AEffect* r = &effect.record;
    float left[4] = {}, right[4] = {};
    float* channels[2] = {left, right};
    r->process(r, channels, channels, 4);
    r->processReplacing(r, channels, channels, 3);
    r->setParameter(r, 5, 0.5f);
    EXPECT_EQ(r->getParameter(r, 2), 0.5f);
    EXPECT_EQ(r->dispatcher(r, host::effOpen, 0, 0, nullptr, 0.0f), 0);
    const std::vector<std::string> expected = {"processAccumulate 4", "processReplace 3",
                                               "setParameterValue 5 0.500000", "onOpen"};
    EXPECT_EQ(effect.calls, expected);
}

TEST(RecordEntries, CloseDestroysTheObjectAndAnswersOne) {
    TestEffect::liveCount = 0;
    TestEditor::liveCount = 0;
    auto* effect = new TestEffect(nullptr);
    effect->attachEditor(new TestEditor(effect));
    host::AEffect* r = &effect->record;
    EXPECT_EQ(r->dispatcher(r, host::effClose, 0, 0, nullptr, 0.0f), 1);
    EXPECT_EQ(TestEffect::liveCount, 0);
    EXPECT_EQ(TestEditor::liveCount, 0);
}

TEST(RecordEntries, NullRecordIsHarmless) {
    EXPECT_EQ(host::dispatchEntry(nullptr, host::effIdentify, 0, 0, nullptr, 0.0f), 0);
    host::processReplacingEntry(nullptr, nullptr, nullptr, 16);
    host::setParameterEntry(nullptr, 1, 1.0f);
    EXPECT_EQ(host::getParameterEntry(nullptr, 1), 0.0f);
}
