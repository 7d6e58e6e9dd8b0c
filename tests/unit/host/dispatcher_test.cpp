// The two dispatch layers: which operation each opcode reaches, with which arguments, and
// how results are converted; editor opcodes with and without an editor; null text pointers.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "host/opcodes.h"
#include "tests/support/fake_host.h"
#include "tests/unit/host/test_effect.h"

using namespace melp;
using melp::testing::TestEditor;
using melp::testing::TestEffect;

namespace {

host::intptr call(host::BaseEffect& effect, host::int32 opcode, host::int32 index = 0,
                  host::intptr value = 0, void* ptr = nullptr, float opt = 0.0f) {
    return effect.record.dispatcher(&effect.record, opcode, index, value, ptr, opt);
}

}  // namespace

TEST(Dispatcher, IdentifyAnswersNvEfWhateverTheArguments) {
    TestEffect effect(nullptr);
    EXPECT_EQ(call(effect, host::effIdentify), 0x4E764566);
    char buffer[8];
    EXPECT_EQ(call(effect, host::effIdentify, -5, 99, buffer, 3.5f), 0x4E764566);
}

TEST(Dispatcher, OpcodesOutsideTheTablesAnswerZeroAndCallNothing) {
    TestEffect effect(nullptr);
    for (host::int32 opcode :
         {-1, 77, 78, 1000, std::numeric_limits<host::int32>::min(),
          static_cast<host::int32>(host::effEditDraw), static_cast<host::int32>(host::effEditMouse),
          static_cast<host::int32>(host::effEditKey), static_cast<host::int32>(host::effEditTop),
          static_cast<host::int32>(host::effEditSleep)}) {
        EXPECT_EQ(call(effect, opcode, 1, 1, nullptr, 1.0f), 0) << opcode;
    }
    EXPECT_TRUE(effect.calls.empty());
}

TEST(Dispatcher, SetProgramOnlyBelowTheProgramCount) {
    TestEffect effect(nullptr, 3);
    EXPECT_EQ(call(effect, host::effSetProgram, 0, 2), 0);
    EXPECT_EQ(call(effect, host::effGetProgram), 2);
    call(effect, host::effSetProgram, 0, 3);
    call(effect, host::effSetProgram, 0, 1000);
    EXPECT_EQ(call(effect, host::effGetProgram), 2);
    // No lower bound: a negative program is passed on.
    call(effect, host::effSetProgram, 0, -4);
    EXPECT_EQ(call(effect, host::effGetProgram), -4);
    const std::vector<std::string> expected = {"selectProgram 2", "selectProgram -4"};
    EXPECT_EQ(effect.calls, expected);
}

TEST(Dispatcher, VuLevelIsScaledAndTruncatedTowardZero) {
    TestEffect effect(nullptr);
    const std::pair<float, host::intptr> cases[] = {
        {0.5f, 16383}, {1.0f, 32767}, {-0.5f, -16383}, {0.0f, 0}, {0.99999f, 32766}};
    for (auto [level, expected] : cases) {
        effect.vu = level;
        EXPECT_EQ(call(effect, host::effGetVu), expected) << level;
    }
    // Unrepresentable levels give the x86 conversion's answer instead of undefined behaviour.
    effect.vu = std::numeric_limits<float>::quiet_NaN();
    EXPECT_EQ(call(effect, host::effGetVu), std::numeric_limits<host::int32>::min());
    effect.vu = 1e30f;
    EXPECT_EQ(call(effect, host::effGetVu), std::numeric_limits<host::int32>::min());
}

TEST(Dispatcher, MainsChangedSuspendsOnlyForZero) {
    TestEffect effect(nullptr);
    call(effect, host::effMainsChanged, 0, 1);
    call(effect, host::effMainsChanged, 0, 0);
    call(effect, host::effMainsChanged, 0, -1);
    const std::vector<std::string> expected = {"onResume", "onSuspend", "onResume"};
    EXPECT_EQ(effect.calls, expected);
}

