// The plug-in linked into the test program on the X11 backend, its panel in a real X window
// under a stand-in host window, driven as a Linux host drives it: effEditOpen with the
// host window's X window id, effEditIdle, effEditClose. What the server shows of the panel
// (XGetImage) is the golden pages exactly; a click sent through XTest switches the page and
// reaches the host's automation; a hundred open/close cycles leave no window under the host
// window (XQueryTree), no connection and no drawing object behind.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "host/effect_record.h"
#include "host/entry.h"
#include "host/opcodes.h"
#include "platform/platform.h"
#include "platform/raster/raster.h"
#include "platform/testing/panel_probe.h"
#include "platform/testing/test_window.h"
#include "platform/testing/x11_probe.h"
#include "platform/x11/x11.h"
#include "tests/golden/golden_programme.h"
#include "tests/support/fake_host.h"
#include "tests/support/live_objects.h"

namespace melp {
namespace {

namespace probe = platform::testing;
using golden::pageHeight;
using golden::pageWidth;

using testing::expectSameLiveObjects;

class X11Panel : public ::testing::Test, public golden::Driver {
protected:
    void SetUp() override {
        host.answer(host::audioMasterVersion, 2400);
        hostWindow = probe::createTopLevelWindow(hostX, hostY, pageWidth, pageHeight);
        ASSERT_NE(hostWindow, nullptr) << "no X display";
        effect_ = melpPluginEntry(&testing::FakeHost::callback);
        ASSERT_NE(effect_, nullptr);
        dispatch(host::effMainsChanged, 1);
    }
    void TearDown() override {
        if (effect_) {
            dispatch(host::effClose);
        }
        if (hostWindow) {
            probe::destroyTopLevelWindow(hostWindow);
        }
    }

    host::intptr dispatch(host::int32 opcode, host::intptr value = 0, void* ptr = nullptr) {
        return effect_->dispatcher(effect_, opcode, 0, value, ptr, 0.0f);
    }
    // What a Linux host passes: its window's X id as the pointer.
    void* hostWindowId() const {
        return reinterpret_cast<void*>(
            static_cast<std::uintptr_t>(platform::x11::windowId(hostWindow)));
    }
    void open() {
        ASSERT_EQ(dispatch(host::effEditOpen, 0, hostWindowId()), 1);
        panel = probe::firstChildWindow(hostWindow);
        ASSERT_TRUE(platform::x11::windowExists(panel)) << "the panel is not under the host window";
    }

    host::AEffect* effect() override { return effect_; }
    void idle(int times) override {
        for (int i = 0; i < times; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            dispatch(host::effEditIdle);
        }
    }
    // A real click from another thread: the panel's button polls the pointer in its
    // tracking loop until the release, which the UI thread's idles let it see.
    void click(std::int32_t x, std::int32_t y) override {
        std::int32_t left = 0;
        std::int32_t top = 0;
        ASSERT_TRUE(probe::clientOrigin(panel, &left, &top));
        std::atomic<bool> done{false};
        std::thread clicker([&] {
            probe::sendLeftClick(left + x, top + y, 60);
            done = true;
        });
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (!done && std::chrono::steady_clock::now() < deadline) {
            idle(1);
        }
        clicker.join();
        idle(1);  // the release event, after the loop has ended
    }
    golden::Image capture() {
        golden::Image image{pageWidth, pageHeight,
                            std::vector<platform::ColorRef>(pageWidth * pageHeight)};
        EXPECT_TRUE(probe::captureWindow(panel, pageWidth, pageHeight, image.pixels.data()));
        return image;
    }
    void expectPage(const std::string& name) override {
        golden::Image expected;
        const std::string path = std::string(MELP_GOLDEN_DIR) + "/" + name + ".png";
        ASSERT_TRUE(golden::readPng(path, &expected)) << path;
        const golden::Image shown = capture();
        const std::int32_t differing = golden::differingPixels(expected, shown);
        if (differing != 0) {
            const std::string written = std::string(MELP_OUTPUT_DIR) + "/x11_" + name + ".png";
            golden::writePng(written, shown);
            ADD_FAILURE() << name << ": " << differing << " pixels differ; capture in " << written;
        }
    }

    static constexpr std::int32_t hostX = 120;
    static constexpr std::int32_t hostY = 90;
    testing::FakeHost host;
    host::AEffect* effect_ = nullptr;
    platform::Window hostWindow = nullptr;
    platform::Window panel = nullptr;
};

TEST_F(X11Panel, TheServerShowsTheGoldenPages) {
    open();
    EXPECT_TRUE(platform::x11::presentsThroughSharedMemory(panel))
        << "the local Xvfb offers MIT-SHM";
    golden::runProgramme(*this);
    dispatch(host::effEditClose);
}

TEST_F(X11Panel, AnXTestClickSwitchesToTheAnalyserPageAndReachesTheHost) {
    open();
    idle(2);
    const golden::Image before = capture();
    host.clear();
    click(53, 65);
    const auto automation = host.requestsOf(host::audioMasterAutomate);
    ASSERT_EQ(automation.size(), 2u) << "press and release of the page button";
    EXPECT_EQ(automation[0].index, 9);
    EXPECT_EQ(automation[0].opt, 1.0f);
    EXPECT_EQ(automation[1].index, 9);
    EXPECT_EQ(automation[1].opt, 0.0f);
    ASSERT_EQ(host.count(host::audioMasterBeginEdit), 1u);
    ASSERT_EQ(host.count(host::audioMasterEndEdit), 1u);
    EXPECT_EQ(host.requestsOf(host::audioMasterBeginEdit)[0].index, 9);

    // The strip now shows the analyser scale: its frequency labels under the bars.
    idle(3);
    std::ifstream file(MELP_RESOURCE_DIR "/129.bmp", std::ios::binary);
    const std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(file)),
                                           std::istreambuf_iterator<char>());
    platform::raster::Picture strip;
    ASSERT_TRUE(platform::raster::decodeBmp(bytes.data(), bytes.size(), &strip));
    const golden::Image after = capture();
    int differing = 0;
    int changed = 0;
    for (std::int32_t row = 92; row < 100; ++row) {
        for (std::int32_t column = 80; column < 336; ++column) {
            const auto i = static_cast<std::size_t>(row * pageWidth + column);
            const platform::ColorRef expected =
                strip.pixels[static_cast<std::size_t>((64 + row - 36) * 256 + column - 80)];
            differing += after.pixels[i] != expected;
            changed += after.pixels[i] != before.pixels[i];
        }
    }
    EXPECT_EQ(differing, 0);
    EXPECT_GT(changed, 0);
    dispatch(host::effEditClose);
}

