// Drag and drop without the object-linking protocol: the data objects are scripted ones
// made by platform/testing/drop_data.h, and shortcuts resolve from a table the test fills.
// What reaches the drop target (formats, counts, sizes) is what the real protocol delivers.
#if defined(_WIN32)
#error "drop_headless.cpp belongs to the headless backend"
#endif

#include <cstring>
#include <map>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "platform/drop.h"
#include "platform/testing/drop_data.h"

namespace melp::platform {

namespace {

constexpr std::uint32_t storageGlobalMemory = 1;

struct ScriptedData;

// A memory block handed out with a medium: text bytes, or the file list of its object.
struct Block {
    ScriptedData* owner = nullptr;
    std::vector<char> bytes;
    std::vector<std::optional<std::string>> paths;
    std::int32_t locks = 0;
};

struct ScriptedData {
    std::int32_t references = 1;
    bool offersText = false;
    bool offersFiles = false;
    Block text;
    Block files;
};

std::map<std::string, std::string>& shortcuts() {
    static std::map<std::string, std::string> table;
    return table;
}

void releaseData(ScriptedData* data) noexcept {
    if (--data->references <= 0) {
        delete data;
    }
}

}  // namespace

bool dropDataOffers(void* dataObject, std::uint16_t format) noexcept {
    auto* data = static_cast<ScriptedData*>(dataObject);
    if (!data) {
        return false;
    }
    return (format == clipboardText && data->offersText) ||
           (format == clipboardFileList && data->offersFiles);
}

bool dropDataGet(void* dataObject, std::uint16_t format, DropMedium* medium) noexcept {
    auto* data = static_cast<ScriptedData*>(dataObject);
    if (!data || !medium || !dropDataOffers(dataObject, format)) {
        return false;
    }
    // Like a data object that keeps its memory: the medium holds a reference to release.
    ++data->references;
    medium->storageKind = storageGlobalMemory;
    medium->memory = format == clipboardText ? &data->text : &data->files;
    medium->releaseInterface = data;
    return true;
}

void releaseDropMedium(DropMedium* medium) noexcept {
    if (!medium) {
        return;
    }
    if (medium->releaseInterface) {
        releaseData(static_cast<ScriptedData*>(medium->releaseInterface));
    }
    *medium = DropMedium{};
}

std::uint32_t dropFileCount(void* fileList) noexcept {
    auto* block = static_cast<Block*>(fileList);
    return block ? static_cast<std::uint32_t>(block->paths.size()) : 0;
}

std::uint32_t dropFilePath(void* fileList, std::uint32_t index, char* buffer,
                           std::uint32_t size) noexcept {
    auto* block = static_cast<Block*>(fileList);
    if (!block || index >= block->paths.size() || !block->paths[index] || !buffer ||
        size == 0) {
        return 0;
    }
    const std::string& path = *block->paths[index];
    const std::size_t length = path.size() < size - 1 ? path.size() : size - 1;
    std::memcpy(buffer, path.data(), length);
    buffer[length] = '\0';
    return static_cast<std::uint32_t>(length);
}

void* lockMemory(void* memory) noexcept {
    auto* block = static_cast<Block*>(memory);
    if (!block || block->bytes.empty()) {
        return nullptr;
    }
    ++block->locks;
    return block->bytes.data();
}

std::size_t memorySize(void* memory) noexcept {
    auto* block = static_cast<Block*>(memory);
    return block ? block->bytes.size() : 0;
}

void unlockMemory(void* memory) noexcept {
    auto* block = static_cast<Block*>(memory);
    if (block && block->locks > 0) {
        --block->locks;
    }
}

bool resolveShortcut(char* path, std::size_t size) noexcept {
    if (!path || size == 0) {
        return false;
    }
    const auto found = shortcuts().find(path);
    if (found == shortcuts().end() || found->second.size() >= size) {
        return false;
    }
    std::memcpy(path, found->second.c_str(), found->second.size() + 1);
    return true;
}

namespace testing {

void* createDropData(const char* text, const char* const* paths,
                     std::int32_t pathCount) noexcept {
    auto* data = new (std::nothrow) ScriptedData;
    if (!data) {
        return nullptr;
    }
    data->text.owner = data;
    data->files.owner = data;
    if (text) {
        data->offersText = true;
        data->text.bytes.assign(text, text + std::strlen(text) + 1);
    }
    if (paths) {
        data->offersFiles = true;
        for (std::int32_t i = 0; i < pathCount; ++i) {
            if (paths[i]) {
                data->files.paths.emplace_back(std::string(paths[i]));
            } else {
                data->files.paths.emplace_back(std::nullopt);
            }
        }
    }
    return data;
}

void releaseDropData(void* dataObject) noexcept {
    if (dataObject) {
        releaseData(static_cast<ScriptedData*>(dataObject));
    }
}

std::int32_t dropDataReferences(void* dataObject) noexcept {
    return dataObject ? static_cast<ScriptedData*>(dataObject)->references : 0;
}

std::size_t dropDataTextBlockSize(void* dataObject) noexcept {
    return dataObject ? static_cast<ScriptedData*>(dataObject)->text.bytes.size() : 0;
}

bool makeShortcut(const char* shortcutPath, const char* targetPath) noexcept {
    if (!shortcutPath || !targetPath) {
        return false;
    }
    shortcuts()[shortcutPath] = targetPath;
    return true;
}

void clearShortcuts() noexcept {
    shortcuts().clear();
}

}  // namespace testing

}  // namespace melp::platform
