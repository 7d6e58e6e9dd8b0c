// Putting a window's framebuffer on the screen: an XImage in the window's visual, in shared
// memory when the server is on this machine and offers MIT-SHM, and only the part that
// changed since the last time.
#include "platform/x11/x11_channels.h"
#include "platform/x11/x11_state.h"

#include <sys/ipc.h>
#include <sys/shm.h>
#include <sys/socket.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace melp::platform::x11::detail {
namespace {

// Shared memory is only shared with a server on this machine: the connection is a local
// socket.
bool localConnection(Display* display) noexcept {
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    return getsockname(ConnectionNumber(display), reinterpret_cast<sockaddr*>(&address),
                       &length) == 0 &&
           address.ss_family == AF_UNIX;
}

bool openSharedImage(WindowTag* window, Visual* visual, int depth) noexcept {
    Presenter& p = window->presenter;
    Display* display = window->display;
    if (!XShmQueryExtension(display) || !localConnection(display)) {
        return false;
    }
    XImage* image = XShmCreateImage(display, visual, static_cast<unsigned int>(depth), ZPixmap,
                                    nullptr, &p.segment,
                                    static_cast<unsigned int>(window->framebuffer.width),
                                    static_cast<unsigned int>(window->framebuffer.height));
    if (image == nullptr) {
        return false;
    }
    const auto bytes = static_cast<std::size_t>(image->bytes_per_line) *
                       static_cast<std::size_t>(image->height);
    p.segment.shmid = shmget(IPC_PRIVATE, std::max<std::size_t>(bytes, 1), IPC_CREAT | 0600);
    if (p.segment.shmid < 0) {
        XDestroyImage(image);
        return false;
    }
    void* memory = shmat(p.segment.shmid, nullptr, 0);
    if (memory == reinterpret_cast<void*>(-1)) {
        shmctl(p.segment.shmid, IPC_RMID, nullptr);
        XDestroyImage(image);
        return false;
    }
    p.segment.shmaddr = image->data = static_cast<char*>(memory);
    p.segment.readOnly = False;
    // A server in another IPC namespace refuses the segment: the error lands on this
    // connection's own handler, and the image goes through the socket instead.
    const std::int32_t errorsBefore = window->errors;
    const bool attached = XShmAttach(display, &p.segment) != 0;
    XSync(display, False);
    // Marked for removal at once: the segment goes when both sides have let go of it.
    shmctl(p.segment.shmid, IPC_RMID, nullptr);
    if (!attached || window->errors != errorsBefore) {
        image->data = nullptr;
        XDestroyImage(image);
        shmdt(memory);
        p.segment = XShmSegmentInfo{};
        return false;
    }
    p.image = image;
    p.sharedMemory = true;
    return true;
}

bool openPlainImage(WindowTag* window, Visual* visual, int depth) noexcept {
    const std::int32_t width = window->framebuffer.width;
    const std::int32_t height = window->framebuffer.height;
    XImage* image = XCreateImage(window->display, visual, static_cast<unsigned int>(depth),
                                 ZPixmap, 0, nullptr, static_cast<unsigned int>(width),
                                 static_cast<unsigned int>(height), 32, 0);
    if (image == nullptr) {
        return false;
    }
    const auto bytes = static_cast<std::size_t>(image->bytes_per_line) *
                       static_cast<std::size_t>(std::max(height, 1));
    // XDestroyImage frees the data with free().
    image->data = static_cast<char*>(std::calloc(bytes, 1));
    if (image->data == nullptr) {
        XDestroyImage(image);
        return false;
    }
    window->presenter.image = image;
    return true;
}

std::uint32_t littleEndianHost() noexcept {
    const std::uint32_t probe = 1;
    unsigned char first = 0;
    std::memcpy(&first, &probe, 1);
    return first == 1 ? LSBFirst : MSBFirst;
}

unsigned long toPixel(const Presenter& p, ColorRef color) noexcept {
    return toChannel(color & 0xFFu, p.redMask) | toChannel((color >> 8) & 0xFFu, p.greenMask) |
           toChannel((color >> 16) & 0xFFu, p.blueMask);
}

}  // namespace

