// The plug-in's entry. The DLL exports it under the name `main` (a module-definition file
// does the renaming: a C++ function cannot be called main with this signature); native
// tools and tests call it by this name.
#pragma once

#include "host/effect_record.h"

extern "C" melp::host::AEffect* MELP_CDECL melpPluginEntry(
    melp::host::audioMasterCallback hostCallback) noexcept;
