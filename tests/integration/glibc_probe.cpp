// A small library linked the way the plug-in library is (static C++ runtime, the C library
// floor): its one export throws through several frames of its own and catches, and draws from
// the runtime's random sources, so glibc_compat_test sees the floor's definitions at work.
#include <random>
#include <stdexcept>
#include <string>

namespace {

[[gnu::noinline]] int throwFrom(int depth) {
    if (depth == 0) throw std::runtime_error("probe");
    return throwFrom(depth - 1) + 1;
}

}  // namespace

// Returns `depth` when the exception came back through `depth` frames; -1 when it was lost.
// `randomValues` receives two draws from each of the sources named by `token` in turn.
extern "C" __attribute__((visibility("default"))) int glibcProbe(int depth, const char* token,
                                                                  unsigned* randomValues) noexcept {
    try {
        std::random_device source(token);
        randomValues[0] = source();
        randomValues[1] = source();
    } catch (const std::exception&) {
        return -2;
    }
    try {
        return throwFrom(depth);
    } catch (const std::runtime_error& error) {
        return std::string(error.what()) == "probe" ? depth : -1;
    }
}
