// Every host request wrapper: the request number and arguments it sends, how it turns the
// answer into its result, and what it answers when there is no host callback.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "host/capabilities.h"
#include "host/opcodes.h"
#include "tests/support/fake_host.h"
#include "tests/unit/host/test_effect.h"

using namespace melp;
using melp::testing::FakeHost;
using melp::testing::TestEffect;

namespace {

// Never written by the wrappers: pointer arguments point into it.
int dummy[4] = {0x11111111, 0x22222222, 0x33333333, 0x44444444};
void* const kPointer = &dummy[1];

struct Wrapper {
    const char* name;
    std::function<host::intptr(TestEffect&)> call;
    host::int32 request;
    host::int32 index;
    host::intptr value;
    void* ptr;
    float opt;
    // What the wrapper answers when the host answers 5, when it answers 0, with no host.
    host::intptr onFive;
    host::intptr onZero;
    host::intptr noHost;
};

host::intptr asInt(const void* p) {
    return reinterpret_cast<host::intptr>(p);
}

const host::intptr kFive = 5;
const host::intptr kFivePointer = 5;  // pointer-valued answers come back as the same bits

std::vector<Wrapper> wrappers() {
    using E = TestEffect;
    auto* task = static_cast<host::VstOfflineTask*>(kPointer);
    auto* files = static_cast<host::VstAudioFile*>(kPointer);
    auto* window = static_cast<host::VstWindow*>(kPointer);
    auto* selector = static_cast<host::VstFileSelect*>(kPointer);
    auto* events = static_cast<host::VstEvents*>(kPointer);
    auto* text = static_cast<char*>(kPointer);
    return {
        {"hostVersion", [](E& e) { return e.hostVersion(); }, 1, 0, 0, nullptr, 0, kFive, 1, 1},
        {"hostCurrentId", [](E& e) { return e.hostCurrentId(); }, 2, 0, 0, nullptr, 0, kFive, 0, 0},
        {"hostIdle", [](E& e) { return e.hostIdle(); }, 3, 0, 0, nullptr, 0, kFive, 0, 0},
        {"hostInputConnected", [](E& e) { return e.hostInputConnected(3); }, 4, 3, 0, nullptr, 0, 0,
         1, 1},
        {"hostOutputConnected", [](E& e) { return e.hostOutputConnected(2); }, 4, 2, 1, nullptr, 0,
         0, 1, 1},
        {"hostWantEvents", [](E& e) { return e.hostWantEvents(9); }, 6, 0, 9, nullptr, 0, kFive, 0,
         0},
        {"hostTimeInfo", [](E& e) { return asInt(e.hostTimeInfo(0x300)); }, 7, 0, 0x300, nullptr, 0,
         kFivePointer, 0, 0},
        {"hostSendEvents", [events](E& e) { return e.hostSendEvents(events); }, 8, 0, 0, kPointer,
         0, 0, 0, 0},
        {"hostTempoAt", [](E& e) { return e.hostTempoAt(4410); }, 10, 0, 4410, nullptr, 0, kFive, 0,
         0},
        {"hostAutomatableCount", [](E& e) { return e.hostAutomatableCount(); }, 11, 0, 0, nullptr,
         0, kFive, 0, 0},
        {"hostParameterQuantization", [](E& e) { return e.hostParameterQuantization(); }, 12, 0, 0,
         nullptr, 0, kFive, 0, 0},
        {"hostIoChanged", [](E& e) { return e.hostIoChanged(); }, 13, 0, 0, nullptr, 0, 1, 0, 0},
        {"hostNeedIdle", [](E& e) { return e.hostNeedIdle(); }, 14, 0, 0, nullptr, 0, 1, 0, 0},
        {"hostSizeWindow", [](E& e) { return e.hostSizeWindow(427, 133); }, 15, 427, 133, nullptr,
         0, 1, 0, 0},
        {"hostInputLatency", [](E& e) { return e.hostInputLatency(); }, 18, 0, 0, nullptr, 0, kFive,
         0, 0},
        {"hostOutputLatency", [](E& e) { return e.hostOutputLatency(); }, 19, 0, 0, nullptr, 0,
         kFive, 0, 0},
        {"hostPreviousPlug", [](E& e) { return asInt(e.hostPreviousPlug(3)); }, 20, 0, 0, nullptr,
         0, kFivePointer, 0, 0},
        {"hostNextPlug", [](E& e) { return asInt(e.hostNextPlug(3)); }, 21, 0, 0, nullptr, 0,
         kFivePointer, 0, 0},
        {"hostWillReplace", [](E& e) { return e.hostWillReplace(); }, 22, 0, 0, nullptr, 0, kFive,
         0, 0},
        {"hostProcessLevel", [](E& e) { return e.hostProcessLevel(); }, 23, 0, 0, nullptr, 0, kFive,
         0, 0},
        {"hostAutomationState", [](E& e) { return e.hostAutomationState(); }, 24, 0, 0, nullptr, 0,
         kFive, 0, 0},
        {"hostOfflineStart", [files](E& e) { return e.hostOfflineStart(files, 4, 2); }, 25, 2, 4,
         kPointer, 0, 1, 0, 0},
        {"hostOfflineRead", [task](E& e) { return e.hostOfflineRead(task, 6, true); }, 26, 1, 6,
         kPointer, 0, 1, 0, 0},
        {"hostOfflineRead source off", [task](E& e) { return e.hostOfflineRead(task, 6, false); },
         26, 0, 6, kPointer, 0, 1, 0, 0},
        {"hostOfflineWrite", [task](E& e) { return e.hostOfflineWrite(task, 8); }, 27, 0, 8,
         kPointer, 0, 1, 0, 0},
        {"hostOfflinePass", [](E& e) { return e.hostOfflinePass(); }, 28, 0, 0, nullptr, 0, 1, 0,
         0},
        {"hostOfflineMetaPass", [](E& e) { return e.hostOfflineMetaPass(); }, 29, 0, 0, nullptr, 0,
         1, 0, 0},
        {"hostSetOutputSampleRate", [](E& e) { return e.hostSetOutputSampleRate(48000.0f); }, 30, 0,
         0, nullptr, 48000.0f, kFive, 0, 0},
        {"hostOutputArrangement", [](E& e) { return asInt(e.hostOutputArrangement()); }, 31, 0, 0,
         nullptr, 0, kFivePointer, 0, 0},
        {"hostVendorText", [text](E& e) { return e.hostVendorText(text); }, 32, 0, 0, kPointer, 0,
         1, 0, 0},
        {"hostProductText", [text](E& e) { return e.hostProductText(text); }, 33, 0, 0, kPointer, 0,
         1, 0, 0},
        {"hostVendorVersion", [](E& e) { return e.hostVendorVersion(); }, 34, 0, 0, nullptr, 0,
         kFive, 0, 0},
        {"hostVendorCall", [](E& e) { return e.hostVendorCall(7, -3, kPointer, 0.5f); }, 35, 7, -3,
         kPointer, 0.5f, kFive, 0, 0},
        {"hostCanDo", [](E& e) { return e.hostCanDo("sizeWindow"); }, 37, 0, 0, nullptr, 0, 1, 0,
         0},
        {"hostLanguage", [](E& e) { return e.hostLanguage(); }, 38, 0, 0, nullptr, 0, kFive, 0, 0},
        {"hostOpenWindow", [window](E& e) { return asInt(e.hostOpenWindow(window)); }, 39, 0, 0,
         kPointer, 0, kFivePointer, 0, 0},
        {"hostCloseWindow", [window](E& e) { return e.hostCloseWindow(window); }, 40, 0, 0,
         kPointer, 0, 1, 0, 0},
        {"hostDirectory", [](E& e) { return asInt(e.hostDirectory()); }, 41, 0, 0, nullptr, 0,
         kFivePointer, 0, 0},
        {"hostUpdateDisplay", [](E& e) { return e.hostUpdateDisplay(); }, 42, 0, 0, nullptr, 0, 1,
         0, 0},
        {"hostBeginEdit", [](E& e) { return e.hostBeginEdit(6); }, 43, 6, 0, nullptr, 0, 1, 0, 0},
        {"hostEndEdit", [](E& e) { return e.hostEndEdit(6); }, 44, 6, 0, nullptr, 0, 1, 0, 0},
        {"hostOpenFileSelector", [selector](E& e) { return e.hostOpenFileSelector(selector); }, 45,
         0, 0, kPointer, 0, 1, 0, 0},
        {"hostCloseFileSelector", [selector](E& e) { return e.hostCloseFileSelector(selector); },
         46, 0, 0, kPointer, 0, 1, 0, 0},
        {"hostChunkFile", [text](E& e) { return e.hostChunkFile(text); }, 48, 0, 0, kPointer, 0, 1,
         0, 0},
        {"hostInputArrangement", [](E& e) { return asInt(e.hostInputArrangement()); }, 49, 0, 0,
         nullptr, 0, kFivePointer, 0, 0},
    };
}

}  // namespace

