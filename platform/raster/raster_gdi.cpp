// Drawing objects, devices, lines, fills and block copies on software surfaces.
#include "platform/raster/raster_state.h"

#include <algorithm>
#include <cstdlib>
#include <new>

namespace melp::platform {
namespace raster::detail {

Surface::Surface(std::int32_t surfaceWidth, std::int32_t surfaceHeight, bool isMonochrome,
                 bool isStock)
    : ObjectTag(ObjectKind::bitmap, isStock),
      width(std::max(surfaceWidth, 0)),
      height(std::max(surfaceHeight, 0)),
      monochrome(isMonochrome),
      pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0) {}

Rectangle intersect(const Rectangle& a, const Rectangle& b) noexcept {
    Rectangle r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                std::min(a.bottom, b.bottom)};
    if (r.empty()) {
        return Rectangle{};
    }
    return r;
}

Rectangle unite(const Rectangle& a, const Rectangle& b) noexcept {
    if (a.empty()) {
        return b;
    }
    if (b.empty()) {
        return a;
    }
    return Rectangle{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                     std::max(a.bottom, b.bottom)};
}

State& state() noexcept {
    // Never destroyed: objects may still be used from other static destructors, and what
    // the backend holds stays reachable for leak checkers.
    static State& instance = [] () -> State& {
        State& created = *new State;
        created.textLogging = textLoggingAtStart();
        return created;
    }();
    return instance;
}

bool liveObject(const ObjectTag* object) noexcept {
    const auto& objects = state().objects;
    return object != nullptr && std::find(objects.begin(), objects.end(), object) != objects.end();
}

bool liveDevice(const DeviceTag* device) noexcept {
    const auto& devices = state().devices;
    return device != nullptr && std::find(devices.begin(), devices.end(), device) != devices.end();
}

void noteInvalidHandle() noexcept { ++state().counters.invalidHandles; }

Surface* targetOf(DeviceTag* device) noexcept {
    if (device->memory) {
        return device->bitmap;
    }
    return device->window != nullptr ? windowSurface(device->window) : nullptr;
}

Rectangle clipOf(DeviceTag* device) noexcept {
    const Surface* surface = targetOf(device);
    if (surface == nullptr) {
        return Rectangle{};
    }
    Rectangle whole{0, 0, surface->width, surface->height};
    return device->paint ? intersect(whole, device->clip) : whole;
}

void putPixel(Surface& surface, std::int32_t x, std::int32_t y, ColorRef color) noexcept {
    if (x < 0 || y < 0 || x >= surface.width || y >= surface.height) {
        return;
    }
    const auto index = static_cast<std::size_t>(y) * static_cast<std::size_t>(surface.width) +
                       static_cast<std::size_t>(x);
    surface.pixels[index] = surface.monochrome ? (color & 1u) : (color & 0x00FFFFFFu);
}

ColorRef readPixel(const Surface& surface, std::int32_t x, std::int32_t y) noexcept {
    if (x < 0 || y < 0 || x >= surface.width || y >= surface.height) {
        return 0;
    }
    return surface.pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(surface.width) +
                          static_cast<std::size_t>(x)];
}

std::uint32_t monochromeBit(ColorRef color) noexcept {
    const std::uint32_t red = color & 0xFFu;
    const std::uint32_t green = (color >> 8) & 0xFFu;
    const std::uint32_t blue = (color >> 16) & 0xFFu;
    return (red * 30u + green * 59u + blue * 11u) >= 128u * 100u ? 1u : 0u;
}

const FontDescription& systemFontDescription() noexcept {
    static const FontDescription description = [] {
        FontDescription d;
        d.height = 16;
        d.weight = 700;
        const char name[] = "System";
        std::copy(name, name + sizeof name, d.faceName);
        return d;
    }();
    return description;
}

