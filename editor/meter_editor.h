// MeterEditor: the plug-in's 427 x 133 panel. Open loads its pictures, builds the frame in
// the host's window and fills it with 49 views; only the views of the page on show (level,
// analyser or phase) are attached to the frame, the others are kept by the editor until a
// page button attaches them. Idle polls the effect's read-outs into the meter controls, the
// buttons' changes arrive in controlChanged, which switches pages and display modes, sets
// effect parameters and reports every change to the host as automation.
//
// Display modes: 0 phase page, 2 and 4 analyser page (with and without grid lines), 6 and 8
// level page (AES scale with the true-peak button, DIN scale without it). The scale strip
// shows picture displayMode / 2 of its six.
//
// Threads: everything runs on the host's user-interface thread (the thread that owns the
// editor window); parameterChanged may come from any thread and does nothing.
// Ownership: the effect owns the editor. While open the editor owns the frame; the frame
// owns the attached views, the editor the detached ones. Picture 128 lives as long as the
// editor, the other pictures from open to close.
#pragma once

#include <cstdint>

#include "host/gui_editor_base.h"
#include "toolkit/color.h"
#include "toolkit/control_listener.h"

namespace melp::toolkit {
class Bitmap;
class BitmapStripDisplay;
class Control;
class DrawContext;
class MomentaryButton;
class OnOffButton;
class ParamDisplay;
class View;
}  // namespace melp::toolkit

namespace melp::editor {

class LevelBar;
class PinIndicator;
class TickIndicator;

// Colours of the panel's texts and meters.
inline constexpr toolkit::Color panelBlue{20, 145, 210, 0};
inline constexpr toolkit::Color panelDark{20, 20, 30, 0};
inline constexpr toolkit::Color panelRed{225, 20, 20, 0};

// Button tags: the effect's parameter indices (and the page buttons' own indices 8 to 10).
enum ButtonTag : std::int32_t {
    tagPeakClear = 1,
    tagPeakMode = 2,
    tagGrid = 3,
    tagScale = 4,
    tagTruePeak = 5,
    tagCorrelationSpeed = 6,
    tagLevelPage = 8,
    tagAnalyserPage = 9,
    tagPhasePage = 10,
};

enum Page : std::int32_t { levelPage = 0, analyserPage = 1, phasePage = 2 };

inline constexpr std::int32_t bandCount = 30;
inline constexpr std::int32_t panelPictureId = 128;

class MeterEditor : public host::GuiEditorBase, public toolkit::ControlListener {
public:
    // Attaches itself to owner (which must stay valid for the editor's life), loads
    // picture 128 and takes the editor size from it.
    explicit MeterEditor(host::ExtendedEffect* owner) noexcept;
    // Closes the panel first when the host did not (so no window or view outlives the
    // editor), then releases picture 128.
    ~MeterEditor() override;

    // Builds the panel in parent on the level page in display mode 6; returns 1. An editor
    // that is already open is closed first. Returns 0 when the frame cannot be created.
    host::int32 openEditor(void* parent) noexcept override;
    // Destroys the frame and releases every view and the pictures loaded by open.
    void closeEditor() noexcept override;
    // Reads the measurements of the page on show into its controls; the frame draws what
    // changed at the next idle.
    void idleEditor() noexcept override;
    // Parameter changes from the host never reach the panel.
    void parameterChanged(host::int32 index, float value) noexcept override;
    // A button's report: acts on the tag, then reports (tag, value) to the host.
    void controlChanged(toolkit::DrawContext* context, toolkit::Control* control) noexcept override;
    // The idle pump of a button's mouse handling. The over lamps are buttons too: during
    // the one pump inside an on/off button's click, idle leaves their values alone, so a
    // click on a lamp reaches controlChanged with the value the click gave it, whatever the
    // pump's timing. While a momentary button is held the lamps go on showing the overs.
    void frameIdleWhileTracking() noexcept override;

    // State, for tests and tools.
    std::int32_t page() const noexcept { return page_; }
    std::int32_t displayMode() const noexcept { return displayMode_; }
    float redrawTick() const noexcept { return redrawTick_; }
    bool isOpen() const noexcept { return frame != nullptr; }