TEST(HostRequests, EachWrapperSendsItsRequestWithItsArguments) {
    for (const Wrapper& w : wrappers()) {
        FakeHost fake;
        fake.answer(w.request, 5);
        TestEffect effect(&FakeHost::callback);
        EXPECT_EQ(w.call(effect), w.onFive) << w.name;
        ASSERT_EQ(fake.log.size(), 1u) << w.name;
        const auto& r = fake.log[0];
        EXPECT_EQ(r.effect, &effect.record) << w.name;
        EXPECT_EQ(r.opcode, w.request) << w.name;
        EXPECT_EQ(r.index, w.index) << w.name;
        EXPECT_EQ(r.value, w.value) << w.name;
        if (w.request != host::audioMasterCanDo) {
            EXPECT_EQ(r.ptr, w.ptr) << w.name;
        }
        EXPECT_EQ(r.opt, w.opt) << w.name;
    }
}

TEST(HostRequests, AnswerZeroIsConverted) {
    for (const Wrapper& w : wrappers()) {
        FakeHost fake;
        TestEffect effect(&FakeHost::callback);
        EXPECT_EQ(w.call(effect), w.onZero) << w.name;
    }
}

TEST(HostRequests, NoHostAnswersTheNoHostValue) {
    for (const Wrapper& w : wrappers()) {
        TestEffect effect(nullptr);
        const int dummyBefore[4] = {dummy[0], dummy[1], dummy[2], dummy[3]};
        host::AEffect recordBefore;
        std::memcpy(&recordBefore, &effect.record, sizeof recordBefore);
        EXPECT_EQ(w.call(effect), w.noHost) << w.name;
        // Calls nothing: neither an operation of the effect nor a write through the
        // pointer it was given, and the record stays as it was.
        EXPECT_TRUE(effect.calls.empty()) << w.name;
        EXPECT_EQ(std::memcmp(dummyBefore, dummy, sizeof dummy), 0) << w.name;
        EXPECT_EQ(std::memcmp(&recordBefore, &effect.record, sizeof recordBefore), 0) << w.name;
    }
    TestEffect effect(nullptr);
    EXPECT_EQ(effect.hostSampleRate(), 44100.0f);
    EXPECT_EQ(effect.hostBlockSize(), 1024);
    effect.automateParameter(3, 0.25f);
    ASSERT_EQ(effect.calls.size(), 1u);
}

