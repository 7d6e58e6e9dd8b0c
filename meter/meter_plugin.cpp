#include "meter/meter_plugin.h"

#include <cstring>
#include <new>

#include "editor/meter_editor.h"
#include "host/entry.h"

namespace melp::meter {

namespace {

// The one place that decides which editor the plug-in gets.
host::GuiEditorBase* createEditor(MeterPlugin* owner) noexcept {
    return new (std::nothrow) editor::MeterEditor(owner);
}

bool copyEditName(char* text) noexcept {
    if (!text) {
        return false;
    }
    std::memcpy(text, "MELPEdit", sizeof "MELPEdit");
    return true;
}

}  // namespace

MeterPlugin::MeterPlugin(host::audioMasterCallback hostCallback) noexcept
    : MeterEffect(hostCallback) {
    assignUniqueId(kMeterUniqueId);
    host::GuiEditorBase* created = createEditor(this);
    // The editor's base constructor attached it already; this second store leaves the
    // record's flags alone.
    editor = created;
    if (!created) {
        host::editorCreationFailed.store(true);
    }
}

MeterPlugin::~MeterPlugin() = default;

void MeterPlugin::setParameterValue(int32 index, float value) noexcept {
    MeterEffect::setParameterValue(index, value);
    if (editor) {
        // Only createEditor fills `editor`, always with a GuiEditorBase.
        static_cast<host::GuiEditorBase*>(editor)->parameterChanged(index, value);
    }
}

bool MeterPlugin::copyEffectName(char* text) noexcept {
    return copyEditName(text);
}

bool MeterPlugin::copyProductText(char* text) noexcept {
    return copyEditName(text);
}

host::int32 MeterPlugin::vendorVersion() noexcept {
    return 1000;
}

}  // namespace melp::meter

melp::host::BaseEffect* melp::host::createPluginInstance(
    audioMasterCallback hostCallback) noexcept {
    return new (std::nothrow) melp::meter::MeterPlugin(hostCallback);
}
