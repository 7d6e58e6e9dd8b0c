// X11 has no object-linking drag and drop: no data object ever reaches a drop target, so
// every question about one has the answer of an empty one.
#include "platform/drop.h"

namespace melp::platform {

bool dropDataOffers(void*, std::uint16_t) noexcept { return false; }

bool dropDataGet(void*, std::uint16_t, DropMedium*) noexcept { return false; }

void releaseDropMedium(DropMedium* medium) noexcept {
    if (medium != nullptr) {
        *medium = DropMedium{};
    }
}

std::uint32_t dropFileCount(void*) noexcept { return 0; }

std::uint32_t dropFilePath(void*, std::uint32_t, char* buffer, std::uint32_t size) noexcept {
    if (buffer != nullptr && size > 0) {
        buffer[0] = '\0';
    }
    return 0;
}

void* lockMemory(void*) noexcept { return nullptr; }

std::size_t memorySize(void*) noexcept { return 0; }

void unlockMemory(void*) noexcept {}

bool resolveShortcut(char*, std::size_t) noexcept { return false; }

}  // namespace melp::platform
