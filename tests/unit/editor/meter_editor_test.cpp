// The panel end to end on the headless backend: opened through the effect record in a host
// window, driven by effEditIdle and scripted clicks, checked by the views attached, the
// pixels drawn, the requests the host receives and the objects left alive after close.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "editor/level_bar.h"
#include "editor/pin_indicator.h"
#include "editor/tick_indicator.h"
#include "tests/unit/editor/editor_fixture.h"
#include "toolkit/bitmap.h"
#include "toolkit/bitmap_strip_display.h"
#include "toolkit/on_off_button.h"
#include "toolkit/param_display.h"

namespace melp::editor::testing {
namespace {

using toolkit::View;

bool sameLiveObjects(const platform::LiveObjects& a, const platform::LiveObjects& b) {
    return a.pens == b.pens && a.brushes == b.brushes && a.fonts == b.fonts &&
           a.bitmaps == b.bitmaps && a.devices == b.devices && a.windows == b.windows;
}

std::string describe(const platform::LiveObjects& o) {
    return "pens " + std::to_string(o.pens) + " brushes " + std::to_string(o.brushes) +
           " fonts " + std::to_string(o.fonts) + " bitmaps " + std::to_string(o.bitmaps) +
           " devices " + std::to_string(o.devices) + " windows " + std::to_string(o.windows);
}

class Panel : public PanelTest {
protected:
    // Views by their number in the layout table (2 .. 50); index 0 of viewAt is view 2.
    View* view(int number) const { return editor->viewAt(number - 2); }

    std::vector<int> attachedViews() const {
        std::vector<int> numbers;
        for (int number = 2; number <= 50; ++number) {
            if (frame()->hasChild(view(number))) {
                numbers.push_back(number);
            }
        }
        return numbers;
    }

    static std::vector<int> range(int first, int last) {
        std::vector<int> numbers;
        for (int n = first; n <= last; ++n) {
            numbers.push_back(n);
        }
        return numbers;
    }
    static std::vector<int> sorted(std::vector<int> numbers) {
        std::sort(numbers.begin(), numbers.end());
        return numbers;
    }

    static std::vector<int> levelPageViews(bool withTruePeak) {
        std::vector<int> numbers = {2, 3, 4, 5, 6, 9, 10, 12, 13, 14, 15, 16, 48, 49, 50};
        if (withTruePeak) {
            numbers.push_back(11);
        }
        return sorted(numbers);
    }
    static std::vector<int> analyserPageViews() {
        std::vector<int> numbers = {2, 3, 4, 5, 6, 7, 48};
        for (int n : range(18, 47)) {
            numbers.push_back(n);
        }
        return sorted(numbers);
    }
    static std::vector<int> phasePageViews() { return {2, 3, 4, 5, 6, 8, 17, 48}; }

    // The strip area not covered by any attached view (nor by the pixels a view draws just
    // outside its bounds: outlines, markers, second track copies) shows image `index` of
    // picture 129.
    void expectStripImage(int index) {
        auto* strip = new toolkit::Bitmap(129);
        ASSERT_EQ(strip->height(), 384);
        int compared = 0;
        int mismatches = 0;
        for (std::int32_t y = 36; y < 100; ++y) {
            for (std::int32_t x = 80; x < 336; ++x) {
                bool covered = false;
                for (std::int32_t i = 0; i < frame()->childCount() && !covered; ++i) {
                    View* child = frame()->childAt(i);
                    if (child == editor->scaleStrip()) {
                        continue;
                    }
                    toolkit::Rect b = child->bounds();
                    auto* bar = dynamic_cast<LevelBar*>(child);
                    if (bar && (bar->orientation() & LevelBar::horizontal)) {
                        b.left -= 2;
                    }
                    if (dynamic_cast<PinIndicator*>(child) || dynamic_cast<TickIndicator*>(child)) {
                        b.right += 10;
                    }
                    covered = b.left <= x && x <= b.right && b.top <= y && y <= b.bottom;
                }
                if (covered) {
                    continue;
                }
                ++compared;
                const platform::ColorRef expected =
                    headless::bitmapPixel(strip->handle(), x - 80, 64 * index + y - 36);
                if (px(x, y) != expected && ++mismatches <= 3) {
                    ADD_FAILURE() << "strip image " << index << " differs at (" << x << ", " << y
                                  << ")";
                }
            }
        }
        strip->release();
        EXPECT_EQ(mismatches, 0);
        EXPECT_GT(compared, 1500);
    }

