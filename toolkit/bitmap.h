// A reference-counted picture loaded from a bitmap resource of the library module, copied
// into a draw context opaquely or with one colour left out. Created with one reference
// (its creator's); destroyed by the release that brings the count to 0. [ui thread]
#pragma once

#include <cstdint>

#include "platform/platform.h"
#include "toolkit/color.h"
#include "toolkit/geometry.h"

namespace melp::toolkit {

class DrawContext;

// The system's transparent block copy, null unless a frame resolved it; drawTransparent
// uses its mask fallback without it. [ui thread]
platform::TransparentCopy transparentCopyEntry() noexcept;
void setTransparentCopyEntry(platform::TransparentCopy entry) noexcept;

class Bitmap {
public:
    // Loads resource id (low 16 bits) of the module; a missing picture leaves a 0 x 0
    // bitmap without handle that draws nothing.
    explicit Bitmap(std::int32_t resourceId) noexcept;
    Bitmap(const Bitmap&) = delete;
    Bitmap& operator=(const Bitmap&) = delete;

    void retain() noexcept;
    // Destroys the bitmap when the count reaches 0; nothing when it is already 0 or less.
    void release() noexcept;

    // Copy of rect's size from sourceOffset to rect's top-left corner, unstretched and
    // unclipped by the picture's size.
    void draw(DrawContext* context, const Rect& rect, Point sourceOffset) noexcept;
    // The same, leaving the destination unchanged where the picture has exactly
    // transparentColor.
    void drawTransparent(DrawContext* context, const Rect& rect, Point sourceOffset) noexcept;

    std::int32_t resourceId() const noexcept { return resourceId_; }
    std::int32_t refCount() const noexcept { return refCount_; }
    std::int32_t width() const noexcept { return width_; }    // pixels, 0 when not loaded
    std::int32_t height() const noexcept { return height_; }  // pixels, 0 when not loaded
    Color transparentColor() const noexcept { return transparentColor_; }
    platform::Object handle() const noexcept { return handle_; }

private:
    ~Bitmap();

    std::int32_t resourceId_;
    std::int32_t refCount_ = 1;
    std::int32_t width_ = 0;
    std::int32_t height_ = 0;
    Color transparentColor_ = colorTransparent;
    platform::Object handle_ = nullptr;
};

}  // namespace melp::toolkit
