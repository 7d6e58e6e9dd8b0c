#ifndef _WIN32
#error "dll_loader.cpp belongs to the win32 backend"
#endif

#include "platform/testing/dll_loader.h"

#include <windows.h>

namespace melp::platform::testing {

Library loadPluginLibrary(const char* path) noexcept {
    return reinterpret_cast<Library>(LoadLibraryA(path));
}

ExportedFunction findExport(Library library, const char* name) noexcept {
    if (!library) {
        return nullptr;
    }
    return reinterpret_cast<ExportedFunction>(
        GetProcAddress(reinterpret_cast<HMODULE>(library), name));
}

bool unloadPluginLibrary(Library library) noexcept {
    return library && FreeLibrary(reinterpret_cast<HMODULE>(library)) != 0;
}

}  // namespace melp::platform::testing
