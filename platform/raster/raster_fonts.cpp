// The font files that stand in for the Windows faces, assembled into the binary so that a
// library loaded by a host reads nothing from beside itself. The build passes the folders
// the files were found in (MELP_LIBERATION_DIR, MELP_DEJAVU_DIR).
#include "platform/raster/raster_state.h"

#include <cstring>

#if !defined(MELP_LIBERATION_DIR) || !defined(MELP_DEJAVU_DIR)
#error "The build names the folders of the embedded fonts."
#endif

// Each file between two hidden labels in the read-only data.
#define MELP_EMBED_FONT(symbol, path)                                                     \
    __asm__(".section .rodata\n"                                                          \
            ".balign 16\n"                                                                \
            ".globl " #symbol "\n.hidden " #symbol "\n" #symbol ":\n"                     \
            ".incbin \"" path "\"\n"                                                      \
            ".globl " #symbol "_end\n.hidden " #symbol "_end\n" #symbol "_end:\n"         \
            ".previous\n");                                                               \
    extern "C" const unsigned char symbol[];                                              \
    extern "C" const unsigned char symbol##_end[];

MELP_EMBED_FONT(melpFontSans, MELP_LIBERATION_DIR "/LiberationSans-Regular.ttf")
MELP_EMBED_FONT(melpFontSansBold, MELP_LIBERATION_DIR "/LiberationSans-Bold.ttf")
MELP_EMBED_FONT(melpFontSansItalic, MELP_LIBERATION_DIR "/LiberationSans-Italic.ttf")
MELP_EMBED_FONT(melpFontSansBoldItalic, MELP_LIBERATION_DIR "/LiberationSans-BoldItalic.ttf")
MELP_EMBED_FONT(melpFontSymbol, MELP_DEJAVU_DIR "/DejaVuSans.ttf")
MELP_EMBED_FONT(melpFontSymbolBold, MELP_DEJAVU_DIR "/DejaVuSans-Bold.ttf")
MELP_EMBED_FONT(melpFontSymbolItalic, MELP_DEJAVU_DIR "/DejaVuSans-Oblique.ttf")
MELP_EMBED_FONT(melpFontSymbolBoldItalic, MELP_DEJAVU_DIR "/DejaVuSans-BoldOblique.ttf")

namespace melp::platform::raster::detail {

namespace {

struct NamedFont {
    const char* name;
    const unsigned char* begin;
    const unsigned char* end;
};

const NamedFont fonts[] = {
    {"LiberationSans-Regular.ttf", melpFontSans, melpFontSans_end},
    {"LiberationSans-Bold.ttf", melpFontSansBold, melpFontSansBold_end},
    {"LiberationSans-Italic.ttf", melpFontSansItalic, melpFontSansItalic_end},
    {"LiberationSans-BoldItalic.ttf", melpFontSansBoldItalic, melpFontSansBoldItalic_end},
    {"DejaVuSans.ttf", melpFontSymbol, melpFontSymbol_end},
    {"DejaVuSans-Bold.ttf", melpFontSymbolBold, melpFontSymbolBold_end},
    {"DejaVuSans-Oblique.ttf", melpFontSymbolItalic, melpFontSymbolItalic_end},
    {"DejaVuSans-BoldOblique.ttf", melpFontSymbolBoldItalic, melpFontSymbolBoldItalic_end},
};

}  // namespace

bool embeddedFont(const char* fileName, const unsigned char** data, std::size_t* size) noexcept {
    for (const NamedFont& font : fonts) {
        if (std::strcmp(font.name, fileName) == 0) {
            *data = font.begin;
            *size = static_cast<std::size_t>(font.end - font.begin);
            return true;
        }
    }
    return false;
}

}  // namespace melp::platform::raster::detail
