// Checks that processing allocates nothing, in every view and mode, across a sample-rate
// change, and alongside the editor's read-outs, resets and parameter changes; and that the
// first block waits on no first-use initialisation (which may lock). This program replaces
// the global allocation functions, and where the C++ runtime's guard functions can be
// replaced, those too, with counting ones.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

// ThreadSanitizer keeps its own versions of the guard functions.
#if defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define MELP_THREAD_SANITIZER 1
#endif
#endif
#if defined(__SANITIZE_THREAD__)
#define MELP_THREAD_SANITIZER 1
#endif
#if defined(__GLIBCXX__) && defined(__linux__) && !defined(MELP_THREAD_SANITIZER)
#include <cxxabi.h>
#define MELP_COUNT_GUARDS 1
#endif

#include "meter_test_support.h"

namespace {

std::atomic<bool> armed{false};
std::atomic<long> allocations{0};

void* counted(std::size_t size) {
    if (armed.load(std::memory_order_relaxed)) {
        allocations.fetch_add(1, std::memory_order_relaxed);
    }
    return std::malloc(size == 0 ? 1 : size);
}

std::atomic<long> guardAcquisitions{0};

}  // namespace

#if defined(MELP_COUNT_GUARDS)
// The runtime calls these only for a function-local static not yet initialised. Single
// threaded, as every test here is.
namespace __cxxabiv1 {
extern "C" int __cxa_guard_acquire(__guard* guard) {
    if (armed.load(std::memory_order_relaxed)) {
        guardAcquisitions.fetch_add(1, std::memory_order_relaxed);
    }
    return *reinterpret_cast<const unsigned char*>(guard) == 0 ? 1 : 0;
}
extern "C" void __cxa_guard_release(__guard* guard) noexcept {
    *reinterpret_cast<unsigned char*>(guard) = 1;
}
extern "C" void __cxa_guard_abort(__guard*) noexcept {}
}  // namespace __cxxabiv1
#endif

void* operator new(std::size_t size) {
    if (void* p = counted(size)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
    if (void* p = counted(size)) return p;
    throw std::bad_alloc();
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return counted(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return counted(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace melp::testing {
namespace {

class AllocationGuard {
public:
    AllocationGuard() {
        allocations = 0;
        guardAcquisitions = 0;
        armed = true;
    }
    ~AllocationGuard() { armed = false; }
    long count() const { return allocations.load(); }
    long initialisations() const { return guardAcquisitions.load(); }
};

// First in this program, so that nothing has processed before it.
TEST(RealTime, FirstBlockMeetsNoFirstUseInitialisation) {
#if !defined(MELP_COUNT_GUARDS)
    GTEST_SKIP() << "the runtime's guard functions cannot be counted here";
#else
    auto e = makeEffect(48000.0f);
    Stereo signal{noise(1024, 1), noise(1024, 2)};
    float* channels[2] = {signal.left.data(), signal.right.data()};
    long seen = 0;
    {
        AllocationGuard guard;
        e->setParameterValue(5, 1.0f);
        e->processReplace(channels, channels, 1);
        e->processReplace(channels, channels, 1024);
        e->setParameterValue(7, 1.0f);
        e->processReplace(channels, channels, 1024);
        seen = guard.initialisations();
    }
    EXPECT_EQ(seen, 0);
    // The count works: a static met for the first time is seen.
    {
        AllocationGuard guard;
        static const std::vector<int> firstUse(3, 1);
        EXPECT_EQ(firstUse.size(), 3u);
        seen = guard.initialisations();
    }
    EXPECT_EQ(seen, 1);
#endif
}

TEST(RealTime, ProcessingAllocatesNothing) {
    auto e = makeEffect();
    Stereo signal{noise(4096, 1), noise(4096, 2)};
    signal.left[100] = std::numeric_limits<float>::quiet_NaN();
    float* channels[2] = {signal.left.data(), signal.right.data()};
    long seen = 0;
    {
        AllocationGuard guard;
        const float modes[][3] = {{0, 0, 0}, {0, 1, 0}, {0, 0, 1}, {1, 0, 0}, {2, 0, 0}, {7, 0, 0}};
        for (const auto& mode : modes) {
            e->setParameterValue(7, mode[0]);
            e->setParameterValue(5, mode[1]);
            e->setParameterValue(4, mode[2]);
            e->processReplace(channels, channels, 4096);
            e->processAccumulate(channels, channels, 512);
            for (int i = 0; i <= 100; ++i) e->readMeter(i);
            e->resetMeters();
        }
        e->changeSampleRate(96000.0f);
        e->setParameterValue(7, 1.0f);
        e->processReplace(channels, channels, 4096);
        e->changeSampleRate(-1.0f);
        e->processReplace(channels, channels, 4096);
        seen = guard.count();
    }
    EXPECT_EQ(seen, 0);
}

TEST(RealTime, TheGuardSeesAllocations) {
    long seen = 0;
    {
        AllocationGuard guard;
        auto* p = new (std::nothrow) int(3);
        delete p;
        seen = guard.count();
    }
    EXPECT_EQ(seen, 1);
}

}  // namespace
}  // namespace melp::testing
