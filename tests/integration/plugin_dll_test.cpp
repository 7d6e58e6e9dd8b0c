// The finished plug-in as a host drives it: entered through its one export, then checked
// through the effect record only: the record's fields, the identity answers, every opcode's
// answer, bit-exact pass-through of audio, and closing. Built three times: against the DLL
// and against the Linux library (MELP_SHARED_OBJECT), each loaded with the system loader
// (MELP_DLL_PATH), and natively against the linked entry.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

#include "host/effect_record.h"
#include "host/opcodes.h"
#include "tests/support/fake_host.h"

#ifdef MELP_DLL_PATH
#include "platform/testing/dll_loader.h"
namespace loader = melp::platform::testing;
// Linux hosts look for VSTPluginMain first; Windows hosts know only main.
#ifdef MELP_SHARED_OBJECT
constexpr const char* entryName = "VSTPluginMain";
#else
constexpr const char* entryName = "main";
#endif
#else
#include "host/entry.h"
#endif

using namespace melp;
using melp::testing::FakeHost;
// 1 when the build has the editor: the record then says so and the editor opcodes answer.
#ifndef MELP_HAS_EDITOR
#define MELP_HAS_EDITOR 0
#endif

namespace {

using Entry = host::AEffect*(MELP_CDECL*)(host::audioMasterCallback);

class PluginDll : public ::testing::Test {
protected:
#ifdef MELP_DLL_PATH
    static void SetUpTestSuite() {
        const char* path = std::getenv("MELP_DLL_PATH");
        library = loader::loadPluginLibrary(path ? path : MELP_DLL_PATH);
        if (library) {
            entry = reinterpret_cast<Entry>(loader::findExport(library, entryName));
        }
    }
    static void TearDownTestSuite() {
        loader::unloadPluginLibrary(library);
        library = nullptr;
        entry = nullptr;
    }
    static inline loader::Library library = nullptr;
    static inline Entry entry = nullptr;
#else
    static inline Entry entry = &melpPluginEntry;
#endif
    void SetUp() override {
        ASSERT_NE(entry, nullptr) << "cannot load the plug-in or it lacks its entry export";
        fake.answer(host::audioMasterVersion, 2400);
    }

    host::AEffect* open() {
        host::AEffect* effect = entry(&FakeHost::callback);
        if (effect) {
            opened.push_back(effect);
        }
        return effect;
    }
    static host::intptr call(host::AEffect* e, host::int32 opcode, host::int32 index = 0,
                             host::intptr value = 0, void* ptr = nullptr, float opt = 0.0f) {
        return e->dispatcher(e, opcode, index, value, ptr, opt);
    }
    void TearDown() override {
        for (host::AEffect* effect : opened) {
            call(effect, host::effClose);
        }
    }

    FakeHost fake;
    std::vector<host::AEffect*> opened;
};

std::uint32_t bitsOf(float f) {
    std::uint32_t bits;
    std::memcpy(&bits, &f, sizeof bits);
    return bits;
}

float fromBits(std::uint32_t bits) {
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

}  // namespace

#ifdef MELP_DLL_PATH
TEST_F(PluginDll, ExportsMainOnly) {
    EXPECT_EQ(loader::findExport(library, "melpPluginEntry"), nullptr);
    EXPECT_EQ(loader::findExport(library, "_melpPluginEntry"), nullptr);
#ifdef MELP_SHARED_OBJECT
    // Older hosts' name for the same entry.
    EXPECT_EQ(loader::findExport(library, "main"), loader::findExport(library, "VSTPluginMain"));
    EXPECT_EQ(loader::findExport(library, "createPluginInstance"), nullptr);
#endif
}
#endif

TEST_F(PluginDll, HostAnsweringZeroToTheVersionGetsNoRecord) {
    fake.answer(host::audioMasterVersion, 0);
    EXPECT_EQ(open(), nullptr);
    ASSERT_EQ(fake.log.size(), 1u);
    EXPECT_EQ(fake.log[0].opcode, host::audioMasterVersion);
    EXPECT_EQ(fake.log[0].effect, nullptr);
}

TEST_F(PluginDll, RecordAfterConstruction) {
    host::AEffect* e = open();
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->magic, host::kEffectMagic);
    EXPECT_EQ(e->numPrograms, 1);
    EXPECT_EQ(e->numParams, 11);
    EXPECT_EQ(e->numInputs, 2);
    EXPECT_EQ(e->numOutputs, 2);
    EXPECT_EQ(e->flags, MELP_HAS_EDITOR ? 17 : 16);
    EXPECT_EQ(e->initialDelay, 0);
    EXPECT_EQ(e->realQualities, 0);
    EXPECT_EQ(e->offQualities, 0);
    EXPECT_EQ(e->ioRatio, 1.0f);
    EXPECT_NE(e->object, nullptr);
    EXPECT_EQ(e->user, nullptr);
    EXPECT_EQ(e->uniqueID, host::fourCharacters('M', 'E', 'L', 'P'));
    EXPECT_EQ(e->version, 1);
    EXPECT_NE(e->dispatcher, nullptr);
    EXPECT_NE(e->process, nullptr);
    EXPECT_NE(e->processReplacing, nullptr);
    EXPECT_NE(e->setParameter, nullptr);
    EXPECT_NE(e->getParameter, nullptr);
    const char zeros[60] = {};
    EXPECT_EQ(std::memcmp(e->future, zeros, sizeof zeros), 0);
    // Two calls make two independent objects.
    host::AEffect* second = open();
    ASSERT_NE(second, nullptr);
    EXPECT_NE(second, e);
    EXPECT_NE(second->object, e->object);
}

