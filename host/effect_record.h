// The effect record a host keeps for the plug-in's lifetime, and the small records and
// constants of the plug-in interface, declared from the interface's published binary layout.
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(_WIN32) && !defined(_WIN64)
#define MELP_CDECL __cdecl
#else
#define MELP_CDECL
#endif

namespace melp::host {

using int16 = std::int16_t;
using int32 = std::int32_t;
// Pointer-sized signed integer: the value argument and every dispatcher and callback result.
using intptr = std::intptr_t;

struct AEffect;

using audioMasterCallback = intptr(MELP_CDECL*)(AEffect* effect, int32 opcode, int32 index,
                                                 intptr value, void* ptr, float opt);
using DispatcherProc = intptr(MELP_CDECL*)(AEffect* effect, int32 opcode, int32 index,
                                            intptr value, void* ptr, float opt);
using ProcessProc = void(MELP_CDECL*)(AEffect* effect, float** inputs, float** outputs,
                                       int32 sampleFrames);
using SetParameterProc = void(MELP_CDECL*)(AEffect* effect, int32 index, float value);
using GetParameterProc = float(MELP_CDECL*)(AEffect* effect, int32 index);

// | #  | field            | i686 | x86_64 |
// |  1 | magic            |    0 |      0 |
// |  2 | dispatcher       |    4 |      8 |
// |  3 | process          |    8 |     16 |
// |  4 | setParameter     |   12 |     24 |
// |  5 | getParameter     |   16 |     32 |
// |  6 | numPrograms      |   20 |     40 |
// |  7 | numParams        |   24 |     44 |
// |  8 | numInputs        |   28 |     48 |
// |  9 | numOutputs       |   32 |     52 |
// | 10 | flags            |   36 |     56 |
// | 11 | resvd1           |   40 |     64 |
// | 12 | resvd2           |   44 |     72 |
// | 13 | initialDelay     |   48 |     80 |
// | 14 | realQualities    |   52 |     84 |
// | 15 | offQualities     |   56 |     88 |
// | 16 | ioRatio          |   60 |     92 |
// | 17 | object           |   64 |     96 |
// | 18 | user             |   68 |    104 |
// | 19 | uniqueID         |   72 |    112 |
// | 20 | version          |   76 |    116 |
// | 21 | processReplacing |   80 |    120 |
// | 22 | future[60]       |   84 |    128 |
// size 144 (i686), 192 (x86_64)
struct AEffect {
    int32 magic;
    DispatcherProc dispatcher;
    ProcessProc process;
    SetParameterProc setParameter;
    GetParameterProc getParameter;
    int32 numPrograms;
    int32 numParams;
    int32 numInputs;
    int32 numOutputs;
    int32 flags;
    intptr resvd1;
    intptr resvd2;
    int32 initialDelay;
    int32 realQualities;
    int32 offQualities;
    float ioRatio;
    void* object;
    void* user;
    int32 uniqueID;
    int32 version;
    ProcessProc processReplacing;
    char future[60];
};

using EffectRecord = AEffect;

#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(offsetof(AEffect, dispatcher) == 4);
static_assert(offsetof(AEffect, numPrograms) == 20);
static_assert(offsetof(AEffect, flags) == 36);
static_assert(offsetof(AEffect, resvd1) == 40);
static_assert(offsetof(AEffect, initialDelay) == 48);
static_assert(offsetof(AEffect, ioRatio) == 60);
static_assert(offsetof(AEffect, object) == 64);
static_assert(offsetof(AEffect, user) == 68);
static_assert(offsetof(AEffect, uniqueID) == 72);
static_assert(offsetof(AEffect, version) == 76);
static_assert(offsetof(AEffect, processReplacing) == 80);
static_assert(offsetof(AEffect, future) == 84);
static_assert(sizeof(AEffect) == 144);
#else
static_assert(offsetof(AEffect, dispatcher) == 8);
static_assert(offsetof(AEffect, process) == 16);
static_assert(offsetof(AEffect, setParameter) == 24);
static_assert(offsetof(AEffect, getParameter) == 32);
static_assert(offsetof(AEffect, numPrograms) == 40);
static_assert(offsetof(AEffect, numParams) == 44);
static_assert(offsetof(AEffect, numInputs) == 48);
static_assert(offsetof(AEffect, numOutputs) == 52);
static_assert(offsetof(AEffect, flags) == 56);
static_assert(offsetof(AEffect, resvd1) == 64);
static_assert(offsetof(AEffect, resvd2) == 72);
static_assert(offsetof(AEffect, initialDelay) == 80);
static_assert(offsetof(AEffect, realQualities) == 84);
static_assert(offsetof(AEffect, offQualities) == 88);
static_assert(offsetof(AEffect, ioRatio) == 92);
static_assert(offsetof(AEffect, object) == 96);
static_assert(offsetof(AEffect, user) == 104);
static_assert(offsetof(AEffect, uniqueID) == 112);
static_assert(offsetof(AEffect, version) == 116);
static_assert(offsetof(AEffect, processReplacing) == 120);
static_assert(offsetof(AEffect, future) == 128);
static_assert(sizeof(AEffect) == 192);
#endif

constexpr int32 fourCharacters(char a, char b, char c, char d) noexcept {
    return static_cast<int32>((static_cast<std::uint32_t>(static_cast<unsigned char>(a)) << 24) |
                              (static_cast<std::uint32_t>(static_cast<unsigned char>(b)) << 16) |
                              (static_cast<std::uint32_t>(static_cast<unsigned char>(c)) << 8) |
                              static_cast<std::uint32_t>(static_cast<unsigned char>(d)));
}

constexpr int32 kEffectMagic = fourCharacters('V', 's', 't', 'P');

// Flag bits of AEffect::flags.
constexpr int32 effFlagsHasEditor = 1;
constexpr int32 effFlagsHasClip = 2;
constexpr int32 effFlagsHasVu = 4;
constexpr int32 effFlagsCanMono = 8;
constexpr int32 effFlagsCanReplacing = 16;
constexpr int32 effFlagsProgramChunks = 32;
constexpr int32 effFlagsIsSynth = 256;
constexpr int32 effFlagsNoSoundInStop = 512;
constexpr int32 effFlagsExtIsAsync = 1024;
constexpr int32 effFlagsExtHasBuffer = 2048;

constexpr int32 kPlugCategUnknown = 0;
constexpr int32 kPlugCategEffect = 1;
constexpr int32 kPlugCategSynth = 2;

// | field | i686 and x86_64 |
// | top 0 | left 2 | bottom 4 | right 6 | size 8
struct ERect {
    int16 top;
    int16 left;
    int16 bottom;
    int16 right;
};
static_assert(sizeof(ERect) == 8 && offsetof(ERect, right) == 6);

// | character 0 | virt 4 | modifier 5 | size 8
struct VstKeyCode {
    int32 character;
    std::uint8_t virt;
    std::uint8_t modifier;
};
static_assert(sizeof(VstKeyCode) == 8 && offsetof(VstKeyCode, modifier) == 5);

// | azimuth 0 | elevation 4 | radius 8 | reserved 12 | name 16 | type 80 | future 84 | size 112
struct VstSpeakerProperties {
    float azimuth;
    float elevation;
    float radius;
    float reserved;
    char name[64];
    int32 type;
    char future[28];
};
static_assert(sizeof(VstSpeakerProperties) == 112 && offsetof(VstSpeakerProperties, type) == 80);

// A head whose speaker array really holds numChannels entries.
// | type 0 | numChannels 4 | speakers 8 | size 904 as declared
struct VstSpeakerArrangement {
    int32 type;
    int32 numChannels;
    VstSpeakerProperties speakers[8];
};
static_assert(sizeof(VstSpeakerArrangement) == 904);

// Records that only pass through this plug-in as pointers.
struct VstEvents;
struct VstTimeInfo;
struct VstPinProperties;
struct VstParameterProperties;
struct VstOfflineTask;
struct VstAudioFile;
struct VstVariableIo;
struct VstWindow;
struct VstFileSelect;
struct VstPatchChunkInfo;
struct MidiProgramName;
struct MidiProgramCategory;
struct MidiKeyName;

}  // namespace melp::host
