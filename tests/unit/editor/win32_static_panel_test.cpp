// The plug-in linked into the test program itself on the Win32 backend, so the backend's
// own accounting is visible: a hundred open/idle/close cycles in a real window leave every
// pen, brush, font, bitmap, device context and window the backend made deleted again, and
// closing the effect gives back the panel picture too.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "host/effect_record.h"
#include "host/entry.h"
#include "platform/platform.h"
#include "platform/testing/panel_probe.h"
#include "platform/testing/test_window.h"
#include "tests/support/fake_host.h"
#include "tests/support/live_objects.h"

namespace melp {
namespace {

namespace probe = platform::testing;
using testing::expectSameLiveObjects;

TEST(Win32StaticPanel, HundredCyclesGiveBackEveryObject) {
    testing::FakeHost host;
    host.answer(1 /* audioMasterVersion */, 2400);
    const platform::LiveObjects beforeEffect = platform::liveObjects();
    platform::Window hostWindow = probe::createTopLevelWindow(60, 60, 427, 133);
    ASSERT_NE(hostWindow, nullptr);
    host::AEffect* effect = melpPluginEntry(&testing::FakeHost::callback);
    ASSERT_NE(effect, nullptr);
    auto dispatch = [&](host::int32 opcode, host::intptr value = 0, void* ptr = nullptr) {
        return effect->dispatcher(effect, opcode, 0, value, ptr, 0.0f);
    };
    dispatch(12 /* effMainsChanged */, 1);
    const platform::LiveObjects closed = platform::liveObjects();
    const std::int32_t windows = probe::processWindowCount();

    for (int cycle = 0; cycle < 100; ++cycle) {
        ASSERT_EQ(dispatch(14 /* effEditOpen */, 0, hostWindow), 1);
        probe::processMessages();
        for (int i = 0; i < 2; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            dispatch(19 /* effEditIdle */);
            probe::processMessages();
        }
        EXPECT_GT(platform::liveObjects().bitmaps, closed.bitmaps);
        dispatch(15 /* effEditClose */);
        probe::processMessages();
        expectSameLiveObjects(platform::liveObjects(), closed, "after a close");
        ASSERT_EQ(probe::processWindowCount(), windows) << "cycle " << cycle;
    }
    dispatch(1 /* effClose */);
    probe::destroyTopLevelWindow(hostWindow);
    probe::processMessages();
    expectSameLiveObjects(platform::liveObjects(), beforeEffect, "after effClose");
}

}  // namespace
}  // namespace melp
