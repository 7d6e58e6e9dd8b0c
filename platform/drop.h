// The drop side of object-linking drag and drop, for the frame's drop target: questions to
// a dragged data object, the memory it hands out, dropped file lists and shell shortcuts.
//
// On win32 `dataObject` is a COM IDataObject* and `memory` an HGLOBAL. The headless backend
// stands in with scripted data objects (platform/testing/drop_data.h) that offer text, a
// file list, both or neither, and resolves shortcuts from a table the test gives.
// Every function is [ui thread] (the thread that registered the target) and none throws.
#pragma once

#include <cstddef>
#include <cstdint>

namespace melp::platform {

constexpr std::uint16_t clipboardText = 1;       // CF_TEXT
constexpr std::uint16_t clipboardFileList = 15;  // CF_HDROP

// The storage medium a data object hands out (STGMEDIUM: tymed, the handle, the release
// interface), owned by the receiver until releaseDropMedium.
struct DropMedium {
    std::uint32_t storageKind = 0;     // TYMED_HGLOBAL (1) for what we ask
    void* memory = nullptr;            // HGLOBAL
    void* releaseInterface = nullptr;  // IUnknown* pUnkForRelease, may be null
};

// QueryGetData for the format as global memory, content aspect, all indexes, no target
// device: true for S_OK only.
bool dropDataOffers(void* dataObject, std::uint16_t format) noexcept;
// GetData with the same description; false (medium untouched) on failure.
bool dropDataGet(void* dataObject, std::uint16_t format, DropMedium* medium) noexcept;
// ReleaseStgMedium: through the release interface when there is one, else frees the memory.
void releaseDropMedium(DropMedium* medium) noexcept;

// DragQueryFileA with index 0xFFFFFFFF: the number of files in a dropped file list.
std::uint32_t dropFileCount(void* fileList) noexcept;
// DragQueryFileA: copies path `index` (zero-terminated, truncated to size - 1 bytes) and
// returns the number of characters copied; 0 when the path cannot be read.
std::uint32_t dropFilePath(void* fileList, std::uint32_t index, char* buffer,
                           std::uint32_t size) noexcept;

// GlobalLock / GlobalSize / GlobalUnlock. Null or 0 on failure.
void* lockMemory(void* memory) noexcept;
std::size_t memorySize(void* memory) noexcept;
void unlockMemory(void* memory) noexcept;

// Resolves the shell shortcut file named in `path` (size bytes) to its target, in place,
// without any user interface: IShellLinkA, IPersistFile::Load read-only, Resolve with
// SLR_NO_UI | SLR_ANY_MATCH and 500 ms, GetPath(SLGP_SHORTPATH). The path stays unchanged
// unless GetPath succeeded; returns whether it did.
bool resolveShortcut(char* path, std::size_t size) noexcept;

}  // namespace melp::platform
