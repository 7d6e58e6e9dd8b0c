// The library's C library floor (see glibc_compat.h). Every symbol defined here is hidden: the
// library's own code and its static C++ runtime bind to it, the host never sees it.
#include "platform/linux/glibc_compat.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <link.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#if !defined(__linux__) || !defined(__GLIBC__)
#error "glibc_compat.cpp belongs to the Linux library only"
#endif

#define MELP_HIDDEN __attribute__((visibility("hidden")))

namespace {

[[nodiscard]] bool fillFromKernel(unsigned char* bytes, size_t length) noexcept {
    while (length > 0) {
        const long got = syscall(SYS_getrandom, bytes, length, 0);
        if (got < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes += got;
        length -= static_cast<size_t>(got);
    }
    return true;
}

// Kernels before 3.17 have no getrandom.
[[nodiscard]] bool fillFromDevice(unsigned char* bytes, size_t length) noexcept {
    const int fd = open("/dev/urandom", O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    while (length > 0) {
        const ssize_t got = read(fd, bytes, length);
        if (got <= 0) {
            if (got < 0 && errno == EINTR) continue;
            break;
        }
        bytes += got;
        length -= static_cast<size_t>(got);
    }
    close(fd);
    return length == 0;
}

struct ObjectQuery {
    uintptr_t address;
    uintptr_t pageMask;
    dl_find_object* result;
    bool found;
};

// The link map is the loader's record whose dynamic section is the object's, looked up while
// dl_iterate_phdr holds the loader's list; objects opened into another namespace (dlmopen)
// are not on this list and report none.
link_map* linkMapOf(uintptr_t dynamicSection) noexcept {
    for (link_map* map = _r_debug.r_map; map != nullptr; map = map->l_next) {
        if (reinterpret_cast<uintptr_t>(map->l_ld) == dynamicSection) return map;
    }
    return nullptr;
}

// The same extent the loader records for an object: from the page holding its first loaded
// byte to the end of its last loaded segment in memory.
int matchObject(dl_phdr_info* info, size_t, void* data) noexcept {
    auto* query = static_cast<ObjectQuery*>(data);
    uintptr_t start = UINTPTR_MAX, end = 0, ehFrame = 0, dynamicSection = 0;
    for (ElfW(Half) i = 0; i < info->dlpi_phnum; ++i) {
        const ElfW(Phdr)& segment = info->dlpi_phdr[i];
        const uintptr_t at = info->dlpi_addr + segment.p_vaddr;
        if (segment.p_type == PT_LOAD) {
            start = std::min(start, at & query->pageMask);
            end = std::max(end, at + segment.p_memsz);
        } else if (segment.p_type == PT_GNU_EH_FRAME) {
            ehFrame = at;
        } else if (segment.p_type == PT_DYNAMIC) {
            dynamicSection = at;
        }
    }
    if (query->address < start || query->address >= end) return 0;
    dl_find_object* result = query->result;
    result->dlfo_flags = 0;
    result->dlfo_map_start = reinterpret_cast<void*>(start);
    result->dlfo_map_end = reinterpret_cast<void*>(end);
    result->dlfo_link_map = linkMapOf(dynamicSection);
    result->dlfo_eh_frame = reinterpret_cast<void*>(ehFrame);
    query->found = true;
    return 1;
}

}  // namespace

namespace melp::platform::glibc {

int onceWithoutThreads(pthread_once_t* control, void (*init)()) noexcept {
    // glibc's states: 0 not run, 1 running, 2 done (the bit its pthread_once tests).
    if (*control == PTHREAD_ONCE_INIT) {
        *control = 1;
        init();
        *control = 2;
    }
    return 0;
}

}  // namespace melp::platform::glibc

extern "C" {

// 0 is "other threads may exist": the runtime then always takes its atomic paths.
MELP_HIDDEN char __libc_single_threaded = 0;

// The unwinder's way to the frame tables of the object holding `address` (GLIBC_2.35).
MELP_HIDDEN int _dl_find_object(void* address, dl_find_object* result) noexcept {
    const auto pageMask = ~(static_cast<uintptr_t>(sysconf(_SC_PAGESIZE)) - 1);
    ObjectQuery query{reinterpret_cast<uintptr_t>(address), pageMask, result, false};
    dl_iterate_phdr(matchObject, &query);
    return query.found ? 0 : -1;
}

// std::random_device's sources (GLIBC_2.25 and 2.36).
MELP_HIDDEN int getentropy(void* buffer, size_t length) {
    if (length > 256) {
        errno = EIO;
        return -1;
    }
    return fillFromKernel(static_cast<unsigned char*>(buffer), length) ? 0 : -1;
}

MELP_HIDDEN uint32_t arc4random() noexcept {
    unsigned char bytes[sizeof(uint32_t)];
    if (!fillFromKernel(bytes, sizeof bytes) && !fillFromDevice(bytes, sizeof bytes)) {
        // Like glibc's own: a caller of arc4random has no failure to handle.
        abort();
    }
    uint32_t value;
    std::memcpy(&value, bytes, sizeof value);
    return value;
}

// The oldest versions, which every glibc still provides. The threads functions lived in
// libpthread before 2.34, so a host that never loaded it leaves them null.
double compatPow(double x, double y);
__asm__(".symver compatPow, pow@GLIBC_2.2.5");
int compatOnce(pthread_once_t* control, void (*init)()) __attribute__((weak));
__asm__(".symver compatOnce, pthread_once@GLIBC_2.2.5");
int compatKeyCreate(pthread_key_t* key, void (*destroy)(void*)) __attribute__((weak));
__asm__(".symver compatKeyCreate, __pthread_key_create@GLIBC_2.2.5");

MELP_HIDDEN double __wrap_pow(double x, double y) noexcept { return compatPow(x, y); }

MELP_HIDDEN int __wrap_pthread_once(pthread_once_t* control, void (*init)()) noexcept {
    if (compatOnce == nullptr) return melp::platform::glibc::onceWithoutThreads(control, init);
    return compatOnce(control, init);
}

// Without the threads library there are no keys to hand out.
MELP_HIDDEN int __wrap___pthread_key_create(pthread_key_t* key, void (*destroy)(void*)) noexcept {
    if (compatKeyCreate == nullptr) return EAGAIN;
    return compatKeyCreate(key, destroy);
}

}  // extern "C"