    void expectState(int page, int displayMode) {
        EXPECT_EQ(editor->page(), page);
        EXPECT_EQ(editor->displayMode(), displayMode);
        EXPECT_FLOAT_EQ(editor->scaleStrip()->value(), static_cast<float>(displayMode) / 10.0f);
    }

    bool textDrawn(const std::string& text) const {
        for (const auto& draw : headless::textLog()) {
            if (draw.text == text && draw.window == panelWindow()) {
                return true;
            }
        }
        return false;
    }

    float lastViewMode() const {
        float value = -1.0f;
        for (const auto& [index, v] : effect->parameters) {
            if (index == 7) {
                value = v;
            }
        }
        return value;
    }
};

// --- layout and lifecycle --------------------------------------------------------------------

TEST_F(Panel, ReportsItsSizeBeforeTheFirstOpen) {
    host::ERect* rect = nullptr;
    EXPECT_EQ(dispatch(13 /* effEditGetRect */, 0, 0, &rect), 1);
    ASSERT_EQ(rect, &editor->rect);
    EXPECT_EQ(rect->top, 0);
    EXPECT_EQ(rect->left, 0);
    EXPECT_EQ(rect->bottom, 133);
    EXPECT_EQ(rect->right, 427);
    EXPECT_TRUE(effect->record.flags & 1) << "effFlagsHasEditor";
}

TEST_F(Panel, OpensOnTheLevelPageWithFortyNineViews) {
    open();
    EXPECT_EQ(editor->viewCount(), 49);
    for (int number = 2; number <= 50; ++number) {
        EXPECT_NE(view(number), nullptr) << "view " << number;
    }
    EXPECT_EQ(attachedViews(), levelPageViews(true));
    // Attachment order is drawing order: the strip first, the displays last.
    EXPECT_EQ(frame()->childAt(0), view(2));
    EXPECT_EQ(frame()->childAt(frame()->childCount() - 1), view(50));
    expectState(levelPage, 6);
    ASSERT_EQ(effect->parameters.size(), 1u);
    EXPECT_EQ(effect->parameters[0], std::make_pair(7, 0.0f));
    EXPECT_TRUE(automation().empty());

    // Rectangles come from the pictures: a few telling ones.
    EXPECT_EQ(view(2)->bounds(), (toolkit::Rect{80, 36, 336, 100}));
    EXPECT_EQ(view(3)->bounds(), (toolkit::Rect{40, 45, 66, 54}));
    EXPECT_EQ(view(9)->bounds(), (toolkit::Rect{355, 56, 381, 65}));
    EXPECT_EQ(view(14)->bounds(), (toolkit::Rect{285, 46, 293, 54}));
    EXPECT_EQ(view(16)->bounds(), (toolkit::Rect{305, 31, 334, 35}));
    EXPECT_EQ(view(17)->bounds(), (toolkit::Rect{113, 51, 294, 67}));
    EXPECT_EQ(view(47)->bounds(), (toolkit::Rect{330, 36, 336, 92}));
    EXPECT_EQ(view(49)->bounds(), (toolkit::Rect{292, 55, 330, 67}));

    // The displays as open sets them up, and what the first paint drew.
    toolkit::ParamDisplay* rate = editor->sampleRateDisplay();
    EXPECT_EQ(rate->fontId(), 6);
    EXPECT_EQ(rate->alignment(), 1);
    EXPECT_EQ(editor->maximumDisplay(0)->alignment(), 2);
    EXPECT_TRUE(toolkit::sameRgb(rate->textColor(), panelBlue));
    EXPECT_TRUE(toolkit::sameRgb(rate->backgroundColor(), panelDark));
    EXPECT_TRUE(textDrawn("44.1"));
    EXPECT_TRUE(textDrawn("0.00dB"));
}

TEST_F(Panel, CloseReleasesEveryViewAndPicture) {
    const platform::LiveObjects closed = platform::liveObjects();
    for (int round = 0; round < 3; ++round) {
        open();
        idle(2);
        // Leave each round on a different page, so different sets are detached at close.
        if (round == 1) {
            clickView(editor->button(tagAnalyserPage));
        } else if (round == 2) {
            clickView(editor->button(tagPhasePage));
        }
        std::vector<View*> views;
        for (int number = 2; number <= 50; ++number) {
            views.push_back(view(number));
            views.back()->retain();
        }
        close();
        EXPECT_EQ(frame(), nullptr);
        for (std::size_t i = 0; i < views.size(); ++i) {
            EXPECT_EQ(views[i]->referenceCount(), 1) << "view " << i + 2 << " round " << round;
            views[i]->release();
        }
        EXPECT_EQ(editor->viewAt(0), nullptr);
        EXPECT_TRUE(sameLiveObjects(platform::liveObjects(), closed))
            << describe(platform::liveObjects()) << " / " << describe(closed);
        EXPECT_TRUE(headless::childrenOf(hostWindow).empty());
    }
    EXPECT_EQ(headless::oleBalance(), 1) << "the editor's own initialisation remains";
}

TEST_F(Panel, ReopenComesBackOnTheLevelPageWithButtonsAtZero) {
    open();
    clickView(editor->button(tagScale));
    clickView(editor->button(tagAnalyserPage));
    clickView(editor->button(tagGrid));
    expectState(analyserPage, 4);
    close();
    open();
    expectState(levelPage, 6);
    EXPECT_EQ(attachedViews(), levelPageViews(true));
    for (int tag : {tagGrid, tagScale, tagTruePeak, tagCorrelationSpeed, tagPeakMode}) {
        EXPECT_EQ(editor->button(tag)->value(), 0.0f) << "tag " << tag;
    }
    idle(2);
    expectStripImage(3);
}

TEST_F(Panel, SecondOpenWithoutCloseReplacesThePanel) {
    open();
    View* firstStrip = view(2);
    firstStrip->retain();
    open();
    EXPECT_EQ(firstStrip->referenceCount(), 1) << "the first panel's views are released";
    firstStrip->release();
    EXPECT_EQ(headless::childrenOf(hostWindow).size(), 1u);
    close();
    EXPECT_TRUE(headless::childrenOf(hostWindow).empty());
}

TEST_F(Panel, DestroyingTheEffectWhileOpenLeavesNothingBehind) {
    open();
    idle(2);
    effect.reset();
    editor = nullptr;
    EXPECT_TRUE(headless::childrenOf(hostWindow).empty());
    EXPECT_TRUE(sameLiveObjects(platform::liveObjects(), baseline))
        << describe(platform::liveObjects()) << " / " << describe(baseline);
}

TEST_F(Panel, SurvivesTheHostDestroyingItsWindowFirst) {
    const platform::LiveObjects closed = platform::liveObjects();
    open();
    idle(2);
    headless::destroyWindowFromOutside(hostWindow);
    effect->readouts[0] = 0.5f;
    idle(3);
    EXPECT_FALSE(frame()->windowOpen());
    close();
    EXPECT_EQ(headless::counters().invalidHandles, 0);
    EXPECT_TRUE(sameLiveObjects(platform::liveObjects(), closed))
        << describe(platform::liveObjects()) << " / " << describe(closed);
}

TEST_F(Panel, IdleOnAClosedEditorReadsNothing) {
    idle(3);
    EXPECT_EQ(effect->readCount, 0);
    open();
    close();
    effect->readCount = 0;
    idle();
    EXPECT_EQ(effect->readCount, 0);
}

// --- pages and display modes -----------------------------------------------------------------

TEST_F(Panel, PageButtonsFollowTheStateTable) {
    open();
    clickView(editor->button(tagAnalyserPage));
    expectState(analyserPage, 2);
    EXPECT_EQ(attachedViews(), analyserPageViews());
    EXPECT_EQ(lastViewMode(), 1.0f);
    idle(2);
    expectStripImage(1);

    clickView(editor->button(tagGrid));
    expectState(analyserPage, 4);
    idle(2);
    expectStripImage(2);

    clickView(editor->button(tagPhasePage));
    expectState(phasePage, 0);
    EXPECT_EQ(attachedViews(), phasePageViews());
    EXPECT_EQ(lastViewMode(), 2.0f);
    idle(2);
    expectStripImage(0);

    // The grid button kept its value while hidden.
    clickView(editor->button(tagAnalyserPage));
    expectState(analyserPage, 4);

    clickView(editor->button(tagLevelPage));
    expectState(levelPage, 6);
    EXPECT_EQ(attachedViews(), levelPageViews(true));
    EXPECT_EQ(lastViewMode(), 0.0f);
    idle(2);
    expectStripImage(3);

    // DIN: no true-peak button, and none when the level page is entered again.
    clickView(editor->button(tagScale));
    expectState(levelPage, 8);
    EXPECT_EQ(attachedViews(), levelPageViews(false));
    idle(2);
    expectStripImage(4);
    clickView(editor->button(tagPhasePage));
    clickView(editor->button(tagLevelPage));
    expectState(levelPage, 8);
    EXPECT_EQ(attachedViews(), levelPageViews(false));

    clickView(editor->button(tagScale));
    expectState(levelPage, 6);
    EXPECT_EQ(attachedViews(), levelPageViews(true));
}

TEST_F(Panel, RepeatedPageReportsLeaveThePanelAsTheFirstLeftIt) {
    open();
    clickView(editor->button(tagLevelPage));
    expectState(levelPage, 6);
    EXPECT_EQ(attachedViews(), levelPageViews(true));
    EXPECT_EQ(frame()->childCount(), 16);
    EXPECT_EQ(lastViewMode(), 0.0f);

    // A long hold reports 1.0 until the button has been redrawn.
    click(53, 65, 400);
    clickView(editor->button(tagAnalyserPage));
    expectState(analyserPage, 2);
    EXPECT_EQ(frame()->childCount(), 37);
    EXPECT_EQ(attachedViews(), analyserPageViews());

    clickView(editor->button(tagPhasePage));
    clickView(editor->button(tagPhasePage));
    EXPECT_EQ(frame()->childCount(), 8);
}

TEST_F(Panel, OverLampsActAsPageButtons) {
    open();
    clickView(editor->lamp(0));
    expectState(analyserPage, 2);
    const auto reports = automation();
    ASSERT_FALSE(reports.empty());
    EXPECT_EQ(reports.back(), std::make_pair(9, 1.0f));

    clickView(editor->button(tagLevelPage));
    host.clear();
    clickView(editor->lamp(1));
    expectState(phasePage, 0);
    ASSERT_FALSE(automation().empty());
    EXPECT_EQ(automation().back(), std::make_pair(10, 1.0f));
}

TEST_F(Panel, MomentaryButtonsReportPressAndReleaseInsideAnEditBracket) {
    open();
    host.clear();
    clickView(editor->button(tagAnalyserPage));
    const auto reports = automation();
    ASSERT_GE(reports.size(), 2u);
    EXPECT_EQ(reports.front(), std::make_pair(9, 1.0f));
    EXPECT_EQ(reports.back(), std::make_pair(9, 0.0f));
    ASSERT_EQ(host.count(43 /* audioMasterBeginEdit */), 1u);
    ASSERT_EQ(host.count(44 /* audioMasterEndEdit */), 1u);
    EXPECT_EQ(host.requestsOf(43)[0].index, 9);
    EXPECT_EQ(host.requestsOf(44)[0].index, 9);
    // The page button sets viewMode directly: the host never hears of parameter 7.
    for (const auto& [index, value] : reports) {
        EXPECT_NE(index, 7);
    }
}

TEST_F(Panel, PeakClearResetsOnEveryPressReport) {
    open();
    host.clear();
    click(368, 49, 300);
    int presses = 0;
    for (const auto& [index, value] : automation()) {
        EXPECT_EQ(index, 1);
        presses += value == 1.0f;
    }
    EXPECT_GE(presses, 1);
    EXPECT_EQ(effect->resetCount, presses);
    EXPECT_EQ(automation().back(), std::make_pair(1, 0.0f));
}

TEST_F(Panel, SwitchesSetTheirParameterAndReportIt) {
    open();
    effect->parameters.clear();
    clickView(editor->button(tagScale));
    clickView(editor->button(tagTruePeak));  // gone in DIN: the click lands on nothing
    clickView(editor->button(tagScale));
    clickView(editor->button(tagTruePeak));
    clickView(editor->button(tagPhasePage));
    clickView(editor->button(tagCorrelationSpeed));
    const std::vector<std::pair<host::int32, float>> expectedAutomation = {
        {4, 1.0f}, {4, 0.0f}, {5, 1.0f}};
    auto reports = automation();
    reports.erase(std::remove_if(reports.begin(), reports.end(),
                                 [](const auto& r) { return r.first > 6; }),
                  reports.end());
    ASSERT_EQ(reports.size(), 4u);
    EXPECT_EQ(std::vector(reports.begin(), reports.begin() + 3), expectedAutomation);
    EXPECT_EQ(reports[3], std::make_pair(6, 1.0f));
    // Set directly, then again through automateParameter.
    const auto count = [&](host::int32 index, float value) {
        return std::count(effect->parameters.begin(), effect->parameters.end(),
                          std::make_pair(index, value));
    };
    EXPECT_EQ(count(4, 1.0f), 2);
    EXPECT_EQ(count(4, 0.0f), 2);
    EXPECT_EQ(count(5, 1.0f), 2);
    EXPECT_EQ(count(6, 1.0f), 2);
}

TEST_F(Panel, HostParameterChangesNeverReachThePanel) {
    open();
    idle(2);
    const int before = frame()->childCount();
    effect->record.setParameter(&effect->record, 7, 1.0f);
    editor->parameterChanged(7, 1.0f);
    idle(2);
    expectState(levelPage, 6);
    EXPECT_EQ(frame()->childCount(), before);
    EXPECT_EQ(editor->refreshPending.load(), 0);
}

// --- refresh from the read-outs ----------------------------------------------------------------

TEST_F(Panel, LevelBarsShowAverageAndPeakInPkPlusVu) {
    open();
    effect->readouts[0] = 0.5f;   // average, left
    effect->readouts[1] = 0.25f;  // average, right
    effect->readouts[2] = 0.75f;  // peak, left: marker ends at 81 + 150
    effect->readouts[3] = 0.5f;
    effect->readouts[4] = 0.9f;   // maximum, left: marker ends at 81 + 180
    effect->readouts[5] = 1.0f;
    idle(2);
    for (std::int32_t y : {46, 50, 53}) {
        EXPECT_EQ(px(81, y), blue);
        EXPECT_EQ(px(180, y), blue);
        EXPECT_EQ(px(181, y), dark);
        EXPECT_EQ(px(228, y), dark);
        EXPECT_EQ(px(229, y), blue);
        EXPECT_EQ(px(230, y), blue);
        EXPECT_EQ(px(231, y), dark);
        EXPECT_EQ(px(259, y), blue);
        EXPECT_EQ(px(260, y), blue);
        EXPECT_EQ(px(261, y), dark);
    }
    EXPECT_EQ(px(130, 75), blue);
    EXPECT_EQ(px(131, 75), dark);
    EXPECT_EQ(px(179, 75), blue);  // peak marker at 0.5
    EXPECT_EQ(px(280, 75), blue);  // maximum at the end
}

TEST_F(Panel, PeakModeShowsThePeakWithItsMarkerLeftOfTheBar) {
    open();
    clickView(editor->button(tagPeakMode));
    effect->readouts[0] = 0.9f;  // the average is not shown in PEAK
    effect->readouts[2] = 0.5f;
    effect->readouts[4] = 0.0f;
    idle(2);
    EXPECT_EQ(editor->levelBar(0)->firstMark, 0.0f);
    EXPECT_EQ(px(180, 50), blue);
    EXPECT_EQ(px(181, 50), dark);
    EXPECT_EQ(px(79, 50), blue);
    EXPECT_EQ(px(80, 50), blue);
}

TEST_F(Panel, MaximumDisplaysTurnRedAboveTheScaleThreshold) {
    open();
    toolkit::ParamDisplay* left = editor->maximumDisplay(0);
    toolkit::ParamDisplay* right = editor->maximumDisplay(1);
    effect->readouts[7] = 0.0f;
    effect->readouts[8] = 0.01f;
    idle();
    EXPECT_TRUE(toolkit::sameRgb(left->textColor(), panelBlue));
    EXPECT_TRUE(toolkit::sameRgb(right->textColor(), panelRed));
    idle();
    EXPECT_TRUE(textDrawn("0.01dB"));

    clickView(editor->button(tagScale));
    effect->readouts[7] = 1.0f;
    effect->readouts[8] = 1.01f;
    idle();
    EXPECT_TRUE(toolkit::sameRgb(left->textColor(), panelBlue));
    EXPECT_TRUE(toolkit::sameRgb(right->textColor(), panelRed));
    EXPECT_FLOAT_EQ(left->value(), 1.0f);
}

TEST_F(Panel, OverLampsAndCorrelationPointer) {
    open();
    effect->readouts[9] = 1.0f;
    effect->readouts[6] = 0.5f;
    idle(2);
    EXPECT_EQ(px(288, 47), red);
    EXPECT_EQ(px(288, 72), dark);
    // Pointer at 305 + floor(29 * 0.5 + 0.5) = 320, two columns wide.
    EXPECT_EQ(px(319, 33), dark);
    EXPECT_EQ(px(320, 33), blue);
    EXPECT_EQ(px(321, 33), blue);
    EXPECT_EQ(px(322, 33), dark);
    effect->readouts[9] = 0.0f;
    effect->readouts[10] = 1.0f;
    idle(2);
    EXPECT_EQ(px(288, 47), dark);
    EXPECT_EQ(px(288, 72), red);
}

TEST_F(Panel, PhasePointerOnThePhasePage) {
    open();
    clickView(editor->button(tagPhasePage));
    effect->readouts[6] = 0.5f;
    idle(2);
    // Pin at 113 + floor(181 * 0.5) = 203, nine columns wide.
    for (std::int32_t y : {51, 60, 66}) {
        EXPECT_EQ(px(202, y), dark);
        EXPECT_EQ(px(203, y), blue);
        EXPECT_EQ(px(211, y), blue);
        EXPECT_EQ(px(212, y), dark);
    }
    const int reads = effect->readCount;
    idle();
    EXPECT_EQ(effect->readCount - reads, 1) << "one read-out per idle on the phase page";
}

TEST_F(Panel, BandBarsShowLevelMaximumAndABottomMarker) {
    open();
    clickView(editor->button(tagAnalyserPage));
    effect->readouts[41] = 0.5f;          // band 0: lit rows 64 .. 91
    effect->readouts[71] = 0.75f;         // its maximum: a line on row 36 + 14 - 1
    effect->readouts[41 + 29] = 0.0f;     // band 29: nothing lit but the bottom marker
    idle(2);
    EXPECT_EQ(px(98, 63), dark);
    EXPECT_EQ(px(98, 64), blue);
    EXPECT_EQ(px(103, 91), blue);
    EXPECT_EQ(px(100, 49), blue);
    EXPECT_EQ(px(100, 48), dark);
    EXPECT_EQ(px(100, 50), dark);
    EXPECT_EQ(px(330, 91), blue);
    EXPECT_EQ(px(330, 90), dark);
    const int reads = effect->readCount;
    idle();
    EXPECT_EQ(effect->readCount - reads, 60);
}

TEST_F(Panel, RedrawTickAdvancesPerMeterAndWraps) {
    open();
    idle();
    const float afterOne = editor->redrawTick();
    EXPECT_FLOAT_EQ(afterOne, 0.001f);
    EXPECT_FLOAT_EQ(editor->levelBar(0)->value(), afterOne);
    EXPECT_FLOAT_EQ(editor->levelBar(1)->value(), afterOne);
    clickView(editor->button(tagAnalyserPage));
    const float before = editor->redrawTick();
    idle();
    EXPECT_NEAR(editor->redrawTick() - before, 0.030f, 1e-5f);
    EXPECT_NE(editor->bandBar(0)->value(), editor->bandBar(1)->value());
    // Above 1.0 the counter starts again at 0.
    idle(40);
    EXPECT_LT(editor->redrawTick(), 0.5f);
}

TEST_F(Panel, ANewSampleRateIsDrawnAtTheSecondIdle) {
    open();
    idle(2);
    headless::clearTextLog();
    effect->sampleRate = 96000.0f;
    idle();
    EXPECT_FLOAT_EQ(editor->sampleRateDisplay()->value(), 96000.0f);
    EXPECT_FALSE(textDrawn("96.0"));
    idle();
    EXPECT_TRUE(textDrawn("96.0"));
}

}  // namespace
}  // namespace melp::editor::testing
