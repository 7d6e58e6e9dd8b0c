// The base of everything shown in the frame window: a rectangle in frame-window pixels with
// redraw, mouse-enabled and transparent flags, back pointers to its frame and parent, and a
// reference count. Created with one reference, its creator's; Frame::addChild takes that
// reference over. Views are not nested: every rectangle is in frame-window coordinates.
//
// The virtual operations are a fixed table (slot numbers in the comments); subclasses
// append after slot 31. [ui thread]
#pragma once

#include <cstdint>

#include "toolkit/geometry.h"
#include "toolkit/key_code.h"
#include "toolkit/mouse_buttons.h"

namespace melp::toolkit {

class DrawContext;
class Frame;
class FrameEditor;

// Kinds of dropItems.
enum DropKind : std::int32_t { dropFiles = 0, dropText = 1 };

class View {
public:
    explicit View(const Rect& bounds) noexcept;
    View(const View&) = delete;
    View& operator=(const View&) = delete;

    virtual ~View();                                                            // 0
    // Clears the redraw need; a plain view draws nothing.
    virtual void draw(DrawContext* context) noexcept;                           // 1
    // Draws the whole view; the update rectangle is not used for clipping.
    virtual void drawInRect(DrawContext* context, const Rect& update) noexcept; // 2
    // Touching edges count as overlap.
    virtual bool overlapsRect(const Rect& rect) const noexcept;                 // 3
    virtual void mouseDown(DrawContext* context, Point where) noexcept;         // 4
    // draw when needsRedraw(): the one place where the redraw rule is acted on.
    virtual void redrawIfDirty(DrawContext* context) noexcept;                  // 5
    // Messages are compared by address; answers 0.
    virtual std::int32_t handleMessage(void* sender, const char* message) noexcept; // 6
    // -1: not handled.
    virtual std::int32_t keyDown(const KeyCode& key) noexcept;                  // 7
    virtual std::int32_t keyUp(const KeyCode& key) noexcept;                    // 8
    // items: kind dropFiles, count paths; kind dropText, one text block of count bytes.
    // true when the view took the drop.
    virtual bool dropItems(const char* const* items, std::int32_t count, std::int32_t kind,
                           Point where) noexcept;                               // 9
    virtual bool wheel(DrawContext* context, Point where, float distance) noexcept; // 10
    virtual void focusLost(DrawContext* context) noexcept;                      // 11
    virtual void focusGained(DrawContext* context) noexcept;                    // 12
    virtual bool needsRedraw() const noexcept;                                  // 13
    virtual void setNeedsRedraw(bool needed) noexcept;                          // 14
    virtual void enableMouse(bool enabled) noexcept;                            // 15
    virtual bool isMouseEnabled() const noexcept;                               // 16
    // Stored and returned only; hit testing uses bounds.
    virtual void setMouseArea(const Rect& area) noexcept;                       // 17
    virtual Rect& getMouseArea(Rect& area) const noexcept;                      // 18
    // All four edges belong to the view; buttons (MouseButtons or -1) are not used.
    virtual bool containsPoint(Point point, MouseButtons buttons) const noexcept; // 19
    virtual void setTransparent(bool transparent) noexcept;                     // 20
    virtual bool isTransparent() const noexcept;                                // 21
    // Marks the view for redraw; the mouse area keeps its value.
    virtual void setBounds(const Rect& bounds) noexcept;                        // 22
    virtual Rect& getBounds(Rect& bounds) const noexcept;                       // 23
    virtual void setParent(View* parent) noexcept;                              // 24
    virtual void setOwnerFrame(Frame* frame) noexcept;                          // 25
    // The owning frame's editor; null without a frame.
    virtual FrameEditor* ownerEditor() const noexcept;                          // 26
    virtual bool detachedFrom(View* frame) noexcept;                            // 27
    virtual bool attachedTo(View* frame) noexcept;                              // 28
    // Destroys the view when the count reaches 0; nothing when it is already 0 or less.
    virtual void release() noexcept;                                            // 29
    virtual void retain() noexcept;                                             // 30
    virtual std::int32_t referenceCount() const noexcept;                       // 31

    // Plain accessors for the frame and subclasses.
    const Rect& bounds() const noexcept { return bounds_; }
    Frame* ownerFrame() const noexcept { return ownerFrame_; }
    View* parent() const noexcept { return parent_; }

protected:
    std::int32_t referenceCount_ = 1;
    Rect bounds_;
    Rect mouseArea_;
    Frame* ownerFrame_ = nullptr;
    View* parent_ = nullptr;
    bool needsRedraw_ = false;
    bool mouseEnabled_ = true;
    bool transparent_ = false;
};

}  // namespace melp::toolkit
