// BaseEffect: the root of every effect. It owns the effect record handed to the host, the
// host callback, the current sample rate and block size, and the attached editor; it answers
// dispatcher opcodes 0 to 24 and wraps the first host requests.
//
// The virtual operations are declared one per line in their fixed table order; derived
// classes keep that order and append. Every operation a host can reach is noexcept.
//
// Threads: the record's processing entries run processAccumulate/processReplace on the
// host's audio thread; the dispatcher runs on whatever thread the host calls it on (editor
// opcodes on its user-interface thread); parameters may arrive from either. No lock is
// taken: shared values are single 32-bit fields written and read whole (atomics with
// relaxed order where both threads touch them).
#pragma once

#include <atomic>
#include <cstdint>

#include "host/effect_record.h"

namespace melp::host {

class EditorBase;

class BaseEffect {
    // Calls of the plug-in in progress (dispatcher calls and the editor window's mouse
    // handling) and whether the host has closed the effect meanwhile: the object outlives
    // every call on the stack. Declared first so that the record stays the last field.
    std::atomic<std::int32_t> callsInProgress_{0};
    std::atomic<bool> closed_{false};

public:
    // hostCallback may be null: every host request then answers its no-host value.
    // programCount and parameterCount also go to the record's numPrograms / numParams.
    BaseEffect(audioMasterCallback hostCallback, int32 programCount, int32 parameterCount) noexcept;
    BaseEffect(const BaseEffect&) = delete;
    BaseEffect& operator=(const BaseEffect&) = delete;

    // Destroys the attached editor, if any.
    virtual ~BaseEffect();
    // [any thread] Parameter value as the host sends it (normally 0 to 1, not clamped).
    virtual void setParameterValue(int32 index, float value) noexcept;
    virtual float parameterValue(int32 index) noexcept;
    // setParameterValue, then audioMasterAutomate with the value unchanged.
    virtual void automateParameter(int32 index, float value) noexcept;
    // [audio thread] Adds the processed inputs to outputs. inputs/outputs: one buffer of
    // sampleFrames samples per channel, owned by the host for the call.
    virtual void processAccumulate(float** inputs, float** outputs,
                                   int32 sampleFrames) noexcept = 0;
    // [audio thread] Writes the processed inputs over outputs (which may alias inputs).
    virtual void processReplace(float** inputs, float** outputs, int32 sampleFrames) noexcept;
    // Opcodes 0 to 24; anything else answers 0 and calls nothing.
    virtual intptr dispatch(int32 opcode, int32 index, intptr value, void* ptr, float opt) noexcept;
    virtual void onOpen() noexcept;
    virtual void onClose() noexcept;
    virtual int32 currentProgram() noexcept;
    virtual void selectProgram(int32 program) noexcept;
    // name: the host's zero-terminated text (may be null), borrowed for the call.
    virtual void renameProgram(const char* name) noexcept;
    // text: the host's buffer (conventionally 24 bytes for names, 8 for parameter texts).
    virtual void copyProgramName(char* text) noexcept;
    virtual void copyParameterLabel(int32 index, char* text) noexcept;
    virtual void copyParameterDisplay(int32 index, char* text) noexcept;
    virtual void copyParameterName(int32 index, char* text) noexcept;
    // Linear level; the dispatcher reports it times 32767.
    virtual float vuLevel() noexcept;
    // [ui thread] The editor's way into the measurements: a meter position or value.
    virtual float readMeter(int32 index) noexcept;
    // [ui thread] Clears the maximum holds.
    virtual void resetMeters() noexcept;
    // data: where to store a pointer to chunk memory the effect keeps owning. Returns bytes.
    virtual int32 saveChunk(void** data, bool isPreset) noexcept;
    virtual int32 loadChunk(void* data, int32 byteSize, bool isPreset) noexcept;
    virtual void changeSampleRate(float rateHz) noexcept;
    virtual void changeBlockSize(int32 sizeSamples) noexcept;
    virtual void onSuspend() noexcept;
    virtual void onResume() noexcept;
    virtual void assignUniqueId(int32 id) noexcept;
    virtual void assignInputCount(int32 count) noexcept;
    virtual void assignOutputCount(int32 count) noexcept;
    virtual void declareVu(bool state) noexcept;
    virtual void declareClip(bool state) noexcept;
    virtual void declareMono(bool state) noexcept;
    virtual void declareReplacing(bool state) noexcept;
    virtual void declareChunkPrograms(bool state) noexcept;
    virtual void assignRealtimeQualities(int32 value) noexcept;
    virtual void assignOfflineQualities(int32 value) noexcept;
    virtual void assignInitialDelay(int32 delaySamples) noexcept;
    virtual float currentSampleRate() noexcept;
    virtual int32 currentBlockSize() noexcept;
    // Host version; a host answering 0 (or no host) reports 1.
    virtual int32 hostVersion() noexcept;
    virtual int32 hostCurrentId() noexcept;
    virtual int32 hostIdle() noexcept;
    // True when the host answers 0 (the interface's inverted sense), or without a host.
    virtual bool hostInputConnected(int32 pin) noexcept;
    virtual bool hostOutputConnected(int32 pin) noexcept;
    // Text formatters: text needs room for 9 bytes (8 characters and the terminator).
    virtual void formatDecibels(float value, char* text) noexcept;
    virtual void formatHertz(float samples, char* text) noexcept;
    virtual void formatMilliseconds(float samples, char* text) noexcept;
    virtual void formatFloat(float value, char* text) noexcept;
    virtual void formatInteger(int32 value, char* text) noexcept;

