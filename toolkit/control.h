// A view that carries a value, a tag for its listener and a bitmap (one reference held).
// It needs redrawing whenever its value differs from the value last drawn, so callers only
// set values and the frame's idle pass does the rest. Slots 32-50 follow View's. [ui thread]
#pragma once

#include <cstdint>

#include "toolkit/view.h"

namespace melp::toolkit {

class Bitmap;
class ControlListener;

class Control : public View {
public:
    // listener and bitmap may be null; the bitmap is retained.
    Control(const Rect& bounds, ControlListener* listener, std::int32_t tag,
            Bitmap* bitmap) noexcept;
    ~Control() override;

    void draw(DrawContext* context) noexcept override = 0;
    // value != drawnValue, or the flag set.
    bool needsRedraw() const noexcept override;
    // false: drawnValue := value. true: drawnValue := a number that differs from value.
    void setNeedsRedraw(bool needed) noexcept override;

    virtual void idleWhileTracking() noexcept;                  // 32
    // Stored unclamped; no listener call, no flag change.
    virtual void setValue(float value) noexcept;                // 33
    virtual float value() const noexcept;                       // 34
    virtual void setMinimum(float minimum) noexcept;            // 35
    virtual float minimum() const noexcept;                     // 36
    virtual void setMaximum(float maximum) noexcept;            // 37
    virtual float maximum() const noexcept;                     // 38
    virtual void setDrawnValue(float drawnValue) noexcept;      // 39
    virtual float drawnValue() const noexcept;                  // 40
    virtual void setDefaultValue(float defaultValue) noexcept;  // 41
    virtual float defaultValue() const noexcept;                // 42
    virtual void setTag(std::int32_t tag) noexcept;             // 43
    // Releases the old bitmap, retains the new one (null allowed).
    virtual void setBitmap(Bitmap* bitmap) noexcept;            // 44
    virtual Bitmap* bitmap() const noexcept;                    // 45
    virtual void setBitmapOffset(Point offset) noexcept;        // 46
    virtual void alignBitmapOffsetToBounds() noexcept;          // 47
    virtual void setWheelStep(float step) noexcept;             // 48
    virtual float wheelStep() const noexcept;                   // 49
    virtual void clampValue() noexcept;                         // 50

    std::int32_t tag() const noexcept { return tag_; }
    ControlListener* listener() const noexcept { return listener_; }
    Point bitmapOffset() const noexcept { return bitmapOffset_; }

protected:
    // Draws the bitmap into bounds from source: transparently when the view is marked
    // transparent, opaquely otherwise. Nothing without a bitmap.
    void drawBitmap(DrawContext* context, Point source) noexcept;

    ControlListener* listener_;
    std::int32_t tag_;
    float drawnValue_ = 1.0f;
    float defaultValue_ = 0.5f;
    float value_ = 0.0f;
    float minimum_ = 0.0f;
    float maximum_ = 1.0f;
    float wheelStep_ = 0.1f;
    Bitmap* bitmap_;
    Point bitmapOffset_;
};

}  // namespace melp::toolkit
