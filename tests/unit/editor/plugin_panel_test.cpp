// The real plug-in's panel, driven the way a host drives it: created through the entry,
// audio through the record's processReplacing, the editor through effEditGetRect,
// effEditOpen, effEditIdle and effEditClose, clicks as scripted mouse input. The expected
// bar extents come from the meter scale's own law (0.5 per 20 dB at the top, full scale at
// 1.0), not from the plug-in's code.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "host/effect_record.h"
#include "host/entry.h"
#include "platform/headless/headless.h"
#include "tests/support/fake_host.h"

namespace melp {
namespace {

namespace headless = platform::headless;

constexpr platform::ColorRef blue = platform::makeColorRef(20, 145, 210);
constexpr platform::ColorRef dark = platform::makeColorRef(20, 20, 30);
constexpr platform::ColorRef red = platform::makeColorRef(225, 20, 20);
constexpr double pi = 3.14159265358979323846;

// Opcodes of the published interface used here.
enum : host::int32 {
    effClose = 1,
    effSetSampleRate = 10,
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

// First unlit column of a level bar for a magnitude in the top 20 dB of the scale: the
// table index is the magnitude times 32767, truncated, and the position 0.5 per 20 dB.
std::int32_t levelBarEnd(double magnitude) {
    const double index = std::floor(magnitude * 32767.0);
    const double position = (200.0 + 100.0 * std::log10(index / 32767.0)) * 0.005;
    return 81 + static_cast<std::int32_t>(std::floor(position * 200.0 + 0.5));
}

class PluginPanel : public ::testing::Test {
protected:
    void SetUp() override {
        headless::reset();
        headless::setTime(5000);
        host.answer(audioMasterVersion, 2400);
        baseline = platform::liveObjects();
        hostWindow = headless::createHostWindow(50, 60, 500, 200);
        effect = melpPluginEntry(&testing::FakeHost::callback);
        ASSERT_NE(effect, nullptr);
        dispatch(effMainsChanged, 0, 1);
    }
    void TearDown() override {
        if (effect) {
            dispatch(effClose);
        }
        headless::destroyWindowFromOutside(hostWindow);
        headless::dispatchPendingMessages();
    }

    host::intptr dispatch(host::int32 opcode, host::int32 index = 0, host::intptr value = 0,
                          void* ptr = nullptr, float opt = 0.0f) {
        return effect->dispatcher(effect, opcode, index, value, ptr, opt);
    }
    void open(platform::Window parent) {
        host::ERect* rect = nullptr;
        ASSERT_EQ(dispatch(effEditGetRect, 0, 0, &rect), 1);
        ASSERT_NE(rect, nullptr);
        ASSERT_EQ(dispatch(effEditOpen, 0, 0, parent), 1);
        headless::dispatchPendingMessages();
        panel = headless::childrenOf(parent).empty() ? nullptr : headless::childrenOf(parent)[0];
    }
    void idle(int times = 1) {
        for (int i = 0; i < times; ++i) {
            headless::advanceTime(30);
            dispatch(effEditIdle);
        }
    }

    // Runs `seconds` of audio in 512-sample blocks; generator(n, &left, &right).
    template <typename Generator>
    void process(double seconds, Generator generator) {
        const int total = static_cast<int>(seconds * sampleRate);
        std::vector<float> left(512), right(512);
        float* inputs[2] = {left.data(), right.data()};
        float* outputs[2] = {left.data(), right.data()};
        for (int start = 0; start < total; start += 512) {
            const int count = std::min(512, total - start);
            for (int i = 0; i < count; ++i) {
                generator(start + i, &left[static_cast<std::size_t>(i)],
                          &right[static_cast<std::size_t>(i)]);
            }
            effect->processReplacing(effect, inputs, outputs, count);
        }
    }
    std::function<void(int, float*, float*)> sine(double hz, double leftAmplitude,
                                                  double rightAmplitude) const {
        const double rate = sampleRate;
        return [=](int n, float* l, float* r) {
            const double s = std::sin(2.0 * pi * hz * n / rate);
            *l = static_cast<float>(leftAmplitude * s);
            *r = static_cast<float>(rightAmplitude * s);
        };
    }

