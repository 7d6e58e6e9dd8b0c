// Text drawn with FreeType from the fonts that stand in for the Windows faces (embedded).
#include "platform/raster/raster_state.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <string>

namespace melp::platform {
namespace raster::detail {
namespace {

struct CachedFace {
    std::string file;
    FT_Face face = nullptr;
};

// FreeType and the faces opened so far live as long as the binary: a library unloaded by
// its host gives them back.
struct FaceCache {
    FT_Library library = nullptr;
    std::vector<CachedFace> faces;

    FaceCache() noexcept {
        if (FT_Init_FreeType(&library) != 0) {
            library = nullptr;
        }
    }
    ~FaceCache() {
        for (const CachedFace& cached : faces) {
            if (cached.face != nullptr) {
                FT_Done_Face(cached.face);
            }
        }
        if (library != nullptr) {
            FT_Done_FreeType(library);
        }
    }
    FaceCache(const FaceCache&) = delete;
    FaceCache& operator=(const FaceCache&) = delete;
};

FaceCache& faceCache() noexcept {
    static FaceCache cache;
    return cache;
}

const char* fileFor(const FontDescription& font) noexcept {
    char face[33] = {};
    std::memcpy(face, font.faceName, sizeof font.faceName);
    const bool bold = font.weight >= 600;
    const bool italic = font.italic != 0;
    if (equalsIgnoringCase(face, "Symbol")) {
        if (bold) {
            return italic ? "DejaVuSans-BoldOblique.ttf" : "DejaVuSans-Bold.ttf";
        }
        return italic ? "DejaVuSans-Oblique.ttf" : "DejaVuSans.ttf";
    }
    if (bold) {
        return italic ? "LiberationSans-BoldItalic.ttf" : "LiberationSans-Bold.ttf";
    }
    return italic ? "LiberationSans-Italic.ttf" : "LiberationSans-Regular.ttf";
}

FT_Face faceFor(const FontDescription& font) noexcept {
    FaceCache& cache = faceCache();
    const char* file = fileFor(font);
    for (const CachedFace& cached : cache.faces) {
        if (cached.file == file) {
            return cached.face;
        }
    }
    if (cache.library == nullptr) {
        return nullptr;
    }
    FT_Face face = nullptr;
    const unsigned char* data = nullptr;
    std::size_t size = 0;
    if (!embeddedFont(file, &data, &size) ||
        FT_New_Memory_Face(cache.library, data, static_cast<FT_Long>(size), 0, &face) != 0) {
        face = nullptr;
    }
    try {
        cache.faces.push_back(CachedFace{file, face});
    } catch (...) {
        if (face != nullptr) {
            FT_Done_Face(face);
        }
        face = nullptr;
    }
    return face;
}

struct Metrics {
    std::int32_t ascent = 0;
    std::int32_t descent = 0;
    double scale = 0;  // pixels per font unit
};

// Sizes the face the way GDI reads the LOGFONT height.
bool sizeFace(FT_Face face, const FontDescription& font, Metrics* metrics) noexcept {
    const double unitsPerEm = face->units_per_EM != 0 ? face->units_per_EM : 2048.0;
    double ascentUnits = face->ascender;
    double descentUnits = -face->descender;
    if (const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2))) {
        ascentUnits = os2->usWinAscent;
        descentUnits = os2->usWinDescent;
    }
    double em = 12.0;
    if (font.height < 0) {
        em = -static_cast<double>(font.height);
    } else if (font.height > 0) {
        em = font.height * unitsPerEm / (ascentUnits + descentUnits);
    }
    em = std::min(em, 2048.0);
    if (FT_Set_Char_Size(face, 0, static_cast<FT_F26Dot6>(std::lround(em * 64.0)), 72, 72) != 0) {
        return false;
    }
    metrics->scale = em / unitsPerEm;
    metrics->ascent = static_cast<std::int32_t>(std::lround(ascentUnits * metrics->scale));
    metrics->descent = static_cast<std::int32_t>(std::lround(descentUnits * metrics->scale));
    return true;
}

// Smoothed and unsmoothed glyphs are hinted differently. GDI measures text (alignment, the
// opaque cell, the underline) with the advances of smoothed glyphs, and steps the pen by
// the advances of the glyphs it actually draws.
FT_Int32 drawingFlags() noexcept {
    return state().switches.antialiasedText ? FT_LOAD_TARGET_NORMAL : FT_LOAD_TARGET_MONO;
}

std::int32_t widthOf(FT_Face face, const std::string& text) noexcept {
    std::int32_t width = 0;
    for (const char c : text) {
        if (FT_Load_Char(face, static_cast<unsigned char>(c), FT_LOAD_TARGET_NORMAL) == 0) {
            width += static_cast<std::int32_t>((face->glyph->advance.x + 32) >> 6);
        }
    }
    return width;
}

// "&&" is one ampersand, a lone "&" marks a mnemonic and is not drawn.
std::string withoutPrefixes(const std::string& text) {
    std::string result;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '&' && i + 1 < text.size()) {
            ++i;
        } else if (text[i] == '&') {
            continue;
        }
        result.push_back(text[i]);
    }
    return result;
}