TEST_F(PluginDll, IdentityAnswers) {
    host::AEffect* e = open();
    ASSERT_NE(e, nullptr);
    char text[256];
    EXPECT_EQ(call(e, host::effGetEffectName, 0, 0, text), 1);
    EXPECT_STREQ(text, "MELPEdit");
    EXPECT_EQ(call(e, host::effGetProductString, 0, 0, text), 1);
    EXPECT_STREQ(text, "MELPEdit");
    EXPECT_EQ(call(e, host::effGetVendorString, 0, 0, text), 1);
    EXPECT_STREQ(text, "Quillon Mardet");
    EXPECT_EQ(call(e, host::effGetVendorVersion), 1000);
    EXPECT_EQ(call(e, host::effGetPlugCategory), 1);
    EXPECT_EQ(call(e, host::effGetVstVersion), 2300);
    EXPECT_EQ(call(e, host::effGetProgramName, 0, 0, text), 0);
    EXPECT_STREQ(text, "Talvo's VST-MELP");
    for (host::int32 index = 0; index < 11; ++index) {
        EXPECT_EQ(e->getParameter(e, index), 0.0f) << index;
    }
}

TEST_F(PluginDll, EveryOpcodeAnswersAsTheInterfaceTableSays) {
    host::AEffect* e = open();
    ASSERT_NE(e, nullptr);
    struct Expect {
        host::int32 opcode;
        host::intptr answer;
    };
    const host::intptr editorAnswer = MELP_HAS_EDITOR ? 1 : 0;
    const host::intptr keyAnswer = MELP_HAS_EDITOR ? -1 : 0;
    // effClose is checked on its own; effEditOpen needs a real parent window.
    const Expect table[] = {
        {-1, 0},
        {0, 0},
        {2, 0},
        {3, 0},
        {4, 0},
        {5, 0},
        {6, 0},
        {7, 0},
        {8, 0},
        {9, 0},
        {10, 0},
        {11, 0},
        {12, 0},
        {13, editorAnswer},
        {15, 0},
        {16, 0},
        {17, 0},
        {18, 0},
        {19, 0},
        {20, 0},
        {21, 0},
        {22, 0x4E764566},
        {23, 0},
        {24, 0},
        {25, 0},
        {26, 1},
        {27, 0},
        {28, 1},
        {29, 0},
        {30, 0},
        {31, 1},
        {32, 1},
        {33, 0},
        {34, 0},
        {35, 1},
        {36, 0},
        {37, 0},
        {38, 0},
        {39, 0},
        {40, 0},
        {41, 0},
        {42, 0},
        {43, 1},
        {44, 0},
        {45, 1},
        {46, 0},
        {47, 1},
        {48, 1},
        {49, 1000},
        {50, 0},
        {51, 0},
        {52, 0},
        {53, 0},
        {54, 0},
        {55, 0},
        {56, 0},
        {57, 1},
        {58, 2300},
        {59, keyAnswer},
        {60, keyAnswer},
        {61, editorAnswer},
        {62, 0},
        {63, -1},
        {64, 0},
        {65, 0},
        {66, 0},
        {67, 0},
        {68, 0},
        {69, 0},
        {70, 0},
        {71, 0},
        {72, 0},
        {73, 4096},
        {74, 0},
        {75, 0},
        {76, 0},
        {77, 0},
    };
    for (const Expect& x : table) {
        // Each opcode gets arguments of the kind a host passes for it.
        char text[256] = {};
        void* slot = nullptr;
        void* secondSlot = nullptr;
        host::intptr value = 0;
        float opt = 0.0f;
        void* ptr = text;
        switch (x.opcode) {
        case host::effSetProgramName:
            std::strcpy(text, "Talvo's VST-MELP");
            break;
        case host::effSetSampleRate:
        case host::effSetBlockSizeAndSampleRate:
            value = 1024;
            opt = 44100.0f;
            break;
        case host::effSetBlockSize:
            value = 1024;
            break;
        case host::effMainsChanged:
            value = 1;
            break;
        case host::effEditGetRect:
        case host::effGetChunk:
            ptr = &slot;
            break;
        case host::effGetSpeakerArrangement:
            value = reinterpret_cast<host::intptr>(&secondSlot);
            ptr = &slot;
            break;
        case host::effSetSpeakerArrangement:
        case host::effProcessEvents:
        case host::effOfflineNotify:
        case host::effOfflinePrepare:
        case host::effOfflineRun:
        case host::effProcessVarIo:
        case host::effGetInputProperties:
        case host::effGetOutputProperties:
        case host::effGetParameterProperties:
        case host::effVendorSpecific:
        case host::effGetMidiProgramName:
        case host::effGetCurrentMidiProgram:
        case host::effGetMidiProgramCategory:
        case host::effGetMidiKeyName:
        case host::effBeginLoadBank:
        case host::effBeginLoadProgram:
        case host::effSetChunk:
            ptr = nullptr;
            break;
        case host::effCanDo:
            std::strcpy(text, "2in2out");
            break;
        case host::effEditKeyDown:
        case host::effEditKeyUp:
            value = 0x41;
            break;
        case host::effSetTotalSampleToProcess:
            value = 4096;
            break;
        case host::effSetBypass:
            value = 1;
            break;
        default:
            break;
        }
        EXPECT_EQ(call(e, x.opcode, 0, value, ptr, opt), x.answer) << "opcode " << x.opcode;
        switch (x.opcode) {
        case host::effGetParamLabel:
        case host::effGetParamDisplay:
        case host::effGetParamName:
            EXPECT_EQ(text[0], '\0') << "opcode " << x.opcode << " wrote into the buffer";
            break;
        case host::effEditGetRect:
            if (MELP_HAS_EDITOR) {
                ASSERT_NE(slot, nullptr);
                const auto* rect = static_cast<const host::ERect*>(slot);
                EXPECT_EQ(rect->right - rect->left, 427);
                EXPECT_EQ(rect->bottom - rect->top, 133);
            } else {
                EXPECT_EQ(slot, nullptr);
            }
            break;
        case host::effGetSpeakerArrangement:
            EXPECT_EQ(slot, nullptr);
            EXPECT_EQ(secondSlot, nullptr);
            break;
        default:
            break;
        }
    }
    // Nothing the opcodes did may have disturbed the program or the parameters.
    char name[256];
    call(e, host::effGetProgramName, 0, 0, name);
    EXPECT_STREQ(name, "Talvo's VST-MELP");
}

