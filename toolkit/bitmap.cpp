#include "toolkit/bitmap.h"

#include "toolkit/draw_context.h"

namespace melp::toolkit {

namespace {
platform::TransparentCopy transparentCopy = nullptr;

constexpr platform::ColorRef white = 0xFFFFFF;
constexpr platform::ColorRef black = 0x000000;
}  // namespace

platform::TransparentCopy transparentCopyEntry() noexcept {
    return transparentCopy;
}

void setTransparentCopyEntry(platform::TransparentCopy entry) noexcept {
    transparentCopy = entry;
}

Bitmap::Bitmap(std::int32_t resourceId) noexcept : resourceId_(resourceId) {
    handle_ = platform::loadBitmap(platform::moduleInstance(), resourceId & 0xFFFF);
    if (handle_) {
        std::int32_t width = 0, height = 0;
        if (platform::bitmapSize(handle_, &width, &height)) {
            width_ = width;
            height_ = height;
        }
    }
}

Bitmap::~Bitmap() {
    if (handle_) {
        platform::deleteObject(handle_);
    }
}

void Bitmap::retain() noexcept {
    ++refCount_;
}

void Bitmap::release() noexcept {
    if (refCount_ <= 0) {
        return;
    }
    if (--refCount_ == 0) {
        delete this;
    }
}

void Bitmap::draw(DrawContext* context, const Rect& rect, Point sourceOffset) noexcept {
    if (!handle_ || !context) {
        return;
    }
    platform::Device destination = context->device();
    platform::Device memory = platform::createCompatibleDevice(destination);
    if (!memory) {
        return;
    }
    platform::Object previous = platform::selectObject(memory, handle_);
    platform::blit(destination, rect.left, rect.top, rect.width(), rect.height(), memory,
                   sourceOffset.x, sourceOffset.y, platform::ropSourceCopy);
    platform::selectObject(memory, previous);
    platform::deleteDevice(memory);
}

void Bitmap::drawTransparent(DrawContext* context, const Rect& rect,
                             Point sourceOffset) noexcept {
    if (!handle_ || !context) {
        return;
    }
    platform::Device destination = context->device();
    platform::Device memory = platform::createCompatibleDevice(destination);
    if (!memory) {
        return;
    }
    platform::Object previous = platform::selectObject(memory, handle_);
    const std::int32_t w = rect.width();
    const std::int32_t h = rect.height();
    const std::int32_t x = rect.left;
    const std::int32_t y = rect.top;
    const platform::ColorRef key = toColorRef(transparentColor_);

    if (transparentCopy) {
        transparentCopy(destination, x, y, w, h, memory, sourceOffset.x, sourceOffset.y, w, h,
                        key);
    } else {
        // Mask method: the mask is 1 where the picture has the key colour. Then
        // dest ^ src, & mask (1 keeps, 0 clears), ^ src leaves dest under the key and src
        // elsewhere.
        platform::Device maskDevice = platform::createCompatibleDevice(destination);
        platform::Object mask = platform::createMonochromeBitmap(w, h);
        // Without a mask the and-step would black the area out: draw nothing instead.
        if (maskDevice && mask) {
            platform::Object previousMask = platform::selectObject(maskDevice, mask);
            const platform::ColorRef savedBackground =
                platform::setBackgroundColor(destination, white);
            const platform::ColorRef savedText = platform::setTextColor(destination, black);

            platform::setBackgroundColor(memory, key);
            platform::blit(maskDevice, 0, 0, w, h, memory, sourceOffset.x, sourceOffset.y,
                           platform::ropSourceCopy);

            platform::blit(destination, x, y, w, h, memory, sourceOffset.x, sourceOffset.y,
                           platform::ropSourceInvert);
            platform::blit(destination, x, y, w, h, maskDevice, 0, 0, platform::ropSourceAnd);
            platform::blit(destination, x, y, w, h, memory, sourceOffset.x, sourceOffset.y,
                           platform::ropSourceInvert);

            platform::selectObject(maskDevice, previousMask);
            platform::setBackgroundColor(destination, savedBackground);
            platform::setTextColor(destination, savedText);
        }
        if (mask) {
            platform::deleteObject(mask);
        }
        if (maskDevice) {
            platform::deleteDevice(maskDevice);
        }
    }
    platform::selectObject(memory, previous);
    platform::deleteDevice(memory);
}

}  // namespace melp::toolkit
