// The plug-in's entry. The DLL exports it under the name `main` (a module-definition file
// does the renaming: a C++ function cannot be called main with this signature); native
// tools and tests call it by this name.
//
// melpPluginEntry, called by the host on its own thread, maybe several times per process:
//   1. asks the host for audioMasterVersion with a null record; an answer of 0 -> null;
//   2. creates the concrete plug-in with createPluginInstance; null when that fails;
//   3. when editorCreationFailed is set, destroys the new object and returns null;
//   4. returns the object's record, which the host owns the use of until effClose.
#pragma once

#include <atomic>

#include "host/effect_record.h"

namespace melp::host {

class BaseEffect;

// Creates the concrete plug-in object (defined by the concrete plug-in, not by host/).
// Allocates with new (std::nothrow): null when memory runs out. hostCallback is non-null.
BaseEffect* createPluginInstance(audioMasterCallback hostCallback) noexcept;

// Set by the concrete plug-in's constructor when it cannot create its editor; never
// cleared, so every later entry call in the process fails too. [any thread]
extern std::atomic<bool> editorCreationFailed;

}  // namespace melp::host

extern "C" melp::host::AEffect* MELP_CDECL
melpPluginEntry(melp::host::audioMasterCallback hostCallback) noexcept;