TEST_F(PluginDll, TextOpcodesSurviveNullPointers) {
    host::AEffect* e = open();
    ASSERT_NE(e, nullptr);
    for (host::int32 opcode :
         {host::effSetProgramName, host::effGetProgramName, host::effGetParamLabel,
          host::effGetParamDisplay, host::effGetParamName, host::effGetEffectName,
          host::effGetVendorString, host::effGetProductString, host::effGetErrorText,
          host::effCanDo, host::effEditGetRect, host::effGetChunk, host::effString2Parameter,
          host::effGetProgramNameIndexed, host::effShellGetNextPlugin}) {
        call(e, opcode, 0, 0, nullptr);
    }
    char name[256];
    call(e, host::effGetProgramName, 0, 0, name);
    EXPECT_STREQ(name, "Talvo's VST-MELP");
}

TEST_F(PluginDll, AudioPassesThroughBitForBit) {
    host::AEffect* e = open();
    ASSERT_NE(e, nullptr);
    call(e, host::effSetSampleRate, 0, 0, nullptr, 44100.0f);
    call(e, host::effSetBlockSize, 0, 4096);
    call(e, host::effMainsChanged, 0, 1);

    std::mt19937 random(20261208);
    std::vector<int> sizes = {1,   2,    3,    4,    5,    7,    8,    15,   16,  17,  31,
                              32,  33,   63,   64,   65,   127,  128,  255,  256, 511, 512,
                              513, 1023, 1024, 1025, 2047, 2048, 3000, 4095, 4096};
    for (int n = 0; n < 8; ++n) {
        sizes.push_back(1 + static_cast<int>(random() % 4096));
    }
    const std::uint32_t special[] = {
        0x00000000u, 0x80000000u, 0x3F800000u, 0xBF800000u, 0x7F800000u, 0xFF800000u,
        0x7FC00000u, 0xFFC00000u, 0x7FC12345u, 0x7F800001u, 0x00000001u, 0x807FFFFFu,
        0x00400000u, 0x7F7FFFFFu, 0xFF7FFFFFu, 0x00800000u, 0x40000000u, 0xC0000000u,
    };
    // Quasi-peak and true-peak metering and each view must not change what passes through.
    const float modes[][4] = {{0, 0, 0, 0}, {1, 0, 1, 0}, {0, 1, 0, 1}, {0, 0, 0, 2}};
    int round = 0;
    for (int frames : sizes) {
        const float* mode = modes[round++ % 4];
        for (int p = 0; p < 4; ++p) {
            e->setParameter(e, 4 + p, mode[p]);
        }
        std::vector<float> source[2];
        for (auto& channel : source) {
            channel.resize(static_cast<std::size_t>(frames));
            for (int i = 0; i < frames; ++i) {
                const std::uint32_t bits = (i % 5 == 0) ? special[random() % std::size(special)]
                                                        : static_cast<std::uint32_t>(random());
                channel[static_cast<std::size_t>(i)] = fromBits(bits);
            }
        }
        for (int variant = 0; variant < 4; ++variant) {
            const bool replacing = variant < 2;
            const bool inPlace = variant % 2 == 1;
            std::vector<float> in[2] = {source[0], source[1]};
            std::vector<float> out[2];
            for (auto& channel : out) {
                channel.assign(static_cast<std::size_t>(frames), fromBits(0x7FA5A5A5u));
            }
            float* inputs[2] = {in[0].data(), in[1].data()};
            float* separate[2] = {out[0].data(), out[1].data()};
            float** outputs = inPlace ? inputs : separate;
            if (replacing) {
                e->processReplacing(e, inputs, outputs, frames);
            } else {
                e->process(e, inputs, outputs, frames);
            }
            for (int c = 0; c < 2; ++c) {
                const float* result = outputs[c];
                int mismatches = 0;
                for (int i = 0; i < frames && mismatches < 3; ++i) {
                    const float expected = source[c][static_cast<std::size_t>(i)];
                    if (bitsOf(result[i]) != bitsOf(expected)) {
                        ++mismatches;
                        ADD_FAILURE()
                            << (replacing ? "processReplacing" : "process")
                            << (inPlace ? " in place" : " separate") << ", " << frames
                            << " frames, channel " << c << ", sample " << i << ": got 0x"
                            << std::hex << bitsOf(result[i]) << " expected 0x" << bitsOf(expected);
                    }
                }
                if (!inPlace) {
                    EXPECT_EQ(std::memcmp(in[c].data(), source[c].data(),
                                          static_cast<std::size_t>(frames) * sizeof(float)),
                              0)
                        << "the input buffer was changed";
                }
            }
        }
    }
}

TEST_F(PluginDll, CloseAnswersOne) {
    host::AEffect* e = entry(&FakeHost::callback);
    ASSERT_NE(e, nullptr);
    call(e, host::effOpen);
    EXPECT_EQ(call(e, host::effClose), 1);
}
