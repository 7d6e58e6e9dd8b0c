// Shared scene for the editor tests on the headless backend: an effect whose read-outs the
// test sets, the fake host it reports to, a host window to open the panel in, and helpers
// to idle, click and read pixels of the panel.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "editor/meter_editor.h"
#include "host/extended_effect.h"
#include "platform/headless/headless.h"
#include "tests/support/fake_host.h"
#include "toolkit/frame.h"

namespace melp::editor::testing {

namespace headless = platform::headless;

constexpr platform::ColorRef blue = platform::makeColorRef(20, 145, 210);
constexpr platform::ColorRef dark = platform::makeColorRef(20, 20, 30);
constexpr platform::ColorRef red = platform::makeColorRef(225, 20, 20);

// An effect with settable read-outs that logs the parameters it is given.
class ScriptedEffect : public host::ExtendedEffect {
public:
    explicit ScriptedEffect(host::audioMasterCallback callback) noexcept
        : ExtendedEffect(callback, 1, 11) {}

    void processAccumulate(float**, float**, host::int32) noexcept override {}
    float readMeter(host::int32 index) noexcept override {
        ++readCount;
        return index >= 0 && index <= 100 ? readouts[index] : 0.0f;
    }
    void resetMeters() noexcept override { ++resetCount; }
    void setParameterValue(host::int32 index, float value) noexcept override {
        parameters.emplace_back(index, value);
    }

    float readouts[101] = {};
    int readCount = 0;
    int resetCount = 0;
    std::vector<std::pair<host::int32, float>> parameters;
};

class PanelTest : public ::testing::Test {
protected:
    static constexpr std::int32_t hostX = 100;
    static constexpr std::int32_t hostY = 200;

    void SetUp() override {
        headless::reset();
        headless::setTime(10000);
        baseline = platform::liveObjects();
        hostWindow = headless::createHostWindow(hostX, hostY, 600, 300);
        effect = std::make_unique<ScriptedEffect>(&melp::testing::FakeHost::callback);
        editor = new MeterEditor(effect.get());
    }

    void TearDown() override {
        effect.reset();  // deletes the editor
        if (headless::windowExists(hostWindow)) {
            headless::destroyWindowFromOutside(hostWindow);
        }
        headless::dispatchPendingMessages();
    }

    host::intptr dispatch(host::int32 opcode, host::int32 index = 0, host::intptr value = 0,
                          void* ptr = nullptr, float opt = 0.0f) {
        return effect->record.dispatcher(&effect->record, opcode, index, value, ptr, opt);
    }

    // Opens through the record and lets the first paint happen.
    void open() {
        ASSERT_EQ(dispatch(14 /* effEditOpen */, 0, 0, hostWindow), 1);
        headless::dispatchPendingMessages();
        ASSERT_NE(frame(), nullptr);
        ASSERT_FALSE(frame()->awaitingFirstPaint());
    }
    void close() { dispatch(15 /* effEditClose */); }
    void idle(int times = 1) {
        for (int i = 0; i < times; ++i) {
            dispatch(19 /* effEditIdle */);
        }
    }

    toolkit::Frame* frame() const { return editor->frame; }
    platform::Window panelWindow() const { return frame() ? frame()->window() : nullptr; }
    platform::ColorRef px(std::int32_t x, std::int32_t y) const {
        return headless::pixel(panelWindow(), x, y);
    }

    // A left click of durationMs at panel coordinates, run to its end (the buttons poll the
    // mouse inside the click handling, and the idle pump moves the clock on).
    void click(std::int32_t x, std::int32_t y, std::uint32_t durationMs = 30) {
        headless::clearInputScript();
        headless::scheduleClick(headless::now(), hostX + x, hostY + y, durationMs);
        headless::dispatchPendingMessages();
        headless::advanceTime(durationMs + 1);
        headless::dispatchPendingMessages();
    }
    void clickView(toolkit::View* view) {
        ASSERT_NE(view, nullptr);
        click((view->bounds().left + view->bounds().right) / 2,
              (view->bounds().top + view->bounds().bottom) / 2);
    }

    // Automation the host received, as (index, value).
    std::vector<std::pair<host::int32, float>> automation() const {
        std::vector<std::pair<host::int32, float>> found;
        for (const auto& request : host.requestsOf(0 /* audioMasterAutomate */)) {
            found.emplace_back(request.index, request.opt);
        }
        return found;
    }

    melp::testing::FakeHost host;
    std::unique_ptr<ScriptedEffect> effect;
    MeterEditor* editor = nullptr;  // owned by the effect
    platform::Window hostWindow = nullptr;
    platform::LiveObjects baseline;
};

}  // namespace melp::editor::testing
