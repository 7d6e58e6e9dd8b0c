// Test side of drag and drop: data objects of our own to drive a drop target with, and
// shell shortcuts to drop. Win32: a COM IDataObject with CF_TEXT in global memory and
// CF_HDROP as a real DROPFILES block, and real shortcut files; headless: scripted objects
// that platform/drop.h answers from, and a shortcut table. [ui thread]
#pragma once

#include <cstddef>
#include <cstdint>

namespace melp::platform::testing {

// Offers text when `text` is non-null and a file list when `paths` is non-null (pathCount
// entries; headless only: a null entry is a path that cannot be read). One reference, the
// caller's; null on failure.
void* createDropData(const char* text, const char* const* paths,
                     std::int32_t pathCount) noexcept;
// Gives the caller's reference back.
void releaseDropData(void* dataObject) noexcept;
// References held on the data object, the caller's included: media handed out by GetData
// hold one each until they are released.
std::int32_t dropDataReferences(void* dataObject) noexcept;
// Byte size of the memory block holding the text (0 without text).
std::size_t dropDataTextBlockSize(void* dataObject) noexcept;

// Makes `shortcutPath` a shell shortcut to `targetPath`: win32 writes a real shortcut file
// (IShellLinkA, IPersistFile::Save); headless enters it in the table resolveShortcut reads.
bool makeShortcut(const char* shortcutPath, const char* targetPath) noexcept;
// Headless: empties the shortcut table. Win32: nothing.
void clearShortcuts() noexcept;

}  // namespace melp::platform::testing
