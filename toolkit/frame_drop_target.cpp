#include "toolkit/frame_drop_target.h"

#include <cctype>
#include <climits>
#include <cstring>
#include <new>

#include "platform/drop.h"
#include "toolkit/frame.h"

namespace melp::toolkit {

namespace {
constexpr std::uint32_t storageGlobalMemory = 1;  // TYMED_HGLOBAL
}  // namespace

FrameDropTarget::FrameDropTarget(Frame* frame) noexcept : frame_(frame) {}

FrameDropTarget::~FrameDropTarget() = default;

ComResult MELP_COM_CALL FrameDropTarget::QueryInterface(const Guid& id, void** object) noexcept {
    if (!object) {
        return resultNoInterface;
    }
    if (id == iidUnknown || id == iidDropTarget) {
        *object = this;
        AddRef();
        return resultOk;
    }
    *object = nullptr;
    return resultNoInterface;
}

std::uint32_t MELP_COM_CALL FrameDropTarget::AddRef() noexcept {
    return static_cast<std::uint32_t>(++referenceCount_);
}

std::uint32_t MELP_COM_CALL FrameDropTarget::Release() noexcept {
    const std::int32_t count = --referenceCount_;
    if (count <= 0) {
        delete this;
        return 0;
    }
    return static_cast<std::uint32_t>(count);
}

ComResult MELP_COM_CALL FrameDropTarget::DragEnter(void* dataObject, std::uint32_t keyState,
                                                   PointL point,
                                                   std::uint32_t* effect) noexcept {
    accept_ = false;
    if (dataObject && (platform::dropDataOffers(dataObject, platform::clipboardText) ||
                       platform::dropDataOffers(dataObject, platform::clipboardFileList))) {
        accept_ = true;
        return DragOver(keyState, point, effect);
    }
    if (effect) {
        *effect = dropEffectNone;
    }
    return resultOk;
}

ComResult MELP_COM_CALL FrameDropTarget::DragOver(std::uint32_t keyState, PointL,
                                                  std::uint32_t* effect) noexcept {
    if (effect) {
        if (!accept_) {
            *effect = dropEffectNone;
        } else {
            *effect = (keyState & keyStateControl) ? dropEffectCopy : dropEffectMove;
        }
    }
    return resultOk;
}

ComResult MELP_COM_CALL FrameDropTarget::DragLeave() noexcept {
    return resultOk;
}

ComResult MELP_COM_CALL FrameDropTarget::Drop(void* dataObject, std::uint32_t, PointL,
                                              std::uint32_t*) noexcept {
    if (frame_ && dataObject) {
        platform::DropMedium medium;
        bool text = true;
        bool received = platform::dropDataGet(dataObject, platform::clipboardText, &medium);
        if (!received) {
            text = false;
            received = platform::dropDataGet(dataObject, platform::clipboardFileList, &medium);
        }
        if (received) {
            if (medium.storageKind == storageGlobalMemory && medium.memory) {
                if (text) {
                    dropTextBlock(medium.memory);
                } else {
                    dropFileList(medium.memory);
                }
            }
            // Released even when it held no memory: the medium is ours once received.
            platform::releaseDropMedium(&medium);
        }
    }
    DragLeave();
    return resultOk;
}

void FrameDropTarget::dropFileList(void* fileList) noexcept {
    const std::uint32_t count = platform::dropFileCount(fileList);
    if (count == 0) {
        return;
    }
    char** items = new (std::nothrow) char*[count];
    if (!items) {
        return;
    }
    std::uint32_t itemCount = 0;
    char path[dropPathSize];
    for (std::uint32_t index = 0; index < count; ++index) {
        path[0] = '\0';
        if (platform::dropFilePath(fileList, index, path, dropPathSize) == 0) {
            continue;
        }
        path[dropPathSize - 1] = '\0';
        if (isShortcutPath(path)) {
            platform::resolveShortcut(path, dropPathSize);
            path[dropPathSize - 1] = '\0';
        }
        char* item = new (std::nothrow) char[dropPathSize];
        if (!item) {
            continue;
        }
        std::memcpy(item, path, dropPathSize);
        items[itemCount++] = item;
    }
    if (itemCount > 0 && itemCount <= static_cast<std::uint32_t>(INT32_MAX)) {
        Point where;
        frame_->mousePosition(where);
        frame_->dropItems(items, static_cast<std::int32_t>(itemCount), dropFiles, where);
    }
    for (std::uint32_t i = 0; i < itemCount; ++i) {
        delete[] items[i];
    }
    delete[] items;
}

void FrameDropTarget::dropTextBlock(void* memory) noexcept {
    void* text = platform::lockMemory(memory);
    if (!text) {
        return;
    }
    const std::size_t size = platform::memorySize(memory);
    if (size > 0) {
        const char* items[1] = {static_cast<const char*>(text)};
        const auto count = static_cast<std::int32_t>(
            size > static_cast<std::size_t>(INT32_MAX) ? INT32_MAX : size);
        Point where;
        frame_->mousePosition(where);
        frame_->dropItems(items, count, dropText, where);
    }
    platform::unlockMemory(memory);
}

bool FrameDropTarget::isShortcutPath(const char* path) noexcept {
    if (!path) {
        return false;
    }
    const char* extension = std::strrchr(path, '.');
    if (!extension) {
        return false;
    }
    static constexpr char shortcut[] = ".lnk";
    for (std::size_t i = 0; i < sizeof shortcut; ++i) {
        const auto a = static_cast<unsigned char>(extension[i]);
        const auto b = static_cast<unsigned char>(shortcut[i]);
        if (std::tolower(a) != b) {
            return false;
        }
        if (b == '\0') {
            break;
        }
    }
    return true;
}

}  // namespace melp::toolkit
