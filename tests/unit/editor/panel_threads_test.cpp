// A host's two threads at once: its audio thread processes through the record without a
// pause while its user-interface thread idles the open panel, switches pages, toggles the
// meter modes and clears the peaks. Run under ThreadSanitizer (label tsan): every value the
// two threads share must be read and written whole.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <thread>
#include <vector>

#include "host/effect_record.h"
#include "host/entry.h"
#include "platform/headless/headless.h"
#include "tests/support/fake_host.h"

namespace melp {
namespace {

namespace headless = platform::headless;

TEST(PanelThreads, IdleAndClicksWhileAnotherThreadProcesses) {
    headless::reset();
    testing::FakeHost host;
    host.answer(1 /* audioMasterVersion */, 2400);
    platform::Window hostWindow = headless::createHostWindow(0, 0, 427, 133);
    host::AEffect* effect = melpPluginEntry(&testing::FakeHost::callback);
    ASSERT_NE(effect, nullptr);
    auto dispatch = [&](host::int32 opcode, host::intptr value = 0, void* ptr = nullptr) {
        return effect->dispatcher(effect, opcode, 0, value, ptr, 0.0f);
    };
    dispatch(12 /* effMainsChanged */, 1);
    ASSERT_EQ(dispatch(14 /* effEditOpen */, 0, hostWindow), 1);
    headless::dispatchPendingMessages();

    std::atomic<bool> stop{false};
    std::atomic<int> blocks{0};
    std::thread audio([&] {
        std::vector<float> left(256), right(256);
        float* channels[2] = {left.data(), right.data()};
        int n = 0;
        while (!stop.load()) {
            for (std::size_t i = 0; i < left.size(); ++i, ++n) {
                left[i] = static_cast<float>(0.8 * std::sin(n * 0.0713));
                right[i] = static_cast<float>(0.6 * std::sin(n * 0.0213 + 1.0));
            }
            effect->processReplacing(effect, channels, channels, 256);
            blocks.fetch_add(1);
        }
    });

    // Page buttons, peak clear, peak mode, scale, true peak, grid (on the analyser page).
    const std::int32_t clicks[][2] = {{368, 49}, {368, 60}, {368, 71}, {368, 82}, {53, 65},
                                      {368, 60}, {53, 81},  {368, 60}, {53, 49},  {368, 71}};
    int clicked = 0;
    for (int step = 0; step < 300; ++step) {
        headless::advanceTime(20);
        dispatch(19 /* effEditIdle */);
        if (step % 30 == 29) {
            const auto& at = clicks[clicked++ % 10];
            headless::clearInputScript();
            headless::scheduleClick(headless::now(), at[0], at[1], 40);
            headless::dispatchPendingMessages();
            headless::advanceTime(41);
            headless::dispatchPendingMessages();
        }
        std::this_thread::yield();
    }
    stop.store(true);
    audio.join();

    EXPECT_GT(blocks.load(), 0);
    EXPECT_GE(host.count(0 /* audioMasterAutomate */), 10u);
    dispatch(15 /* effEditClose */);
    EXPECT_TRUE(headless::childrenOf(hostWindow).empty());
    dispatch(1 /* effClose */);
    headless::destroyWindowFromOutside(hostWindow);
}

}  // namespace
}  // namespace melp
