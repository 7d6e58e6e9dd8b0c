// ExtendedEffect: BaseEffect plus dispatcher opcodes 25 to 76 and the later host requests.
// It adds no fields. Its operations follow BaseEffect's in the table, one per line in their
// fixed order; derived effects append after them.
//
// Pointer arguments come from the host and are borrowed for the call only; the operations
// decide what a null pointer means. Request wrappers (host...) call the host callback on the
// caller's thread and answer their no-host value when there is no callback.
#pragma once

#include "host/base_effect.h"

namespace melp::host {

class ExtendedEffect : public BaseEffect {
public:
    ExtendedEffect(audioMasterCallback hostCallback, int32 programCount,
                   int32 parameterCount) noexcept;

    ~ExtendedEffect() override;
    // Opcodes 25 to 76; every other opcode goes to BaseEffect::dispatch unchanged.
    intptr dispatch(int32 opcode, int32 index, intptr value, void* ptr,
                    float opt) noexcept override;

    virtual EditorBase* attachedEditor() noexcept;
    virtual int32 hostWantEvents(int32 filter) noexcept;
    // The host's time record (owned by the host), or null.
    virtual VstTimeInfo* hostTimeInfo(int32 filter) noexcept;
    virtual int32 hostTempoAt(int32 positionSamples) noexcept;
    virtual int32 onEvents(VstEvents* events) noexcept;
    virtual int32 hostAutomatableCount() noexcept;
    virtual int32 hostParameterQuantization() noexcept;
    virtual bool onCanAutomate(int32 index) noexcept;
    virtual bool onStringToParameter(int32 index, char* text) noexcept;
    virtual float channelParameter(int32 channel, int32 index) noexcept;
    virtual int32 programCategoryCount() noexcept;
    virtual bool copyIndexedProgramName(int32 category, int32 index, char* text) noexcept;
    virtual bool onCopyProgram(int32 destination) noexcept;
    virtual bool hostIoChanged() noexcept;
    virtual bool hostNeedIdle() noexcept;
    virtual bool hostSizeWindow(int32 width, int32 height) noexcept;
    // Ask the host, keep a positive answer in sampleRate / blockSize, return the field.
    virtual float hostSampleRate() noexcept;
    virtual int32 hostBlockSize() noexcept;
    virtual int32 hostInputLatency() noexcept;
    virtual int32 hostOutputLatency() noexcept;
    // The pin is not passed on: the request carries no arguments.
    virtual AEffect* hostPreviousPlug(int32 pin) noexcept;
    virtual AEffect* hostNextPlug(int32 pin) noexcept;
    virtual void onInputConnected(int32 index, bool state) noexcept;
    virtual void onOutputConnected(int32 index, bool state) noexcept;
    virtual bool inputProperties(int32 index, VstPinProperties* properties) noexcept;
    virtual bool outputProperties(int32 index, VstPinProperties* properties) noexcept;
    // kPlugCategSynth when effFlagsIsSynth is set, else kPlugCategUnknown.
    virtual int32 plugCategory() noexcept;
    virtual int32 hostWillReplace() noexcept;
    virtual int32 hostProcessLevel() noexcept;
    virtual int32 hostAutomationState() noexcept;
    virtual void declareAsync(bool state) noexcept;
    virtual void declareExternalBuffer(bool state) noexcept;
    virtual int32 currentPosition() noexcept;
    virtual float* destinationBuffer() noexcept;
    virtual bool hostOfflineRead(VstOfflineTask* task, int32 option, bool readSource) noexcept;
    virtual bool hostOfflineWrite(VstOfflineTask* task, int32 option) noexcept;
    virtual bool hostOfflineStart(VstAudioFile* files, int32 fileCount,
                                  int32 newFileCount) noexcept;
    virtual int32 hostOfflinePass() noexcept;
    virtual int32 hostOfflineMetaPass() noexcept;
    virtual bool onOfflineNotify(VstAudioFile* files, int32 fileCount, bool start) noexcept;
    virtual bool onOfflinePrepare(VstOfflineTask* task, int32 count) noexcept;
    virtual bool onOfflineRun(VstOfflineTask* task, int32 count) noexcept;
    virtual int32 offlinePassCount() noexcept;
    virtual int32 offlineMetaPassCount() noexcept;
    virtual int32 hostSetOutputSampleRate(float rateHz) noexcept;
    // Arrangements owned by the host, or null.
    virtual VstSpeakerArrangement* hostInputArrangement() noexcept;
    virtual VstSpeakerArrangement* hostOutputArrangement() noexcept;
    // text: our buffer the host writes into (64 bytes by convention).
    virtual bool hostVendorText(char* text) noexcept;
    virtual bool hostProductText(char* text) noexcept;
    virtual int32 hostVendorVersion() noexcept;
    virtual intptr hostVendorCall(int32 index, intptr value, void* ptr, float opt) noexcept;
    // True when the host answers non-zero to the capability string.
    virtual bool hostCanDo(const char* text) noexcept;
    virtual void declareSynth(bool state) noexcept;
    virtual void declareNoTail(bool state) noexcept;
    virtual int32 hostLanguage() noexcept;
    virtual void* hostOpenWindow(VstWindow* window) noexcept;
    virtual bool hostCloseWindow(VstWindow* window) noexcept;
    virtual void* hostDirectory() noexcept;
    virtual bool hostUpdateDisplay() noexcept;
    virtual bool onVariableIo(VstVariableIo* io) noexcept;
    virtual bool onSetArrangement(VstSpeakerArrangement* input,
                                  VstSpeakerArrangement* output) noexcept;
    // input/output: where to store the arrangement pointers (null allowed).
    virtual bool onGetArrangement(VstSpeakerArrangement** input,
                                  VstSpeakerArrangement** output) noexcept;
    virtual void changeBlockSizeAndSampleRate(int32 sizeSamples, float rateHz) noexcept;
    virtual bool onBypass(bool state) noexcept;
    // text: the host's buffer (32 bytes for the effect name, 64 for vendor and product).
    virtual bool copyEffectName(char* text) noexcept;
    virtual bool copyErrorText(char* text) noexcept;
    virtual bool copyVendorText(char* text) noexcept;
    virtual bool copyProductText(char* text) noexcept;
    virtual int32 vendorVersion() noexcept;
    virtual intptr onVendorCall(int32 index, intptr value, void* ptr, float opt) noexcept;
    // The host's capability question: 0 for every string by default.
    virtual int32 onCanDo(const char* text) noexcept;
    virtual void* icon() noexcept;
    virtual bool onViewPosition(int32 x, int32 y) noexcept;
    virtual int32 tailSize() noexcept;
    virtual int32 onIdle() noexcept;
    virtual bool parameterProperties(int32 index, VstParameterProperties* properties) noexcept;
    // The dispatcher reports the inverse (effKeysRequired answers 1 for false).
    virtual bool needsKeys() noexcept;
    virtual int32 interfaceVersion() noexcept;
    virtual int32 midiProgramName(int32 channel, MidiProgramName* name) noexcept;
    virtual int32 midiProgramCategory(int32 channel, MidiProgramCategory* category) noexcept;
    virtual int32 currentMidiProgram(int32 channel, MidiProgramName* current) noexcept;
    virtual bool midiProgramsChanged(int32 channel) noexcept;
    virtual bool midiKeyName(int32 channel, MidiKeyName* key) noexcept;
    virtual bool onBeginProgramChange() noexcept;
    virtual bool onEndProgramChange() noexcept;
    virtual bool hostBeginEdit(int32 index) noexcept;
    virtual bool hostEndEdit(int32 index) noexcept;
    // False without asking the host when selector is null.
    virtual bool hostOpenFileSelector(VstFileSelect* selector) noexcept;
    virtual int32 onTotalSamples(int32 value) noexcept;
    virtual int32 nextShellPlugin(char* name) noexcept;
    virtual int32 onStartProcess() noexcept;
    virtual int32 onStopProcess() noexcept;
    virtual bool onPanLaw(int32 type, float value) noexcept;
    virtual int32 onBeginLoadBank(VstPatchChunkInfo* info) noexcept;
    virtual int32 onBeginLoadProgram(VstPatchChunkInfo* info) noexcept;
    // Arrangement helpers: the arrangements they allocate are owned by the caller and must be
    // freed with releaseArrangement (the storage comes from the C heap).
    virtual bool createArrangement(VstSpeakerArrangement** arrangement, int32 channels) noexcept;
    virtual bool releaseArrangement(VstSpeakerArrangement** arrangement) noexcept;
    virtual bool copySpeakerProperties(VstSpeakerProperties* to,
                                       const VstSpeakerProperties* from) noexcept;
    virtual bool cloneArrangement(VstSpeakerArrangement** to,
                                  const VstSpeakerArrangement* from) noexcept;

    // Non-virtual requests. hostSendEvents is true only when the host answers exactly 1;
    // the two file requests answer false without asking the host when the pointer is null.
    bool hostSendEvents(VstEvents* events) noexcept;
    bool hostCloseFileSelector(VstFileSelect* selector) noexcept;
    bool hostChunkFile(char* path) noexcept;
};

}  // namespace melp::host