    // The views (null while closed), for tests and tools.
    toolkit::BitmapStripDisplay* scaleStrip() const noexcept { return scaleStrip_; }
    // The button with the given tag; the over lamps answer lamp(0 or 1).
    toolkit::Control* button(std::int32_t tag) const noexcept;
    toolkit::OnOffButton* lamp(std::int32_t channel) const noexcept;
    LevelBar* levelBar(std::int32_t channel) const noexcept;
    LevelBar* bandBar(std::int32_t band) const noexcept;
    TickIndicator* correlationPointer() const noexcept { return correlationPointer_; }
    PinIndicator* phasePointer() const noexcept { return phasePointer_; }
    toolkit::ParamDisplay* sampleRateDisplay() const noexcept { return sampleRateDisplay_; }
    toolkit::ParamDisplay* maximumDisplay(std::int32_t channel) const noexcept;
    // Every view open creates, in creation order (49 entries; null while closed).
    std::int32_t viewCount() const noexcept { return viewTotal; }
    toolkit::View* viewAt(std::int32_t index) const noexcept;

private:
    // The nineteen pictures open loads, in loading order.
    enum PictureSlot : std::int32_t {
        scalePicture,
        peakClearPicture,
        peakModePicture,
        gridPicture,
        scaleButtonPicture,
        truePeakPicture,
        speedPicture,
        lampPicture,
        levelPagePicture,
        analyserPagePicture,
        phasePagePicture,
        barLitPicture,
        barUnlitPicture,
        tickPointerPicture,
        tickTrackPicture,
        pinPointerPicture,
        pinTrackPicture,
        bandLitPicture,
        bandUnlitPicture,
        pictureCount
    };
    static constexpr std::int32_t viewTotal = 49;

    void loadPictures() noexcept;
    void releasePictures() noexcept;
    void createViews() noexcept;
    void forgetViews() noexcept;

    // Frame list changes; all of them accept null views and a missing frame.
    void attach(toolkit::View* view) noexcept;
    void detach(toolkit::View* view) noexcept;
    bool attached(toolkit::View* view) const noexcept;
    void markFrameDirty() noexcept;
    void setStripValue(float value) noexcept;
    void setMode(std::int32_t displayMode, float stripValue) noexcept;

    void showLevelPage() noexcept;
    void showAnalyserPage() noexcept;
    void showPhasePage() noexcept;

    void refreshBands() noexcept;
    void refreshLevels() noexcept;
    void advanceRedrawTick() noexcept;

    // Whether view is one of the panel's on/off buttons (the over lamps included).
    bool isOnOffButton(const toolkit::View* view) const noexcept;

    bool lampsHeld_ = false;  // inside the pump of an on/off button's click
    float redrawTick_ = 0.0f;
    std::int32_t displayMode_ = 0;
    std::int32_t page_ = levelPage;
    toolkit::ParamDisplay* sampleRateDisplay_ = nullptr;
    toolkit::ParamDisplay* maximumDisplays_[2] = {};
    toolkit::Bitmap* panelPicture_ = nullptr;
    toolkit::Bitmap* pictures_[pictureCount] = {};
    LevelBar* bandBars_[bandCount] = {};
    LevelBar* levelBars_[2] = {};
    TickIndicator* correlationPointer_ = nullptr;
    PinIndicator* phasePointer_ = nullptr;
    toolkit::BitmapStripDisplay* scaleStrip_ = nullptr;
    toolkit::MomentaryButton* levelPageButton_ = nullptr;
    toolkit::MomentaryButton* analyserPageButton_ = nullptr;
    toolkit::MomentaryButton* phasePageButton_ = nullptr;
    toolkit::MomentaryButton* peakClearButton_ = nullptr;
    toolkit::OnOffButton* gridButton_ = nullptr;
    toolkit::OnOffButton* speedButton_ = nullptr;
    toolkit::OnOffButton* peakModeButton_ = nullptr;
    toolkit::OnOffButton* scaleButton_ = nullptr;
    toolkit::OnOffButton* truePeakButton_ = nullptr;
    toolkit::OnOffButton* overLamps_[2] = {};
    // Every view in creation order, for close and for tests.
    toolkit::View* views_[viewTotal] = {};
};

}  // namespace melp::editor