TEST(HostRequests, CanDoPassesTheStringAndTreatsNonZeroAsYes) {
    FakeHost fake;
    TestEffect effect(&FakeHost::callback);
    fake.answer(host::audioMasterCanDo, 1);
    EXPECT_TRUE(effect.hostCanDo(host::hostCapabilities[8]));
    ASSERT_EQ(fake.canDoQuestions.size(), 1u);
    EXPECT_EQ(fake.canDoQuestions[0], "sizeWindow");
    fake.answer(host::audioMasterCanDo, -1);
    EXPECT_TRUE(effect.hostCanDo("offline"));
}

TEST(HostRequests, VersionNeverReportsZero) {
    FakeHost fake;
    TestEffect effect(&FakeHost::callback);
    fake.answer(host::audioMasterVersion, 2400);
    EXPECT_EQ(effect.hostVersion(), 2400);
    fake.answer(host::audioMasterVersion, 0);
    EXPECT_EQ(effect.hostVersion(), 1);
#if UINTPTR_MAX > 0xFFFFFFFFu
    // A 64-bit answer whose low half is 0 must not narrow to version 0.
    fake.answer(host::audioMasterVersion, host::intptr{1} << 32);
    EXPECT_EQ(effect.hostVersion(), 1);
#endif
}

TEST(HostRequests, SampleRateAndBlockSizeKeepPositiveAnswers) {
    FakeHost fake;
    TestEffect effect(&FakeHost::callback);
    fake.answer(host::audioMasterGetSampleRate, 48000);
    EXPECT_EQ(effect.hostSampleRate(), 48000.0f);
    EXPECT_EQ(effect.sampleRate.load(), 48000.0f);
    fake.answer(host::audioMasterGetSampleRate, 0);
    EXPECT_EQ(effect.hostSampleRate(), 48000.0f);
    fake.answer(host::audioMasterGetSampleRate, -96000);
    EXPECT_EQ(effect.hostSampleRate(), 48000.0f);

    fake.answer(host::audioMasterGetBlockSize, 256);
    EXPECT_EQ(effect.hostBlockSize(), 256);
    fake.answer(host::audioMasterGetBlockSize, 0);
    EXPECT_EQ(effect.hostBlockSize(), 256);
    fake.answer(host::audioMasterGetBlockSize, -1);
    EXPECT_EQ(effect.hostBlockSize(), 256);
    EXPECT_EQ(effect.blockSize, 256);
}