    void click(std::int32_t x, std::int32_t y) {
        headless::clearInputScript();
        headless::scheduleClick(headless::now(), 50 + x, 60 + y, 40);
        headless::dispatchPendingMessages();
        headless::advanceTime(41);
        headless::dispatchPendingMessages();
    }

    // The first unlit column of a horizontal bar on row y, scanning from its left edge.
    std::int32_t litEnd(std::int32_t y) const {
        std::int32_t x = 81;
        while (x < 281 && headless::pixel(panel, x, y) == blue) {
            ++x;
        }
        return x;
    }
    platform::ColorRef px(std::int32_t x, std::int32_t y) const {
        return headless::pixel(panel, x, y);
    }

    // Presses the left button on the panel point (x, y), holds it for holdMs and lets go;
    // the panel's idle requests meanwhile get whatever the host's responder answers.
    void hold(std::int32_t x, std::int32_t y, std::uint32_t holdMs) {
        headless::clearInputScript();
        headless::scheduleClick(headless::now(), 50 + x, 60 + y, holdMs);
        headless::dispatchPendingMessages();
        headless::advanceTime(holdMs + 1);
        headless::dispatchPendingMessages();
    }
    // The automation the host heard for one parameter, in order.
    std::vector<float> automationOf(host::int32 index) const {
        std::vector<float> values;
        for (const auto& request : host.requestsOf(audioMasterAutomate)) {
            if (request.index == index) {
                values.push_back(request.opt);
            }
        }
        return values;
    }
    void expectNothingLeftBehind() const {
        const platform::LiveObjects now = platform::liveObjects();
        EXPECT_EQ(now.windows, baseline.windows);
        EXPECT_EQ(now.bitmaps, baseline.bitmaps);
        EXPECT_EQ(now.devices, baseline.devices);
        EXPECT_EQ(now.pens, baseline.pens);
        EXPECT_EQ(now.brushes, baseline.brushes);
        EXPECT_EQ(now.fonts, baseline.fonts);
        EXPECT_EQ(headless::oleBalance(), 0);
    }

