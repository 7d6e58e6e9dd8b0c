#include "toolkit/frame.h"

#include <cstdio>
#include <new>

#include "toolkit/bitmap.h"
#include "toolkit/draw_context.h"
#include "toolkit/frame_drop_target.h"
#include "toolkit/frame_editor.h"

namespace melp::toolkit {

namespace {

std::int32_t classUseCount = 0;
char className[32] = {};
// Frames holding the image library; the transparent copy entry is cleared with the last
// so that no bitmap calls into an unloaded library.
std::int32_t imageLibraryUsers = 0;

constexpr std::int32_t childGrowth = 20;
constexpr std::int32_t ntPlatformFamily = 2;

void registerFrameClass(platform::WindowProcedure procedure) noexcept {
    if (classUseCount++ != 0) {
        return;
    }
    const auto instance = static_cast<std::uint32_t>(
        reinterpret_cast<std::uintptr_t>(platform::moduleInstance()));
    std::snprintf(className, sizeof className, "Plugin%08x", static_cast<unsigned>(instance));
    platform::registerWindowClass(className, platform::moduleInstance(), procedure);
    setSwappedMouseButtons(platform::swapButtonMetric() > 0);
}

void unregisterFrameClass() noexcept {
    if (classUseCount <= 0) {
        return;
    }
    if (--classUseCount == 0) {
        platform::unregisterWindowClass(className, platform::moduleInstance());
    }
}

bool inside(const Rect& bounds, Point point) noexcept {
    return bounds.left <= point.x && point.x <= bounds.right && bounds.top <= point.y &&
           point.y <= bounds.bottom;
}

}  // namespace

std::int32_t windowClassUseCount() noexcept {
    return classUseCount;
}

const char* windowClassName() noexcept {
    return className;
}

Frame::Frame(const Rect& bounds, platform::Window parentWindow, FrameEditor* editor) noexcept
    : View(bounds), editor_(editor), parentWindow_(parentWindow) {
    platform::oleInitialize();
    setTransparentCopyEntry(nullptr);
    imageLibrary_ = platform::loadLibrary("msimg32.dll");
    if (imageLibrary_) {
        ++imageLibraryUsers;
        std::int32_t platformId = 0;
        if (platform::operatingSystemPlatformId(&platformId) && platformId >= ntPlatformFamily) {
            setTransparentCopyEntry(platform::resolveTransparentCopy(imageLibrary_));
        }
    }
    createWindow(parentWindow);
}

Frame::~Frame() {
    restoreCursor();
    enableDropTarget(false);
    removeAllChildren(true);
    setBackgroundBitmap(nullptr);
    platform::oleUninitialize();
    if (imageLibrary_) {
        if (--imageLibraryUsers == 0) {
            setTransparentCopyEntry(nullptr);
        }
        platform::freeLibrary(imageLibrary_);
        imageLibrary_ = nullptr;
    }
    if (window_) {
        // A window the host already destroyed is gone: its handle may name another window.
        if (windowOpen_) {
            // Detach first: the destroy message that follows must find no frame.
            platform::setWindowUserData(window_, nullptr);
            platform::destroyWindow(window_);
        }
        window_ = nullptr;
        unregisterFrameClass();
    }
}

void Frame::destroy() noexcept {
    if (mouseDepth_ > 0) {
        destroyWhenMouseDone_ = true;
        return;
    }
    delete this;
}

void Frame::draw(DrawContext* context) noexcept {
    awaitingFirstPaint_ = false;
    if (background_) {
        background_->draw(context, Rect{0, 0, background_->width(), background_->height()},
                          Point{0, 0});
    }
    for (std::int32_t i = 0; i < childCount_; ++i) {
        children_[i]->draw(context);
    }
}

void Frame::drawInRect(DrawContext* context, const Rect& update) noexcept {
    awaitingFirstPaint_ = false;
    if (background_) {
        background_->draw(context, update, Point{update.left, update.top});
    }
    for (std::int32_t i = 0; i < childCount_; ++i) {
        if (children_[i]->overlapsRect(update)) {
            children_[i]->drawInRect(context, update);
        }
    }
}

void Frame::mouseDown(DrawContext* context, Point where) noexcept {
    const MouseButtons buttons = context ? context->mouseButtons() : -1;
    for (std::int32_t i = childCount_ - 1; i >= 0; --i) {
        View* child = children_[i];
        if (child->isMouseEnabled() && child->containsPoint(where, buttons)) {
            View* const outer = clickedView_;
            clickedView_ = child;
            child->mouseDown(context, where);
            clickedView_ = outer;
            return;
        }
    }
}

void Frame::redrawIfDirty(DrawContext* context) noexcept {
    if (!windowOpen_) {
        return;
    }
    if (needsRedraw()) {
        draw(context);
        setNeedsRedraw(false);
        return;
    }
    for (std::int32_t i = 0; i < childCount_; ++i) {
        children_[i]->redrawIfDirty(context);
    }
}

std::int32_t Frame::keyDown(const KeyCode& key) noexcept {
    for (std::int32_t i = childCount_ - 1; i >= 0; --i) {
        const std::int32_t result = children_[i]->keyDown(key);
        if (result != -1) {
            return result;
        }
    }
    return -1;
}

std::int32_t Frame::keyUp(const KeyCode& key) noexcept {
    for (std::int32_t i = childCount_ - 1; i >= 0; --i) {
        const std::int32_t result = children_[i]->keyUp(key);
        if (result != -1) {
            return result;
        }
    }
    return -1;
}

bool Frame::dropItems(const char* const* items, std::int32_t count, std::int32_t kind,
                      Point where) noexcept {
    for (std::int32_t i = childCount_ - 1; i >= 0; --i) {
        View* child = children_[i];
        if (child->isMouseEnabled() && inside(child->bounds(), where) &&
            child->dropItems(items, count, kind, where)) {
            return true;
        }
    }
    return false;
}

bool Frame::wheel(DrawContext* context, Point, float distance) noexcept {
    Point position;
    mousePosition(position);
    View* target = nullptr;
    for (std::int32_t i = childCount_ - 1; i >= 0; --i) {
        if (inside(children_[i]->bounds(), position)) {
            target = children_[i];
            break;
        }
    }
    if (!target) {
        return false;
    }
    if (context) {
        return target->wheel(context, position, distance);
    }
    // Without a window there is no device to draw on: the screen's must not be taken, nor
    // that of whatever window now has a destroyed window's handle.
    platform::Window window = windowOpen_ ? window_ : nullptr;
    platform::Device device = window ? platform::windowDevice(window) : nullptr;
    bool result = false;
    {
        DrawContext temporary(this, device, window);
        result = target->wheel(&temporary, position, distance);
    }
    if (device) {
        platform::releaseWindowDevice(window, device);
    }
    return result;
}

FrameEditor* Frame::ownerEditor() const noexcept {
    return editor_;
}

bool Frame::addChild(View* view) noexcept {
    // A view listed twice would be released twice when the frame goes.
    if (!view || hasChild(view)) {
        return false;
    }
    if (childCount_ == childCapacity_) {
        const std::int32_t capacity = childCapacity_ + childGrowth;
        View** grown = new (std::nothrow) View*[static_cast<std::size_t>(capacity)];
        if (!grown) {
            return false;
        }
        for (std::int32_t i = 0; i < childCount_; ++i) {
            grown[i] = children_[i];
        }
        delete[] children_;
        children_ = grown;
        childCapacity_ = capacity;
    }
    children_[childCount_++] = view;
    view->setOwnerFrame(this);
    view->attachedTo(this);
    return true;
}

bool Frame::removeChild(View* view, bool withRelease) noexcept {
    for (std::int32_t i = 0; i < childCount_; ++i) {
        if (children_[i] != view) {
            continue;
        }
        for (std::int32_t j = i + 1; j < childCount_; ++j) {
            children_[j - 1] = children_[j];
        }
        --childCount_;
        view->detachedFrom(this);
        if (withRelease) {
            view->release();
        }
        break;
    }
    // A view that is not a child is left alone: its reference is not ours to give back.
    return true;
}

bool Frame::removeAllChildren(bool withRelease) noexcept {
    View** children = children_;
    const std::int32_t count = childCount_;
    children_ = nullptr;
    childCount_ = 0;
    childCapacity_ = 0;
    for (std::int32_t i = 0; i < count; ++i) {
        children[i]->detachedFrom(this);
        if (withRelease) {
            children[i]->release();
        }
    }
    delete[] children;
    return true;
}

bool Frame::hasChild(View* view) const noexcept {
    for (std::int32_t i = 0; i < childCount_; ++i) {
        if (children_[i] == view) {
            return true;
        }
    }
    return false;
}

std::int32_t Frame::childCount() const noexcept {
    return childCount_;
}

View* Frame::childAt(std::int32_t index) const noexcept {
    if (index < 0 || index >= childCount_) {
        return nullptr;
    }
    return children_[index];
}

void Frame::setBackgroundBitmap(Bitmap* bitmap) noexcept {
    // Retain first, so that setting the bitmap already held cannot destroy it.
    if (bitmap) {
        bitmap->retain();
    }
    if (background_) {
        background_->release();
    }
    background_ = bitmap;
}

bool Frame::createWindow(platform::Window parentWindow) noexcept {
    if (!parentWindow) {
        return false;
    }
    registerFrameClass(&Frame::windowProcedure);
    window_ = platform::createChildWindow(className, "Window", parentWindow, bounds_.width(),
                                          bounds_.height(), platform::moduleInstance());
    if (!window_) {
        // Give the class use back, or the class would outlive every frame.
        unregisterFrameClass();
        return false;
    }
    platform::setWindowUserData(window_, this);
    enableDropTarget(true);
    return true;
}

bool Frame::enableDropTarget(bool on) noexcept {
    if (!dropTargetRegistered_ && !on) {
        return true;
    }
    if (!window_) {
        return false;
    }
    if (on) {
        if (dropTargetRegistered_) {
            return true;  // one target per window; a second registration would be lost
        }
        auto* target = new (std::nothrow) FrameDropTarget(this);
        if (!target) {
            return false;
        }
        target->AddRef();
        if (!platform::registerDragDrop(window_, target)) {
            target->Release();
            return false;
        }
        dropTarget_ = target;
        dropTargetRegistered_ = true;
    } else {
        platform::revokeDragDrop(window_);
        if (dropTarget_) {
            dropTarget_->Release();
            dropTarget_ = nullptr;
        }
        dropTargetRegistered_ = false;
    }
    return true;
}

void Frame::redrawView(View* view) noexcept {
    if (!window_ || !windowOpen_) {
        return;
    }
    platform::Device device = platform::windowDevice(window_);
    {
        DrawContext context(this, device, window_);
        if (view && hasChild(view)) {
            view->draw(&context);
        } else {
            draw(&context);
        }
    }
    if (device) {
        platform::releaseWindowDevice(window_, device);
    }
}

bool Frame::hasDirtyViews() const noexcept {
    if (needsRedraw()) {
        return true;
    }
    for (std::int32_t i = 0; i < childCount_; ++i) {
        if (children_[i]->needsRedraw()) {
            return true;
        }
    }
    return false;
}

void Frame::redrawDirtyViews() noexcept {
    if (!windowOpen_ || awaitingFirstPaint_ || !window_ || !hasDirtyViews()) {
        return;
    }
    platform::Device device = platform::windowDevice(window_);
    if (!device) {
        return;
    }
    {
        DrawContext context(this, device, window_);
        redrawIfDirty(&context);
    }
    platform::releaseWindowDevice(window_, device);
}

bool Frame::closing() const noexcept {
    return destroyWhenMouseDone_ || (editor_ && editor_->frameEditorClosing());
}

void Frame::idleWhileTracking() noexcept {
    if (editor_) {
        editor_->frameIdleWhileTracking();
    }
}

bool Frame::beginParameterEdit(std::int32_t index) noexcept {
    return editor_ ? editor_->frameBeginParameterEdit(index) : false;
}

bool Frame::endParameterEdit(std::int32_t index) noexcept {
    return editor_ ? editor_->frameEndParameterEdit(index) : false;
}

bool Frame::mousePosition(Point& point) const noexcept {
    std::int32_t x = 0, y = 0;
    platform::cursorPosition(&x, &y);
    std::int32_t left = 0, top = 0, right = 0, bottom = 0;
    // Nothing of a window the host destroyed: its handle may name another window by now.
    if (window_ && windowOpen_ && platform::windowRect(window_, &left, &top, &right, &bottom)) {
        x -= left;
        y -= top;
    }
    point = Point{x, y};
    return true;
}

void Frame::restoreCursor() noexcept {
    if (!rememberedCursor_) {
        rememberedCursor_ = platform::currentCursor();
    }
    platform::setCursor(rememberedCursor_);
}

std::intptr_t Frame::windowProcedure(platform::Window window, std::uint32_t message,
                                     std::uintptr_t wParam, std::intptr_t lParam) noexcept {
    auto* frame = static_cast<Frame*>(platform::windowUserData(window));
    if (!frame) {
        return platform::defaultWindowProcedure(window, message, wParam, lParam);
    }
    switch (message) {
    case platform::messageDestroy:
        // The drop registration must go while the window still exists.
        frame->enableDropTarget(false);
        frame->windowOpen_ = false;
        frame->parentWindow_ = nullptr;
        return platform::defaultWindowProcedure(window, message, wParam, lParam);
    case platform::messagePaint: {
        if (!platform::hasUpdateRect(window)) {
            return platform::defaultWindowProcedure(window, message, wParam, lParam);
        }
        platform::PaintRecord record;
        platform::Device device = platform::beginPaint(window, &record);
        if (device) {
            DrawContext context(frame, device, window);
            frame->drawInRect(&context,
                              Rect{record.left, record.top, record.right, record.bottom});
        }
        platform::endPaint(window, &record);
        return 0;
    }
    case platform::messageLeftButtonDown:
    case platform::messageRightButtonDown:
    case platform::messageMiddleButtonDown: {
        // The click may reach the host, which may close the editor or the whole plug-in
        // from its answer: the frame, its editor and the effect go only once it is handled.
        FrameEditor* editor = frame->editor_;
        if (editor) {
            editor->frameClickBegins();
        }
        platform::Device device = platform::windowDevice(window);
        ++frame->mouseDepth_;
        {
            DrawContext context(frame, device, window);
            const auto position = static_cast<std::uint32_t>(lParam);
            const Point where{static_cast<std::int32_t>(position & 0xFFFFu),
                              static_cast<std::int32_t>((position >> 16) & 0xFFFFu)};
            frame->mouseDown(&context, where);
        }
        if (device) {
            platform::releaseWindowDevice(window, device);
        }
        if (--frame->mouseDepth_ == 0 && frame->destroyWhenMouseDone_) {
            delete frame;
        }
        if (editor) {
            editor->frameClickEnds();
        }
        return 0;
    }
    default:
        return platform::defaultWindowProcedure(window, message, wParam, lParam);
    }
}

}  // namespace melp::toolkit
