// The real MELP.dll's panel in a real window (Wine with a display): the capture matches the
// headless rendering of the same state outside the text displays, a real mouse click sent
// from a second thread switches pages and reaches the host as automation, and a hundred
// open/close cycles leave the process's windows and window classes as they were.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "host/effect_record.h"
#include "platform/testing/dll_loader.h"
#include "platform/testing/input.h"
#include "platform/testing/panel_probe.h"
#include "platform/testing/test_window.h"
#include "tests/support/fake_host.h"

namespace melp {
namespace {

namespace probe = platform::testing;

constexpr std::int32_t panelWidth = 427;
constexpr std::int32_t panelHeight = 133;

enum : host::int32 {
    effClose = 1,
    effMainsChanged = 12,
    effEditGetRect = 13,
    effEditOpen = 14,
    effEditClose = 15,
    effEditIdle = 19,
    audioMasterAutomate = 0,
    audioMasterVersion = 1,
    audioMasterIdle = 3,
    audioMasterBeginEdit = 43,
    audioMasterEndEdit = 44,
};

using EntryFunction = host::AEffect*(MELP_CDECL*)(host::audioMasterCallback);

struct Picture {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::vector<platform::ColorRef> pixels;  // top row first
};

// A 24-bit bottom-up BMP file, as the project's pictures and golden twins are stored.
bool readBmp(const std::string& path, Picture* picture) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) {
        return false;
    }
    std::vector<unsigned char> bytes;
    unsigned char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;) {
        bytes.insert(bytes.end(), buffer, buffer + n);
    }
    std::fclose(file);
    auto get32 = [&](std::size_t at) {
        return static_cast<std::int32_t>(bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 |
                                         static_cast<std::uint32_t>(bytes[at + 3]) << 24);
    };
    if (bytes.size() < 54 || bytes[0] != 'B' || bytes[1] != 'M' || bytes[28] != 24) {
        return false;
    }
    const std::int32_t offset = get32(10);
    picture->width = get32(18);
    picture->height = get32(22);
    const std::size_t rowBytes = (static_cast<std::size_t>(picture->width) * 3 + 3) & ~std::size_t{3};
    if (picture->height <= 0 ||
        bytes.size() < static_cast<std::size_t>(offset) + rowBytes * static_cast<std::size_t>(picture->height)) {
        return false;
    }
    picture->pixels.resize(static_cast<std::size_t>(picture->width * picture->height));
    for (std::int32_t y = 0; y < picture->height; ++y) {
        const unsigned char* row =
            &bytes[static_cast<std::size_t>(offset) +
                   rowBytes * static_cast<std::size_t>(picture->height - 1 - y)];
        for (std::int32_t x = 0; x < picture->width; ++x) {
            picture->pixels[static_cast<std::size_t>(y * picture->width + x)] =
                platform::makeColorRef(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
        }
    }
    return true;
}

class Win32Panel : public ::testing::Test {
protected:
    void SetUp() override {
        library = probe::loadPluginLibrary(MELP_DLL_PATH);
        ASSERT_NE(library, nullptr) << MELP_DLL_PATH;
        entry = reinterpret_cast<EntryFunction>(probe::findExport(library, "main"));
        ASSERT_NE(entry, nullptr);
        host.answer(audioMasterVersion, 2400);
        hostWindow = probe::createTopLevelWindow(640, 520, panelWidth, panelHeight);
        ASSERT_NE(hostWindow, nullptr);
        probe::processMessages();
        createEffect();
    }
    void TearDown() override {
        if (effect) {
            dispatch(effClose);
        }
        if (hostWindow) {
            probe::destroyTopLevelWindow(hostWindow);
        }
        probe::processMessages();
        probe::unloadPluginLibrary(library);
    }

