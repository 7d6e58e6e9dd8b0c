// What the Linux plug-in library needs from the C library, kept to GLIBC_2.17 so that the library
// loads on every current distribution although it is built on a newer one. glibc_compat.cpp
// defines, hidden inside the library, the newer symbols the statically linked C++ runtime
// would otherwise import (`_dl_find_object`, `arc4random`, `getentropy`,
// `__libc_single_threaded`), and the `__wrap_` functions behind the linker's --wrap= options
// that bind `pow`, `pthread_once` and `__pthread_key_create` to their oldest versions.
#pragma once

#include <pthread.h>

namespace melp::platform::glibc {

// `pthread_once` for a process without the threads library (a C library older than 2.34 whose
// host never loaded libpthread, so no second thread exists): runs `init` once and leaves
// `control` in the state glibc's own `pthread_once` reads as done. [any thread] Returns 0.
int onceWithoutThreads(pthread_once_t* control, void (*init)()) noexcept;

}  // namespace melp::platform::glibc
