// MeterPlugin: MeterEffect plus its editor, the object the host entry creates. The host sees
// "MELPEdit" as both effect name and product string.
#pragma once

#include "meter/meter_effect.h"

namespace melp::meter {

class MeterPlugin : public MeterEffect {
public:
    // 1. MeterEffect; 2. the unique id 'MELP' again; 3. the editor, which attaches itself,
    // stored into `editor` once more. When the editor cannot be created, `editor` stays
    // null and host::editorCreationFailed is set: the entry then destroys this object.
    explicit MeterPlugin(host::audioMasterCallback hostCallback) noexcept;

    ~MeterPlugin() override;
    // MeterEffect's storing, then the editor's parameterChanged when there is an editor.
    void setParameterValue(int32 index, float value) noexcept override;
    bool copyEffectName(char* text) noexcept override;
    bool copyProductText(char* text) noexcept override;
    int32 vendorVersion() noexcept override;
};

}  // namespace melp::meter
