#include "editor/meter_editor.h"

#include <new>

#include "editor/level_bar.h"
#include "editor/pin_indicator.h"
#include "editor/tick_indicator.h"
#include "editor/value_converters.h"
#include "host/extended_effect.h"
#include "toolkit/bitmap.h"
#include "toolkit/bitmap_strip_display.h"
#include "toolkit/frame.h"
#include "toolkit/momentary_button.h"
#include "toolkit/on_off_button.h"
#include "toolkit/param_display.h"

namespace melp::editor {

using toolkit::Bitmap;
using toolkit::Point;
using toolkit::Rect;

namespace {

// Resource ids in the order open loads them (the order of MeterEditor::PictureSlot).
constexpr std::int32_t pictureIds[] = {129, 131, 132, 133, 134, 135, 143, 144, 140, 141,
                                       142, 200, 201, 202, 203, 206, 207, 204, 205};

constexpr std::int32_t stripImageCount = 6;

// Read-out indices of the effect.
constexpr std::int32_t readAverage = 0;
constexpr std::int32_t readPeak = 2;
constexpr std::int32_t readMaximum = 4;
constexpr std::int32_t readCorrelation = 6;
constexpr std::int32_t readMaximumDb = 7;
constexpr std::int32_t readOver = 9;
constexpr std::int32_t readBandLevel = 41;
constexpr std::int32_t readBandMaximum = 71;

constexpr std::int32_t viewModeParameter = 7;

// A view's rectangle: its origin plus one image of its picture (rowsPerImage divides the
// picture's height); a missing picture collapses it to the origin.
Rect imageRect(std::int32_t left, std::int32_t top, const Bitmap* picture,
               std::int32_t imagesStacked) noexcept {
    const std::int32_t width = picture ? picture->width() : 0;
    const std::int32_t height = picture ? picture->height() / imagesStacked : 0;
    return Rect{left, top, left + width, top + height};
}

float valueOf(const toolkit::Control* control) noexcept {
    return control ? control->value() : 0.0f;
}

}  // namespace

MeterEditor::MeterEditor(host::ExtendedEffect* owner) noexcept : GuiEditorBase(owner) {
    panelPicture_ = new (std::nothrow) Bitmap(panelPictureId);
    const std::int32_t width = panelPicture_ ? panelPicture_->width() : 0;
    const std::int32_t height = panelPicture_ ? panelPicture_->height() : 0;
    rect.top = 0;
    rect.left = 0;
    rect.bottom = static_cast<host::int16>(height);
    rect.right = static_cast<host::int16>(width);
}

MeterEditor::~MeterEditor() {
    // A host that destroys the effect with the panel still open would otherwise leave the
    // frame window alive, pointing at this editor.
    if (frame) {
        closeEditor();
    }
    if (panelPicture_) {
        panelPicture_->release();
        panelPicture_ = nullptr;
    }
}

host::int32 MeterEditor::openEditor(void* parent) noexcept {
    // A second open without a close would orphan the first frame and its views.
    if (frame) {
        closeEditor();
    }
    GuiEditorBase::openEditor(parent);
    loadPictures();
    page_ = levelPage;
    const Rect bounds{0, 0, rect.right, rect.bottom};
    auto* created =
        new (std::nothrow) toolkit::Frame(bounds, static_cast<platform::Window>(parent), this);
    if (!created) {
        releasePictures();
        return 0;
    }
    frame = created;
    frame->setBackgroundBitmap(panelPicture_);
    createViews();
    return 1;
}

void MeterEditor::closeEditor() noexcept {
    // The frame releases what is attached to it; the rest is the editor's to release.
    toolkit::View* detached[viewTotal] = {};
    std::int32_t detachedCount = 0;
    for (toolkit::View* view : views_) {
        if (view && !attached(view)) {
            detached[detachedCount++] = view;
        }
    }
    if (frame) {
        // From inside a held button's tracking (the host closing the editor from its idle
        // callback) the frame and the button go once the press ends.
        frame->destroy();
        frame = nullptr;
    }
    for (std::int32_t i = 0; i < detachedCount; ++i) {
        detached[i]->release();
    }
    forgetViews();
    releasePictures();
}

void MeterEditor::parameterChanged(host::int32 /*index*/, float /*value*/) noexcept {}

void MeterEditor::loadPictures() noexcept {
    for (std::int32_t slot = 0; slot < pictureCount; ++slot) {
        if (!pictures_[slot]) {
            pictures_[slot] = new (std::nothrow) Bitmap(pictureIds[slot]);
        }
    }
}

void MeterEditor::releasePictures() noexcept {
    for (Bitmap*& picture : pictures_) {
        if (picture) {
            picture->release();
            picture = nullptr;
        }
    }
}

void MeterEditor::createViews() noexcept {
    std::int32_t created = 0;
    auto keep = [&](auto* view) {
        views_[created++] = view;
        return view;
    };
    Bitmap* const* p = pictures_;
    ControlListener* const listener = this;

    Bitmap* strip = p[scalePicture];
    const std::int32_t stripRows = strip ? strip->height() / stripImageCount : 0;
    scaleStrip_ = keep(new (std::nothrow) toolkit::BitmapStripDisplay(
        imageRect(80, 36, strip, stripImageCount), listener, 2, stripImageCount, stripRows, strip,
        Point{0, 0}));
    attach(scaleStrip_);
    setStripValue(0.6f);
    displayMode_ = 6;
    if (effect) {
        effect->setParameterValue(viewModeParameter, 0.0f);
    }

    // The momentary faces are one image tall, so the held button shows the same face: a
    // pressed offset would read below the picture.
    constexpr std::int32_t pressedOffset = 0;
    auto momentary = [&](std::int32_t left, std::int32_t top, std::int32_t tag,
                         PictureSlot slot) {
        return keep(new (std::nothrow) toolkit::MomentaryButton(
            imageRect(left, top, p[slot], 1), listener, tag, pressedOffset, p[slot],
            Point{0, 0}));
    };
    auto onOff = [&](std::int32_t left, std::int32_t top, std::int32_t tag, PictureSlot slot) {
        return keep(new (std::nothrow) toolkit::OnOffButton(imageRect(left, top, p[slot], 2),
                                                            listener, tag, p[slot]));
    };

    levelPageButton_ = momentary(40, 45, tagLevelPage, levelPagePicture);
    attach(levelPageButton_);
    analyserPageButton_ = momentary(40, 61, tagAnalyserPage, analyserPagePicture);
    attach(analyserPageButton_);
    phasePageButton_ = momentary(40, 77, tagPhasePage, phasePagePicture);
    attach(phasePageButton_);
    peakClearButton_ = momentary(355, 45, tagPeakClear, peakClearPicture);
    attach(peakClearButton_);

    gridButton_ = onOff(355, 56, tagGrid, gridPicture);
    speedButton_ = onOff(355, 56, tagCorrelationSpeed, speedPicture);
    peakModeButton_ = onOff(355, 56, tagPeakMode, peakModePicture);
    attach(peakModeButton_);
    scaleButton_ = onOff(355, 67, tagScale, scaleButtonPicture);
    attach(scaleButton_);
    truePeakButton_ = onOff(355, 78, tagTruePeak, truePeakPicture);
    attach(truePeakButton_);

    for (std::int32_t channel = 0; channel < 2; ++channel) {
        levelBars_[channel] = keep(new (std::nothrow) LevelBar(
            imageRect(81, channel == 0 ? 46 : 71, p[barLitPicture], 1), p[barLitPicture],
            p[barUnlitPicture], LevelBar::horizontal));
        attach(levelBars_[channel]);
    }
    overLamps_[0] = onOff(285, 46, tagAnalyserPage, lampPicture);
    attach(overLamps_[0]);
    overLamps_[1] = onOff(285, 71, tagPhasePage, lampPicture);
    attach(overLamps_[1]);

    correlationPointer_ = keep(new (std::nothrow) TickIndicator(
        imageRect(305, 31, p[tickPointerPicture], 1), p[tickPointerPicture],
        p[tickTrackPicture]));
    attach(correlationPointer_);
    phasePointer_ = keep(new (std::nothrow) PinIndicator(
        imageRect(113, 51, p[pinPointerPicture], 1), p[pinPointerPicture], p[pinTrackPicture]));

    for (std::int32_t band = 0; band < bandCount; ++band) {
        bandBars_[band] = keep(new (std::nothrow) LevelBar(
            imageRect(98 + 8 * band, 36, p[bandLitPicture], 1), p[bandLitPicture],
            p[bandUnlitPicture], LevelBar::vertical));
    }

    auto display = [&](const Rect& bounds, bool rightAligned, float value,
                       toolkit::ValueToText converter) {
        auto* view = keep(new (std::nothrow) toolkit::ParamDisplay(bounds, nullptr, 2));
        if (view) {
            view->setFontId(6);
            view->setTextColor(panelBlue);
            view->setBackgroundColor(panelDark);
            view->setBorderColor(panelDark);
            if (rightAligned) {
                view->setAlignment(2);
            }
            view->setValue(value);
            view->setConverter(converter);
        }
        attach(view);
        return view;
    };
    sampleRateDisplay_ = display(Rect{345, 89, 365, 101}, false,
                                 effect ? effect->currentSampleRate() : 0.0f, kilohertzToText);
    maximumDisplays_[0] = display(Rect{292, 55, 330, 67}, true,
                                  effect ? effect->parameterValue(7) : 0.0f, decibelsToText);
    maximumDisplays_[1] = display(Rect{292, 81, 330, 93}, true,
                                  effect ? effect->parameterValue(8) : 0.0f, decibelsToText);
}

void MeterEditor::forgetViews() noexcept {
    for (toolkit::View*& view : views_) {
        view = nullptr;
    }
    sampleRateDisplay_ = nullptr;
    maximumDisplays_[0] = maximumDisplays_[1] = nullptr;
    for (LevelBar*& bar : bandBars_) {
        bar = nullptr;
    }
    levelBars_[0] = levelBars_[1] = nullptr;
    correlationPointer_ = nullptr;
    phasePointer_ = nullptr;
    scaleStrip_ = nullptr;
    levelPageButton_ = analyserPageButton_ = phasePageButton_ = peakClearButton_ = nullptr;
    gridButton_ = speedButton_ = peakModeButton_ = scaleButton_ = truePeakButton_ = nullptr;
    overLamps_[0] = overLamps_[1] = nullptr;
}

void MeterEditor::attach(toolkit::View* view) noexcept {
    // Never twice: the frame would release the view twice when it is destroyed.
    if (frame && view && !frame->hasChild(view)) {
        frame->addChild(view);
    }
}

void MeterEditor::detach(toolkit::View* view) noexcept {
    if (frame && view) {
        frame->removeChild(view, false);
    }
}

bool MeterEditor::attached(toolkit::View* view) const noexcept {
    return frame && view && frame->hasChild(view);
}

void MeterEditor::markFrameDirty() noexcept {
    if (frame) {
        frame->setNeedsRedraw(true);
    }
}

void MeterEditor::setStripValue(float value) noexcept {
    if (scaleStrip_) {
        scaleStrip_->setValue(value);
    }
}

void MeterEditor::setMode(std::int32_t displayMode, float stripValue) noexcept {
    setStripValue(stripValue);
    displayMode_ = displayMode;
}

void MeterEditor::idleEditor() noexcept {
    if (!frame) {
        return;
    }
    // Draws what the previous idle wrote: values written below appear at the next idle.
    GuiEditorBase::idleEditor();
    if (!effect || !frame) {
        return;
    }
    if (displayMode_ == 2 || displayMode_ == 4) {
        refreshBands();
    }
    if (sampleRateDisplay_) {
        sampleRateDisplay_->setValue(effect->currentSampleRate());
    }
    if (displayMode_ == 6 || displayMode_ == 8) {
        refreshLevels();
    }
    if (displayMode_ == 0 && phasePointer_) {
        phasePointer_->setValue(effect->readMeter(readCorrelation));
    }
}

void MeterEditor::advanceRedrawTick() noexcept {
    if (redrawTick_ > 1.0f) {
        redrawTick_ = 0.0f;
    } else {
        redrawTick_ += 0.001f;
    }
}

void MeterEditor::refreshBands() noexcept {
    for (std::int32_t band = 0; band < bandCount; ++band) {
        LevelBar* bar = bandBars_[band];
        if (bar) {
            bar->barLevel = effect->readMeter(readBandLevel + band);
            bar->firstMark = effect->readMeter(readBandMaximum + band);
            bar->secondMark = 0.0f;
            // The levels live outside the control value: a fresh value makes the bar dirty.
            bar->setValue(redrawTick_);
        }
        advanceRedrawTick();
    }
}

void MeterEditor::refreshLevels() noexcept {
    LevelBar* left = levelBars_[0];
    LevelBar* right = levelBars_[1];
    const bool peakOnly = valueOf(peakModeButton_) != 0.0f;
    if (left) {
        left->barLevel = effect->readMeter(peakOnly ? readPeak : readAverage);
        left->firstMark = peakOnly ? 0.0f : effect->readMeter(readPeak);
        left->secondMark = effect->readMeter(readMaximum);
    }
    if (right) {
        right->barLevel = effect->readMeter(peakOnly ? readPeak + 1 : readAverage + 1);
        right->firstMark = peakOnly ? 0.0f : effect->readMeter(readPeak + 1);
        right->secondMark = effect->readMeter(readMaximum + 1);
    }
    advanceRedrawTick();
    if (right) {
        right->setValue(redrawTick_);
    }
    if (left) {
        left->setValue(redrawTick_);
    }

    // The DIN read-out carries the quasi-peak over threshold at +1 dB.
    const float redAbove = displayMode_ == 8 ? 1.0f : 0.0f;
    for (std::int32_t channel = 0; channel < 2; ++channel) {
        toolkit::ParamDisplay* display = maximumDisplays_[channel];
        if (display) {
            display->setValue(effect->readMeter(readMaximumDb + channel));
            const bool over = effect->readMeter(readMaximumDb + channel) > redAbove;
            display->setTextColor(over ? panelRed : panelBlue);
        }
    }
    for (std::int32_t channel = 0; channel < 2 && !lampsHeld_; ++channel) {
        if (overLamps_[channel]) {
            overLamps_[channel]->setValue(effect->readMeter(readOver + channel));
        }
    }
    if (correlationPointer_) {
        correlationPointer_->setValue(effect->readMeter(readCorrelation));
    }
}

void MeterEditor::frameIdleWhileTracking() noexcept {
    // Only the pump inside an on/off button's click holds the lamps: a clicked lamp must
    // reach controlChanged with the value the click gave it. A held momentary button
    // leaves them live.
    const bool outer = lampsHeld_;
    lampsHeld_ = frame && isOnOffButton(frame->clickedView());
    GuiEditorBase::frameIdleWhileTracking();
    lampsHeld_ = outer;
}

bool MeterEditor::isOnOffButton(const toolkit::View* view) const noexcept {
    if (!view) {
        return false;
    }
    const toolkit::View* const onOff[] = {gridButton_,  speedButton_, peakModeButton_,
                                          scaleButton_, truePeakButton_, overLamps_[0],
                                          overLamps_[1]};
    for (const toolkit::View* button : onOff) {
        if (button == view) {
            return true;
        }
    }
    return false;
}

void MeterEditor::controlChanged(toolkit::DrawContext* /*context*/,
                                 toolkit::Control* control) noexcept {
    if (!control || !effect) {
        return;
    }
    // A control of a frame the host closed (or replaced) while it was being clicked: its
    // page and frame work is gone with that frame, but the host still hears the change.
    const bool ownFrame = frame && control->ownerFrame() == frame;
    const float value = control->value();
    const std::int32_t tag = control->tag();
    switch (tag) {
    case tagPeakClear:
        if (value == 1.0f) {
            effect->resetMeters();
            if (ownFrame) {
                markFrameDirty();
            }
        }
        break;
    case tagGrid:
        if (!ownFrame) {
            break;
        }
        if (valueOf(gridButton_) > 0.5f) {
            setMode(4, 0.4f);
        } else {
            setMode(2, 0.2f);
        }
        markFrameDirty();
        break;
    case tagScale:
        effect->setParameterValue(tagScale, value);
        if (!ownFrame) {
            break;
        }
        if (valueOf(scaleButton_) > 0.5f) {
            setMode(8, 0.8f);
            detach(truePeakButton_);
        } else {
            setMode(6, 0.6f);
            attach(truePeakButton_);
        }
        markFrameDirty();
        break;
    case tagTruePeak:
    case tagCorrelationSpeed:
        effect->setParameterValue(tag, value);
        break;
    case tagLevelPage:
        if (value == 1.0f && ownFrame) {
            showLevelPage();
        }
        break;
    case tagAnalyserPage:
        if (value == 1.0f && ownFrame) {
            showAnalyserPage();
        }
        break;
    case tagPhasePage:
        if (value == 1.0f && ownFrame) {
            showPhasePage();
        }
        break;
    default:
        // The peak-mode button is read by idle; other tags do nothing.
        break;
    }
    effect->automateParameter(tag, control->value());
}

void MeterEditor::showLevelPage() noexcept {
    effect->setParameterValue(viewModeParameter, 0.0f);
    for (LevelBar* bar : bandBars_) {
        detach(bar);
    }
    detach(phasePointer_);
    detach(speedButton_);
    detach(gridButton_);
    if (page_ != levelPage) {
        attach(peakModeButton_);
        attach(scaleButton_);
        attach(maximumDisplays_[0]);
        attach(maximumDisplays_[1]);
        attach(overLamps_[0]);
        attach(overLamps_[1]);
        attach(levelBars_[0]);
        attach(levelBars_[1]);
        attach(correlationPointer_);
    }
    if (valueOf(scaleButton_) > 0.5f) {
        setMode(8, 0.8f);
    } else {
        setMode(6, 0.6f);
        attach(truePeakButton_);
    }
    markFrameDirty();
    page_ = levelPage;
}

void MeterEditor::showAnalyserPage() noexcept {
    effect->setParameterValue(viewModeParameter, 1.0f);
    detach(levelBars_[0]);
    detach(levelBars_[1]);
    detach(correlationPointer_);
    detach(phasePointer_);
    detach(peakModeButton_);
    detach(scaleButton_);
    detach(truePeakButton_);
    detach(maximumDisplays_[0]);
    detach(maximumDisplays_[1]);
    detach(overLamps_[0]);
    detach(overLamps_[1]);
    detach(speedButton_);
    if (page_ != analyserPage) {
        attach(gridButton_);
    }
    if (valueOf(gridButton_) > 0.5f) {
        setMode(4, 0.4f);
    } else {
        setMode(2, 0.2f);
    }
    markFrameDirty();
    if (page_ != analyserPage) {
        for (LevelBar* bar : bandBars_) {
            attach(bar);
        }
    }
    page_ = analyserPage;
}

void MeterEditor::showPhasePage() noexcept {
    effect->setParameterValue(viewModeParameter, 2.0f);
    detach(levelBars_[0]);
    detach(levelBars_[1]);
    detach(correlationPointer_);
    for (LevelBar* bar : bandBars_) {
        detach(bar);
    }
    detach(gridButton_);
    detach(peakModeButton_);
    detach(scaleButton_);
    detach(truePeakButton_);
    detach(maximumDisplays_[0]);
    detach(maximumDisplays_[1]);
    detach(overLamps_[0]);
    detach(overLamps_[1]);
    if (page_ != phasePage) {
        attach(phasePointer_);
        attach(speedButton_);
    }
    setMode(0, 0.0f);
    markFrameDirty();
    page_ = phasePage;
}

toolkit::Control* MeterEditor::button(std::int32_t tag) const noexcept {
    switch (tag) {
    case tagPeakClear:
        return peakClearButton_;
    case tagPeakMode:
        return peakModeButton_;
    case tagGrid:
        return gridButton_;
    case tagScale:
        return scaleButton_;
    case tagTruePeak:
        return truePeakButton_;
    case tagCorrelationSpeed:
        return speedButton_;
    case tagLevelPage:
        return levelPageButton_;
    case tagAnalyserPage:
        return analyserPageButton_;
    case tagPhasePage:
        return phasePageButton_;
    default:
        return nullptr;
    }
}

toolkit::OnOffButton* MeterEditor::lamp(std::int32_t channel) const noexcept {
    return channel == 0 || channel == 1 ? overLamps_[channel] : nullptr;
}

LevelBar* MeterEditor::levelBar(std::int32_t channel) const noexcept {
    return channel == 0 || channel == 1 ? levelBars_[channel] : nullptr;
}

LevelBar* MeterEditor::bandBar(std::int32_t band) const noexcept {
    return band >= 0 && band < bandCount ? bandBars_[band] : nullptr;
}

toolkit::ParamDisplay* MeterEditor::maximumDisplay(std::int32_t channel) const noexcept {
    return channel == 0 || channel == 1 ? maximumDisplays_[channel] : nullptr;
}

toolkit::View* MeterEditor::viewAt(std::int32_t index) const noexcept {
    return index >= 0 && index < viewTotal ? views_[index] : nullptr;
}

}  // namespace melp::editor