TEST(Dispatcher, SampleRateAndBlockSize) {
    TestEffect effect(nullptr);
    EXPECT_EQ(call(effect, host::effSetSampleRate, 0, 0, nullptr, 96000.0f), 0);
    EXPECT_EQ(call(effect, host::effSetBlockSize, 0, 512), 0);
    EXPECT_EQ(effect.currentSampleRate(), 96000.0f);
    EXPECT_EQ(effect.currentBlockSize(), 512);
    EXPECT_EQ(call(effect, host::effSetBlockSizeAndSampleRate, 0, 64, nullptr, 22050.0f), 1);
    EXPECT_EQ(effect.blockSize, 64);
    EXPECT_EQ(effect.sampleRate.load(), 22050.0f);
}

TEST(Dispatcher, ChunksGetPointerSizeAndPresetFlag) {
    TestEffect effect(nullptr);
    void* data = nullptr;
    EXPECT_EQ(call(effect, host::effGetChunk, 1, 0, &data), 7);
    EXPECT_EQ(call(effect, host::effGetChunk, 0, 0, nullptr), 7);
    char chunk[16] = {};
    EXPECT_EQ(call(effect, host::effSetChunk, 2, 16, chunk), 9);
    EXPECT_EQ(call(effect, host::effSetChunk, 0, 3, chunk), 9);
    const std::vector<std::string> expected = {"saveChunk data preset", "saveChunk null bank",
                                               "loadChunk 16 preset", "loadChunk 3 bank"};
    EXPECT_EQ(effect.calls, expected);
}

TEST(Dispatcher, BaseTextDefaultsWriteEmptyStringsAndSurviveNull) {
    TestEffect effect(nullptr);
    for (host::int32 opcode : {host::effGetProgramName, host::effGetParamLabel,
                               host::effGetParamDisplay, host::effGetParamName}) {
        char text[8] = "xxxxxxx";
        EXPECT_EQ(call(effect, opcode, 2, 0, text), 0);
        EXPECT_STREQ(text, "") << opcode;
        EXPECT_EQ(call(effect, opcode, 2, 0, nullptr), 0) << opcode;
    }
    EXPECT_EQ(call(effect, host::effSetProgramName, 0, 0, nullptr), 0);
}

TEST(Dispatcher, ExtendedTextDefaultsAnswerZeroAndLeaveTheBuffer) {
    TestEffect effect(nullptr);
    for (host::int32 opcode : {host::effGetEffectName, host::effGetErrorText,
                               host::effGetVendorString, host::effGetProductString}) {
        char text[64] = "untouched";
        EXPECT_EQ(call(effect, opcode, 0, 0, text), 0);
        EXPECT_STREQ(text, "untouched");
        EXPECT_EQ(call(effect, opcode, 0, 0, nullptr), 0);
    }
    EXPECT_EQ(call(effect, host::effCanDo, 0, 0, const_cast<char*>("bypass")), 0);
    EXPECT_EQ(call(effect, host::effCanDo, 0, 0, nullptr), 0);
    EXPECT_EQ(call(effect, host::effShellGetNextPlugin, 0, 0, nullptr), 0);
    EXPECT_EQ(call(effect, host::effString2Parameter, 0, 0, nullptr), 0);
}

TEST(Dispatcher, BooleanResultsBecomeOneOrZero) {
    TestEffect effect(nullptr);
    EXPECT_EQ(call(effect, host::effCanBeAutomated, 3), 1);
    EXPECT_EQ(call(effect, host::effCanBeAutomated, 4), 0);
    EXPECT_EQ(call(effect, host::effSetBypass, 0, 2), 1);
    EXPECT_EQ(call(effect, host::effSetBypass, 0, 0), 0);
    effect.boolAnswer = true;
    EXPECT_EQ(call(effect, host::effSetPanLaw, 0, 2, nullptr, 0.5f), 1);
    EXPECT_EQ(call(effect, host::effOfflineNotify, 1, 4), 1);
    effect.boolAnswer = false;
    EXPECT_EQ(call(effect, host::effSetPanLaw, 0, 2, nullptr, 0.5f), 0);
    EXPECT_EQ(call(effect, host::effOfflineNotify, 0, 4), 0);
    const std::vector<std::string> expected = {"onPanLaw 2 0.500000", "onOfflineNotify 4 start",
                                               "onPanLaw 2 0.500000", "onOfflineNotify 4 stop"};
    EXPECT_EQ(effect.calls, expected);
}