TEST(HostRequests, SendEventsIsTrueOnlyForExactlyOne) {
    FakeHost fake;
    TestEffect effect(&FakeHost::callback);
    fake.answer(host::audioMasterProcessEvents, 1);
    EXPECT_TRUE(effect.hostSendEvents(nullptr));
    fake.answer(host::audioMasterProcessEvents, 2);
    EXPECT_FALSE(effect.hostSendEvents(nullptr));
    fake.answer(host::audioMasterProcessEvents, -1);
    EXPECT_FALSE(effect.hostSendEvents(nullptr));
}

TEST(HostRequests, FileWrappersRefuseNullWithoutAskingTheHost) {
    FakeHost fake;
    fake.answer(host::audioMasterOpenFileSelector, 1);
    fake.answer(host::audioMasterCloseFileSelector, 1);
    fake.answer(host::audioMasterGetChunkFile, 1);
    TestEffect effect(&FakeHost::callback);
    EXPECT_FALSE(effect.hostOpenFileSelector(nullptr));
    EXPECT_FALSE(effect.hostCloseFileSelector(nullptr));
    EXPECT_FALSE(effect.hostChunkFile(nullptr));
    EXPECT_TRUE(fake.log.empty());
}

TEST(HostRequests, AutomateSetsTheParameterFirstThenTellsTheHost) {
    FakeHost fake;
    TestEffect effect(&FakeHost::callback);
    std::size_t callsWhenHostAsked = 99;
    fake.respond(host::audioMasterAutomate, [&](const melp::testing::HostRequest&) {
        callsWhenHostAsked = effect.calls.size();
        return host::intptr{0};
    });
    effect.automateParameter(3, 0.25f);
    ASSERT_EQ(effect.calls.size(), 1u);
    EXPECT_EQ(effect.calls[0], "setParameterValue 3 0.250000");
    EXPECT_EQ(callsWhenHostAsked, 1u);
    ASSERT_EQ(fake.log.size(), 1u);
    EXPECT_EQ(fake.log[0].opcode, host::audioMasterAutomate);
    EXPECT_EQ(fake.log[0].index, 3);
    EXPECT_EQ(fake.log[0].value, 0);
    EXPECT_EQ(fake.log[0].opt, 0.25f);
    // No scaling or clamping of what the host gets.
    effect.automateParameter(7, 2.0f);
    EXPECT_EQ(fake.log[1].opt, 2.0f);
}

TEST(Capabilities, ListsHoldTheInterfaceStringsInOrder) {
    EXPECT_STREQ(host::hostCapabilities[0], "sendVstEvents");
    EXPECT_STREQ(host::hostCapabilities[6], "reportConnectionChanges");
    EXPECT_STREQ(host::hostCapabilities[16], "startStopProcess");
    EXPECT_STREQ(host::pluginCapabilities[7], "plugAsChannelInsert");
    EXPECT_STREQ(host::pluginCapabilities[13], "1in1out");
    EXPECT_STREQ(host::pluginCapabilities[25], "bypass");
    TestEffect effect(nullptr);
    for (const char* capability : host::pluginCapabilities) {
        EXPECT_EQ(effect.dispatch(host::effCanDo, 0, 0, const_cast<char*>(capability), 0.0f), 0)
            << capability;
    }
}
