// A concrete effect for the host tests: every operation the tests steer answers from a
// public field, and the operations the dispatcher should reach record their arguments.
#pragma once

#include <string>
#include <vector>

#include "host/editor_base.h"
#include "host/extended_effect.h"

namespace melp::testing {

class TestEffect : public host::ExtendedEffect {
public:
    explicit TestEffect(host::audioMasterCallback callback, host::int32 programs = 1,
                        host::int32 parameters = 11)
        : ExtendedEffect(callback, programs, parameters) {
        ++liveCount;
    }
    ~TestEffect() override { --liveCount; }

    void processAccumulate(float**, float**, host::int32 frames) noexcept override {
        calls.push_back("processAccumulate " + std::to_string(frames));
    }
    void processReplace(float**, float**, host::int32 frames) noexcept override {
        calls.push_back("processReplace " + std::to_string(frames));
    }
    void setParameterValue(host::int32 index, float value) noexcept override {
        calls.push_back("setParameterValue " + std::to_string(index) + " " + std::to_string(value));
    }
    float parameterValue(host::int32 index) noexcept override { return 0.25f * float(index); }
    void onOpen() noexcept override { calls.push_back("onOpen"); }
    void onClose() noexcept override { calls.push_back("onClose"); }
    void selectProgram(host::int32 program) noexcept override {
        calls.push_back("selectProgram " + std::to_string(program));
        ExtendedEffect::selectProgram(program);
    }
    void onSuspend() noexcept override { calls.push_back("onSuspend"); }
    void onResume() noexcept override { calls.push_back("onResume"); }
    float vuLevel() noexcept override { return vu; }
    host::int32 saveChunk(void** data, bool isPreset) noexcept override {
        calls.push_back(std::string("saveChunk ") + (data ? "data " : "null ") +
                        (isPreset ? "preset" : "bank"));
        return 7;
    }
    host::int32 loadChunk(void*, host::int32 byteSize, bool isPreset) noexcept override {
        calls.push_back("loadChunk " + std::to_string(byteSize) + (isPreset ? " preset" : " bank"));
        return 9;
    }
    bool onCanAutomate(host::int32 index) noexcept override { return index == 3; }
    bool copyIndexedProgramName(host::int32 category, host::int32 index, char*) noexcept override {
        calls.push_back("copyIndexedProgramName " + std::to_string(category) + " " +
                        std::to_string(index));
        return boolAnswer;
    }
    void onInputConnected(host::int32 index, bool state) noexcept override {
        calls.push_back("onInputConnected " + std::to_string(index) + (state ? " on" : " off"));
    }
    bool onOfflineNotify(host::VstAudioFile*, host::int32 count, bool start) noexcept override {
        calls.push_back("onOfflineNotify " + std::to_string(count) + (start ? " start" : " stop"));
        return boolAnswer;
    }
    bool onSetArrangement(host::VstSpeakerArrangement* input,
                          host::VstSpeakerArrangement* output) noexcept override {
        setInput = input;
        setOutput = output;
        return boolAnswer;
    }
    bool onBypass(bool state) noexcept override { return state; }
    bool needsKeys() noexcept override { return keysNeeded; }
    bool onPanLaw(host::int32 type, float value) noexcept override {
        calls.push_back("onPanLaw " + std::to_string(type) + " " + std::to_string(value));
        return boolAnswer;
    }

    float vu = 0.0f;
    bool boolAnswer = true;
    bool keysNeeded = false;
    host::VstSpeakerArrangement* setInput = nullptr;
    host::VstSpeakerArrangement* setOutput = nullptr;
    std::vector<std::string> calls;
    static inline int liveCount = 0;
};

// An editor recording what the dispatcher asks of it.
class TestEditor : public host::EditorBase {
public:
    explicit TestEditor(host::ExtendedEffect* owner) : EditorBase(owner) { ++liveCount; }
    ~TestEditor() override { --liveCount; }

    host::int32 openEditor(void* parent) noexcept override {
        EditorBase::openEditor(parent);
        calls.push_back("openEditor");
        return 1;
    }
    void closeEditor() noexcept override { calls.push_back("closeEditor"); }
    void refresh() noexcept override { calls.push_back("refresh"); }
    host::int32 keyDown(host::VstKeyCode& key) noexcept override {
        lastKey = key;
        calls.push_back("keyDown");
        return 5;
    }
    host::int32 keyUp(host::VstKeyCode& key) noexcept override {
        lastKey = key;
        calls.push_back("keyUp");
        return 6;
    }
    host::int32 changeKnobMode(host::int32 mode) noexcept override { return mode + 100; }

    host::VstKeyCode lastKey{};
    std::vector<std::string> calls;
    static inline int liveCount = 0;
};

}  // namespace melp::testing
