// EditorBase: the plain editor interface the dispatcher talks to, with do-little defaults.
// The dispatcher reaches the editor only through these operations, which are declared one
// per line in their fixed table order; GuiEditorBase appends its own after them.
//
// Threads: every operation runs on the host's user-interface thread, except that
// requestRefresh may be reached from a parameter change on any thread.
// Ownership: the effect owns the editor (its destructor deletes it); the editor does not own
// the effect or the parent window.
#pragma once

#include <atomic>

#include "host/effect_record.h"

namespace melp::host {

class ExtendedEffect;

class EditorBase {
public:
    // Does not attach itself: GuiEditorBase's constructor calls effect->attachEditor.
    explicit EditorBase(ExtendedEffect* owner) noexcept;
    EditorBase(const EditorBase&) = delete;
    EditorBase& operator=(const EditorBase&) = delete;

    virtual ~EditorBase();
    // rect: where to store a pointer to the editor's rectangle (owned by the editor).
    // Stores null and returns 0 by default.
    virtual int32 editorRect(ERect** rect) noexcept;
    // parent: the host's native window. Records it in parentWindow; returns 0 by default.
    virtual int32 openEditor(void* parent) noexcept;
    virtual void closeEditor() noexcept;
    // Runs refresh once when one was requested since the last idle.
    virtual void idleEditor() noexcept;
    virtual void refresh() noexcept;
    virtual void requestRefresh() noexcept;
    // key: valid for the call only. -1 when nobody took the key.
    virtual int32 keyDown(VstKeyCode& key) noexcept;
    virtual int32 keyUp(VstKeyCode& key) noexcept;
    virtual int32 changeKnobMode(int32 mode) noexcept;
    virtual bool wheel(float distance) noexcept;

    // Fields, in this order.
    ExtendedEffect* effect;  // not owned
    void* parentWindow;      // the host's window from the last openEditor; null before
    // Non-zero when refresh must run at the next idle. Atomic: parameter changes may set it
    // from the audio thread (same four bytes, relaxed order).
    std::atomic<int32> refreshPending;
};
static_assert(std::atomic<int32>::is_always_lock_free);

}  // namespace melp::host
