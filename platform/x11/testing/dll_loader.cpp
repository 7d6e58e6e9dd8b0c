// Loading the plug-in library the way a Linux host does.
#include "platform/testing/dll_loader.h"

#include <dlfcn.h>

namespace melp::platform::testing {

Library loadPluginLibrary(const char* path) noexcept {
    // Hosts keep each plug-in's symbols to itself.
    return static_cast<Library>(dlopen(path, RTLD_NOW | RTLD_LOCAL));
}

ExportedFunction findExport(Library library, const char* name) noexcept {
    if (library == nullptr) {
        return nullptr;
    }
    void* address = dlsym(library, name);
    ExportedFunction function = nullptr;
    static_assert(sizeof function == sizeof address, "function and data pointers differ");
    __builtin_memcpy(&function, &address, sizeof function);
    return function;
}

bool unloadPluginLibrary(Library library) noexcept {
    return library != nullptr && dlclose(library) == 0;
}

}  // namespace melp::platform::testing