struct Painter {
    Surface* target;
    Rectangle clip;
    ColorRef color;
    TextDraw* record;

    void cover(std::int32_t x, std::int32_t y, std::uint32_t coverage) const noexcept {
        if (coverage == 0 || x < clip.left || x >= clip.right || y < clip.top || y >= clip.bottom) {
            return;
        }
        if (target->monochrome) {
            if (coverage >= 128) {
                putPixel(*target, x, y, monochromeBit(color));
            }
        } else {
            const ColorRef old = readPixel(*target, x, y);
            ColorRef blended = 0;
            for (int shift = 0; shift <= 16; shift += 8) {
                const std::uint32_t from = (old >> shift) & 0xFFu;
                const std::uint32_t to = (color >> shift) & 0xFFu;
                const std::uint32_t mixed = (from * (255u - coverage) + to * coverage + 127u) / 255u;
                blended |= mixed << shift;
            }
            putPixel(*target, x, y, blended);
        }
        if (!record->hasInk) {
            record->hasInk = true;
            record->inkLeft = x;
            record->inkTop = y;
            record->inkRight = x + 1;
            record->inkBottom = y + 1;
        } else {
            record->inkLeft = std::min(record->inkLeft, x);
            record->inkTop = std::min(record->inkTop, y);
            record->inkRight = std::max(record->inkRight, x + 1);
            record->inkBottom = std::max(record->inkBottom, y + 1);
        }
    }

    void glyph(const FT_Bitmap& bitmap, std::int32_t left, std::int32_t top) const noexcept {
        for (unsigned int row = 0; row < bitmap.rows; ++row) {
            const unsigned char* line = bitmap.buffer + static_cast<std::ptrdiff_t>(row) * bitmap.pitch;
            for (unsigned int column = 0; column < bitmap.width; ++column) {
                std::uint32_t coverage = 0;
                if (bitmap.pixel_mode == FT_PIXEL_MODE_MONO) {
                    coverage = (line[column >> 3] & (0x80u >> (column & 7u))) != 0 ? 255u : 0u;
                } else if (bitmap.pixel_mode == FT_PIXEL_MODE_GRAY) {
                    coverage = line[column];
                }
                cover(left + static_cast<std::int32_t>(column), top + static_cast<std::int32_t>(row),
                      coverage);
            }
        }
    }

    void bar(std::int32_t left, std::int32_t right, std::int32_t top,
             std::int32_t thickness) const noexcept {
        for (std::int32_t y = top; y < top + thickness; ++y) {
            for (std::int32_t x = left; x < right; ++x) {
                cover(x, y, 255);
            }
        }
    }
};

}  // namespace
}  // namespace raster::detail

using namespace raster::detail;
using raster::TextDraw;

