// The frame's drop target, driven through its own operations with data objects of our own:
// accepted formats and effects, what a drop hands the frame's children (kinds, items,
// counts), shortcut resolution, release of the medium, and reference counting.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <string>

#include "platform/testing/drop_data.h"
#include "tests/unit/toolkit/toolkit_test.h"
#include "toolkit/frame_drop_target.h"

#if !MELP_TOOLKIT_HEADLESS
#include <filesystem>
#include <fstream>
#endif

namespace melp::toolkit::test {
namespace {

namespace drop = platform::testing;

constexpr Guid iidDataObject{0x0000010E, 0x0000, 0x0000,
                             {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

std::string lowered(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return text;
}

class DropTargetTest : public ToolkitTest {
protected:
    void SetUp() override {
        ToolkitTest::SetUp();
        frame = openFrame(100, 80);
        // Drops go to the child under the cursor, which a Win32 test cannot place: this
        // child lies under every cursor position.
        child = new RecordingView(Rect{-100000, -100000, 100000, 100000}, &log, "child");
        child->takesDrops = true;
        frame->addChild(child);
        target = new FrameDropTarget(frame);
        target->AddRef();
    }
    void TearDown() override {
        for (void* data : made) {
            drop::releaseDropData(data);
        }
        drop::clearShortcuts();
        if (target) {
            target->Release();
        }
        delete frame;
        ToolkitTest::TearDown();
    }
    void* data(const char* text, std::initializer_list<const char*> paths, bool files = true) {
        std::vector<const char*> list(paths);
        list.push_back(nullptr);  // never counted: keeps data() non-null for an empty list
        void* object = drop::createDropData(text, files ? list.data() : nullptr,
                                            static_cast<std::int32_t>(list.size() - 1));
        EXPECT_NE(object, nullptr);
        made.push_back(object);
        return object;
    }
    std::uint32_t enter(void* object, std::uint32_t keys) {
        std::uint32_t effect = 99;
        EXPECT_EQ(target->DragEnter(object, keys, PointL{0, 0}, &effect), resultOk);
        return effect;
    }
    void dropOn(void* object) {
        std::uint32_t effect = 77;
        EXPECT_EQ(target->Drop(object, 0, PointL{0, 0}, &effect), resultOk);
        EXPECT_EQ(effect, 77u);  // left as it was
    }

    Frame* frame = nullptr;
    RecordingView* child = nullptr;
    FrameDropTarget* target = nullptr;
    std::vector<void*> made;
};

TEST_F(DropTargetTest, AnswersForItsTwoInterfacesOnly) {
    void* out = nullptr;
    EXPECT_EQ(target->QueryInterface(iidDropTarget, &out), resultOk);
    EXPECT_EQ(out, target);
    EXPECT_EQ(target->referenceCount(), 2);
    EXPECT_EQ(target->QueryInterface(iidUnknown, &out), resultOk);
    EXPECT_EQ(out, target);
    EXPECT_EQ(target->referenceCount(), 3);
    out = target;
    EXPECT_EQ(target->QueryInterface(iidDataObject, &out), resultNoInterface);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(target->referenceCount(), 3);
    EXPECT_EQ(resultNoInterface, static_cast<ComResult>(0x80004002u));
    EXPECT_EQ(target->Release(), 2u);
    EXPECT_EQ(target->Release(), 1u);
}

class CountedTarget : public FrameDropTarget {
public:
    CountedTarget(bool* destroyed) : FrameDropTarget(nullptr), destroyed_(destroyed) {}
    ~CountedTarget() override { *destroyed_ = true; }

private:
    bool* destroyed_;
};

TEST_F(DropTargetTest, ReleaseToZeroDestroysTheTarget) {
    bool destroyed = false;
    auto* counted = new CountedTarget(&destroyed);
    EXPECT_EQ(counted->referenceCount(), 0);
    EXPECT_EQ(counted->AddRef(), 1u);
    EXPECT_EQ(counted->AddRef(), 2u);
    EXPECT_EQ(counted->Release(), 1u);
    EXPECT_FALSE(destroyed);
    EXPECT_EQ(counted->Release(), 0u);
    EXPECT_TRUE(destroyed);
}

TEST_F(DropTargetTest, EffectIsMoveOrCopyWithControlForUsableDrags) {
    for (void* object : {data("text", {}, false), data(nullptr, {"C:\\a.txt"}),
                         data("both", {"C:\\a.txt"})}) {
        EXPECT_EQ(enter(object, 0), dropEffectMove);
        EXPECT_TRUE(target->accepting());
        EXPECT_EQ(enter(object, keyStateControl), dropEffectCopy);
        std::uint32_t effect = 99;
        EXPECT_EQ(target->DragOver(keyStateControl | 1, PointL{1, 1}, &effect), resultOk);
        EXPECT_EQ(effect, dropEffectCopy);
        EXPECT_EQ(target->DragOver(1, PointL{1, 1}, &effect), resultOk);
        EXPECT_EQ(effect, dropEffectMove);
        EXPECT_EQ(target->DragLeave(), resultOk);
    }
}

TEST_F(DropTargetTest, DragOfNeitherTextNorFilesShowsNoEffect) {
    void* neither = data(nullptr, {}, false);
    EXPECT_EQ(enter(data("text", {}, false), 0), dropEffectMove);
    EXPECT_EQ(enter(neither, keyStateControl), dropEffectNone);
    EXPECT_FALSE(target->accepting());
    std::uint32_t effect = 99;
    target->DragOver(keyStateControl, PointL{}, &effect);
    EXPECT_EQ(effect, dropEffectNone);
    EXPECT_EQ(enter(nullptr, 0), dropEffectNone);
    dropOn(neither);
    EXPECT_TRUE(log.empty());
}

TEST_F(DropTargetTest, TextArrivesAsOneItemWithTheBlockSize) {
    void* object = data("hello drop", {}, false);
    dropOn(object);
    EXPECT_EQ(log, (std::vector<std::string>{"drop child"}));
    EXPECT_EQ(child->droppedKind, dropText);
    ASSERT_EQ(child->droppedItems.size(), 1u);
    EXPECT_EQ(child->droppedItems[0], "hello drop");
    EXPECT_EQ(child->droppedCount, static_cast<std::int32_t>(drop::dropDataTextBlockSize(object)));
    EXPECT_GE(child->droppedCount, 11);
    // The medium was released: only our own reference is left.
    EXPECT_EQ(drop::dropDataReferences(object), 1);
}

TEST_F(DropTargetTest, FilesArriveAsPathsAndTextWinsOverFiles) {
    void* files = data(nullptr, {"C:\\one.txt", "C:\\two.wav"});
    dropOn(files);
    EXPECT_EQ(child->droppedKind, dropFiles);
    EXPECT_EQ(child->droppedCount, 2);
    ASSERT_EQ(child->droppedItems.size(), 2u);
    EXPECT_EQ(lowered(child->droppedItems[0]), "c:\\one.txt");
    EXPECT_EQ(lowered(child->droppedItems[1]), "c:\\two.wav");
    EXPECT_EQ(drop::dropDataReferences(files), 1);

    dropOn(data("words", {"C:\\one.txt"}));
    EXPECT_EQ(child->droppedKind, dropText);
    EXPECT_EQ(child->droppedItems, (std::vector<std::string>{"words"}));
}

TEST_F(DropTargetTest, EmptyFileListCallsNothing) {
    void* object = data(nullptr, {});
    EXPECT_EQ(enter(object, 0), dropEffectMove);
    dropOn(object);
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(drop::dropDataReferences(object), 1);
}

TEST_F(DropTargetTest, DropNobodyTakesChangesNothing) {
    child->takesDrops = false;
    auto* other = new RecordingView(Rect{-100000, -100000, 100000, 100000}, &log, "other");
    frame->addChild(other);
    dropOn(data("ignored", {}, false));
    EXPECT_EQ(log, (std::vector<std::string>{"drop other", "drop child"}));
    EXPECT_EQ(frame->childCount(), 2);
    EXPECT_FALSE(frame->hasDirtyViews());
}

TEST_F(DropTargetTest, WithoutAFrameADropAsksForNothing) {
    FrameDropTarget lonely(nullptr);
    void* object = data("text", {}, false);
    std::uint32_t effect = 5;
    EXPECT_EQ(lonely.Drop(object, 0, PointL{}, &effect), resultOk);
    EXPECT_EQ(drop::dropDataReferences(object), 1);
    EXPECT_TRUE(log.empty());
}

TEST(DropShortcutName, OnlyALastLnkExtensionInAnyCaseIsAShortcut) {
    EXPECT_TRUE(FrameDropTarget::isShortcutPath("C:\\x\\a.lnk"));
    EXPECT_TRUE(FrameDropTarget::isShortcutPath("C:\\x\\A.LNK"));
    EXPECT_TRUE(FrameDropTarget::isShortcutPath("C:\\x.y\\b.LnK"));
    EXPECT_FALSE(FrameDropTarget::isShortcutPath("C:\\x\\a.lnk.txt"));
    EXPECT_FALSE(FrameDropTarget::isShortcutPath("C:\\x\\a.lnkx"));
    EXPECT_FALSE(FrameDropTarget::isShortcutPath("C:\\x\\a.ln"));
    EXPECT_FALSE(FrameDropTarget::isShortcutPath("C:\\x.lnk\\file"));
    EXPECT_FALSE(FrameDropTarget::isShortcutPath("lnk"));
    EXPECT_FALSE(FrameDropTarget::isShortcutPath(nullptr));
}

// Shortcuts: real files on Win32 (in the Wine prefix), the shortcut table headless.
TEST_F(DropTargetTest, ShortcutsResolveToTheirTargets) {
    const char* targetPath = "C:\\melptk\\target.txt";
#if !MELP_TOOLKIT_HEADLESS
    std::filesystem::create_directories("C:\\melptk");
    { std::ofstream("C:\\melptk\\target.txt") << "target"; }
    std::filesystem::remove("C:\\melptk\\missing.lnk");
#endif
    ASSERT_TRUE(drop::makeShortcut("C:\\melptk\\short.lnk", targetPath));
    ASSERT_TRUE(drop::makeShortcut("C:\\melptk\\UPPER.LNK", targetPath));
    // A shortcut by content, but not by name: it must stay as it is.
    ASSERT_TRUE(drop::makeShortcut("C:\\melptk\\a.lnk.txt", targetPath));
    dropOn(data(nullptr, {"C:\\melptk\\short.lnk", "C:\\melptk\\UPPER.LNK",
                          "C:\\melptk\\a.lnk.txt", "C:\\melptk\\missing.lnk"}));
    ASSERT_EQ(child->droppedItems.size(), 4u);
    EXPECT_EQ(lowered(child->droppedItems[0]), "c:\\melptk\\target.txt");
    EXPECT_EQ(lowered(child->droppedItems[1]), "c:\\melptk\\target.txt");
    EXPECT_EQ(lowered(child->droppedItems[2]), "c:\\melptk\\a.lnk.txt");
    EXPECT_EQ(lowered(child->droppedItems[3]), "c:\\melptk\\missing.lnk");
}

TEST_F(DropTargetTest, OverlongPathIsCutToItsBuffer) {
    const std::string longPath = "C:\\" + std::string(1500, 'p') + ".lnk";
    dropOn(data(nullptr, {longPath.c_str(), "C:\\b.txt"}));
    ASSERT_EQ(child->droppedItems.size(), 2u);
    EXPECT_EQ(child->droppedItems[0], longPath.substr(0, dropPathSize - 1));
    EXPECT_EQ(lowered(child->droppedItems[1]), "c:\\b.txt");
}

#if MELP_TOOLKIT_HEADLESS

// A real file list always yields its paths (Wine cuts an overlong one), so a path that
// cannot be read is a scripted case.
TEST_F(DropTargetTest, UnreadablePathIsLeftOut) {
    dropOn(data(nullptr, {"C:\\one.txt", nullptr, "C:\\three.txt"}));
    EXPECT_EQ(child->droppedCount, 2);
    EXPECT_EQ(child->droppedItems, (std::vector<std::string>{"C:\\one.txt", "C:\\three.txt"}));

    log.clear();
    dropOn(data(nullptr, {nullptr}));
    EXPECT_TRUE(log.empty());
}

TEST_F(DropTargetTest, TheRegisteredTargetReachesTheChildren) {
    auto* registered = static_cast<FrameDropTarget*>(
        platform::headless::dropTarget(frame->window()));
    ASSERT_NE(registered, nullptr);
    EXPECT_EQ(registered->referenceCount(), 2);  // the frame's own and the registration's
    std::int32_t left = 0, top = 0, right = 0, bottom = 0;
    ASSERT_TRUE(platform::windowRect(frame->window(), &left, &top, &right, &bottom));
    platform::headless::setCursorPosition(left + 30, top + 40);
    void* object = data(nullptr, {"C:\\x.txt"});
    std::uint32_t effect = 0;
    registered->DragEnter(object, 0, PointL{0, 0}, &effect);
    EXPECT_EQ(effect, dropEffectMove);
    registered->Drop(object, 0, PointL{500, 500}, &effect);
    EXPECT_EQ(child->droppedKind, dropFiles);
    EXPECT_EQ(child->lastPoint, (Point{30, 40}));  // the frame's mouse position
}

#endif

}  // namespace
}  // namespace melp::toolkit::test
