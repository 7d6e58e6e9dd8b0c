// The drop side of OLE drag and drop: IDataObject questions, HGLOBAL access, dropped file
// lists (DragQueryFileA) and shell shortcut resolution (IShellLinkA, IPersistFile).
#if !defined(_WIN32)
#error "drop_win32.cpp belongs to the win32 backend"
#endif

#include <windows.h>
#include <ole2.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstring>

#include "platform/drop.h"

namespace melp::platform {

namespace {

// Declared here so the backend needs no uuid library.
constexpr GUID classShellLink = {
    0x00021401, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr GUID interfaceShellLinkA = {
    0x000214EE, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr GUID interfacePersistFile = {
    0x0000010B, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// SLR_NO_UI | SLR_ANY_MATCH, with a time-out of 500 ms in the high word.
constexpr DWORD resolveWithoutInterface = 0x01F40003;
constexpr int wideBufferSize = 2048;

FORMATETC describe(std::uint16_t format) noexcept {
    FORMATETC description{};
    description.cfFormat = format;
    description.ptd = nullptr;
    description.dwAspect = DVASPECT_CONTENT;
    description.lindex = -1;
    description.tymed = TYMED_HGLOBAL;
    return description;
}

}  // namespace

bool dropDataOffers(void* dataObject, std::uint16_t format) noexcept {
    if (!dataObject) {
        return false;
    }
    FORMATETC description = describe(format);
    return static_cast<IDataObject*>(dataObject)->QueryGetData(&description) == S_OK;
}

bool dropDataGet(void* dataObject, std::uint16_t format, DropMedium* medium) noexcept {
    if (!dataObject || !medium) {
        return false;
    }
    FORMATETC description = describe(format);
    STGMEDIUM storage{};
    if (static_cast<IDataObject*>(dataObject)->GetData(&description, &storage) != S_OK) {
        return false;
    }
    // The union is one pointer whatever the storage kind, so it travels as `memory`.
    medium->storageKind = storage.tymed;
    medium->memory = storage.hGlobal;
    medium->releaseInterface = storage.pUnkForRelease;
    return true;
}

void releaseDropMedium(DropMedium* medium) noexcept {
    if (!medium) {
        return;
    }
    STGMEDIUM storage{};
    storage.tymed = medium->storageKind;
    storage.hGlobal = static_cast<HGLOBAL>(medium->memory);
    storage.pUnkForRelease = static_cast<IUnknown*>(medium->releaseInterface);
    ReleaseStgMedium(&storage);
    *medium = DropMedium{};
}

std::uint32_t dropFileCount(void* fileList) noexcept {
    return fileList ? DragQueryFileA(static_cast<HDROP>(fileList), 0xFFFFFFFFu, nullptr, 0) : 0;
}

std::uint32_t dropFilePath(void* fileList, std::uint32_t index, char* buffer,
                           std::uint32_t size) noexcept {
    if (!fileList || !buffer || size == 0) {
        return 0;
    }
    return DragQueryFileA(static_cast<HDROP>(fileList), index, buffer, size);
}

void* lockMemory(void* memory) noexcept {
    return memory ? GlobalLock(static_cast<HGLOBAL>(memory)) : nullptr;
}

std::size_t memorySize(void* memory) noexcept {
    return memory ? GlobalSize(static_cast<HGLOBAL>(memory)) : 0;
}

void unlockMemory(void* memory) noexcept {
    if (memory) {
        GlobalUnlock(static_cast<HGLOBAL>(memory));
    }
}

bool resolveShortcut(char* path, std::size_t size) noexcept {
    if (!path || size == 0) {
        return false;
    }
    IShellLinkA* link = nullptr;
    if (CoCreateInstance(classShellLink, nullptr, CLSCTX_INPROC_SERVER, interfaceShellLinkA,
                         reinterpret_cast<void**>(&link)) != S_OK ||
        !link) {
        return false;
    }
    bool resolved = false;
    IPersistFile* file = nullptr;
    if (link->QueryInterface(interfacePersistFile, reinterpret_cast<void**>(&file)) == S_OK &&
        file) {
        WCHAR wide[wideBufferSize];
        if (MultiByteToWideChar(CP_ACP, 0, path, -1, wide, wideBufferSize) > 0 &&
            SUCCEEDED(file->Load(wide, STGM_READ)) &&
            SUCCEEDED(link->Resolve(nullptr, resolveWithoutInterface))) {
            // Into a buffer of our own: a failed or empty answer (S_FALSE: the shortcut
            // names no file) must leave the dropped path as it was.
            char target[MAX_PATH * 4] = {};
            const int targetSize = static_cast<int>(size < sizeof target ? size : sizeof target);
            WIN32_FIND_DATAA found{};
            if (link->GetPath(target, targetSize, &found, SLGP_SHORTPATH) == S_OK &&
                target[0] != '\0') {
                target[targetSize - 1] = '\0';
                std::memcpy(path, target, std::strlen(target) + 1);
                resolved = true;
            }
        }
        file->Release();
    }
    link->Release();
    return resolved;
}

}  // namespace melp::platform
