#include "host/extended_effect.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "host/editor_base.h"
#include "host/opcodes.h"

namespace melp::host {

namespace {

intptr toBit(bool state) noexcept {
    return state ? 1 : 0;
}

// The x86 conversion's answer for what it cannot represent (INT32_MIN), never undefined.
int32 truncateToInt32(float value) noexcept {
    if (!(value > -2147483649.0f && value < 2147483648.0f)) {
        return std::numeric_limits<int32>::min();
    }
    return static_cast<int32>(value);
}

VstKeyCode keyFrom(int32 index, intptr value, float opt) noexcept {
    VstKeyCode key{};
    key.character = index;
    key.virt = static_cast<std::uint8_t>(value & 0xFF);
    key.modifier = static_cast<std::uint8_t>(truncateToInt32(opt) & 0xFF);
    return key;
}

constexpr std::size_t kArrangementHead = offsetof(VstSpeakerArrangement, speakers);

}  // namespace

ExtendedEffect::ExtendedEffect(audioMasterCallback hostCallback, int32 programCount,
                               int32 parameterCount) noexcept
    : BaseEffect(hostCallback, programCount, parameterCount) {}

ExtendedEffect::~ExtendedEffect() = default;

intptr ExtendedEffect::dispatch(int32 opcode, int32 index, intptr value, void* ptr,
                                float opt) noexcept {
    switch (opcode) {
    case effProcessEvents:
        return onEvents(static_cast<VstEvents*>(ptr));
    case effCanBeAutomated:
        return toBit(onCanAutomate(index));
    case effString2Parameter:
        return toBit(onStringToParameter(index, static_cast<char*>(ptr)));
    case effGetNumProgramCategories:
        return programCategoryCount();
    case effGetProgramNameIndexed:
        return toBit(
            copyIndexedProgramName(static_cast<int32>(value), index, static_cast<char*>(ptr)));
    case effCopyProgram:
        return toBit(onCopyProgram(index));
    case effConnectInput:
        onInputConnected(index, value != 0);
        return 1;
    case effConnectOutput:
        onOutputConnected(index, value != 0);
        return 1;
    case effGetInputProperties:
        return toBit(inputProperties(index, static_cast<VstPinProperties*>(ptr)));
    case effGetOutputProperties:
        return toBit(outputProperties(index, static_cast<VstPinProperties*>(ptr)));
    case effGetPlugCategory:
        return plugCategory();
    case effGetCurrentPosition:
        return currentPosition();
    case effGetDestinationBuffer:
        return reinterpret_cast<intptr>(destinationBuffer());
    case effOfflineNotify:
        return toBit(onOfflineNotify(static_cast<VstAudioFile*>(ptr), static_cast<int32>(value),
                                     index != 0));
    case effOfflinePrepare:
        return toBit(
            onOfflinePrepare(static_cast<VstOfflineTask*>(ptr), static_cast<int32>(value)));
    case effOfflineRun:
        return toBit(onOfflineRun(static_cast<VstOfflineTask*>(ptr), static_cast<int32>(value)));
    case effProcessVarIo:
        return toBit(onVariableIo(static_cast<VstVariableIo*>(ptr)));
    case effSetSpeakerArrangement:
        return toBit(onSetArrangement(reinterpret_cast<VstSpeakerArrangement*>(value),
                                      static_cast<VstSpeakerArrangement*>(ptr)));
    case effSetBlockSizeAndSampleRate:
        changeBlockSizeAndSampleRate(static_cast<int32>(value), opt);
        return 1;
    case effSetBypass:
        return toBit(onBypass(value != 0));
    case effGetEffectName:
        return toBit(copyEffectName(static_cast<char*>(ptr)));
    case effGetErrorText:
        return toBit(copyErrorText(static_cast<char*>(ptr)));
    case effGetVendorString:
        return toBit(copyVendorText(static_cast<char*>(ptr)));
    case effGetProductString:
        return toBit(copyProductText(static_cast<char*>(ptr)));
    case effGetVendorVersion:
        return vendorVersion();
    case effVendorSpecific:
        return onVendorCall(index, value, ptr, opt);
    case effCanDo:
        return onCanDo(static_cast<const char*>(ptr));
    case effGetTailSize:
        return tailSize();
    case effIdle:
        return onIdle();
    case effGetIcon:
        return reinterpret_cast<intptr>(icon());
    case effSetViewPosition:
        return toBit(onViewPosition(index, static_cast<int32>(value)));
    case effGetParameterProperties:
        return toBit(parameterProperties(index, static_cast<VstParameterProperties*>(ptr)));
    case effKeysRequired:
        // The interface asks the opposite question: 1 means "keys are not needed".
        return needsKeys() ? 0 : 1;
    case effGetVstVersion:
        return interfaceVersion();
    case effEditKeyDown:
        if (editor) {
            VstKeyCode key = keyFrom(index, value, opt);
            return editor->keyDown(key);
        }
        return 0;
    case effEditKeyUp:
        if (editor) {
            VstKeyCode key = keyFrom(index, value, opt);
            return editor->keyUp(key);
        }
        return 0;
    case effSetEditKnobMode:
        return editor ? editor->changeKnobMode(static_cast<int32>(value)) : 0;
    case effGetMidiProgramName:
        return midiProgramName(index, static_cast<MidiProgramName*>(ptr));
    case effGetCurrentMidiProgram:
        return currentMidiProgram(index, static_cast<MidiProgramName*>(ptr));
    case effGetMidiProgramCategory:
        return midiProgramCategory(index, static_cast<MidiProgramCategory*>(ptr));
    case effHasMidiProgramsChanged:
        return toBit(midiProgramsChanged(index));
    case effGetMidiKeyName:
        return toBit(midiKeyName(index, static_cast<MidiKeyName*>(ptr)));
    case effBeginSetProgram:
        return toBit(onBeginProgramChange());
    case effEndSetProgram:
        return toBit(onEndProgramChange());
    case effGetSpeakerArrangement:
        return toBit(onGetArrangement(reinterpret_cast<VstSpeakerArrangement**>(value),
                                      static_cast<VstSpeakerArrangement**>(ptr)));
    case effShellGetNextPlugin:
        return nextShellPlugin(static_cast<char*>(ptr));
    case effStartProcess:
        return onStartProcess();
    case effStopProcess:
        return onStopProcess();
    case effSetTotalSampleToProcess:
        return onTotalSamples(static_cast<int32>(value));
    case effSetPanLaw:
        return toBit(onPanLaw(static_cast<int32>(value), opt));
    case effBeginLoadBank:
        return onBeginLoadBank(static_cast<VstPatchChunkInfo*>(ptr));
    case effBeginLoadProgram:
        return onBeginLoadProgram(static_cast<VstPatchChunkInfo*>(ptr));
    default:
        return BaseEffect::dispatch(opcode, index, value, ptr, opt);
    }
}

EditorBase* ExtendedEffect::attachedEditor() noexcept {
    return editor;
}

int32 ExtendedEffect::hostWantEvents(int32 filter) noexcept {
    return hostCallback ? static_cast<int32>(askHost(audioMasterWantMidi, 0, filter, nullptr, 0.0f))
                        : 0;
}

VstTimeInfo* ExtendedEffect::hostTimeInfo(int32 filter) noexcept {
    return hostCallback ? reinterpret_cast<VstTimeInfo*>(
                              askHost(audioMasterGetTime, 0, filter, nullptr, 0.0f))
                        : nullptr;
}

int32 ExtendedEffect::hostTempoAt(int32 positionSamples) noexcept {
    return hostCallback
               ? static_cast<int32>(askHost(audioMasterTempoAt, 0, positionSamples, nullptr, 0.0f))
               : 0;
}

int32 ExtendedEffect::onEvents(VstEvents*) noexcept {
    return 0;
}

int32 ExtendedEffect::hostAutomatableCount() noexcept {
    return hostCallback ? static_cast<int32>(
                              askHost(audioMasterGetNumAutomatableParameters, 0, 0, nullptr, 0.0f))
                        : 0;
}

int32 ExtendedEffect::hostParameterQuantization() noexcept {
    return hostCallback ? static_cast<int32>(
                              askHost(audioMasterGetParameterQuantization, 0, 0, nullptr, 0.0f))
                        : 0;
}

bool ExtendedEffect::onCanAutomate(int32) noexcept {
    return true;
}

bool ExtendedEffect::onStringToParameter(int32, char*) noexcept {
    return false;
}

float ExtendedEffect::channelParameter(int32, int32) noexcept {
    return 0.0f;
}

int32 ExtendedEffect::programCategoryCount() noexcept {
    return 1;
}

bool ExtendedEffect::copyIndexedProgramName(int32, int32, char*) noexcept {
    return false;
}

bool ExtendedEffect::onCopyProgram(int32) noexcept {
    return false;
}

bool ExtendedEffect::hostIoChanged() noexcept {
    return hostCallback && askHost(audioMasterIOChanged, 0, 0, nullptr, 0.0f) != 0;
}

bool ExtendedEffect::hostNeedIdle() noexcept {
    return hostCallback && askHost(audioMasterNeedIdle, 0, 0, nullptr, 0.0f) != 0;
}

bool ExtendedEffect::hostSizeWindow(int32 width, int32 height) noexcept {
    return hostCallback && askHost(audioMasterSizeWindow, width, height, nullptr, 0.0f) != 0;
}

float ExtendedEffect::hostSampleRate() noexcept {
    if (hostCallback) {
        const intptr answer = askHost(audioMasterGetSampleRate, 0, 0, nullptr, 0.0f);
        if (answer > 0) {
            sampleRate.store(static_cast<float>(answer), std::memory_order_relaxed);
        }
    }
    return sampleRate.load(std::memory_order_relaxed);
}

int32 ExtendedEffect::hostBlockSize() noexcept {
    if (hostCallback) {
        const intptr answer = askHost(audioMasterGetBlockSize, 0, 0, nullptr, 0.0f);
        // A 64-bit answer beyond the field's range is no block size either.
        if (answer > 0 && answer <= std::numeric_limits<int32>::max()) {
            blockSize = static_cast<int32>(answer);
        }
    }
    return blockSize;
}

int32 ExtendedEffect::hostInputLatency() noexcept {
    return hostCallback
               ? static_cast<int32>(askHost(audioMasterGetInputLatency, 0, 0, nullptr, 0.0f))
               : 0;
}

int32 ExtendedEffect::hostOutputLatency() noexcept {
    return hostCallback
               ? static_cast<int32>(askHost(audioMasterGetOutputLatency, 0, 0, nullptr, 0.0f))
               : 0;
}

AEffect* ExtendedEffect::hostPreviousPlug(int32) noexcept {
    return hostCallback ? reinterpret_cast<AEffect*>(
                              askHost(audioMasterGetPreviousPlug, 0, 0, nullptr, 0.0f))
                        : nullptr;
}

AEffect* ExtendedEffect::hostNextPlug(int32) noexcept {
    return hostCallback
               ? reinterpret_cast<AEffect*>(askHost(audioMasterGetNextPlug, 0, 0, nullptr, 0.0f))
               : nullptr;
}

void ExtendedEffect::onInputConnected(int32, bool) noexcept {}

void ExtendedEffect::onOutputConnected(int32, bool) noexcept {}

bool ExtendedEffect::inputProperties(int32, VstPinProperties*) noexcept {
    return false;
}

bool ExtendedEffect::outputProperties(int32, VstPinProperties*) noexcept {
    return false;
}

int32 ExtendedEffect::plugCategory() noexcept {
    return (record.flags & effFlagsIsSynth) ? kPlugCategSynth : kPlugCategUnknown;
}

int32 ExtendedEffect::hostWillReplace() noexcept {
    return hostCallback ? static_cast<int32>(
                              askHost(audioMasterWillReplaceOrAccumulate, 0, 0, nullptr, 0.0f))
                        : 0;
}

int32 ExtendedEffect::hostProcessLevel() noexcept {
    return hostCallback
               ? static_cast<int32>(askHost(audioMasterGetCurrentProcessLevel, 0, 0, nullptr, 0.0f))
               : 0;
}

int32 ExtendedEffect::hostAutomationState() noexcept {
    return hostCallback
               ? static_cast<int32>(askHost(audioMasterGetAutomationState, 0, 0, nullptr, 0.0f))
               : 0;
}

void ExtendedEffect::declareAsync(bool state) noexcept {
    record.flags =
        state ? (record.flags | effFlagsExtIsAsync) : (record.flags & ~effFlagsExtIsAsync);
}

void ExtendedEffect::declareExternalBuffer(bool state) noexcept {
    record.flags =
        state ? (record.flags | effFlagsExtHasBuffer) : (record.flags & ~effFlagsExtHasBuffer);
}

int32 ExtendedEffect::currentPosition() noexcept {
    return 0;
}

float* ExtendedEffect::destinationBuffer() noexcept {
    return nullptr;
}

bool ExtendedEffect::hostOfflineRead(VstOfflineTask* task, int32 option, bool readSource) noexcept {
    return hostCallback &&
           askHost(audioMasterOfflineRead, readSource ? 1 : 0, option, task, 0.0f) != 0;
}

bool ExtendedEffect::hostOfflineWrite(VstOfflineTask* task, int32 option) noexcept {
    return hostCallback && askHost(audioMasterOfflineWrite, 0, option, task, 0.0f) != 0;
}

bool ExtendedEffect::hostOfflineStart(VstAudioFile* files, int32 fileCount,
                                      int32 newFileCount) noexcept {
    return hostCallback &&
           askHost(audioMasterOfflineStart, newFileCount, fileCount, files, 0.0f) != 0;
}

int32 ExtendedEffect::hostOfflinePass() noexcept {
    return hostCallback && askHost(audioMasterOfflineGetCurrentPass, 0, 0, nullptr, 0.0f) != 0 ? 1
                                                                                               : 0;
}

int32 ExtendedEffect::hostOfflineMetaPass() noexcept {
    return hostCallback && askHost(audioMasterOfflineGetCurrentMetaPass, 0, 0, nullptr, 0.0f) != 0
               ? 1
               : 0;
}

bool ExtendedEffect::onOfflineNotify(VstAudioFile*, int32, bool) noexcept {
    return false;
}

bool ExtendedEffect::onOfflinePrepare(VstOfflineTask*, int32) noexcept {
    return false;
}

bool ExtendedEffect::onOfflineRun(VstOfflineTask*, int32) noexcept {
    return false;
}

int32 ExtendedEffect::offlinePassCount() noexcept {
    return 0;
}

int32 ExtendedEffect::offlineMetaPassCount() noexcept {
    return 0;
}

int32 ExtendedEffect::hostSetOutputSampleRate(float rateHz) noexcept {
    return hostCallback
               ? static_cast<int32>(askHost(audioMasterSetOutputSampleRate, 0, 0, nullptr, rateHz))
               : 0;
}

VstSpeakerArrangement* ExtendedEffect::hostInputArrangement() noexcept {
    return hostCallback ? reinterpret_cast<VstSpeakerArrangement*>(
                              askHost(audioMasterGetInputSpeakerArrangement, 0, 0, nullptr, 0.0f))
                        : nullptr;
}

VstSpeakerArrangement* ExtendedEffect::hostOutputArrangement() noexcept {
    return hostCallback ? reinterpret_cast<VstSpeakerArrangement*>(
                              askHost(audioMasterGetOutputSpeakerArrangement, 0, 0, nullptr, 0.0f))
                        : nullptr;
}

bool ExtendedEffect::hostVendorText(char* text) noexcept {
    return hostCallback && askHost(audioMasterGetVendorString, 0, 0, text, 0.0f) != 0;
}

bool ExtendedEffect::hostProductText(char* text) noexcept {
    return hostCallback && askHost(audioMasterGetProductString, 0, 0, text, 0.0f) != 0;
}

int32 ExtendedEffect::hostVendorVersion() noexcept {
    return hostCallback
               ? static_cast<int32>(askHost(audioMasterGetVendorVersion, 0, 0, nullptr, 0.0f))
               : 0;
}

intptr ExtendedEffect::hostVendorCall(int32 index, intptr value, void* ptr, float opt) noexcept {
    return hostCallback ? askHost(audioMasterVendorSpecific, index, value, ptr, opt) : 0;
}

bool ExtendedEffect::hostCanDo(const char* text) noexcept {
    // The interface's pointer argument is not const; the host only reads the string.
    return hostCallback && askHost(audioMasterCanDo, 0, 0, const_cast<char*>(text), 0.0f) != 0;
}

void ExtendedEffect::declareSynth(bool state) noexcept {
    record.flags = state ? (record.flags | effFlagsIsSynth) : (record.flags & ~effFlagsIsSynth);
}

void ExtendedEffect::declareNoTail(bool state) noexcept {
    record.flags =
        state ? (record.flags | effFlagsNoSoundInStop) : (record.flags & ~effFlagsNoSoundInStop);
}

int32 ExtendedEffect::hostLanguage() noexcept {
    return hostCallback ? static_cast<int32>(askHost(audioMasterGetLanguage, 0, 0, nullptr, 0.0f))
                        : 0;
}

void* ExtendedEffect::hostOpenWindow(VstWindow* window) noexcept {
    return hostCallback
               ? reinterpret_cast<void*>(askHost(audioMasterOpenWindow, 0, 0, window, 0.0f))
               : nullptr;
}

bool ExtendedEffect::hostCloseWindow(VstWindow* window) noexcept {
    return hostCallback && askHost(audioMasterCloseWindow, 0, 0, window, 0.0f) != 0;
}

void* ExtendedEffect::hostDirectory() noexcept {
    return hostCallback
               ? reinterpret_cast<void*>(askHost(audioMasterGetDirectory, 0, 0, nullptr, 0.0f))
               : nullptr;
}

bool ExtendedEffect::hostUpdateDisplay() noexcept {
    return hostCallback && askHost(audioMasterUpdateDisplay, 0, 0, nullptr, 0.0f) != 0;
}

bool ExtendedEffect::onVariableIo(VstVariableIo*) noexcept {
    return false;
}

bool ExtendedEffect::onSetArrangement(VstSpeakerArrangement*, VstSpeakerArrangement*) noexcept {
    return false;
}

bool ExtendedEffect::onGetArrangement(VstSpeakerArrangement** input,
                                      VstSpeakerArrangement** output) noexcept {
    if (input) {
        *input = nullptr;
    }
    if (output) {
        *output = nullptr;
    }
    return false;
}

void ExtendedEffect::changeBlockSizeAndSampleRate(int32 sizeSamples, float rateHz) noexcept {
    blockSize = sizeSamples;
    sampleRate.store(rateHz, std::memory_order_relaxed);
}

bool ExtendedEffect::onBypass(bool) noexcept {
    return false;
}

bool ExtendedEffect::copyEffectName(char*) noexcept {
    return false;
}

bool ExtendedEffect::copyErrorText(char*) noexcept {
    return false;
}

bool ExtendedEffect::copyVendorText(char*) noexcept {
    return false;
}

bool ExtendedEffect::copyProductText(char*) noexcept {
    return false;
}

int32 ExtendedEffect::vendorVersion() noexcept {
    return 0;
}

intptr ExtendedEffect::onVendorCall(int32, intptr, void*, float) noexcept {
    return 0;
}

int32 ExtendedEffect::onCanDo(const char*) noexcept {
    return 0;
}

void* ExtendedEffect::icon() noexcept {
    return nullptr;
}

bool ExtendedEffect::onViewPosition(int32, int32) noexcept {
    return false;
}

int32 ExtendedEffect::tailSize() noexcept {
    return 0;
}

int32 ExtendedEffect::onIdle() noexcept {
    return 0;
}

bool ExtendedEffect::parameterProperties(int32, VstParameterProperties*) noexcept {
    return false;
}

bool ExtendedEffect::needsKeys() noexcept {
    return false;
}

int32 ExtendedEffect::interfaceVersion() noexcept {
    return 2300;
}

int32 ExtendedEffect::midiProgramName(int32, MidiProgramName*) noexcept {
    return 0;
}

int32 ExtendedEffect::midiProgramCategory(int32, MidiProgramCategory*) noexcept {
    return 0;
}

int32 ExtendedEffect::currentMidiProgram(int32, MidiProgramName*) noexcept {
    return -1;
}

bool ExtendedEffect::midiProgramsChanged(int32) noexcept {
    return false;
}

bool ExtendedEffect::midiKeyName(int32, MidiKeyName*) noexcept {
    return false;
}

bool ExtendedEffect::onBeginProgramChange() noexcept {
    return false;
}

bool ExtendedEffect::onEndProgramChange() noexcept {
    return false;
}

bool ExtendedEffect::hostBeginEdit(int32 index) noexcept {
    return hostCallback && askHost(audioMasterBeginEdit, index, 0, nullptr, 0.0f) != 0;
}

bool ExtendedEffect::hostEndEdit(int32 index) noexcept {
    return hostCallback && askHost(audioMasterEndEdit, index, 0, nullptr, 0.0f) != 0;
}

bool ExtendedEffect::hostOpenFileSelector(VstFileSelect* selector) noexcept {
    return hostCallback && selector &&
           askHost(audioMasterOpenFileSelector, 0, 0, selector, 0.0f) != 0;
}

int32 ExtendedEffect::onTotalSamples(int32 value) noexcept {
    return value;
}

int32 ExtendedEffect::nextShellPlugin(char*) noexcept {
    return 0;
}

int32 ExtendedEffect::onStartProcess() noexcept {
    return 0;
}

int32 ExtendedEffect::onStopProcess() noexcept {
    return 0;
}

bool ExtendedEffect::onPanLaw(int32, float) noexcept {
    return false;
}

int32 ExtendedEffect::onBeginLoadBank(VstPatchChunkInfo*) noexcept {
    return 0;
}

int32 ExtendedEffect::onBeginLoadProgram(VstPatchChunkInfo*) noexcept {
    return 0;
}

bool ExtendedEffect::createArrangement(VstSpeakerArrangement** arrangement,
                                       int32 channels) noexcept {
    // No place to store the result, or a size no allocation can have.
    if (!arrangement || channels < 0 ||
        static_cast<std::size_t>(channels) >
            (std::numeric_limits<std::size_t>::max() - kArrangementHead) /
                sizeof(VstSpeakerProperties)) {
        return false;
    }
    std::free(*arrangement);
    // Never smaller than the declared record, so code that reads it as declared stays inside.
    std::size_t size =
        kArrangementHead + static_cast<std::size_t>(channels) * sizeof(VstSpeakerProperties);
    if (size < sizeof(VstSpeakerArrangement)) {
        size = sizeof(VstSpeakerArrangement);
    }
    auto* created = static_cast<VstSpeakerArrangement*>(std::calloc(1, size));
    // On failure the freed arrangement must not stay behind as a dangling pointer.
    *arrangement = created;
    if (!created) {
        return false;
    }
    created->numChannels = channels;
    return true;
}

bool ExtendedEffect::releaseArrangement(VstSpeakerArrangement** arrangement) noexcept {
    if (!arrangement) {
        return false;
    }
    std::free(*arrangement);
    *arrangement = nullptr;
    return true;
}

bool ExtendedEffect::copySpeakerProperties(VstSpeakerProperties* to,
                                           const VstSpeakerProperties* from) noexcept {
    if (!to || !from) {
        return false;
    }
    // The name is copied as a string, but never past its 64-byte field.
    std::size_t length = 0;
    while (length < sizeof to->name - 1 && from->name[length] != '\0') {
        ++length;
    }
    std::memcpy(to->name, from->name, length);
    to->name[length] = '\0';
    to->type = from->type;
    to->azimuth = from->azimuth;
    to->elevation = from->elevation;
    to->radius = from->radius;
    to->reserved = from->reserved;
    std::memcpy(to->future, from->future, sizeof to->future);
    return true;
}

bool ExtendedEffect::cloneArrangement(VstSpeakerArrangement** to,
                                      const VstSpeakerArrangement* from) noexcept {
    if (!from) {
        return false;
    }
    if (!releaseArrangement(to) || !createArrangement(to, from->numChannels)) {
        return false;
    }
    (*to)->type = from->type;
    // The speaker arrays really hold numChannels entries, beyond the declared eight.
    VstSpeakerProperties* target = (*to)->speakers;
    const VstSpeakerProperties* source = from->speakers;
    for (int32 channel = 0; channel < from->numChannels; ++channel) {
        if (!copySpeakerProperties(target + channel, source + channel)) {
            return false;
        }
    }
    return true;
}

bool ExtendedEffect::hostSendEvents(VstEvents* events) noexcept {
    return hostCallback && askHost(audioMasterProcessEvents, 0, 0, events, 0.0f) == 1;
}

bool ExtendedEffect::hostCloseFileSelector(VstFileSelect* selector) noexcept {
    return hostCallback && selector &&
           askHost(audioMasterCloseFileSelector, 0, 0, selector, 0.0f) != 0;
}

bool ExtendedEffect::hostChunkFile(char* path) noexcept {
    return hostCallback && path && askHost(audioMasterGetChunkFile, 0, 0, path, 0.0f) != 0;
}

}  // namespace melp::host