namespace {

Pen& stockPen() noexcept {
    static Pen pen(0, true);
    return pen;
}

Brush& stockBrush() noexcept {
    static Brush brush(0x00FFFFFF, true);
    return brush;
}

Font& stockFont() noexcept {
    static Font font(systemFontDescription(), true);
    return font;
}

Surface& stockBitmap() {
    static Surface bitmap(1, 1, true, true);
    return bitmap;
}

// Registers a new object; deletes it and answers null when the bookkeeping cannot grow.
template <typename T>
T* adopt(T* object) noexcept {
    return enlist(state().objects, object);
}

DeviceTag* checkedDevice(Device device) noexcept {
    if (!liveDevice(device)) {
        noteInvalidHandle();
        return nullptr;
    }
    return device;
}

void countObject(ObjectKind kind, std::int32_t delta) noexcept {
    LiveObjects& live = state().live;
    switch (kind) {
    case ObjectKind::pen: live.pens += delta; break;
    case ObjectKind::brush: live.brushes += delta; break;
    case ObjectKind::font: live.fonts += delta; break;
    case ObjectKind::bitmap: live.bitmaps += delta; break;
    }
}

std::int64_t floorDivide(std::int64_t numerator, std::int64_t denominator) noexcept {
    const std::int64_t quotient = numerator / denominator;
    return (numerator % denominator != 0 && (numerator < 0) != (denominator < 0)) ? quotient - 1
                                                                                    : quotient;
}

constexpr std::size_t quarantineSize = 4096;

// Freed handles are kept a while before their memory goes, so that a stale handle is
// caught as stale rather than read as another object.
template <typename T>
void quarantine(std::deque<T*>& retired, T* object) noexcept {
    try {
        retired.push_back(object);
    } catch (...) {
        delete object;
        return;
    }
    if (retired.size() > quarantineSize) {
        delete retired.front();
        retired.pop_front();
    }
}

void retire(ObjectTag* object) noexcept {
    if (object->kind == ObjectKind::bitmap) {
        std::vector<ColorRef>().swap(static_cast<Surface*>(object)->pixels);
    }
    quarantine(state().retiredObjects, object);
}

void retire(DeviceTag* device) noexcept {
    quarantine(state().retiredDevices, device);
}

// A counted device with the stock pen, brush and font selected; null when memory or the
// bookkeeping cannot grow.
DeviceTag* newDevice() noexcept {
    DeviceTag* created = enlist(state().devices, new (std::nothrow) DeviceTag);
    if (created == nullptr) {
        return nullptr;
    }
    created->pen = &stockPen();
    created->brush = &stockBrush();
    created->font = &stockFont();
    ++state().live.devices;
    return created;
}

template <typename T>
void replaceSelection(T*& slot, T* object) noexcept {
    if (slot != nullptr) {
        --slot->selections;
    }
    slot = object;
    ++slot->selections;
}

// The colour a source pixel has when it lands on the destination, after GDI's
// monochrome conversions.
ColorRef convertPixel(ColorRef value, bool sourceMono, const DeviceTag& source, bool destMono,
                      const DeviceTag& destination) noexcept {
    if (sourceMono == destMono) {
        return value;
    }
    if (destMono) {
        return (value & 0x00FFFFFFu) == (source.backgroundColor & 0x00FFFFFFu) ? 1u : 0u;
    }
    return value != 0 ? (destination.backgroundColor & 0x00FFFFFFu)
                      : (destination.textColor & 0x00FFFFFFu);
}

// A transparent copy with TransparentBlt's rules, stretching by nearest neighbour.
bool softwareTransparentCopy(Device destination, std::int32_t x, std::int32_t y,
                             std::int32_t width, std::int32_t height, Device source,
                             std::int32_t sourceX, std::int32_t sourceY, std::int32_t sourceWidth,
                             std::int32_t sourceHeight, ColorRef transparent) noexcept {
    DeviceTag* to = checkedDevice(destination);
    DeviceTag* from = checkedDevice(source);
    if (to == nullptr || from == nullptr || width < 0 || height < 0 || sourceWidth <= 0 ||
        sourceHeight <= 0) {
        return false;
    }
    ++state().counters.transparentCopies;
    Surface* target = targetOf(to);
    const Surface* origin = targetOf(from);
    if (target == nullptr || origin == nullptr) {
        return false;
    }
    const Rectangle clip = clipOf(to);
    const ColorRef key = transparent & 0x00FFFFFFu;
    for (std::int32_t row = 0; row < height; ++row) {
        const std::int32_t ty = y + row;
        if (ty < clip.top || ty >= clip.bottom) {
            continue;
        }
        const auto sy = static_cast<std::int32_t>(static_cast<std::int64_t>(row) * sourceHeight / height);
        for (std::int32_t column = 0; column < width; ++column) {
            const std::int32_t tx = x + column;
            if (tx < clip.left || tx >= clip.right) {
                continue;
            }
            const auto sx =
                static_cast<std::int32_t>(static_cast<std::int64_t>(column) * sourceWidth / width);
            ColorRef value = readPixel(*origin, sourceX + sx, sourceY + sy);
            if (origin->monochrome) {
                value = value != 0 ? 0x00FFFFFFu : 0u;
            }
            if (value == key) {
                continue;
            }
            putPixel(*target, tx, ty, target->monochrome ? monochromeBit(value) : value);
        }
    }
    return true;
}

}  // namespace
}  // namespace raster::detail