std::int32_t drawText(Device device, const char* text, std::int32_t length, std::int32_t left,
                      std::int32_t top, std::int32_t right, std::int32_t bottom,
                      std::uint32_t format) noexcept {
    if (!liveDevice(device)) {
        noteInvalidHandle();
        return 0;
    }
    if (text == nullptr) {
        return 0;
    }
    try {
        const std::size_t count =
            length < 0 ? std::strlen(text) : static_cast<std::size_t>(length);
        TextDraw record;
        record.text.assign(text, count);
        record.font = device->font->description;
        record.textColor = device->textColor;
        record.backgroundColor = device->backgroundColor;
        record.backgroundMode = device->backgroundMode;
        record.left = left;
        record.top = top;
        record.right = right;
        record.bottom = bottom;
        record.format = format;
        record.window = device->memory ? nullptr : device->window;

        const std::string shown =
            (format & textNoPrefix) != 0 ? record.text : withoutPrefixes(record.text);
        FT_Face face = faceFor(record.font);
        Metrics metrics;
        const bool sized = face != nullptr && sizeFace(face, record.font, &metrics);
        const std::int32_t height = metrics.ascent + metrics.descent;
        const std::int32_t width = sized ? widthOf(face, shown) : 0;

        std::int32_t x = left;
        if ((format & textCenter) != 0) {
            x = left + (right - left - width) / 2;
        } else if ((format & textRight) != 0) {
            x = right - width;
        }
        const bool centredVertically =
            (format & textSingleLine) != 0 && (format & textVerticalCenter) != 0;
        const std::int32_t y = centredVertically ? top + (bottom - top - height) / 2 : top;
        record.textLeft = x;
        record.textTop = y;
        record.textWidth = width;
        record.textHeight = height;

        Surface* target = targetOf(device);
        if (target != nullptr && sized) {
            constexpr std::uint32_t noClip = 0x100;  // DT_NOCLIP
            Rectangle clip = clipOf(device);
            if ((format & noClip) == 0) {
                clip = intersect(clip, Rectangle{left, top, right, bottom});
            }
            if (device->backgroundMode == backgroundOpaque) {
                const Rectangle cell = intersect(clip, Rectangle{x, y, x + width, y + height});
                const ColorRef fill = target->monochrome ? monochromeBit(device->backgroundColor)
                                                         : device->backgroundColor;
                for (std::int32_t row = cell.top; row < cell.bottom; ++row) {
                    for (std::int32_t column = cell.left; column < cell.right; ++column) {
                        putPixel(*target, column, row, fill);
                    }
                }
            }
            const Painter painter{target, clip, device->textColor, &record};
            const std::int32_t baseline = y + metrics.ascent;
            const FT_Render_Mode mode =
                state().switches.antialiasedText ? FT_RENDER_MODE_NORMAL : FT_RENDER_MODE_MONO;
            std::int32_t pen = x;
            for (const char c : shown) {
                if (FT_Load_Char(face, static_cast<unsigned char>(c), drawingFlags()) != 0) {
                    continue;
                }
                FT_GlyphSlot slot = face->glyph;
                if (FT_Render_Glyph(slot, mode) == 0) {
                    painter.glyph(slot->bitmap, pen + slot->bitmap_left,
                                  baseline - slot->bitmap_top);
                }
                pen += static_cast<std::int32_t>((slot->advance.x + 32) >> 6);
            }
            const auto thickness = std::max<std::int32_t>(
                1, static_cast<std::int32_t>(std::lround(face->underline_thickness * metrics.scale)));
            if (record.font.underline != 0) {
                const auto offset = static_cast<std::int32_t>(
                    std::lround(-face->underline_position * metrics.scale));
                // The stem's centre lies `offset` below the baseline; GDI rounds it upwards.
                painter.bar(x, x + width, baseline + std::max(offset - (thickness + 1) / 2, 0),
                            thickness);
            }
            if (record.font.strikeOut != 0) {
                painter.bar(x, x + width, baseline - metrics.ascent / 3, thickness);
            }
        }
        if (state().textLogging) {
            state().textLog.push_back(std::move(record));
        }
        return centredVertically ? (y - top) + height : height;
    } catch (...) {
        return 0;
    }
}

namespace raster {

bool measureText(const FontDescription& font, const std::string& text, std::int32_t* width,
                 std::int32_t* height) noexcept {
    FT_Face face = faceFor(font);
    Metrics metrics;
    if (face == nullptr || !sizeFace(face, font, &metrics)) {
        return false;
    }
    if (width != nullptr) {
        *width = widthOf(face, text);
    }
    if (height != nullptr) {
        *height = metrics.ascent + metrics.descent;
    }
    return true;
}

}  // namespace raster
}  // namespace melp::platform
