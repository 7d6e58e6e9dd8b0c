// What a frame asks of the editor that owns it. The host's editor base (GuiEditorBase)
// implements it; the toolkit knows nothing else of the editor. The names differ from the
// editor base's own operations on purpose, so that implementing this interface leaves the
// editor base's operation table as it is. [ui thread]
#pragma once

#include <cstdint>

namespace melp::toolkit {

class FrameEditor {
public:
    // A control is tracking the mouse in a loop of its own: run the editor's idle pump
    // (GuiEditorBase::pumpIdle) so the host and the window keep being serviced.
    virtual void frameIdleWhileTracking() noexcept = 0;
    // The user starts / ends editing parameter index: report it to the host
    // (the effect's hostBeginEdit / hostEndEdit). Returns the host's answer.
    virtual bool frameBeginParameterEdit(std::int32_t index) noexcept = 0;
    virtual bool frameEndParameterEdit(std::int32_t index) noexcept = 0;
    // The frame starts and ends handling a click, which may call the host (that may close
    // the editor, or the whole plug-in, from its answer): whatever the editor must keep
    // alive meanwhile it holds from the first call to the second. The second may destroy
    // the editor, and with it the frame: it is the frame's last act for that click.
    virtual void frameClickBegins() noexcept {}
    virtual void frameClickEnds() noexcept {}
    // True once the editor is going (its owner was closed while a click is handled): a
    // control tracking the mouse stops at once.
    virtual bool frameEditorClosing() const noexcept { return false; }

protected:
    // Not deleted through this interface: the editor's owner destroys it.
    ~FrameEditor() = default;
};

}  // namespace melp::toolkit