using namespace raster::detail;

Object currentObject(Device device, ObjectKind kind) noexcept {
    DeviceTag* d = checkedDevice(device);
    if (d == nullptr) {
        return nullptr;
    }
    switch (kind) {
    case ObjectKind::pen: return d->pen;
    case ObjectKind::brush: return d->brush;
    case ObjectKind::font: return d->font;
    case ObjectKind::bitmap: return d->memory ? d->bitmap : nullptr;
    }
    return nullptr;
}

Object selectObject(Device device, Object object) noexcept {
    DeviceTag* d = checkedDevice(device);
    if (d == nullptr) {
        return nullptr;
    }
    if (object == nullptr || (!object->stock && !liveObject(object))) {
        noteInvalidHandle();
        return nullptr;
    }
    Object previous = nullptr;
    switch (object->kind) {
    case ObjectKind::pen:
        previous = d->pen;
        replaceSelection(d->pen, static_cast<Pen*>(object));
        break;
    case ObjectKind::brush:
        previous = d->brush;
        replaceSelection(d->brush, static_cast<Brush*>(object));
        break;
    case ObjectKind::font:
        previous = d->font;
        replaceSelection(d->font, static_cast<Font*>(object));
        break;
    case ObjectKind::bitmap: {
        auto* bitmap = static_cast<Surface*>(object);
        // GDI: only memory devices take bitmaps, and a bitmap lives in one device at a time.
        if (!d->memory || (bitmap->selections > 0 && d->bitmap != bitmap && !bitmap->stock)) {
            return nullptr;
        }
        previous = d->bitmap;
        replaceSelection(d->bitmap, bitmap);
        break;
    }
    }
    return previous;
}

bool deleteObject(Object object) noexcept {
    if (object == nullptr) {
        return false;
    }
    if (object->stock) {
        return true;
    }
    auto& objects = state().objects;
    const auto found = std::find(objects.begin(), objects.end(), object);
    if (found == objects.end()) {
        noteInvalidHandle();
        return false;
    }
    if (object->selections > 0) {
        return false;
    }
    objects.erase(found);
    countObject(object->kind, -1);
    retire(object);
    return true;
}

std::int32_t setBackgroundMode(Device device, std::int32_t mode) noexcept {
    DeviceTag* d = checkedDevice(device);
    if (d == nullptr || (mode != backgroundTransparent && mode != backgroundOpaque)) {
        return 0;
    }
    const std::int32_t previous = d->backgroundMode;
    d->backgroundMode = mode;
    return previous;
}

ColorRef setBackgroundColor(Device device, ColorRef color) noexcept {
    DeviceTag* d = checkedDevice(device);
    if (d == nullptr) {
        return 0xFFFFFFFFu;  // CLR_INVALID
    }
    const ColorRef previous = d->backgroundColor;
    d->backgroundColor = color & 0x00FFFFFFu;
    return previous;
}

ColorRef setTextColor(Device device, ColorRef color) noexcept {
    DeviceTag* d = checkedDevice(device);
    if (d == nullptr) {
        return 0xFFFFFFFFu;
    }
    const ColorRef previous = d->textColor;
    d->textColor = color & 0x00FFFFFFu;
    return previous;
}

