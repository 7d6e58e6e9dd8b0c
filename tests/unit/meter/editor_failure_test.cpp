// Checks the one construction failure a host can see: when the editor cannot be created,
// the entry hands out no record, now and for every later call in the process. This program
// makes every plain no-throw allocation fail once armed.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "host/entry.h"
#include "host/opcodes.h"
#include "tests/support/fake_host.h"

namespace {
std::atomic<bool> failNothrow{false};
}

// Every plain form is replaced, so that each allocation and its release come in pairs.
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return failNothrow.load() ? nullptr : std::malloc(size == 0 ? 1 : size);
}
void* operator new(std::size_t size) {
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }

namespace melp::testing {
namespace {

TEST(EditorCreationFailure, EntryAnswersNullFromThenOn) {
    FakeHost host;
    host.answer(host::audioMasterVersion, 2400);
    host::AEffect* working = melpPluginEntry(FakeHost::callback);
    ASSERT_NE(working, nullptr);
    working->dispatcher(working, host::effClose, 0, 0, nullptr, 0.0f);

    // The plug-in object itself is over-aligned and takes the aligned allocation, which
    // still works; the editor's plain allocation fails.
    failNothrow = true;
    EXPECT_EQ(melpPluginEntry(FakeHost::callback), nullptr);
    failNothrow = false;
    EXPECT_TRUE(host::editorCreationFailed.load());
    EXPECT_EQ(melpPluginEntry(FakeHost::callback), nullptr);
}

}  // namespace
}  // namespace melp::testing
