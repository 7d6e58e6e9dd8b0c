// The system image library's transparent copy, which the software rasterizer provides on
// Linux as GDI's msimg32 does on Windows: the frame loads "msimg32.dll", asks the version
// and resolves "TransparentBlt" through these, on either Linux backend.
#include "platform/raster/raster_state.h"

#include <cctype>

namespace melp::platform {
namespace {

unsigned char imageLibraryToken;

Module imageLibrary() noexcept { return reinterpret_cast<Module>(&imageLibraryToken); }

raster::detail::State& drawing() noexcept { return raster::detail::state(); }

}  // namespace

bool raster::detail::equalsIgnoringCase(const char* a, const char* b) noexcept {
    for (; *a != '\0' && *b != '\0'; ++a, ++b) {
        if (std::tolower(static_cast<unsigned char>(*a)) !=
            std::tolower(static_cast<unsigned char>(*b))) {
            return false;
        }
    }
    return *a == *b;
}

Module loadLibrary(const char* name) noexcept {
    if (name == nullptr || !drawing().switches.imageLibraryPresent ||
        !raster::detail::equalsIgnoringCase(name, "msimg32.dll")) {
        return nullptr;
    }
    ++drawing().counters.librariesLoaded;
    return imageLibrary();
}

void freeLibrary(Module library) noexcept {
    if (library == imageLibrary()) {
        --drawing().counters.librariesLoaded;
    }
}

bool operatingSystemPlatformId(std::int32_t* platformId) noexcept {
    if (drawing().switches.versionQueryFails || platformId == nullptr) {
        return false;
    }
    *platformId = drawing().switches.platformId;
    return true;
}

TransparentCopy resolveTransparentCopy(Module library) noexcept {
    if (library != imageLibrary() || !drawing().switches.transparentCopyPresent) {
        return nullptr;
    }
    return raster::detail::transparentCopyFunction();
}

}  // namespace melp::platform