namespace {

// A solid pen or brush of the colour, counted while it lives; null when the switch says
// creation fails or memory runs out.
template <typename T>
Object createSolid(bool fails, std::int32_t& liveCount, ColorRef color) noexcept {
    if (fails) {
        return nullptr;
    }
    Object object = adopt(new (std::nothrow) T(color & 0x00FFFFFFu, false));
    if (object != nullptr) {
        ++liveCount;
    }
    return object;
}

}  // namespace

Object createSolidPen(ColorRef color) noexcept {
    return createSolid<Pen>(state().switches.penCreationFails, state().live.pens, color);
}

Object createSolidBrush(ColorRef color) noexcept {
    return createSolid<Brush>(state().switches.brushCreationFails, state().live.brushes, color);
}

Object createFont(const FontDescription& description) noexcept {
    if (state().switches.fontCreationFails) {
        return nullptr;
    }
    Object font = adopt(new (std::nothrow) Font(description, false));
    if (font != nullptr) {
        ++state().live.fonts;
    }
    return font;
}

void moveTo(Device device, std::int32_t x, std::int32_t y) noexcept {
    DeviceTag* d = checkedDevice(device);
    if (d == nullptr) {
        return;
    }
    d->positionX = x;
    d->positionY = y;
}

void lineTo(Device device, std::int32_t x, std::int32_t y) noexcept {
    DeviceTag* d = checkedDevice(device);
    if (d == nullptr) {
        return;
    }
    Surface* target = targetOf(d);
    const Rectangle clip = clipOf(d);
    const ColorRef color = target != nullptr && target->monochrome
                               ? monochromeBit(d->pen->color)
                               : d->pen->color;
    // Along the major axis one pixel per step, the end point itself left out; the minor
    // coordinate is the exact one rounded to the nearest pixel, halves towards minus
    // infinity: the pixels GDI sets, for every slope and direction.
    const std::int64_t x0 = d->positionX;
    const std::int64_t y0 = d->positionY;
    const std::int64_t dx = static_cast<std::int64_t>(x) - x0;
    const std::int64_t dy = static_cast<std::int64_t>(y) - y0;
    const bool xMajor = std::llabs(dx) >= std::llabs(dy);
    const std::int64_t steps = xMajor ? std::llabs(dx) : std::llabs(dy);
    const std::int64_t minorDelta = xMajor ? dy : dx;
    const std::int64_t majorStep = (xMajor ? dx : dy) < 0 ? -1 : 1;
    for (std::int64_t k = 0; target != nullptr && k < steps; ++k) {
        // ceil((2 * k * minorDelta - steps) / (2 * steps)), in integers.
        const std::int64_t numerator = 2 * k * minorDelta - steps;
        const std::int64_t denominator = 2 * steps;
        const std::int64_t minor = -floorDivide(-numerator, denominator);
        const std::int64_t px = xMajor ? x0 + k * majorStep : x0 + minor;
        const std::int64_t py = xMajor ? y0 + minor : y0 + k * majorStep;
        if (px >= clip.left && px < clip.right && py >= clip.top && py < clip.bottom) {
            putPixel(*target, static_cast<std::int32_t>(px), static_cast<std::int32_t>(py), color);
        }
    }
    d->positionX = x;
    d->positionY = y;
}

void fillRect(Device device, std::int32_t left, std::int32_t top, std::int32_t right,
              std::int32_t bottom, Object brush) noexcept {
    DeviceTag* d = checkedDevice(device);
    if (d == nullptr) {
        return;
    }
    if (brush == nullptr || brush->kind != ObjectKind::brush ||
        (!brush->stock && !liveObject(brush))) {
        noteInvalidHandle();
        return;
    }
    Surface* target = targetOf(d);
    if (target == nullptr) {
        return;
    }
    const ColorRef color = static_cast<Brush*>(brush)->color;
    const ColorRef value = target->monochrome ? monochromeBit(color) : color;
    // An inverted rectangle is a pattern copy of negative extent, which GDI mirrors: it
    // covers the pixels from its start back towards its end, the end itself excluded.
    if (right < left) {
        const std::int32_t start = left;
        left = right + 1;
        right = start + 1;
    }
    if (bottom < top) {
        const std::int32_t start = top;
        top = bottom + 1;
        bottom = start + 1;
    }
    const Rectangle area = intersect(Rectangle{left, top, right, bottom}, clipOf(d));
    for (std::int32_t y = area.top; y < area.bottom; ++y) {
        for (std::int32_t x = area.left; x < area.right; ++x) {
            putPixel(*target, x, y, value);
        }
    }
}