    testing::FakeHost host;
    host::AEffect* effect = nullptr;
    platform::Window hostWindow = nullptr;
    platform::Window panel = nullptr;
    platform::LiveObjects baseline;
    double sampleRate = 44100.0;
};

TEST_F(PluginPanel, PkPlusVuShowsTheAverageWithThePeakMarker) {
    open(hostWindow);
    ASSERT_NE(panel, nullptr);
    // 1 kHz at half scale left and a quarter right: rectified average 2/pi of the peak.
    process(1.0, sine(1000.0, 0.5, 0.25));
    idle(2);
    EXPECT_NEAR(litEnd(50), levelBarEnd(0.5 * 2.0 / pi), 1);
    EXPECT_NEAR(litEnd(75), levelBarEnd(0.25 * 2.0 / pi), 1);
    // Peak and maximum markers end at the peak's column.
    const std::int32_t peakEnd = levelBarEnd(0.5);
    EXPECT_EQ(px(peakEnd - 1, 50), blue);
    EXPECT_EQ(px(peakEnd - 2, 50), blue);
    EXPECT_EQ(px(peakEnd, 50), dark);
    EXPECT_EQ(px(peakEnd - 4, 50), dark);
}

TEST_F(PluginPanel, PeakModeShowsThePeakAndAClearedMaximumDisplay) {
    open(hostWindow);
    click(368, 60);  // peak-mode button: PEAK
    process(1.0, sine(1000.0, 0.5, 0.125));
    idle(2);
    EXPECT_NEAR(litEnd(50), levelBarEnd(0.5), 1);
    EXPECT_NEAR(litEnd(75), levelBarEnd(0.125), 1);
    EXPECT_EQ(px(79, 50), blue) << "first marker parked at position 0";
    EXPECT_EQ(px(80, 75), blue);

    bool sawMaximum = false;
    for (const auto& draw : headless::textLog()) {
        sawMaximum |= draw.window == panel && draw.text == "-6.02dB";
    }
    EXPECT_TRUE(sawMaximum);
    // The maximum holds through silence, and peak clear brings it back to the floor.
    process(3.0, [](int, float* l, float* r) { *l = *r = 0.0f; });
    headless::clearTextLog();
    idle(2);
    EXPECT_NE(litEnd(50), levelBarEnd(0.5)) << "the peak fell";
    click(368, 49);
    headless::clearTextLog();
    idle(2);
    int cleared = 0;
    for (const auto& draw : headless::textLog()) {
        cleared += draw.window == panel && draw.text == "-99.90dB";
    }
    EXPECT_EQ(cleared, 2);
}

TEST_F(PluginPanel, OverLampsAndCorrelationPointer) {
    open(hostWindow);
    process(0.1, [](int n, float* l, float* r) {
        *l = n == 100 ? 1.5f : 0.1f;
        *r = -0.1f;
    });
    idle(2);
    EXPECT_EQ(px(288, 47), red);
    EXPECT_EQ(px(288, 72), dark);
    // Left always positive, right never: no agreement, the pointer goes to the left end.
    process(2.0, [](int, float* l, float* r) {
        *l = 0.1f;
        *r = -0.1f;
    });
    idle(2);
    EXPECT_EQ(px(305, 33), blue);
    EXPECT_EQ(px(307, 33), dark);
    EXPECT_EQ(px(288, 47), dark) << "the over indicator lapsed after its second";
    process(3.0, sine(440.0, 0.3, 0.3));
    idle(2);
    EXPECT_EQ(px(334, 33), blue);
    EXPECT_EQ(px(335, 33), blue);
    EXPECT_EQ(px(320, 33), dark);
}

TEST_F(PluginPanel, PhasePageShowsOppositeChannelsAtTheLeftEnd) {
    open(hostWindow);
    click(53, 81);  // phase-page button
    process(3.0, sine(300.0, 0.5, 0.5));
    idle(2);
    // Correlation a hair below 1: floor(181 * 0.99995) puts the pin one column short of 294.
    EXPECT_EQ(px(292, 58), dark);
    EXPECT_EQ(px(293, 58), blue);
    EXPECT_EQ(px(301, 58), blue);
    EXPECT_EQ(px(302, 58), dark);
    process(3.0, sine(300.0, 0.5, -0.5));
    idle(2);
    EXPECT_EQ(px(113, 58), blue);
    EXPECT_EQ(px(121, 58), blue);
    EXPECT_EQ(px(122, 58), dark);
    const auto automations = host.requestsOf(audioMasterAutomate);
    ASSERT_FALSE(automations.empty());
    EXPECT_EQ(automations.back().index, 10);
}

TEST_F(PluginPanel, AnalyserPageShowsTheBandOfASine) {
    open(hostWindow);
    click(53, 65);  // analyser-page button
    process(1.0, sine(1000.0, 1.0, 1.0));
    idle(2);
    // Band 16 (1 kHz, columns 226 .. 231) passes the sine at about -0.7 dB: lit from row 37.
    EXPECT_EQ(px(228, 40), blue);
    EXPECT_EQ(px(228, 90), blue);
    // Three octaves down nothing reaches the top half.
    EXPECT_EQ(px(180, 50), dark);
    // Gaps between the bars show the scale strip, not the bars.
    EXPECT_NE(px(232, 60), blue);
}

TEST_F(PluginPanel, ANewSampleRateReachesTheDisplay) {
    open(hostWindow);
    dispatch(effSetSampleRate, 0, 0, nullptr, 48000.0f);
    headless::clearTextLog();
    idle(2);
    bool drawn = false;
    for (const auto& draw : headless::textLog()) {
        drawn |= draw.window == panel && draw.text == "48.0";
    }
    EXPECT_TRUE(drawn);
}

TEST_F(PluginPanel, OpensBeforeAnyAudioInATinyOrMissingWindow) {
    platform::Window tiny = headless::createHostWindow(0, 0, 1, 1);
    open(tiny);
    ASSERT_NE(panel, nullptr);
    idle(3);
    dispatch(effEditClose);
    EXPECT_TRUE(headless::childrenOf(tiny).empty());
    headless::destroyWindowFromOutside(tiny);

    // No parent window at all: a frame without a window, idles that draw nothing.
    ASSERT_EQ(dispatch(effEditOpen, 0, 0, nullptr), 1);
    idle(3);
    dispatch(effEditClose);
    EXPECT_EQ(headless::counters().invalidHandles, 0);
}

// A host may close the editor from its idle callback, which the panel calls while the
// mouse holds one of its buttons down: the button, the frame and its window must outlive
// that press, and go away once it ends.
TEST_F(PluginPanel, HostClosingTheEditorWhileAButtonIsHeld) {
    open(hostWindow);
    idle(2);
    int closes = 0;
    host.respond(3 /* audioMasterIdle */, [&](const testing::HostRequest&) {
        if (closes++ == 0) dispatch(effEditClose);
        return host::intptr{0};
    });
    headless::clearInputScript();
    headless::scheduleClick(headless::now(), 50 + 368, 60 + 49, 400);  // peak clear, held
    headless::dispatchPendingMessages();
    headless::advanceTime(500);
    headless::dispatchPendingMessages();
    EXPECT_GE(closes, 1) << "the held button pumps the host's idle";
    EXPECT_TRUE(headless::childrenOf(hostWindow).empty()) << "closed once the press ended";
    idle(2);  // a closed editor idles as one
    // And it opens again as new, its maximum displays drawn.
    headless::clearTextLog();
    open(hostWindow);
    idle(2);
    int drawn = 0;
    for (const auto& draw : headless::textLog()) {
        drawn += draw.window == panel && draw.text == "-99.90dB";
    }
    EXPECT_EQ(drawn, 2);
    dispatch(effEditClose);
    dispatch(effClose);
    effect = nullptr;
    expectNothingLeftBehind();
}

// A host may close the whole plug-in from its answer to the idle request a click pumps: an
// on/off button's one pump, or the pumps of a held momentary button. The effect, its editor
// and the frame outlive the click (AddressSanitizer watches), the held button stops at
// once, the host hears nothing after effClose, and everything is freed once the click ends.
TEST_F(PluginPanel, HostClosingThePlugInFromTheIdleOfAClick) {
    struct Case {
        const char* what;
        std::int32_t x, y;
    };
    for (const Case& c : {Case{"peak-mode button", 368, 60}, Case{"held peak clear", 368, 49}}) {
        SCOPED_TRACE(c.what);
        if (!effect) {
            host.respond(audioMasterIdle, nullptr);
            effect = melpPluginEntry(&testing::FakeHost::callback);
            ASSERT_NE(effect, nullptr);
        }
        open(hostWindow);
        idle(2);
        std::size_t heardBeforeClose = 0;
        int idles = 0;
        host.respond(audioMasterIdle, [&](const testing::HostRequest&) {
            if (idles++ == 0) {
                dispatch(effClose);
                heardBeforeClose = host.log.size();
            }
            return host::intptr{0};
        });
        hold(c.x, c.y, 400);
        effect = nullptr;
        EXPECT_EQ(idles, 1) << "the held button stops pumping once the plug-in is closed";
        EXPECT_EQ(host.log.size(), heardBeforeClose) << "the host heard from a closed plug-in";
        EXPECT_TRUE(headless::childrenOf(hostWindow).empty());
        expectNothingLeftBehind();
    }
}

// A host that closes the editor (and maybe opens it again) from the idle answer while a
// button is being clicked still hears the whole edit: one begin-edit, one end-edit, the
// press and the release. The old frame's page work is gone with it; a new panel is
// untouched by the old button.
TEST_F(PluginPanel, HostClosingOrReopeningTheEditorFromTheIdleOfAClick) {
    struct Case {
        const char* what;
        std::int32_t x, y, tag;
        bool held, reopen;
        std::vector<float> heard;
    };
    const Case cases[] = {
        {"held peak clear, closed", 368, 49, 1, true, false, {1.0f, 0.0f}},
        {"held peak clear, reopened", 368, 49, 1, true, true, {1.0f, 0.0f}},
        {"held analyser-page button, reopened", 53, 65, 9, true, true, {1.0f, 0.0f}},
        {"peak-mode button, closed", 368, 60, 2, false, false, {1.0f}},
        {"peak-mode button, reopened", 368, 60, 2, false, true, {1.0f}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        host.respond(audioMasterIdle, nullptr);
        open(hostWindow);
        idle(2);
        host.clear();
        int idles = 0;
        host.respond(audioMasterIdle, [&](const testing::HostRequest&) {
            if (idles++ == 0) {
                dispatch(effEditClose);
                if (c.reopen) {
                    dispatch(effEditOpen, 0, 0, hostWindow);
                }
            }
            return host::intptr{0};
        });
        hold(c.x, c.y, 400);
        EXPECT_EQ(idles, 1) << "the press ends with its frame";
        EXPECT_EQ(automationOf(c.tag), c.heard);
        const std::size_t edits = c.held ? 1u : 0u;
        ASSERT_EQ(host.count(audioMasterBeginEdit), edits);
        ASSERT_EQ(host.count(audioMasterEndEdit), edits);
        if (c.held) {
            EXPECT_EQ(host.requestsOf(audioMasterBeginEdit)[0].index, c.tag);
            EXPECT_EQ(host.requestsOf(audioMasterEndEdit)[0].index, c.tag);
        }
        host.respond(audioMasterIdle, nullptr);
        if (c.reopen) {
            ASSERT_EQ(headless::childrenOf(hostWindow).size(), 1u) << "only the new panel";
            panel = headless::childrenOf(hostWindow)[0];
            headless::dispatchPendingMessages();
            process(1.0, sine(1000.0, 0.5, 0.5));
            idle(2);
            // Still the level page, its bars moving.
            EXPECT_NEAR(litEnd(50), levelBarEnd(0.5 * 2.0 / pi), 1);
            dispatch(effEditClose);
        }
        EXPECT_TRUE(headless::childrenOf(hostWindow).empty());
    }
    dispatch(effClose);
    effect = nullptr;
    expectNothingLeftBehind();
}

// While Pk Clr is held the lamps go on showing the overs: one lights as the over arrives
// during the hold, not only after the release.
TEST_F(PluginPanel, OverLampsStayLiveWhileAButtonIsHeld) {
    open(hostWindow);
    idle(2);
    ASSERT_EQ(px(288, 47), dark);
    int idles = 0;
    bool litDuringHold = false;
    host.respond(audioMasterIdle, [&](const testing::HostRequest&) {
        if (++idles == 1) {
            process(0.05, [](int n, float* l, float* r) {
                *l = n == 10 ? 1.5f : 0.1f;
                *r = 0.1f;
            });
        } else {
            litDuringHold |= px(288, 47) == red;
        }
        return host::intptr{0};
    });
    hold(53, 49, 400);  // the level-page button, held
    EXPECT_GE(idles, 4);
    EXPECT_TRUE(litDuringHold);
    EXPECT_EQ(px(288, 72), dark);
}

TEST_F(PluginPanel, ManyOpenCloseCyclesLeaveNothingBehind) {
    for (int cycle = 0; cycle < 50; ++cycle) {
        open(hostWindow);
        process(0.02, sine(1000.0, 0.5, 0.5));
        idle(2);
        if (cycle % 3 == 1) {
            click(53, 65);
        } else if (cycle % 3 == 2) {
            click(53, 81);
        }
        idle();
        dispatch(effEditClose);
        ASSERT_TRUE(headless::childrenOf(hostWindow).empty()) << "cycle " << cycle;
    }
    dispatch(effClose);
    effect = nullptr;
    expectNothingLeftBehind();
}

}  // namespace
}  // namespace melp
