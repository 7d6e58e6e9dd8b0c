// The entry: the version question before anything exists, creation failures, and the
// process-wide editor failure flag. The factory here stands in for the concrete plug-in.
#include <gtest/gtest.h>

#include "host/entry.h"
#include "host/opcodes.h"
#include "tests/support/fake_host.h"
#include "tests/unit/host/test_effect.h"

using namespace melp;
using melp::testing::FakeHost;
using melp::testing::TestEffect;

namespace {

enum class Factory { normal, outOfMemory, editorFails };
Factory factoryMode = Factory::normal;
int factoryCalls = 0;

}  // namespace

host::BaseEffect* melp::host::createPluginInstance(audioMasterCallback hostCallback) noexcept {
    ++factoryCalls;
    if (factoryMode == Factory::outOfMemory) {
        return nullptr;
    }
    auto* effect = new (std::nothrow) TestEffect(hostCallback);
    if (factoryMode == Factory::editorFails) {
        editorCreationFailed = true;
    }
    return effect;
}

class Entry : public ::testing::Test {
protected:
    void SetUp() override {
        factoryMode = Factory::normal;
        factoryCalls = 0;
        TestEffect::liveCount = 0;
        host::editorCreationFailed = false;
    }
    void TearDown() override { host::editorCreationFailed = false; }
    FakeHost fake;
};

TEST_F(Entry, AsksTheVersionWithANullRecordThenReturnsTheObjectsRecord) {
    fake.answer(host::audioMasterVersion, 2400);
    host::AEffect* record = melpPluginEntry(&FakeHost::callback);
    ASSERT_NE(record, nullptr);
    ASSERT_GE(fake.log.size(), 1u);
    EXPECT_EQ(fake.log[0].opcode, host::audioMasterVersion);
    EXPECT_EQ(fake.log[0].effect, nullptr);
    EXPECT_EQ(fake.log[0].index, 0);
    EXPECT_EQ(fake.log[0].value, 0);
    EXPECT_EQ(fake.log[0].ptr, nullptr);
    EXPECT_EQ(fake.log[0].opt, 0.0f);
    auto* object = static_cast<host::BaseEffect*>(record->object);
    EXPECT_EQ(&object->record, record);
    EXPECT_EQ(object->hostCallback, &FakeHost::callback);
    EXPECT_EQ(TestEffect::liveCount, 1);
    EXPECT_EQ(record->dispatcher(record, host::effClose, 0, 0, nullptr, 0.0f), 1);
    EXPECT_EQ(TestEffect::liveCount, 0);
}

TEST_F(Entry, HostAnsweringZeroToTheVersionGetsNothing) {
    fake.answer(host::audioMasterVersion, 0);
    EXPECT_EQ(melpPluginEntry(&FakeHost::callback), nullptr);
    EXPECT_EQ(factoryCalls, 0);
    EXPECT_EQ(fake.log.size(), 1u);
}

TEST_F(Entry, NullCallbackGetsNothing) {
    EXPECT_EQ(melpPluginEntry(nullptr), nullptr);
    EXPECT_EQ(factoryCalls, 0);
}

TEST_F(Entry, FailedAllocationGetsNothing) {
    fake.answer(host::audioMasterVersion, 1);
    factoryMode = Factory::outOfMemory;
    EXPECT_EQ(melpPluginEntry(&FakeHost::callback), nullptr);
    EXPECT_EQ(factoryCalls, 1);
}

TEST_F(Entry, EditorFailureDestroysTheObjectAndStaysSet) {
    fake.answer(host::audioMasterVersion, 1);
    factoryMode = Factory::editorFails;
    EXPECT_EQ(melpPluginEntry(&FakeHost::callback), nullptr);
    EXPECT_EQ(TestEffect::liveCount, 0);
    // The flag is never cleared: a later, healthy creation fails the same way.
    factoryMode = Factory::normal;
    EXPECT_EQ(melpPluginEntry(&FakeHost::callback), nullptr);
    EXPECT_EQ(TestEffect::liveCount, 0);
    EXPECT_EQ(factoryCalls, 2);
}
