// PNG pictures of window framebuffers, for people and golden comparisons.
#include "platform/headless/headless_state.h"

#include <png.h>

#include <cstdio>
#include <vector>

namespace melp::platform::headless {
namespace {

void compose(const WindowTag* window, std::int32_t originX, std::int32_t originY,
             std::int32_t width, std::int32_t height, std::vector<ColorRef>& canvas) {
    const raster::detail::Surface& surface = window->framebuffer;
    for (std::int32_t y = 0; y < surface.height; ++y) {
        for (std::int32_t x = 0; x < surface.width; ++x) {
            const std::int32_t cx = originX + x;
            const std::int32_t cy = originY + y;
            if (cx >= 0 && cy >= 0 && cx < width && cy < height) {
                canvas[static_cast<std::size_t>(cy) * static_cast<std::size_t>(width) +
                       static_cast<std::size_t>(cx)] = raster::detail::readPixel(surface, x, y);
            }
        }
    }
    for (const WindowTag* child : window->children) {
        if (child->alive) {
            compose(child, originX + child->x, originY + child->y, width, height, canvas);
        }
    }
}

}  // namespace

bool writePng(Window window, const std::string& path) noexcept {
    if (!detail::liveWindow(window)) {
        return false;
    }
    const std::int32_t width = window->framebuffer.width;
    const std::int32_t height = window->framebuffer.height;
    if (width <= 0 || height <= 0) {
        return false;
    }
    std::vector<ColorRef> canvas;
    std::vector<png_byte> row;
    try {
        canvas.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0);
        row.resize(static_cast<std::size_t>(width) * 3);
        compose(window, 0, 0, width, height, canvas);
    } catch (...) {
        return false;
    }
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    if (info == nullptr || setjmp(png_jmpbuf(png)) != 0) {
        png_destroy_write_struct(&png, &info);
        std::fclose(file);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (std::int32_t y = 0; y < height; ++y) {
        for (std::int32_t x = 0; x < width; ++x) {
            const ColorRef c = canvas[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                                      static_cast<std::size_t>(x)];
            png_byte* p = &row[static_cast<std::size_t>(x) * 3];
            p[0] = static_cast<png_byte>(c & 0xFFu);
            p[1] = static_cast<png_byte>((c >> 8) & 0xFFu);
            p[2] = static_cast<png_byte>((c >> 16) & 0xFFu);
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return std::fclose(file) == 0;
}

}  // namespace melp::platform::headless
