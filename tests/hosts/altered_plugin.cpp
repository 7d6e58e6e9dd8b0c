// A deliberately broken plug-in for the host tests' control runs: it loads the real library
// named by MELP_ALTERED_WRAPS, hands the host the real plug-in's record unchanged except that
// every processed block comes out with the lowest bit of its first left sample flipped. A
// host test that still passes against it is not comparing bits.
#include <dlfcn.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "host/effect_record.h"

namespace {

using melp::host::AEffect;
using melp::host::audioMasterCallback;
using melp::host::int32;
using melp::host::ProcessProc;

ProcessProc realProcessReplacing = nullptr;

void alteredProcessReplacing(AEffect* effect, float** inputs, float** outputs,
                             int32 sampleFrames) {
    realProcessReplacing(effect, inputs, outputs, sampleFrames);
    if (sampleFrames <= 0) return;
    std::uint32_t bits;
    std::memcpy(&bits, &outputs[0][0], sizeof bits);
    bits ^= 1u;
    std::memcpy(&outputs[0][0], &bits, sizeof bits);
}

}  // namespace

extern "C" __attribute__((visibility("default"))) AEffect* VSTPluginMain(
    audioMasterCallback hostCallback) {
    const char* real = std::getenv("MELP_ALTERED_WRAPS");
    if (real == nullptr) return nullptr;
    void* library = dlopen(real, RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) return nullptr;
    using Entry = AEffect* (*)(audioMasterCallback);
    auto entry = reinterpret_cast<Entry>(dlsym(library, "VSTPluginMain"));
    if (entry == nullptr) return nullptr;
    AEffect* effect = entry(hostCallback);
    if (effect == nullptr || effect->processReplacing == nullptr) return effect;
    realProcessReplacing = effect->processReplacing;
    effect->processReplacing = alteredProcessReplacing;
    return effect;
}

extern "C" AEffect* alteredMainAlias(audioMasterCallback) __asm__("main")
    __attribute__((alias("VSTPluginMain"), visibility("default")));