Object createMonochromeBitmap(std::int32_t width, std::int32_t height) noexcept {
    if (state().switches.bitmapCreationFails || width <= 0 || height <= 0 || width > 16384 ||
        height > 16384) {
        return nullptr;
    }
    Surface* bitmap = nullptr;
    try {
        bitmap = new Surface(width, height, true, false);
    } catch (...) {
        return nullptr;
    }
    Object object = adopt(bitmap);
    if (object != nullptr) {
        ++state().live.bitmaps;
    }
    return object;
}

Device createCompatibleDevice(Device device) noexcept {
    if (device != nullptr && checkedDevice(device) == nullptr) {
        return nullptr;
    }
    if (state().switches.deviceCreationFails) {
        return nullptr;
    }
    DeviceTag* created = newDevice();
    if (created == nullptr) {
        return nullptr;
    }
    created->memory = true;
    created->bitmap = &stockBitmap();
    return created;
}

namespace raster::detail {

Device newWindowDevice(WindowTag* window, bool paint) noexcept {
    if (state().switches.deviceCreationFails && !paint) {
        return nullptr;
    }
    DeviceTag* created = newDevice();
    if (created == nullptr) {
        return nullptr;
    }
    created->window = window;
    created->paint = paint;
    return created;
}

void destroyDevice(DeviceTag* device) noexcept {
    auto& devices = state().devices;
    devices.erase(std::remove(devices.begin(), devices.end(), device), devices.end());
    // The objects stay alive, as in GDI; they are merely no longer selected here.
    --device->pen->selections;
    --device->brush->selections;
    --device->font->selections;
    if (device->memory) {
        --device->bitmap->selections;
    }
    --state().live.devices;
    retire(device);
}

Object adoptPicture(const Picture& picture) noexcept {
    Surface* bitmap = nullptr;
    try {
        bitmap = new Surface(picture.width, picture.height, false, false);
        bitmap->pixels = picture.pixels;
    } catch (...) {
        delete bitmap;
        return nullptr;
    }
    Object object = adopt(bitmap);
    if (object != nullptr) {
        ++state().live.bitmaps;
    }
    return object;
}

TransparentCopy transparentCopyFunction() noexcept { return &softwareTransparentCopy; }

}  // namespace raster::detail

// --- the instrument panel -----------------------------------------------------------------------

namespace raster {

ColorRef bitmapPixel(Object bitmap, std::int32_t x, std::int32_t y) noexcept {
    if (bitmap == nullptr || bitmap->kind != ObjectKind::bitmap ||
        (!bitmap->stock && !liveObject(bitmap))) {
        return 0;
    }
    const auto* surface = static_cast<const Surface*>(bitmap);
    const ColorRef value = readPixel(*surface, x, y);
    return surface->monochrome ? (value != 0 ? 0x00FFFFFFu : 0u) : value;
}

ColorRef devicePixel(Device device, std::int32_t x, std::int32_t y) noexcept {
    if (!liveDevice(device)) {
        return 0xFFFFFFFFu;
    }
    const Surface* surface = targetOf(device);
    if (surface == nullptr || x < 0 || y < 0 || x >= surface->width || y >= surface->height) {
        return 0xFFFFFFFFu;
    }
    const ColorRef value = readPixel(*surface, x, y);
    return surface->monochrome ? (value != 0 ? 0x00FFFFFFu : 0u) : value;
}

Switches& switches() noexcept { return state().switches; }

const Counters& counters() noexcept { return state().counters; }

const std::vector<TextDraw>& textLog() noexcept { return state().textLog; }

void clearTextLog() noexcept { state().textLog.clear(); }

void setTextLogging(bool on) noexcept { state().textLogging = on; }

}  // namespace raster

