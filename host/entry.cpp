#include "host/entry.h"

#include "host/base_effect.h"
#include "host/opcodes.h"

using melp::host::AEffect;
using melp::host::BaseEffect;

extern "C" AEffect* MELP_CDECL
melpPluginEntry(melp::host::audioMasterCallback hostCallback) noexcept {
    // Without a callback the version question cannot be asked: treat it as a host saying 0.
    if (!hostCallback) {
        return nullptr;
    }
    if (hostCallback(nullptr, melp::host::audioMasterVersion, 0, 0, nullptr, 0.0f) == 0) {
        return nullptr;
    }
    BaseEffect* object = melp::host::createPluginInstance(hostCallback);
    if (!object) {
        return nullptr;
    }
    if (melp::host::editorCreationFailed.load()) {
        delete object;
        return nullptr;
    }
    return &object->record;
}
