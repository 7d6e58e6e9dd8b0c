// The plain editor base: its do-little defaults and the pending-refresh handshake.
#include <gtest/gtest.h>

#include "host/editor_base.h"
#include "tests/unit/host/test_effect.h"

using namespace melp;
using melp::testing::TestEditor;
using melp::testing::TestEffect;

TEST(EditorBase, DefaultsBeforeAnyOpen) {
    TestEffect effect(nullptr);
    host::EditorBase editor(&effect);
    EXPECT_EQ(editor.effect, &effect);
    EXPECT_EQ(editor.parentWindow, nullptr);
    EXPECT_EQ(editor.refreshPending.load(), 0);
    // Constructing an editor base does not attach it: that is the GUI base's business.
    EXPECT_EQ(effect.editor, nullptr);

    host::VstKeyCode key{65, 0, 0};
    EXPECT_EQ(editor.keyDown(key), -1);
    EXPECT_EQ(editor.keyUp(key), -1);
    EXPECT_EQ(editor.changeKnobMode(2), 0);
    EXPECT_FALSE(editor.wheel(1.0f));
    int parent = 0;
    EXPECT_EQ(editor.openEditor(&parent), 0);
    EXPECT_EQ(editor.parentWindow, &parent);
}

TEST(EditorBase, RefreshRunsOnceAtTheIdleAfterARequest) {
    TestEffect effect(nullptr);
    TestEditor editor(&effect);
    editor.idleEditor();
    EXPECT_TRUE(editor.calls.empty());
    editor.requestRefresh();
    editor.requestRefresh();
    EXPECT_EQ(editor.refreshPending.load(), 1);
    editor.idleEditor();
    editor.idleEditor();
    ASSERT_EQ(editor.calls.size(), 1u);
    EXPECT_EQ(editor.calls[0], "refresh");
    EXPECT_EQ(editor.refreshPending.load(), 0);
}

TEST(EditorBase, RequestDuringRefreshIsKeptForTheNextIdle) {
    struct Rerequesting : TestEditor {
        using TestEditor::TestEditor;
        void refresh() noexcept override {
            TestEditor::refresh();
            if (calls.size() == 1) {
                requestRefresh();
            }
        }
    };
    TestEffect effect(nullptr);
    Rerequesting editor(&effect);
    editor.requestRefresh();
    editor.idleEditor();
    editor.idleEditor();
    editor.idleEditor();
    EXPECT_EQ(editor.calls.size(), 2u);
}
