// A COM data object of our own for drop tests (text in an HGLOBAL, a real DROPFILES block),
// and real shortcut files written through IShellLinkA / IPersistFile.
#if !defined(_WIN32)
#error "this file belongs to the win32 backend"
#endif

#include <windows.h>
#include <ole2.h>
#include <shlobj.h>

#include <cstring>
#include <new>
#include <string>

#include "platform/testing/drop_data.h"

namespace melp::platform::testing {

namespace {

constexpr GUID classShellLink = {
    0x00021401, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr GUID interfaceShellLinkA = {
    0x000214EE, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr GUID interfacePersistFile = {
    0x0000010B, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr GUID interfaceUnknown = {
    0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr GUID interfaceDataObject = {
    0x0000010E, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// COM objects are destroyed by their own Release, never through the interface.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
class TestDataObject final : public IDataObject {
public:
    HGLOBAL text = nullptr;
    HGLOBAL files = nullptr;
    LONG references = 1;

    virtual ~TestDataObject() {
        if (text) {
            GlobalFree(text);
        }
        if (files) {
            GlobalFree(files);
        }
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override {
        if (!object) {
            return E_POINTER;
        }
        if (IsEqualGUID(id, interfaceUnknown) || IsEqualGUID(id, interfaceDataObject)) {
            *object = this;
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++references); }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG count = --references;
        if (count <= 0) {
            delete this;
            return 0;
        }
        return static_cast<ULONG>(count);
    }

    HGLOBAL blockFor(const FORMATETC* format) const {
        if (!format || (format->tymed & TYMED_HGLOBAL) == 0 ||
            format->dwAspect != DVASPECT_CONTENT) {
            return nullptr;
        }
        if (format->cfFormat == CF_TEXT) {
            return text;
        }
        if (format->cfFormat == CF_HDROP) {
            return files;
        }
        return nullptr;
    }

    // The medium keeps a reference on us and shares our block; releasing it gives the
    // reference back.
    HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM* medium) override {
        HGLOBAL block = blockFor(format);
        if (!block || !medium) {
            return DV_E_FORMATETC;
        }
        medium->tymed = TYMED_HGLOBAL;
        medium->hGlobal = block;
        medium->pUnkForRelease = this;
        AddRef();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* format) override {
        return blockFor(format) ? S_OK : DV_E_FORMATETC;
    }
    HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) override {
        if (out) {
            out->ptd = nullptr;
        }
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD, IEnumFORMATETC** out) override {
        if (out) {
            *out = nullptr;
        }
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override {
        return OLE_E_ADVISENOTSUPPORTED;
    }
    HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
    HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override {
        return OLE_E_ADVISENOTSUPPORTED;
    }
};
#pragma GCC diagnostic pop

HGLOBAL copyToGlobal(const void* bytes, std::size_t size) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
    if (!block) {
        return nullptr;
    }
    void* target = GlobalLock(block);
    if (!target) {
        GlobalFree(block);
        return nullptr;
    }
    std::memcpy(target, bytes, size);
    GlobalUnlock(block);
    return block;
}

}  // namespace

void* createDropData(const char* text, const char* const* paths,
                     std::int32_t pathCount) noexcept {
    auto* data = new (std::nothrow) TestDataObject;
    if (!data) {
        return nullptr;
    }
    if (text) {
        data->text = copyToGlobal(text, std::strlen(text) + 1);
    }
    if (paths) {
        // DROPFILES, then each path with its terminator, then one more terminator.
        std::string block(sizeof(DROPFILES), '\0');
        DROPFILES head{};
        head.pFiles = sizeof(DROPFILES);
        head.fWide = FALSE;
        std::memcpy(&block[0], &head, sizeof head);
        for (std::int32_t i = 0; i < pathCount; ++i) {
            if (paths[i]) {
                block += paths[i];
                block.push_back('\0');
            }
        }
        block.push_back('\0');
        data->files = copyToGlobal(block.data(), block.size());
    }
    return static_cast<IDataObject*>(data);
}

void releaseDropData(void* dataObject) noexcept {
    if (dataObject) {
        static_cast<IDataObject*>(dataObject)->Release();
    }
}

std::int32_t dropDataReferences(void* dataObject) noexcept {
    if (!dataObject) {
        return 0;
    }
    return static_cast<std::int32_t>(
        static_cast<TestDataObject*>(static_cast<IDataObject*>(dataObject))->references);
}

std::size_t dropDataTextBlockSize(void* dataObject) noexcept {
    if (!dataObject) {
        return 0;
    }
    auto* data = static_cast<TestDataObject*>(static_cast<IDataObject*>(dataObject));
    return data->text ? GlobalSize(data->text) : 0;
}

bool makeShortcut(const char* shortcutPath, const char* targetPath) noexcept {
    if (!shortcutPath || !targetPath) {
        return false;
    }
    IShellLinkA* link = nullptr;
    if (CoCreateInstance(classShellLink, nullptr, CLSCTX_INPROC_SERVER, interfaceShellLinkA,
                         reinterpret_cast<void**>(&link)) != S_OK ||
        !link) {
        return false;
    }
    bool saved = false;
    IPersistFile* file = nullptr;
    if (link->SetPath(targetPath) == S_OK &&
        link->QueryInterface(interfacePersistFile, reinterpret_cast<void**>(&file)) == S_OK &&
        file) {
        WCHAR wide[2048];
        if (MultiByteToWideChar(CP_ACP, 0, shortcutPath, -1, wide, 2048) > 0) {
            saved = SUCCEEDED(file->Save(wide, TRUE));
        }
        file->Release();
    }
    link->Release();
    return saved;
}

void clearShortcuts() noexcept {}

}  // namespace melp::platform::testing
