// The Linux library's C library floor (platform/linux/glibc_compat.h) against the C library of
// this machine: the unwinder's object lookup gives glibc's answers, pow gives the new version's
// results, the random sources and the thread-once functions work, and a library linked like
// the plug-in unwinds its own exceptions.
#include "platform/linux/glibc_compat.h"

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <link.h>
#include <sys/auxv.h>

#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <set>
#include <thread>
#include <vector>

extern "C" {
int _dl_find_object(void* address, dl_find_object* result) noexcept;
int getentropy(void* buffer, size_t length);
uint32_t arc4random() noexcept;
double __wrap_pow(double x, double y) noexcept;
int __wrap_pthread_once(pthread_once_t* control, void (*init)()) noexcept;
int __wrap___pthread_key_create(pthread_key_t* key, void (*destroy)(void*)) noexcept;
}

namespace {

int probeData = 1;
void probeFunction() {}

template <typename Function>
Function versioned(void* library, const char* name, const char* version) {
    void* address = dlvsym(library, name, version);
    EXPECT_NE(address, nullptr) << name << "@" << version;
    return reinterpret_cast<Function>(address);
}

TEST(GlibcCompat, objectLookupGivesTheLoadersAnswers) {
    using Find = int (*)(void*, dl_find_object*);
    const auto loaders = versioned<Find>(RTLD_DEFAULT, "_dl_find_object", "GLIBC_2.35");
    ASSERT_NE(loaders, nullptr);
    void* plugin = dlopen(MELP_SO_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(plugin, nullptr) << dlerror();

    dl_find_object program{};
    ASSERT_EQ(loaders(reinterpret_cast<void*>(&probeFunction), &program), 0);
    int onStack = 0;
    std::vector<int> onHeap(4);
    std::vector<std::pair<const char*, void*>> addresses = {
        {"program text", reinterpret_cast<void*>(&probeFunction)},
        {"program data", &probeData},
        {"program's first byte", program.dlfo_map_start},
        {"program's last byte", static_cast<char*>(program.dlfo_map_end) - 1},
        {"past the program", program.dlfo_map_end},
        {"C library", reinterpret_cast<void*>(&dl_iterate_phdr)},
        {"maths library", dlsym(RTLD_DEFAULT, "cos")},
        {"loader", &_r_debug},
        {"C++ runtime", reinterpret_cast<void*>(&std::terminate)},
        {"plug-in library", dlsym(plugin, "VSTPluginMain")},
        {"kernel's shared object", reinterpret_cast<void*>(getauxval(AT_SYSINFO_EHDR))},
        {"stack", &onStack},
        {"heap", onHeap.data()},
        {"null", nullptr},
    };
    for (const auto& [what, address] : addresses) {
        SCOPED_TRACE(what);
        dl_find_object expected{};
        dl_find_object actual{};
        const int expectedResult = loaders(address, &expected);
        ASSERT_EQ(_dl_find_object(address, &actual), expectedResult);
        if (expectedResult != 0) continue;
        EXPECT_EQ(actual.dlfo_map_start, expected.dlfo_map_start);
        EXPECT_EQ(actual.dlfo_map_end, expected.dlfo_map_end);
        EXPECT_EQ(actual.dlfo_eh_frame, expected.dlfo_eh_frame);
        EXPECT_EQ(actual.dlfo_link_map, expected.dlfo_link_map);
    }
    dlclose(plugin);
}

TEST(GlibcCompat, powGivesTheNewVersionsResults) {
    void* maths = dlopen("libm.so.6", RTLD_NOW | RTLD_NOLOAD);
    ASSERT_NE(maths, nullptr);
    using Pow = double (*)(double, double);
    const auto newPow = versioned<Pow>(maths, "pow", "GLIBC_2.29");
    ASSERT_NE(newPow, nullptr);
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double tiny = std::numeric_limits<double>::denorm_min();
    std::vector<std::pair<double, double>> cases = {
        {0.0, -1.0}, {-0.0, -3.0}, {-0.0, 3.0}, {0.0, 0.0}, {nan, 0.0}, {1.0, nan},
        {-1.0, inf}, {0.5, inf}, {2.0, -inf}, {-inf, 3.0}, {-inf, -2.0}, {-8.0, 1.0 / 3.0},
        {-2.0, 1025.0}, {10.0, 308.0}, {10.0, 309.0}, {10.0, -324.0}, {tiny, 0.5}, {2.0, -1074.0},
        {0.1, 1.0 / (48000.0 * 1.5)}, {0.1, 1.0 / 44100.0}, {10.0, 7.0}};
    std::mt19937_64 generator(2024);
    std::uniform_real_distribution<double> base(-20.0, 20.0), exponent(-40.0, 40.0);
    std::uniform_int_distribution<int> whole(-60, 60);
    for (int i = 0; i < 20000; ++i) cases.emplace_back(base(generator), exponent(generator));
    for (int i = 0; i < 2000; ++i) cases.emplace_back(base(generator), whole(generator));
    for (int i = 0; i < 2000; ++i) {
        cases.emplace_back(std::ldexp(base(generator), whole(generator) * 16), exponent(generator));
    }
    for (const auto& [x, y] : cases) {
        const double expected = newPow(x, y);
        const double actual = __wrap_pow(x, y);
        if (std::isnan(expected)) {
            EXPECT_TRUE(std::isnan(actual)) << x << " ^ " << y;
        } else {
            EXPECT_EQ(std::memcmp(&actual, &expected, sizeof actual), 0)
                << x << " ^ " << y << ": " << actual << " against " << expected;
        }
    }
}

TEST(GlibcCompat, randomSourcesGiveRandomBytes) {
    unsigned char first[256], second[256];
    ASSERT_EQ(getentropy(first, sizeof first), 0);
    ASSERT_EQ(getentropy(second, sizeof second), 0);
    EXPECT_NE(std::memcmp(first, second, sizeof first), 0);
    EXPECT_GT(std::set<unsigned char>(first, first + sizeof first).size(), 100u);
    unsigned char tooMany[257];
    errno = 0;
    EXPECT_EQ(getentropy(tooMany, sizeof tooMany), -1);
    EXPECT_EQ(errno, EIO);

    std::set<uint32_t> values;
    uint32_t bitsSeen = 0;
    for (int i = 0; i < 64; ++i) {
        const uint32_t value = arc4random();
        values.insert(value);
        bitsSeen |= value;
    }
    EXPECT_GT(values.size(), 60u);
    EXPECT_EQ(bitsSeen, 0xffffffffu);
}

std::atomic<int> onceRuns{0};
void countRun() { onceRuns.fetch_add(1, std::memory_order_relaxed); }

TEST(GlibcCompat, onceRunsOnceWithAndWithoutTheThreadsLibrary) {
    pthread_once_t shared = PTHREAD_ONCE_INIT;
    onceRuns = 0;
    std::vector<std::thread> threads;
    for (int i = 0; i < 8; ++i) {
        threads.emplace_back([&shared] { EXPECT_EQ(__wrap_pthread_once(&shared, countRun), 0); });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(onceRuns.load(), 1);

    // Done without threads, then seen as done by glibc's own once (a host loading the threads
    // library later).
    pthread_once_t alone = PTHREAD_ONCE_INIT;
    onceRuns = 0;
    EXPECT_EQ(melp::platform::glibc::onceWithoutThreads(&alone, countRun), 0);
    EXPECT_EQ(melp::platform::glibc::onceWithoutThreads(&alone, countRun), 0);
    EXPECT_EQ(pthread_once(&alone, countRun), 0);
    EXPECT_EQ(onceRuns.load(), 1);
}

TEST(GlibcCompat, keysFromTheOldestVersionHoldValues) {
    pthread_key_t key;
    ASSERT_EQ(__wrap___pthread_key_create(&key, nullptr), 0);
    int value = 7;
    ASSERT_EQ(pthread_setspecific(key, &value), 0);
    EXPECT_EQ(pthread_getspecific(key), &value);
    std::thread([key] { EXPECT_EQ(pthread_getspecific(key), nullptr); }).join();
    EXPECT_EQ(pthread_key_delete(key), 0);
}

TEST(GlibcCompat, aLibraryLinkedLikeThePluginUnwindsAndDraws) {
    void* probe = dlopen(MELP_GLIBC_PROBE_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(probe, nullptr) << dlerror();
    using Probe = int (*)(int, const char*, unsigned*);
    const auto run = reinterpret_cast<Probe>(dlsym(probe, "glibcProbe"));
    ASSERT_NE(run, nullptr);
    EXPECT_EQ(dlsym(probe, "_dl_find_object"), dlsym(RTLD_DEFAULT, "_dl_find_object"))
        << "the probe must not export its own";
    for (const char* token : {"getentropy", "arc4random"}) {
        SCOPED_TRACE(token);
        for (int depth : {0, 1, 5, 40}) {
            unsigned values[2] = {0, 0};
            EXPECT_EQ(run(depth, token, values), depth);
            EXPECT_NE(values[0], values[1]);
        }
    }
    dlclose(probe);
}

}  // namespace