bool openPresenter(WindowTag* window, Visual* visual, int depth) noexcept {
    if (visual == nullptr || visual->c_class != TrueColor) {
        return false;  // only true-colour visuals show the 24-bit panel as it is
    }
    Presenter& p = window->presenter;
    // A context of the window's own: the window's depth may not be the screen's.
    p.gc = XCreateGC(window->display, window->id, 0, nullptr);
    if (p.gc == nullptr) {
        return false;
    }
    p.redMask = visual->red_mask;
    p.greenMask = visual->green_mask;
    p.blueMask = visual->blue_mask;
    if (!openSharedImage(window, visual, depth) && !openPlainImage(window, visual, depth)) {
        closePresenter(window);
        return false;
    }
    p.directLayout = p.image->bits_per_pixel == 32 && p.redMask == 0xFF0000ul &&
                     p.greenMask == 0xFF00ul && p.blueMask == 0xFFul &&
                     static_cast<std::uint32_t>(p.image->byte_order) == littleEndianHost();
    try {
        window->shown.assign(window->framebuffer.pixels.size(), lostPixel);
    } catch (...) {
        closePresenter(window);
        return false;
    }
    return true;
}

void closePresenter(WindowTag* window) noexcept {
    Presenter& p = window->presenter;
    if (p.gc != nullptr) {
        XFreeGC(window->display, p.gc);
    }
    if (p.image == nullptr) {
        p = Presenter{};
        return;
    }
    if (p.sharedMemory) {
        XShmDetach(window->display, &p.segment);
        XSync(window->display, False);
        shmdt(p.segment.shmaddr);
        p.image->data = nullptr;
    }
    XDestroyImage(p.image);
    p = Presenter{};
}

void present(WindowTag* window, const Rectangle& area) noexcept {
    Presenter& p = window->presenter;
    if (p.image == nullptr || !window->alive) {
        return;
    }
    const Surface& surface = window->framebuffer;
    const Rectangle whole{0, 0, surface.width, surface.height};
    const Rectangle region = intersect(area, whole);
    if (region.empty()) {
        return;
    }
    // The bounding box of what differs from the screen.
    Rectangle changed{region.right, region.bottom, region.left, region.top};
    const auto stride = static_cast<std::size_t>(surface.width);
    for (std::int32_t y = region.top; y < region.bottom; ++y) {
        const ColorRef* now = surface.pixels.data() + static_cast<std::size_t>(y) * stride;
        ColorRef* was = window->shown.data() + static_cast<std::size_t>(y) * stride;
        for (std::int32_t x = region.left; x < region.right; ++x) {
            if (now[x] != was[x]) {
                changed.left = std::min(changed.left, x);
                changed.right = std::max(changed.right, x + 1);
                changed.top = std::min(changed.top, y);
                changed.bottom = std::max(changed.bottom, y + 1);
                was[x] = now[x];
            }
        }
    }
    if (changed.empty()) {
        return;
    }
    for (std::int32_t y = changed.top; y < changed.bottom; ++y) {
        const ColorRef* source = surface.pixels.data() + static_cast<std::size_t>(y) * stride;
        if (p.directLayout) {
            auto* line = reinterpret_cast<std::uint32_t*>(
                p.image->data + static_cast<std::ptrdiff_t>(y) * p.image->bytes_per_line);
            for (std::int32_t x = changed.left; x < changed.right; ++x) {
                const ColorRef c = source[x];
                line[x] = ((c & 0xFFu) << 16) | (c & 0xFF00u) | ((c >> 16) & 0xFFu);
            }
        } else {
            for (std::int32_t x = changed.left; x < changed.right; ++x) {
                XPutPixel(p.image, x, y, toPixel(p, source[x]));
            }
        }
    }
    const auto width = static_cast<unsigned int>(changed.right - changed.left);
    const auto height = static_cast<unsigned int>(changed.bottom - changed.top);
    if (p.sharedMemory) {
        XShmPutImage(window->display, window->id, p.gc, p.image, changed.left, changed.top,
                     changed.left, changed.top, width, height, False);
    } else {
        XPutImage(window->display, window->id, p.gc, p.image, changed.left, changed.top,
                  changed.left, changed.top, width, height);
    }
    // The shared image may be written again only once the server has read it; and other
    // connections (the host's, a test's) see the pixels from here on.
    XSync(window->display, False);
}

}  // namespace melp::platform::x11::detail