void deleteDevice(Device device) noexcept {
    DeviceTag* d = checkedDevice(device);
    if (d == nullptr) {
        return;
    }
    if (!d->memory) {
        noteInvalidHandle();  // window devices are released, not deleted
        return;
    }
    destroyDevice(d);
}

bool bitmapSize(Object bitmap, std::int32_t* width, std::int32_t* height) noexcept {
    if (bitmap == nullptr || bitmap->kind != ObjectKind::bitmap ||
        (!bitmap->stock && !liveObject(bitmap))) {
        noteInvalidHandle();
        return false;
    }
    const auto* surface = static_cast<const Surface*>(bitmap);
    if (width != nullptr) {
        *width = surface->width;
    }
    if (height != nullptr) {
        *height = surface->height;
    }
    return true;
}

bool blit(Device destination, std::int32_t x, std::int32_t y, std::int32_t width,
          std::int32_t height, Device source, std::int32_t sourceX, std::int32_t sourceY,
          std::uint32_t rasterOperation) noexcept {
    DeviceTag* to = checkedDevice(destination);
    DeviceTag* from = checkedDevice(source);
    if (to == nullptr || from == nullptr) {
        return false;
    }
    if (rasterOperation != ropSourceCopy && rasterOperation != ropSourceInvert &&
        rasterOperation != ropSourceAnd) {
        return false;
    }
    if (width <= 0 || height <= 0) {
        return true;
    }
    Surface* target = targetOf(to);
    const Surface* origin = targetOf(from);
    if (target == nullptr || origin == nullptr) {
        return false;
    }
    ++state().counters.blits;
    const Rectangle area = intersect(Rectangle{x, y, x + width, y + height}, clipOf(to));
    // A device copying onto itself: read from a snapshot so overlapping areas stay right.
    const Surface* readFrom = origin;
    Surface copy(0, 0, origin->monochrome, true);
    if (origin == target) {
        try {
            copy.width = origin->width;
            copy.height = origin->height;
            copy.pixels = origin->pixels;
        } catch (...) {
            return false;
        }
        readFrom = &copy;
    }
    if (rasterOperation == ropSourceCopy && origin != target &&
        origin->monochrome == target->monochrome) {
        // Same kind of surface on both sides: the stored values carry over unchanged, a row
        // at a time (the panel copies pictures into the window this way at every refresh).
        const std::int32_t firstX = std::max(area.left, x - sourceX);
        const std::int32_t endX = std::min(area.right, x - sourceX + origin->width);
        for (std::int32_t ty = area.top; ty < area.bottom && firstX < endX; ++ty) {
            const std::int32_t sy = sourceY + (ty - y);
            if (sy < 0 || sy >= origin->height) {
                continue;
            }
            const auto sourceRow = origin->pixels.begin() +
                              static_cast<std::ptrdiff_t>(sy) * origin->width +
                              (sourceX + (firstX - x));
            std::copy(sourceRow, sourceRow + (endX - firstX),
                      target->pixels.begin() + static_cast<std::ptrdiff_t>(ty) * target->width +
                          firstX);
        }
        return true;
    }
    for (std::int32_t ty = area.top; ty < area.bottom; ++ty) {
        for (std::int32_t tx = area.left; tx < area.right; ++tx) {
            const std::int32_t sx = sourceX + (tx - x);
            const std::int32_t sy = sourceY + (ty - y);
            // GDI clips the copy to the source surface: the destination keeps those pixels.
            if (sx < 0 || sy < 0 || sx >= readFrom->width || sy >= readFrom->height) {
                continue;
            }
            const ColorRef sourceValue = convertPixel(readPixel(*readFrom, sx, sy),
                                                      readFrom->monochrome, *from,
                                                      target->monochrome, *to);
            const ColorRef old = readPixel(*target, tx, ty);
            ColorRef result = sourceValue;
            if (rasterOperation == ropSourceInvert) {
                result = old ^ sourceValue;
            } else if (rasterOperation == ropSourceAnd) {
                result = old & sourceValue;
            }
            putPixel(*target, tx, ty, result);
        }
    }
    return true;
}

}  // namespace melp::platform