// A tap (a touchpad's click) is pressed and released before the host's next idle: the
// button under it still takes the click, press and release.
TEST_F(X11Panel, AClickOverBeforeTheNextIdleStillSwitchesThePage) {
    open();
    idle(2);
    host.clear();
    std::int32_t left = 0;
    std::int32_t top = 0;
    ASSERT_TRUE(probe::clientOrigin(panel, &left, &top));
    probe::sendLeftClick(left + 53, top + 65, 0);
    idle(3);
    const auto automation = host.requestsOf(host::audioMasterAutomate);
    ASSERT_EQ(automation.size(), 2u) << "press and release of the page button";
    EXPECT_EQ(automation[0].index, 9);
    EXPECT_EQ(automation[0].opt, 1.0f);
    EXPECT_EQ(automation[1].opt, 0.0f);
    EXPECT_EQ(host.count(host::audioMasterEndEdit), 1u);
    dispatch(host::effEditClose);
}

TEST_F(X11Panel, HundredOpenCloseCyclesLeaveNothingUnderTheHostWindow) {
    const platform::LiveObjects closed = platform::liveObjects();
    const std::int32_t connections = platform::x11::openConnections();
    for (int cycle = 0; cycle < 100; ++cycle) {
        open();
        idle(1);
        ASSERT_EQ(probe::childWindowCount(hostWindow), 1) << "cycle " << cycle;
        EXPECT_EQ(platform::x11::openConnections(), connections + 1);
        if (cycle % 25 == 24) {
            // Some hosts destroy their own window before closing the editor.
            probe::destroyTopLevelWindow(hostWindow);
            idle(1);
            dispatch(host::effEditClose);
            hostWindow = probe::createTopLevelWindow(hostX, hostY, pageWidth, pageHeight);
            ASSERT_NE(hostWindow, nullptr);
        } else {
            dispatch(host::effEditClose);
        }
        ASSERT_EQ(probe::childWindowCount(hostWindow), 0) << "cycle " << cycle;
        ASSERT_EQ(platform::x11::openConnections(), connections) << "cycle " << cycle;
        expectSameLiveObjects(platform::liveObjects(), closed, "after a close");
    }
}

// The plug-in's connections take their own protocol errors: none reaches the process-wide
// handler (in a host, Xlib's default one ends the process).
TEST(X11PanelErrors, AnUnknownHostWindowGivesNoPanelAndNoProcessWideError) {
    testing::FakeHost host;
    host.answer(host::audioMasterVersion, 2400);
    host::AEffect* effect = melpPluginEntry(&testing::FakeHost::callback);
    ASSERT_NE(effect, nullptr);
    const std::int32_t errors = probe::processWideErrors();
    const std::int32_t connections = platform::x11::openConnections();
    // An id no client made: the server answers with an error.
    void* unknown = reinterpret_cast<void*>(std::uintptr_t{0x3FFFFFF0});
    effect->dispatcher(effect, host::effEditOpen, 0, 0, unknown, 0.0f);
    effect->dispatcher(effect, host::effEditIdle, 0, 0, nullptr, 0.0f);
    EXPECT_EQ(platform::x11::openConnections(), connections);
    effect->dispatcher(effect, host::effEditClose, 0, 0, nullptr, 0.0f);
    EXPECT_EQ(effect->dispatcher(effect, host::effClose, 0, 0, nullptr, 0.0f), 1);
    EXPECT_EQ(probe::processWideErrors(), errors);
}

TEST_F(X11Panel, HostDestroyingItsWindowUnseenBeforeTheCloseCostsNoProcessWideError) {
    open();
    idle(2);
    const std::int32_t errors = probe::processWideErrors();
    const std::int32_t connections = platform::x11::openConnections();
    // The host's own connection destroys its window and closes the editor at once: the
    // panel's window is gone before the panel hears of it.
    probe::destroyFromAnotherClient(hostWindow);
    dispatch(host::effEditClose);
    EXPECT_EQ(platform::x11::openConnections(), connections - 1);
    EXPECT_EQ(probe::processWideErrors(), errors);
    probe::processMessages();  // the stand-in host window hears of its end too
    EXPECT_FALSE(platform::x11::windowExists(hostWindow));
    hostWindow = nullptr;
}

}  // namespace
}  // namespace melp