TEST(Dispatcher, ArgumentsAreMappedAsTheInterfaceDefines) {
    TestEffect effect(nullptr);
    // Category from value, program from index.
    EXPECT_EQ(call(effect, host::effGetProgramNameIndexed, 5, 2, nullptr), 1);
    // Connection state from value; the answer is 1 whatever the operation did.
    EXPECT_EQ(call(effect, host::effConnectInput, 1, 0), 1);
    EXPECT_EQ(call(effect, host::effConnectInput, 0, 7), 1);
    const std::vector<std::string> expected = {"copyIndexedProgramName 2 5",
                                               "onInputConnected 1 off", "onInputConnected 0 on"};
    EXPECT_EQ(effect.calls, expected);
    EXPECT_EQ(call(effect, host::effConnectOutput, 0, 0), 1);

    // Input arrangement from value, output from ptr.
    host::VstSpeakerArrangement in{}, out{};
    EXPECT_EQ(
        call(effect, host::effSetSpeakerArrangement, 0, reinterpret_cast<host::intptr>(&in), &out),
        1);
    EXPECT_EQ(effect.setInput, &in);
    EXPECT_EQ(effect.setOutput, &out);
}

TEST(Dispatcher, GetArrangementDefaultStoresNullInBoth) {
    TestEffect effect(nullptr);
    auto* dummy = reinterpret_cast<host::VstSpeakerArrangement*>(&effect);
    host::VstSpeakerArrangement* in = dummy;
    host::VstSpeakerArrangement* out = dummy;
    EXPECT_EQ(
        call(effect, host::effGetSpeakerArrangement, 0, reinterpret_cast<host::intptr>(&in), &out),
        0);
    EXPECT_EQ(in, nullptr);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(call(effect, host::effGetSpeakerArrangement, 0, 0, nullptr), 0);
}

TEST(Dispatcher, KeysRequiredIsInverted) {
    TestEffect effect(nullptr);
    EXPECT_EQ(call(effect, host::effKeysRequired), 1);
    effect.keysNeeded = true;
    EXPECT_EQ(call(effect, host::effKeysRequired), 0);
}

