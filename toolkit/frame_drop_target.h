// Makes the frame window accept dragged text and file lists: an IDropTarget laid out by
// hand (its operations in the interface's published order, then the destructor; __stdcall
// on 32-bit Windows). It unpacks a drop into texts (paths with shell shortcuts resolved, or
// one text block) and offers them to the frame's dropItems. Created with reference count 0
// by Frame::enableDropTarget, which holds one reference for as long as the target is
// registered; the registration holds its own. [ui thread]
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(_WIN32) && !defined(_WIN64)
#define MELP_COM_CALL __stdcall
#else
#define MELP_COM_CALL
#endif

namespace melp::toolkit {

class Frame;

struct Guid {
    std::uint32_t data1;
    std::uint16_t data2;
    std::uint16_t data3;
    std::uint8_t data4[8];
};
static_assert(sizeof(Guid) == 16);

constexpr bool operator==(const Guid& a, const Guid& b) noexcept {
    for (std::size_t i = 0; i < 8; ++i) {
        if (a.data4[i] != b.data4[i]) {
            return false;
        }
    }
    return a.data1 == b.data1 && a.data2 == b.data2 && a.data3 == b.data3;
}

inline constexpr Guid iidUnknown{0x00000000, 0x0000, 0x0000,
                                 {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr Guid iidDropTarget{0x00000122, 0x0000, 0x0000,
                                    {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

using ComResult = std::int32_t;  // HRESULT
constexpr ComResult resultOk = 0;
constexpr ComResult resultNoInterface = static_cast<ComResult>(0x80004002u);

// POINTL: screen coordinates of the cursor, passed by value.
struct PointL {
    std::int32_t x;
    std::int32_t y;
};

constexpr std::uint32_t dropEffectNone = 0;
constexpr std::uint32_t dropEffectCopy = 1;
constexpr std::uint32_t dropEffectMove = 2;
constexpr std::uint32_t keyStateControl = 8;  // MK_CONTROL

// Size of each dropped path's buffer (at most 1023 characters).
constexpr std::size_t dropPathSize = 1024;

class FrameDropTarget {
public:
    explicit FrameDropTarget(Frame* frame) noexcept;
    FrameDropTarget(const FrameDropTarget&) = delete;
    FrameDropTarget& operator=(const FrameDropTarget&) = delete;

    // IID_IUnknown and IID_IDropTarget: this, with a reference added; else null and
    // E_NOINTERFACE.
    virtual ComResult MELP_COM_CALL QueryInterface(const Guid& id, void** object) noexcept;
    virtual std::uint32_t MELP_COM_CALL AddRef() noexcept;
    // Destroys the target at 0 or below; returns the new count.
    virtual std::uint32_t MELP_COM_CALL Release() noexcept;
    // Accepts a drag that offers text or a file list.
    virtual ComResult MELP_COM_CALL DragEnter(void* dataObject, std::uint32_t keyState,
                                              PointL point, std::uint32_t* effect) noexcept;
    // Copy with the control key, move without, none when not accepting.
    virtual ComResult MELP_COM_CALL DragOver(std::uint32_t keyState, PointL point,
                                             std::uint32_t* effect) noexcept;
    virtual ComResult MELP_COM_CALL DragLeave() noexcept;
    // Hands the frame kind 0 (paths) or 1 (one text block, count = its byte size) at the
    // frame's mouse position; the effect is left as it was. Always S_OK.
    virtual ComResult MELP_COM_CALL Drop(void* dataObject, std::uint32_t keyState,
                                         PointL point, std::uint32_t* effect) noexcept;
    virtual ~FrameDropTarget();

    std::int32_t referenceCount() const noexcept { return referenceCount_; }
    bool accepting() const noexcept { return accept_; }

    // Whether the path ends, from its last ".", in ".lnk" in any case.
    static bool isShortcutPath(const char* path) noexcept;

private:
    void dropFileList(void* fileList) noexcept;
    void dropTextBlock(void* memory) noexcept;

    std::int32_t referenceCount_ = 0;
    bool accept_ = false;
    Frame* frame_;
};

}  // namespace melp::toolkit
