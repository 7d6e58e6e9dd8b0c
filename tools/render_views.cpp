// melp-render-views: draws a window of toolkit views on the headless backend and writes it
// as a PNG, to look at what the toolkit draws without a Windows host:
//   melp-render-views OUT.png
// Rows: primitives (outline, fill, lines, text in the three alignments); on/off buttons off
// and on, a momentary button released and pressed, a strip display at each frame; parameter
// displays with a plain border, both bevels, shadow text and over a bitmap.
#include <cstdio>

#include "platform/headless/headless.h"
#include "toolkit/bitmap.h"
#include "toolkit/bitmap_strip_display.h"
#include "toolkit/draw_context.h"
#include "toolkit/frame.h"
#include "toolkit/momentary_button.h"
#include "toolkit/on_off_button.h"
#include "toolkit/param_display.h"

namespace {

using namespace melp::toolkit;
namespace headless = melp::platform::headless;

constexpr std::int32_t windowWidth = 420;
constexpr std::int32_t windowHeight = 150;

// The panel behind the views and the drawing primitives.
class PrimitivesView : public View {
public:
    PrimitivesView() : View(Rect{0, 0, windowWidth, windowHeight}) {}
    void draw(DrawContext* context) noexcept override {
        context->setFillColor(Color{48, 52, 60, 0});
        context->fillRect(Rect{-1, -1, windowWidth, windowHeight});
        context->setLineColor(colorWhite);
        context->outlineRect(Rect{8, 8, 40, 30});
        context->setFillColor(Color{200, 60, 40, 0});
        context->fillRect(Rect{8, 8, 40, 30});
        context->setLineColor(Color{90, 220, 90, 0});
        for (std::int32_t i = 0; i < 5; ++i) {
            context->moveTo(Point{50, 8 + 5 * i});
            context->lineTo(Point{90 - 6 * i, 8 + 5 * i});
        }
        const char* names[] = {"left", "centre", "right"};
        for (std::int32_t a = 0; a < 3; ++a) {
            const Rect box{100 + 100 * a, 8, 190 + 100 * a, 30};
            context->setLineColor(Color{120, 120, 130, 0});
            context->outlineRect(box);
            context->setFont(a == 0 ? 0 : 2, 0, a == 2 ? 2 : 0);
            context->setFontColor(Color{250, 230, 120, 0});
            context->drawText(names[a], box, 0, a);
        }
        setNeedsRedraw(false);
    }
};

void addButtons(Frame* frame) {
    auto* onOff = new Bitmap(132);
    const std::int32_t half = onOff->height() / 2;
    auto* off = new OnOffButton(Rect{8, 40, 8 + onOff->width(), 40 + half}, nullptr, 1, onOff);
    auto* on = new OnOffButton(Rect{8 + onOff->width() + 8, 40, 16 + 2 * onOff->width(),
                                    40 + half},
                               nullptr, 2, onOff);
    on->setValue(1.0f);
    frame->addChild(off);
    frame->addChild(on);
    onOff->release();

    auto* momentaryPicture = new Bitmap(143);
    const std::int32_t face = momentaryPicture->height() / 2;
    const std::int32_t left = 24 + 2 * onOff->width();
    for (std::int32_t pressed = 0; pressed < 2; ++pressed) {
        const std::int32_t x = left + pressed * (momentaryPicture->width() + 8);
        auto* button = new MomentaryButton(Rect{x, 40, x + momentaryPicture->width(), 40 + face},
                                           nullptr, 3, face, momentaryPicture, Point{0, 0});
        button->setValue(static_cast<float>(pressed));
        frame->addChild(button);
    }
    momentaryPicture->release();

    // The true-peak button's picture: two faces of 9 rows, shown as a two-frame strip.
    constexpr std::int32_t frameHeight = 9;
    auto* strip = new Bitmap(135);
    const std::int32_t frames = strip->height() / frameHeight;
    for (std::int32_t i = 0; i < frames; ++i) {
        const std::int32_t x = 8 + i * (strip->width() + 8);
        auto* display =
            new BitmapStripDisplay(Rect{x, 76, x + strip->width(), 76 + frameHeight}, nullptr, 4,
                                   frames, frameHeight, strip, Point{0, 0});
        display->setValue(frames > 1 ? static_cast<float>(i) / static_cast<float>(frames - 1)
                                     : 0.0f);
        frame->addChild(display);
    }
    strip->release();
}

void addDisplays(Frame* frame) {
    const std::int32_t styles[] = {0, ParamDisplay::BevelBackgroundTopLeft,
                                   ParamDisplay::BevelBorderTopLeft, ParamDisplay::ShadowText};
    for (std::int32_t i = 0; i < 4; ++i) {
        const std::int32_t x = 8 + 82 * i;
        auto* display = new ParamDisplay(Rect{x, 110, x + 74, 130}, nullptr, styles[i]);
        display->setBackgroundColor(Color{20, 24, 30, 0});
        display->setBorderColor(Color{150, 160, 170, 0});
        display->setValue(0.25f * static_cast<float>(i + 1));
        display->setAlignment(i % 3);
        frame->addChild(display);
    }
    auto* back = new Bitmap(207);
    auto* over = new ParamDisplay(Rect{336, 110, 336 + 76, 130}, back, 2);
    back->release();
    over->setValue(0.99f);
    over->setFontId(1);
    frame->addChild(over);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: melp-render-views OUT.png\n");
        return 2;
    }
    melp::platform::Window host = headless::createHostWindow(0, 0, windowWidth, windowHeight);
    auto* frame = new Frame(Rect{0, 0, windowWidth, windowHeight}, host, nullptr);
    frame->addChild(new PrimitivesView);
    addButtons(frame);
    addDisplays(frame);
    headless::dispatchPendingMessages();  // the first paint draws every view
    const bool written = headless::writePng(host, argv[1]);
    delete frame;
    headless::destroyWindowFromOutside(host);
    if (!written) {
        std::fprintf(stderr, "melp-render-views: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