TEST(Dispatcher, DefaultAnswersOfTheExtendedLayer) {
    TestEffect effect(nullptr);
    struct Case {
        host::int32 opcode;
        host::intptr value;
        host::intptr expected;
    };
    const Case cases[] = {
        {host::effProcessEvents, 0, 0},
        {host::effGetNumProgramCategories, 0, 1},
        {host::effCopyProgram, 0, 0},
        {host::effGetInputProperties, 0, 0},
        {host::effGetOutputProperties, 0, 0},
        {host::effGetPlugCategory, 0, 0},
        {host::effGetCurrentPosition, 0, 0},
        {host::effGetDestinationBuffer, 0, 0},
        {host::effOfflinePrepare, 0, 0},
        {host::effOfflineRun, 0, 0},
        {host::effProcessVarIo, 0, 0},
        {host::effGetVendorVersion, 0, 0},
        {host::effVendorSpecific, 0, 0},
        {host::effGetTailSize, 0, 0},
        {host::effIdle, 0, 0},
        {host::effGetIcon, 0, 0},
        {host::effSetViewPosition, 0, 0},
        {host::effGetParameterProperties, 0, 0},
        {host::effGetVstVersion, 0, 2300},
        {host::effGetMidiProgramName, 0, 0},
        {host::effGetCurrentMidiProgram, 0, -1},
        {host::effGetMidiProgramCategory, 0, 0},
        {host::effHasMidiProgramsChanged, 0, 0},
        {host::effGetMidiKeyName, 0, 0},
        {host::effBeginSetProgram, 0, 0},
        {host::effEndSetProgram, 0, 0},
        {host::effStartProcess, 0, 0},
        {host::effStopProcess, 0, 0},
        {host::effSetTotalSampleToProcess, 4410, 4410},
        {host::effBeginLoadBank, 0, 0},
        {host::effBeginLoadProgram, 0, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(call(effect, c.opcode, 0, c.value, nullptr), c.expected) << c.opcode;
    }
}

TEST(Dispatcher, EditorOpcodesWithoutEditorAnswerZero) {
    TestEffect effect(nullptr);
    host::ERect* rect = reinterpret_cast<host::ERect*>(&effect);
    for (host::int32 opcode :
         {host::effEditGetRect, host::effEditOpen, host::effEditClose, host::effEditIdle,
          host::effEditKeyDown, host::effEditKeyUp, host::effSetEditKnobMode}) {
        EXPECT_EQ(call(effect, opcode, 65, 2, &rect, 1.0f), 0) << opcode;
    }
    EXPECT_EQ(rect, reinterpret_cast<host::ERect*>(&effect));
}

TEST(Dispatcher, EditorOpcodesReachTheEditor) {
    TestEffect effect(nullptr);
    auto* editor = new TestEditor(&effect);
    effect.attachEditor(editor);
    int parent = 0;
    EXPECT_EQ(call(effect, host::effEditOpen, 0, 0, &parent), 1);
    EXPECT_EQ(editor->parentWindow, &parent);
    editor->requestRefresh();
    EXPECT_EQ(call(effect, host::effEditIdle), 0);
    EXPECT_EQ(call(effect, host::effEditIdle), 0);
    EXPECT_EQ(call(effect, host::effEditKeyDown, 65, 0x1FF, nullptr, 2.7f), 5);
    EXPECT_EQ(editor->lastKey.character, 65);
    EXPECT_EQ(editor->lastKey.virt, 255);
    EXPECT_EQ(editor->lastKey.modifier, 2);
    EXPECT_EQ(call(effect, host::effEditKeyUp, 27, 0x102, nullptr, 300.0f), 6);
    EXPECT_EQ(editor->lastKey.character, 27);
    EXPECT_EQ(editor->lastKey.virt, 2);
    EXPECT_EQ(editor->lastKey.modifier, 300 & 0xFF);
    // A modifier no integer can hold must not be undefined: it reads as 0.
    call(effect, host::effEditKeyDown, 1, 0, nullptr, std::numeric_limits<float>::infinity());
    EXPECT_EQ(editor->lastKey.modifier, 0);
    EXPECT_EQ(call(effect, host::effSetEditKnobMode, 0, 2), 102);
    EXPECT_EQ(call(effect, host::effEditClose), 0);
    const std::vector<std::string> expected = {"openEditor", "refresh", "keyDown",
                                               "keyUp",      "keyDown", "closeEditor"};
    EXPECT_EQ(editor->calls, expected);
}

TEST(Dispatcher, EditRectWithTheDefaultEditor) {
    TestEffect effect(nullptr);
    effect.attachEditor(new TestEditor(&effect));
    auto* rect = reinterpret_cast<host::ERect*>(&effect);
    EXPECT_EQ(call(effect, host::effEditGetRect, 0, 0, &rect), 0);
    EXPECT_EQ(rect, nullptr);
    EXPECT_EQ(call(effect, host::effEditGetRect, 0, 0, nullptr), 0);
}

namespace {

// Records the one operation each opcode reached, with its arguments: indices and values as
// numbers, the host's pointer as "ptr" (anything else as "other"), so that an argument
// routed to the wrong place or two swapped arguments show.
class RoutingEffect : public host::ExtendedEffect {
public:
    explicit RoutingEffect(void* hostPointer) : ExtendedEffect(nullptr, 1, 11), expected(hostPointer) {}
    void processAccumulate(float**, float**, host::int32) noexcept override {}

    std::string p(const void* ptr) const { return ptr == expected ? "ptr" : ptr ? "other" : "null"; }
    void note(const std::string& call) { calls.push_back(call); }
    static std::string n(long long v) { return std::to_string(v); }

    void renameProgram(const char* name) noexcept override {
        note(std::string("renameProgram ") + (name ? name : "null"));
    }
    bool onStringToParameter(host::int32 index, char* text) noexcept override {
        note("onStringToParameter " + n(index) + " " + p(text));
        return true;
    }
    bool onCopyProgram(host::int32 destination) noexcept override {
        note("onCopyProgram " + n(destination));
        return true;
    }
    bool inputProperties(host::int32 index, host::VstPinProperties* properties) noexcept override {
        note("inputProperties " + n(index) + " " + p(properties));
        return true;
    }
    bool outputProperties(host::int32 index, host::VstPinProperties* properties) noexcept override {
        note("outputProperties " + n(index) + " " + p(properties));
        return true;
    }
    bool onOfflinePrepare(host::VstOfflineTask* task, host::int32 count) noexcept override {
        note("onOfflinePrepare " + p(task) + " " + n(count));
        return true;
    }
    bool onOfflineRun(host::VstOfflineTask* task, host::int32 count) noexcept override {
        note("onOfflineRun " + p(task) + " " + n(count));
        return true;
    }
    host::intptr onVendorCall(host::int32 index, host::intptr value, void* ptr,
                              float opt) noexcept override {
        note("onVendorCall " + n(index) + " " + n(value) + " " + p(ptr) + " " +
             std::to_string(opt));
        return 0x1234;
    }
    bool onViewPosition(host::int32 x, host::int32 y) noexcept override {
        note("onViewPosition " + n(x) + " " + n(y));
        return true;
    }
    bool parameterProperties(host::int32 index,
                             host::VstParameterProperties* properties) noexcept override {
        note("parameterProperties " + n(index) + " " + p(properties));
        return true;
    }
    host::int32 midiProgramName(host::int32 channel, host::MidiProgramName* name) noexcept override {
        note("midiProgramName " + n(channel) + " " + p(name));
        return 21;
    }
    host::int32 currentMidiProgram(host::int32 channel,
                                   host::MidiProgramName* current) noexcept override {
        note("currentMidiProgram " + n(channel) + " " + p(current));
        return 22;
    }
    host::int32 midiProgramCategory(host::int32 channel,
                                    host::MidiProgramCategory* category) noexcept override {
        note("midiProgramCategory " + n(channel) + " " + p(category));
        return 23;
    }
    bool midiProgramsChanged(host::int32 channel) noexcept override {
        note("midiProgramsChanged " + n(channel));
        return true;
    }
    bool midiKeyName(host::int32 channel, host::MidiKeyName* key) noexcept override {
        note("midiKeyName " + n(channel) + " " + p(key));
        return true;
    }
    host::int32 nextShellPlugin(char* name) noexcept override {
        note("nextShellPlugin " + p(name));
        return 24;
    }
    host::int32 onBeginLoadBank(host::VstPatchChunkInfo* info) noexcept override {
        note("onBeginLoadBank " + p(info));
        return 25;
    }
    host::int32 onBeginLoadProgram(host::VstPatchChunkInfo* info) noexcept override {
        note("onBeginLoadProgram " + p(info));
        return 26;
    }

    const void* expected;
    std::vector<std::string> calls;
};

}  // namespace

// Every routed opcode through the record: which operation, which argument where, and what
// the host gets back. The host passes index 3, value 7, its pointer and opt 0.5.
TEST(Dispatcher, ArgumentsReachTheirOperationsThroughTheRecord) {
    char hostBuffer[64] = "Live mix";
    struct Route {
        host::int32 opcode;
        const char* reached;
        host::intptr answer;
    };
    const Route routes[] = {
        {host::effSetProgramName, "renameProgram Live mix", 0},
        {host::effString2Parameter, "onStringToParameter 3 ptr", 1},
        {host::effCopyProgram, "onCopyProgram 3", 1},
        {host::effGetInputProperties, "inputProperties 3 ptr", 1},
        {host::effGetOutputProperties, "outputProperties 3 ptr", 1},
        {host::effOfflinePrepare, "onOfflinePrepare ptr 7", 1},
        {host::effOfflineRun, "onOfflineRun ptr 7", 1},
        {host::effVendorSpecific, "onVendorCall 3 7 ptr 0.500000", 0x1234},
        {host::effSetViewPosition, "onViewPosition 3 7", 1},
        {host::effGetParameterProperties, "parameterProperties 3 ptr", 1},
        {host::effGetMidiProgramName, "midiProgramName 3 ptr", 21},
        {host::effGetCurrentMidiProgram, "currentMidiProgram 3 ptr", 22},
        {host::effGetMidiProgramCategory, "midiProgramCategory 3 ptr", 23},
        {host::effHasMidiProgramsChanged, "midiProgramsChanged 3", 1},
        {host::effGetMidiKeyName, "midiKeyName 3 ptr", 1},
        {host::effShellGetNextPlugin, "nextShellPlugin ptr", 24},
        {host::effBeginLoadBank, "onBeginLoadBank ptr", 25},
        {host::effBeginLoadProgram, "onBeginLoadProgram ptr", 26},
    };
    for (const Route& route : routes) {
        RoutingEffect effect(hostBuffer);
        EXPECT_EQ(call(effect, route.opcode, 3, 7, hostBuffer, 0.5f), route.answer) << route.opcode;
        ASSERT_EQ(effect.calls.size(), 1u) << route.opcode;
        EXPECT_EQ(effect.calls[0], route.reached) << route.opcode;
    }
}

namespace {
std::vector<std::string> closingEvents;

class ClosingEffect : public TestEffect {
public:
    ClosingEffect() : TestEffect(nullptr) {}
    ~ClosingEffect() override { closingEvents.push_back("destroyed"); }
    void onClose() noexcept override { closingEvents.push_back("onClose"); }
};
}  // namespace

TEST(Dispatcher, CloseRunsTheCloseOperationThenDestroysTheEffect) {
    closingEvents.clear();
    auto* effect = new ClosingEffect;
    EXPECT_EQ(call(*effect, host::effClose), 1);
    const std::vector<std::string> expected = {"onClose", "destroyed"};
    EXPECT_EQ(closingEvents, expected);
}

namespace {
// An effect whose effIdle asks the host for idle twice, as a plug-in's own work might.
class IdlingEffect : public TestEffect {
public:
    IdlingEffect() : TestEffect(&melp::testing::FakeHost::callback) {}
    host::int32 onIdle() noexcept override {
        hostIdle();
        aliveAfterFirstAnswer = liveCount;
        hostIdle();
        return 3;
    }
    // Outside the object, which is gone when the test reads it.
    static inline int aliveAfterFirstAnswer = 0;
};
}  // namespace

// A host that closes the effect from its answer to one of the effect's own requests: the
// effect lives until the call the request came from returns, and the host hears nothing
// more from it meanwhile; further calls on the closed record are not passed on.
TEST(Dispatcher, CloseFromInsideACallWaitsForTheCall) {
    melp::testing::FakeHost fake;
    const int liveBefore = TestEffect::liveCount;
    auto* effect = new IdlingEffect;
    host::AEffect* record = &effect->record;
    host::intptr innerClose = 0;
    host::intptr callOnClosed = -1;
    fake.respond(host::audioMasterIdle, [&](const melp::testing::HostRequest& request) {
        innerClose = record->dispatcher(request.effect, host::effClose, 0, 0, nullptr, 0.0f);
        callOnClosed = record->dispatcher(request.effect, host::effIdentify, 0, 0, nullptr, 0.0f);
        return host::intptr{0};
    });
    EXPECT_EQ(record->dispatcher(record, host::effIdle, 0, 0, nullptr, 0.0f), 3);
    EXPECT_EQ(innerClose, 1);
    EXPECT_EQ(callOnClosed, 0);
    EXPECT_EQ(IdlingEffect::aliveAfterFirstAnswer, liveBefore + 1);
    EXPECT_EQ(fake.count(host::audioMasterIdle), 1u) << "the second request reached the host";
    EXPECT_EQ(TestEffect::liveCount, liveBefore) << "destroyed once the call returned";
}