    void createEffect() {
        effect = entry(&testing::FakeHost::callback);
        ASSERT_NE(effect, nullptr);
        dispatch(effMainsChanged, 0, 1);
    }
    host::intptr dispatch(host::int32 opcode, host::int32 index = 0, host::intptr value = 0,
                          void* ptr = nullptr, float opt = 0.0f) {
        return effect->dispatcher(effect, opcode, index, value, ptr, opt);
    }
    void open() {
        host::ERect* rect = nullptr;
        ASSERT_EQ(dispatch(effEditGetRect, 0, 0, &rect), 1);
        ASSERT_NE(rect, nullptr);
        EXPECT_EQ(rect->right, panelWidth);
        EXPECT_EQ(rect->bottom, panelHeight);
        ASSERT_EQ(dispatch(effEditOpen, 0, 0, hostWindow), 1);
        panel = probe::firstChildWindow(hostWindow);
        ASSERT_NE(panel, nullptr);
        probe::processMessages();
    }
    void idle(int times) {
        for (int i = 0; i < times; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            probe::processMessages();
            dispatch(effEditIdle);
        }
        probe::processMessages();
    }
    std::vector<platform::ColorRef> capture() {
        std::vector<platform::ColorRef> pixels(panelWidth * panelHeight);
        EXPECT_TRUE(probe::captureWindow(panel, panelWidth, panelHeight, pixels.data()));
        return pixels;
    }

    std::string className() const {
        char name[32];
        std::snprintf(name, sizeof name, "Plugin%08x",
                      static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(library)));
        return name;
    }

    testing::FakeHost host;
    probe::Library library = nullptr;
    EntryFunction entry = nullptr;
    host::AEffect* effect = nullptr;
    platform::Window hostWindow = nullptr;
    platform::Window panel = nullptr;
};

// The rectangles the three text displays paint (their outline includes the right and
// bottom edges); the text itself is drawn by each platform's own font engine.
bool insideTextDisplay(std::int32_t x, std::int32_t y) {
    const std::int32_t displays[3][4] = {{345, 89, 365, 101}, {292, 55, 330, 67}, {292, 81, 330, 93}};
    for (const auto& d : displays) {
        if (d[0] <= x && x <= d[2] && d[1] <= y && y <= d[3]) {
            return true;
        }
    }
    return false;
}

TEST_F(Win32Panel, CaptureMatchesTheHeadlessRenderingOutsideText) {
    open();
    idle(3);
    Picture expected;
    ASSERT_TRUE(readBmp(MELP_GOLDEN_OPENED, &expected)) << MELP_GOLDEN_OPENED;
    ASSERT_EQ(expected.width, panelWidth);
    ASSERT_EQ(expected.height, panelHeight);
    const auto pixels = capture();
    int compared = 0;
    int differing = 0;
    for (std::int32_t y = 0; y < panelHeight; ++y) {
        for (std::int32_t x = 0; x < panelWidth; ++x) {
            if (insideTextDisplay(x, y)) {
                continue;
            }
            ++compared;
            const auto i = static_cast<std::size_t>(y * panelWidth + x);
            if (pixels[i] != expected.pixels[i] && ++differing <= 5) {
                ADD_FAILURE() << "(" << x << ", " << y << "): " << std::hex << pixels[i]
                              << " instead of " << expected.pixels[i];
            }
        }
    }
    EXPECT_EQ(differing, 0) << "of " << compared;
}

TEST_F(Win32Panel, ARealClickSwitchesToTheAnalyserPageAndReachesTheHost) {
    open();
    idle(2);
    host.clear();
    std::int32_t x = 0;
    std::int32_t y = 0;
    ASSERT_TRUE(probe::clientOrigin(panel, &x, &y));
    std::thread clicker([=] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        probe::sendLeftClick(x + 53, y + 65, 250);
    });
    bool released = false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!released && std::chrono::steady_clock::now() < deadline) {
        probe::processMessages();
        dispatch(effEditIdle);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        for (const auto& request : host.requestsOf(audioMasterAutomate)) {
            released |= request.index == 9 && request.opt == 0.0f;
        }
    }
    clicker.join();
    ASSERT_TRUE(released) << "the release never reached the host";
    const auto automation = host.requestsOf(audioMasterAutomate);
    ASSERT_FALSE(automation.empty());
    EXPECT_EQ(automation.front().index, 9);
    EXPECT_EQ(automation.front().opt, 1.0f);
    ASSERT_EQ(host.count(audioMasterBeginEdit), 1u);
    ASSERT_EQ(host.count(audioMasterEndEdit), 1u);
    EXPECT_EQ(host.requestsOf(audioMasterBeginEdit)[0].index, 9);

    // The strip now shows the analyser scale: its frequency labels under the bars.
    idle(3);
    Picture strip;
    ASSERT_TRUE(readBmp(MELP_RESOURCE_DIR "/129.bmp", &strip));
    const auto pixels = capture();
    int differing = 0;
    for (std::int32_t row = 92; row < 100; ++row) {
        for (std::int32_t column = 80; column < 336; ++column) {
            const platform::ColorRef expected =
                strip.pixels[static_cast<std::size_t>((64 + row - 36) * 256 + column - 80)];
            differing += pixels[static_cast<std::size_t>(row * panelWidth + column)] != expected;
        }
    }
    EXPECT_EQ(differing, 0);
}

