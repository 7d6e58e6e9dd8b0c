// Both backends must draw the same views to the same pixels (text aside): one scene of
// lines, outlines, fills, opaque and transparent pictures and the controls is drawn, and a
// digest of the frame window's pixels is compared with the one the headless backend gives.
#include <gtest/gtest.h>

#include <cstdio>

#include "tests/unit/toolkit/toolkit_test.h"
#include "toolkit/bitmap_strip_display.h"
#include "toolkit/momentary_button.h"
#include "toolkit/on_off_button.h"
#include "toolkit/param_display.h"

namespace melp::toolkit::test {
namespace {

constexpr std::int32_t sceneWidth = 120;
constexpr std::int32_t sceneHeight = 90;

// Lines in several directions, an outline and a fill, and the keyed picture drawn
// transparently over the fill.
class PrimitivesView : public View {
public:
    PrimitivesView() : View(Rect{0, 0, sceneWidth, sceneHeight}) {}
    void draw(DrawContext* context) noexcept override {
        context->setLineColor(toColor(yellow));
        context->moveTo(Point{50, 2});
        context->lineTo(Point{60, 2});
        context->lineTo(Point{60, 12});
        context->setLineColor(toColor(0x4080C0));
        context->moveTo(Point{50, 20});
        context->lineTo(Point{65, 14});  // shallow diagonal
        context->moveTo(Point{70, 2});
        context->lineTo(Point{76, 20});  // steep diagonal
        context->setLineColor(toColor(green));
        context->setFillColor(toColor(0x203040));
        context->outlineRect(Rect{80, 2, 110, 22});
        context->fillRect(Rect{80, 2, 110, 22});
        auto* keyed = new Bitmap(pictureKeyed);
        keyed->drawTransparent(context, Rect{84, 6, 88, 8}, Point{0, 0});
        keyed->drawTransparent(context, Rect{90, 6, 92, 7}, Point{2, 1});
        keyed->release();
        setNeedsRedraw(false);
    }
};

std::uint32_t digest(platform::Window window) {
    std::uint32_t hash = 2166136261u;  // FNV-1a over the pixels, row by row
    for (std::int32_t y = 0; y < sceneHeight; ++y) {
        for (std::int32_t x = 0; x < sceneWidth; ++x) {
            ColorRef value = pixel(window, x, y);
            for (int byte = 0; byte < 3; ++byte) {
                hash ^= (value >> (8 * byte)) & 0xFFu;
                hash *= 16777619u;
            }
        }
    }
    return hash;
}

class RenderAgreement : public ToolkitTest {};

TEST_F(RenderAgreement, SceneDigestIsTheSameOnEveryBackend) {
    Frame* frame = openFrame(sceneWidth, sceneHeight);
    auto* background = new Bitmap(pictureBackground);
    frame->setBackgroundBitmap(background);
    background->release();
    frame->addChild(new PrimitivesView);

    auto* onOff = new Bitmap(pictureOnOff);
    frame->addChild(new OnOffButton(Rect{4, 34, 10, 38}, nullptr, 1, onOff));
    auto* on = new OnOffButton(Rect{14, 34, 20, 38}, nullptr, 1, onOff);
    on->setValue(1.0f);
    frame->addChild(on);
    onOff->release();

    auto* momentary = new Bitmap(pictureMomentary);
    auto* pressed = new MomentaryButton(Rect{24, 34, 29, 39}, nullptr, 2, 5, momentary, Point{});
    pressed->setValue(1.0f);
    frame->addChild(pressed);
    momentary->release();

    auto* strip = new Bitmap(pictureStrip);
    for (std::int32_t i = 0; i < 6; ++i) {
        auto* display = new BitmapStripDisplay(Rect{34 + 6 * i, 34, 38 + 6 * i, 37}, nullptr, 3,
                                               6, 3, strip, Point{});
        display->setValue(0.2f * static_cast<float>(i));
        frame->addChild(display);
    }
    strip->release();

    const std::int32_t styles[] = {0, ParamDisplay::BevelBackgroundTopLeft,
                                   ParamDisplay::BevelBorderTopLeft};
    for (std::int32_t i = 0; i < 3; ++i) {
        auto* display = new ParamDisplay(Rect{4 + 36 * i, 50, 34 + 36 * i, 64}, nullptr,
                                         styles[i] | ParamDisplay::NoText);
        display->setBackgroundColor(toColor(0x102030));
        display->setBorderColor(toColor(0xC0C0C0));
        frame->addChild(display);
    }
    auto* transparent = new ParamDisplay(Rect{4, 70, 60, 86}, nullptr, ParamDisplay::NoText);
    transparent->setTransparent(true);
    frame->addChild(transparent);

    // Everything the background picture does not cover keeps a known colour.
    paintWindow(frame->window(), grey, sceneWidth, sceneHeight);
    frame->setNeedsRedraw(true);
    frame->redrawDirtyViews();

    EXPECT_EQ(pixel(frame->window(), 5, 5), 0x3C3C3Cu);
    EXPECT_EQ(pixel(frame->window(), 100, 80), grey);
    const std::uint32_t value = digest(frame->window());
    std::printf("scene digest 0x%08x\n", static_cast<unsigned>(value));
    // The headless rendering's digest; on a mismatch the pixels are written out for a diff.
    EXPECT_EQ(value, 0xF45589C8u);
    if (value != 0xF45589C8u) {
        if (std::FILE* out = std::fopen("toolkit_scene_pixels.txt", "w")) {
            for (std::int32_t y = 0; y < sceneHeight; ++y) {
                for (std::int32_t x = 0; x < sceneWidth; ++x) {
                    std::fprintf(out, "%d %d %06x\n", x, y,
                                 static_cast<unsigned>(pixel(frame->window(), x, y)));
                }
            }
            std::fclose(out);
        }
    }
    delete frame;
}

}  // namespace
}  // namespace melp::toolkit::test
