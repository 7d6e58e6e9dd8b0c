// Drives the real plug-in through its effect record with arbitrary requests: any opcode,
// index, value and opt; ptr null or a 4 KiB buffer; parameters; and processing of arbitrary
// samples. Arguments a host can never pass are left out (see the notes at each opcode):
// the aim is to find what a well-behaved host can break, not to prove that wild pointers
// crash.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "host/effect_record.h"
#include "host/entry.h"
#include "host/opcodes.h"

using namespace melp::host;

namespace {

intptr MELP_CDECL fuzzHost(AEffect*, int32 opcode, int32, intptr, void*, float) {
    return opcode == audioMasterVersion ? 2400 : 0;
}

class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : data(data), size(size) {}
    bool empty() const { return position >= size; }
    std::uint8_t byte() { return position < size ? data[position++] : 0; }
    std::uint32_t word() {
        std::uint32_t w = 0;
        for (int i = 0; i < 4; ++i) {
            w = (w << 8) | byte();
        }
        return w;
    }
    int32 integer() { return static_cast<int32>(word()); }
    float real() {
        const std::uint32_t bits = word();
        float f;
        std::memcpy(&f, &bits, sizeof f);
        return f;
    }
    // Mostly small numbers, where the interesting branches are, sometimes anything.
    int32 smallOrAny() { return (byte() & 3) == 0 ? integer() : static_cast<int32>(byte()) - 16; }

private:
    const std::uint8_t* data;
    std::size_t size;
    std::size_t position = 0;
};

constexpr std::size_t kBufferSize = 4096;
constexpr int32 kMaxFrames = 2048;

void dispatchOne(AEffect* effect, Input& in, std::vector<char>& buffer, std::vector<char>& second) {
    const std::uint8_t pick = in.byte();
    const int32 opcode =
        pick < 250 ? static_cast<int32>(pick % 82) - 2 : in.integer();  // -2 .. 79, or anything
    const int32 index = in.smallOrAny();
    intptr value = in.smallOrAny();
    const float opt = in.real();
    const bool withBuffer = (in.byte() & 1) != 0;
    std::memset(buffer.data(), 0, buffer.size());
    std::memset(second.data(), 0, second.size());
    void* ptr = withBuffer ? buffer.data() : nullptr;

    switch (opcode) {
    case effClose:
        return;  // handled by the caller: it ends the object
    case effEditOpen:
        // ptr is the host's parent window: a host passes a window or nothing, never memory.
        ptr = nullptr;
        break;
    case effSetProgramName:
    case effCanDo:
    case effString2Parameter: {
        // Zero-terminated text of any content within the buffer.
        const std::size_t length = in.byte();
        for (std::size_t i = 0; i < length; ++i) {
            buffer[i] = static_cast<char>(in.byte());
        }
        break;
    }
    case effSetChunk:
        // value is the byte size of the chunk ptr points at: never more than is there.
        value =
            withBuffer ? static_cast<intptr>(static_cast<std::uint32_t>(value) % kBufferSize) : 0;
        break;
    case effSetSpeakerArrangement:
    case effGetSpeakerArrangement:
        // value is a pointer here (to an arrangement, or to where one is stored).
        value = (value & 1) != 0 ? reinterpret_cast<intptr>(second.data()) : 0;
        break;
    case effProcessEvents:
        // ptr is a VstEvents list; a zeroed buffer is a list with no events.
        break;
    default:
        break;
    }
    effect->dispatcher(effect, opcode, index, value, ptr, opt);
}

void processOne(AEffect* effect, Input& in, bool replacing) {
    const int32 frames = static_cast<int32>(in.word() % (kMaxFrames + 1));
    const bool inPlace = (in.byte() & 1) != 0;
    std::vector<float> left(static_cast<std::size_t>(frames)), right(left.size());
    std::vector<float> outLeft(left.size()), outRight(left.size());
    for (int32 i = 0; i < frames && !in.empty(); ++i) {
        left[static_cast<std::size_t>(i)] = in.real();
        right[static_cast<std::size_t>(i)] =
            (i & 1) ? left[static_cast<std::size_t>(i)] : in.real();
    }
    float* inputs[2] = {left.data(), right.data()};
    float* separate[2] = {outLeft.data(), outRight.data()};
    float** outputs = inPlace ? inputs : separate;
    if (replacing) {
        effect->processReplacing(effect, inputs, outputs, frames);
    } else {
        effect->process(effect, inputs, outputs, frames);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (editorCreationFailed.load()) {
        return 0;  // nothing can be created in this process any more
    }
    AEffect* effect = melpPluginEntry(&fuzzHost);
    if (!effect) {
        return 0;
    }
    Input in(data, size);
    std::vector<char> buffer(kBufferSize), second(kBufferSize);
    for (int step = 0; step < 256 && !in.empty(); ++step) {
        switch (in.byte() % 8) {
        case 0:
        case 1:
        case 2:
            dispatchOne(effect, in, buffer, second);
            break;
        case 3:
            effect->setParameter(effect, in.smallOrAny(), in.real());
            break;
        case 4:
            effect->getParameter(effect, in.smallOrAny());
            break;
        case 5:
        case 6:
            processOne(effect, in, true);
            break;
        case 7:
            if ((in.byte() & 7) == 0) {
                // Close and start over, as a host reloading the plug-in does.
                effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
                effect = melpPluginEntry(&fuzzHost);
                if (!effect) {
                    return 0;
                }
            } else {
                processOne(effect, in, false);
            }
            break;
        }
    }
    effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
    return 0;
}
