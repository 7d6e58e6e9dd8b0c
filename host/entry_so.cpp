// The shared library's exports (Linux): hosts look for `VSTPluginMain`, older ones for `main`;
// both are the one entry. host/melp.map keeps every other symbol inside the library.
#include "host/entry.h"

extern "C" __attribute__((visibility("default"))) melp::host::AEffect*
VSTPluginMain(melp::host::audioMasterCallback hostCallback) noexcept {
    return melpPluginEntry(hostCallback);
}

// `main` cannot be declared with this signature in C++: the same function under that
// assembler name instead.
extern "C" melp::host::AEffect* pluginMainAlias(melp::host::audioMasterCallback) noexcept
    __asm__("main") __attribute__((alias("VSTPluginMain"), visibility("default")));