// A host closing the plug-in, or only its editor, from its answer to the idle request of a
// click: an on/off button's one pump, or a held momentary button's. The real DLL must come
// through (the press ends at once, the host hears nothing after effClose and the release
// after effEditClose) and leave no window behind.
TEST_F(Win32Panel, HostClosingFromTheIdleOfAClick) {
    struct Case {
        const char* what;
        std::int32_t x, y, tag;
        bool wholePlugIn;
    };
    const Case cases[] = {
        {"peak-mode button, effClose", 368, 60, 2, true},
        {"held peak clear, effClose", 368, 49, 1, true},
        {"peak-mode button, effEditClose", 368, 60, 2, false},
        {"held peak clear, effEditClose", 368, 49, 1, false},
    };
    const std::int32_t windowsBefore = probe::processWindowCount();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (!effect) {
            createEffect();
        }
        open();
        idle(2);
        host.clear();
        std::size_t heardBeforeClose = 0;
        int idles = 0;
        host.respond(audioMasterIdle, [&](const testing::HostRequest&) {
            if (idles++ == 0) {
                dispatch(c.wholePlugIn ? effClose : effEditClose);
                heardBeforeClose = host.log.size();
            }
            return host::intptr{0};
        });
        std::int32_t x = 0;
        std::int32_t y = 0;
        ASSERT_TRUE(probe::clientOrigin(panel, &x, &y));
        probe::moveCursor(x + c.x, y + c.y);
        probe::pressKey(0x01 /* VK_LBUTTON */);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (idles == 0 && std::chrono::steady_clock::now() < deadline) {
            probe::processMessages();
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        probe::releaseKey(0x01);
        probe::processMessages();
        host.respond(audioMasterIdle, nullptr);
        ASSERT_EQ(idles, 1) << "the click pumped the host's idle once and stopped";
        if (c.wholePlugIn) {
            effect = nullptr;
            EXPECT_EQ(host.log.size(), heardBeforeClose);
        } else {
            std::vector<float> heard;
            for (const auto& request : host.requestsOf(audioMasterAutomate)) {
                EXPECT_EQ(request.index, c.tag);
                heard.push_back(request.opt);
            }
            const std::vector<float> expected =
                c.tag == 1 ? std::vector<float>{1.0f, 0.0f} : std::vector<float>{1.0f};
            EXPECT_EQ(heard, expected);
            EXPECT_EQ(host.count(audioMasterBeginEdit), host.count(audioMasterEndEdit));
        }
        EXPECT_EQ(probe::firstChildWindow(hostWindow), nullptr);
        EXPECT_EQ(probe::processWindowCount(), windowsBefore);
    }
    probe::releaseAllKeys();
}

TEST_F(Win32Panel, HundredOpenCloseCyclesLeaveWindowsAndClassesAsTheyWere) {
    const std::int32_t windowsBefore = probe::processWindowCount();
    for (int cycle = 0; cycle < 100; ++cycle) {
        open();
        idle(1);
        EXPECT_TRUE(probe::windowClassRegistered(className().c_str(),
                                                 reinterpret_cast<platform::Module>(library)));
        EXPECT_EQ(probe::processWindowCount(), windowsBefore + 1);
        if (cycle % 25 == 24) {
            // Some hosts destroy their own window before closing the editor.
            probe::destroyTopLevelWindow(hostWindow);
            probe::processMessages();
            dispatch(effEditClose);
            hostWindow = probe::createTopLevelWindow(640, 520, panelWidth, panelHeight);
            ASSERT_NE(hostWindow, nullptr);
        } else {
            dispatch(effEditClose);
        }
        probe::processMessages();
        ASSERT_EQ(probe::processWindowCount(), windowsBefore) << "cycle " << cycle;
        EXPECT_FALSE(probe::windowClassRegistered(className().c_str(),
                                                  reinterpret_cast<platform::Module>(library)));
    }
}

}  // namespace
}  // namespace melp
