// Loading a plug-in library the way a host does, for the DLL-level tests. Win32 only
// (LoadLibraryA / GetProcAddress / FreeLibrary); the library stays loaded until unloaded.
#pragma once

namespace melp::platform::testing {

struct LibraryTag;
using Library = LibraryTag*;  // HMODULE

// Null when the library cannot be loaded (path relative to the current directory or absolute).
Library loadPluginLibrary(const char* path) noexcept;
// The exported function's address, null when the library does not export it; the caller casts
// it to the function's real type.
using ExportedFunction = void (*)();
ExportedFunction findExport(Library library, const char* name) noexcept;
// True when the library was unloaded.
bool unloadPluginLibrary(Library library) noexcept;

}  // namespace melp::platform::testing
