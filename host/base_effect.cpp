#include "host/base_effect.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

#include "host/editor_base.h"
#include "host/entry.h"
#include "host/opcodes.h"

namespace melp::host {

std::atomic<bool> editorCreationFailed{false};

namespace {

// Truncation toward zero as the x86 conversion instruction does it: values it cannot
// represent (NaN, out of range) become the "integer indefinite" INT32_MIN instead of being
// undefined behaviour.
int32 truncateToInt32(double value) noexcept {
    if (!(value > -2147483649.0 && value < 2147483648.0)) {
        return std::numeric_limits<int32>::min();
    }
    return static_cast<int32>(value);
}

void writeText(char* text, const char* value) noexcept {
    if (text) {
        std::strcpy(text, value);
    }
}

}  // namespace

BaseEffect::BaseEffect(audioMasterCallback hostCallback, int32 programCount,
                       int32 parameterCount) noexcept
    : sampleRate(44100.0f), editor(nullptr), hostCallback(hostCallback), programCount(programCount),
      parameterCount(parameterCount), programIndex(0), blockSize(1024) {
    std::memset(&record, 0, sizeof record);
    record.magic = kEffectMagic;
    record.dispatcher = dispatchEntry;
    record.process = processEntry;
    record.setParameter = setParameterEntry;
    record.getParameter = getParameterEntry;
    record.numPrograms = programCount;
    record.numParams = parameterCount;
    record.numInputs = 1;
    record.numOutputs = 2;
    record.ioRatio = 1.0f;
    record.object = this;
    record.uniqueID = kDefaultUniqueId;
    record.version = 1;
    record.processReplacing = processReplacingEntry;
}

BaseEffect::~BaseEffect() {
    delete editor;
}

void BaseEffect::setParameterValue(int32, float) noexcept {}

float BaseEffect::parameterValue(int32) noexcept {
    return 0.0f;
}

void BaseEffect::automateParameter(int32 index, float value) noexcept {
    setParameterValue(index, value);
    if (hostCallback) {
        askHost(audioMasterAutomate, index, 0, nullptr, value);
    }
}

void BaseEffect::processReplace(float**, float**, int32) noexcept {}

intptr BaseEffect::dispatch(int32 opcode, int32 index, intptr value, void* ptr,
                            float opt) noexcept {
    switch (opcode) {
    case effOpen:
        onOpen();
        return 0;
    case effClose:
        onClose();
        return 0;
    case effSetProgram:
        if (value < programCount) {
            selectProgram(static_cast<int32>(value));
        }
        return 0;
    case effGetProgram:
        return currentProgram();
    case effSetProgramName:
        renameProgram(static_cast<const char*>(ptr));
        return 0;
    case effGetProgramName:
        copyProgramName(static_cast<char*>(ptr));
        return 0;
    case effGetParamLabel:
        copyParameterLabel(index, static_cast<char*>(ptr));
        return 0;
    case effGetParamDisplay:
        copyParameterDisplay(index, static_cast<char*>(ptr));
        return 0;
    case effGetParamName:
        copyParameterName(index, static_cast<char*>(ptr));
        return 0;
    case effGetVu:
        return truncateToInt32(static_cast<double>(vuLevel()) * 32767.0);
    case effSetSampleRate:
        changeSampleRate(opt);
        return 0;
    case effSetBlockSize:
        changeBlockSize(static_cast<int32>(value));
        return 0;
    case effMainsChanged:
        if (value == 0) {
            onSuspend();
        } else {
            onResume();
        }
        return 0;
    case effEditGetRect:
        return editor ? editor->editorRect(static_cast<ERect**>(ptr)) : 0;
    case effEditOpen:
        return editor ? editor->openEditor(ptr) : 0;
    case effEditClose:
        if (editor) {
            editor->closeEditor();
        }
        return 0;
    case effEditIdle:
        if (editor) {
            editor->idleEditor();
        }
        return 0;
    case effIdentify:
        return kIdentifyAnswer;
    case effGetChunk:
        return saveChunk(static_cast<void**>(ptr), index != 0);
    case effSetChunk:
        return loadChunk(ptr, static_cast<int32>(value), index != 0);
    default:
        // effEditDraw, effEditMouse, effEditKey, effEditTop, effEditSleep and unknown opcodes.
        return 0;
    }
}

void BaseEffect::onOpen() noexcept {}

void BaseEffect::onClose() noexcept {}

int32 BaseEffect::currentProgram() noexcept {
    return programIndex;
}

void BaseEffect::selectProgram(int32 program) noexcept {
    programIndex = program;
}

void BaseEffect::renameProgram(const char*) noexcept {}

void BaseEffect::copyProgramName(char* text) noexcept {
    writeText(text, "");
}

void BaseEffect::copyParameterLabel(int32, char* text) noexcept {
    writeText(text, "");
}

void BaseEffect::copyParameterDisplay(int32, char* text) noexcept {
    writeText(text, "");
}

void BaseEffect::copyParameterName(int32, char* text) noexcept {
    writeText(text, "");
}

float BaseEffect::vuLevel() noexcept {
    return 0.0f;
}

float BaseEffect::readMeter(int32) noexcept {
    return 0.0f;
}

void BaseEffect::resetMeters() noexcept {}

int32 BaseEffect::saveChunk(void**, bool) noexcept {
    return 0;
}

int32 BaseEffect::loadChunk(void*, int32, bool) noexcept {
    return 0;
}

void BaseEffect::changeSampleRate(float rateHz) noexcept {
    sampleRate.store(rateHz, std::memory_order_relaxed);
}

void BaseEffect::changeBlockSize(int32 sizeSamples) noexcept {
    blockSize = sizeSamples;
}

void BaseEffect::onSuspend() noexcept {}

void BaseEffect::onResume() noexcept {}

void BaseEffect::assignUniqueId(int32 id) noexcept {
    record.uniqueID = id;
}

void BaseEffect::assignInputCount(int32 count) noexcept {
    record.numInputs = count;
}

void BaseEffect::assignOutputCount(int32 count) noexcept {
    record.numOutputs = count;
}

namespace {

void setFlag(AEffect& record, int32 flag, bool state) noexcept {
    record.flags = state ? (record.flags | flag) : (record.flags & ~flag);
}

}  // namespace

void BaseEffect::declareVu(bool state) noexcept {
    setFlag(record, effFlagsHasVu, state);
}

void BaseEffect::declareClip(bool state) noexcept {
    setFlag(record, effFlagsHasClip, state);
}

void BaseEffect::declareMono(bool state) noexcept {
    setFlag(record, effFlagsCanMono, state);
}

void BaseEffect::declareReplacing(bool state) noexcept {
    setFlag(record, effFlagsCanReplacing, state);
}

void BaseEffect::declareChunkPrograms(bool state) noexcept {
    setFlag(record, effFlagsProgramChunks, state);
}

void BaseEffect::assignRealtimeQualities(int32 value) noexcept {
    record.realQualities = value;
}

void BaseEffect::assignOfflineQualities(int32 value) noexcept {
    record.offQualities = value;
}

void BaseEffect::assignInitialDelay(int32 delaySamples) noexcept {
    record.initialDelay = delaySamples;
}

float BaseEffect::currentSampleRate() noexcept {
    return sampleRate.load(std::memory_order_relaxed);
}

int32 BaseEffect::currentBlockSize() noexcept {
    return blockSize;
}

int32 BaseEffect::hostVersion() noexcept {
    if (!hostCallback) {
        return 1;
    }
    // Checked after the narrowing, so that no answer ever reports version 0.
    const auto version = static_cast<int32>(askHost(audioMasterVersion, 0, 0, nullptr, 0.0f));
    return version != 0 ? version : 1;
}

int32 BaseEffect::hostCurrentId() noexcept {
    return hostCallback ? static_cast<int32>(askHost(audioMasterCurrentId, 0, 0, nullptr, 0.0f))
                        : 0;
}

int32 BaseEffect::hostIdle() noexcept {
    return hostCallback ? static_cast<int32>(askHost(audioMasterIdle, 0, 0, nullptr, 0.0f)) : 0;
}

bool BaseEffect::hostInputConnected(int32 pin) noexcept {
    return hostCallback ? askHost(audioMasterPinConnected, pin, 0, nullptr, 0.0f) == 0 : true;
}

bool BaseEffect::hostOutputConnected(int32 pin) noexcept {
    return hostCallback ? askHost(audioMasterPinConnected, pin, 1, nullptr, 0.0f) == 0 : true;
}

void BaseEffect::formatDecibels(float value, char* text) noexcept {
    if (value > 0.0f) {
        formatFloat(20.0f * std::log10(value), text);
    } else {
        writeText(text, "-oo");
    }
}

void BaseEffect::formatHertz(float samples, char* text) noexcept {
    const float rate = currentSampleRate();
    formatFloat(samples == 0.0f ? 0.0f : rate / samples, text);
}

void BaseEffect::formatMilliseconds(float samples, char* text) noexcept {
    formatFloat(samples * 1000.0f / currentSampleRate(), text);
}

void BaseEffect::formatFloat(float value, char* text) noexcept {
    if (!text) {
        return;
    }
    constexpr int width = 8;
    const bool negative = value < 0.0f;
    const double v = std::fabs(static_cast<double>(value));
    if (std::isnan(v)) {
        std::strcpy(text, "NaN");
        return;
    }
    if (v > (negative ? 9999999.0 : 99999999.0)) {
        std::strcpy(text, "Huge!");
        return;
    }
    // Digits are produced right to left into the tail of a buffer.
    char digits[16];
    int start = static_cast<int>(sizeof digits) - 1;
    digits[start] = '\0';
    auto digitOf = [](double d) {
        return static_cast<char>('0' + static_cast<int>(std::fmod(d, 10.0)));
    };

    double i = std::floor(v);
    digits[--start] = '.';
    digits[--start] = digitOf(i);
    int count = negative ? 3 : 2;
    for (i *= 0.1; i >= 1.0 && count < width; i *= 0.1) {
        digits[--start] = digitOf(i);
        ++count;
    }
    if (i >= 1.0) {
        // The value has as many integer digits as the width holds, with no room left for the
        // point: write them whole rather than dropping the leading one.
        start = static_cast<int>(sizeof digits) - 1;
        double whole = std::floor(v);
        for (int n = 0; n < width - (negative ? 1 : 0); ++n, whole = std::floor(whole * 0.1)) {
            digits[--start] = digitOf(whole);
        }
        count = width;
    }
    if (negative) {
        digits[--start] = '-';
    }
    std::strcpy(text, digits + start);
    if (count < width) {
        const int n = width - count;
        double m = std::fmod(v, 1.0) * std::pow(10.0, n);
        char fraction[width + 1];
        fraction[n] = '\0';
        for (int k = n - 1; k >= 0; --k) {
            fraction[k] = m > 0.0 ? digitOf(m) : '0';
            m *= 0.1;
        }
        std::strcat(text, fraction);
    }
}

void BaseEffect::formatInteger(int32 value, char* text) noexcept {
    if (!text) {
        return;
    }
    // Eight characters at most: the bound on the negative side keeps the sign and all digits,
    // where cutting "%7d" after eight characters would show a different number.
    if (value >= 100000000 || value <= -10000000) {
        std::strcpy(text, "Huge!");
        return;
    }
    char printed[16];
    std::snprintf(printed, sizeof printed, "%7d", static_cast<int>(value));
    printed[8] = '\0';
    std::strcpy(text, printed);
}

void BaseEffect::attachEditor(EditorBase* attached) noexcept {
    editor = attached;
    setFlag(record, effFlagsHasEditor, attached != nullptr);
}

intptr MELP_CDECL dispatchEntry(AEffect* effect, int32 opcode, int32 index, intptr value, void* ptr,
                                float opt) noexcept {
    BaseEffect* object = BaseEffect::fromRecord(effect);
    if (!object) {
        return 0;
    }
    // A host that closed the effect may still call from inside one of its answers: the
    // object is gone for it.
    if (object->closed()) {
        return 0;
    }
    object->enterCall();
    intptr result = object->dispatch(opcode, index, value, ptr, opt);
    if (opcode == effClose) {
        object->letGoOfHost();
        result = 1;
    }
    BaseEffect::leaveCall(object);
    return result;
}

void BaseEffect::enterCall() noexcept {
    callsInProgress_.fetch_add(1, std::memory_order_relaxed);
}

void BaseEffect::letGoOfHost() noexcept {
    hostCallback = nullptr;
    closed_.store(true, std::memory_order_relaxed);
}

void BaseEffect::leaveCall(BaseEffect* object) noexcept {
    if (object->callsInProgress_.fetch_sub(1, std::memory_order_acq_rel) == 1 &&
        object->closed()) {
        delete object;
    }
}

void MELP_CDECL processEntry(AEffect* effect, float** inputs, float** outputs,
                             int32 sampleFrames) noexcept {
    if (BaseEffect* object = BaseEffect::fromRecord(effect)) {
        object->processAccumulate(inputs, outputs, sampleFrames);
    }
}

void MELP_CDECL processReplacingEntry(AEffect* effect, float** inputs, float** outputs,
                                      int32 sampleFrames) noexcept {
    if (BaseEffect* object = BaseEffect::fromRecord(effect)) {
        object->processReplace(inputs, outputs, sampleFrames);
    }
}

void MELP_CDECL setParameterEntry(AEffect* effect, int32 index, float value) noexcept {
    if (BaseEffect* object = BaseEffect::fromRecord(effect)) {
        object->setParameterValue(index, value);
    }
}

float MELP_CDECL getParameterEntry(AEffect* effect, int32 index) noexcept {
    BaseEffect* object = BaseEffect::fromRecord(effect);
    return object ? object->parameterValue(index) : 0.0f;
}

}  // namespace melp::host
