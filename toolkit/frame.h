// The top of the view tree and its bridge to the platform: owns the native child window in
// the host's editor window, keeps the child views in insertion order (index 0 drawn first,
// hit-tested last), paints them on paint messages and at the editor's idle, routes clicks,
// keys, wheel and drops to them, and passes the controls' requests up to its FrameEditor.
// Everything runs on the thread that created the window. [ui thread]
//
// Owns: the references to its children, one reference to the background bitmap, the window,
// the drop target registration and the image library. Not owned: the editor, the parent.
#pragma once

#include <cstdint>

#include "platform/platform.h"
#include "toolkit/view.h"

namespace melp::toolkit {

class Bitmap;
class FrameDropTarget;
class FrameEditor;

// Module-wide window class state shared by every frame, exposed for tests.
std::int32_t windowClassUseCount() noexcept;
// "Plugin%08x" of the module instance handle (its low 32 bits); empty before the first
// registration.
const char* windowClassName() noexcept;

class Frame : public View {
public:
    // Starts the object-linking services, loads the image library and resolves its
    // transparent copy (NT family only), then creates the window in parentWindow (none
    // without a parent window).
    Frame(const Rect& bounds, platform::Window parentWindow, FrameEditor* editor) noexcept;
    ~Frame() override;
    // Deletes the frame; from inside its own mouse handling (a control tracking the mouse
    // pumps the host, which may close the editor there), once that handling has ended, so
    // that the control and the frame outlive the press. [editor thread]
    void destroy() noexcept;

    void draw(DrawContext* context) noexcept override;
    void drawInRect(DrawContext* context, const Rect& update) noexcept override;
    void mouseDown(DrawContext* context, Point where) noexcept override;
    void redrawIfDirty(DrawContext* context) noexcept override;
    std::int32_t keyDown(const KeyCode& key) noexcept override;
    std::int32_t keyUp(const KeyCode& key) noexcept override;
    bool dropItems(const char* const* items, std::int32_t count, std::int32_t kind,
                   Point where) noexcept override;
    // Goes to the last child under the current mouse position; `where` is not used.
    bool wheel(DrawContext* context, Point where, float distance) noexcept override;
    FrameEditor* ownerEditor() const noexcept override;

    // Takes over the view's reference; false (view not added) when the list cannot grow,
    // for null and for a view that is already a child.
    virtual bool addChild(View* view) noexcept;                               // 32
    // Always true; a view that is not a child is left untouched.
    virtual bool removeChild(View* view, bool withRelease) noexcept;          // 33
    virtual bool removeAllChildren(bool withRelease) noexcept;                // 34
    virtual bool hasChild(View* view) const noexcept;                         // 35
    virtual std::int32_t childCount() const noexcept;                         // 36
    // Null outside 0 .. childCount() - 1.
    virtual View* childAt(std::int32_t index) const noexcept;                 // 37

    // Retains the new bitmap (null allowed), releases the old; does not repaint.
    void setBackgroundBitmap(Bitmap* bitmap) noexcept;
    Bitmap* backgroundBitmap() const noexcept { return background_; }
    // False without a parent window.
    bool createWindow(platform::Window parentWindow) noexcept;
    bool enableDropTarget(bool on) noexcept;
    // Draws at once: the child's draw, or (null or not a child) the frame's own draw.
    void redrawView(View* view) noexcept;
    bool hasDirtyViews() const noexcept;
    // The idle pass: only when the window is open, has been painted once and something
    // needs drawing; then redrawIfDirty on a window device context.
    void redrawDirtyViews() noexcept;
    void idleWhileTracking() noexcept;
    // True once the frame or its editor is going (closed by the host while a click is
    // handled): a control tracking the mouse ends its loop at once.
    bool closing() const noexcept;
    // The child handling the click in progress; null between clicks.
    View* clickedView() const noexcept { return clickedView_; }
    // The host's answer; false without an editor.
    bool beginParameterEdit(std::int32_t index) noexcept;
    bool endParameterEdit(std::int32_t index) noexcept;
    // The cursor relative to the window's screen rectangle; always true.
    bool mousePosition(Point& point) const noexcept;
    void restoreCursor() noexcept;

    platform::Window window() const noexcept { return window_; }
    platform::Window parentWindow() const noexcept { return parentWindow_; }
    bool awaitingFirstPaint() const noexcept { return awaitingFirstPaint_; }
    bool windowOpen() const noexcept { return windowOpen_; }
    bool dropTargetRegistered() const noexcept { return dropTargetRegistered_; }

private:
    static std::intptr_t windowProcedure(platform::Window window, std::uint32_t message,
                                         std::uintptr_t wParam,
                                         std::intptr_t lParam) noexcept;

    FrameEditor* editor_;
    platform::Window parentWindow_;
    Bitmap* background_ = nullptr;
    std::int32_t childCount_ = 0;
    std::int32_t childCapacity_ = 0;
    View** children_ = nullptr;
    bool awaitingFirstPaint_ = true;
    bool windowOpen_ = true;
    bool dropTargetRegistered_ = false;
    std::int32_t mouseDepth_ = 0;        // mouse messages being handled
    bool destroyWhenMouseDone_ = false;
    View* clickedView_ = nullptr;
    platform::Window window_ = nullptr;
    platform::Module imageLibrary_ = nullptr;
    platform::Cursor rememberedCursor_ = nullptr;
    // The frame's own reference on its registered target, so that the target lives exactly
    // as long as the registration whether or not the platform counts references.
    FrameDropTarget* dropTarget_ = nullptr;
};

}  // namespace melp::toolkit