    // Stores the editor (owned from now on) and sets effFlagsHasEditor when it is non-null,
    // clears it when null. The editor base constructor calls it with itself.
    void attachEditor(EditorBase* attached) noexcept;

    // [ui thread] Brackets a call of the plug-in that may reach the host, so that a host
    // closing the effect from inside its answer cannot free the object under the call.
    // leaveCall destroys the object when it ends the outermost call of a closed effect:
    // nothing of it may be touched afterwards.
    void enterCall() noexcept;
    static void leaveCall(BaseEffect* object) noexcept;
    // After the host's effClose: no further request reaches the host, and the object (the
    // record inside it) goes when the outermost call returns. [ui thread]
    void letGoOfHost() noexcept;
    // True from effClose on, while calls still in progress unwind.
    bool closed() const noexcept { return closed_.load(std::memory_order_relaxed); }

    // The record's object field points back here: this recovers the effect in the entries.
    static BaseEffect* fromRecord(AEffect* effect) noexcept {
        return effect ? static_cast<BaseEffect*>(effect->object) : nullptr;
    }

protected:
    // The one road to the host callback (which must be non-null): the record's address goes
    // first, as the interface wants.
    intptr askHost(int32 request, int32 index, intptr value, void* ptr, float opt) noexcept {
        return hostCallback(&record, request, index, value, ptr, opt);
    }

public:
    // Fields, in this order. Public: derived effects, the entries and tests read them.
    // Hz, 44100 until the host says otherwise. Written by the dispatcher's thread, read by
    // the audio thread at every sample: relaxed loads and stores (plain ones on x86).
    std::atomic<float> sampleRate;
    EditorBase* editor;                // owned; null when the effect has no editor
    audioMasterCallback hostCallback;  // may be null
    int32 programCount;
    int32 parameterCount;
    int32 programIndex;
    int32 blockSize;  // maximum block length in samples
    AEffect record;   // handed to the host; lives exactly as long as this object
};

// The five record entries the BaseEffect constructor installs. Each recovers the object from
// the record and calls one virtual operation; dispatchEntry destroys the object on effClose,
// once no call of it is in progress.
intptr MELP_CDECL dispatchEntry(AEffect* effect, int32 opcode, int32 index, intptr value, void* ptr,
                                float opt) noexcept;
void MELP_CDECL processEntry(AEffect* effect, float** inputs, float** outputs,
                             int32 sampleFrames) noexcept;
void MELP_CDECL processReplacingEntry(AEffect* effect, float** inputs, float** outputs,
                                      int32 sampleFrames) noexcept;
void MELP_CDECL setParameterEntry(AEffect* effect, int32 index, float value) noexcept;
float MELP_CDECL getParameterEntry(AEffect* effect, int32 index) noexcept;

}  // namespace melp::host
