# 32-bit Linux: the DLL's i686 code (melp_options adds its -msse2 -mfpmath=sse) on the
# headless backend, so the 32-bit maths and kernels are tested even where Wine cannot load
# the 32-bit DLL. Programs are linked statically: they need no 32-bit userland to run.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_COMPILER gcc)
set(CMAKE_CXX_COMPILER g++)
set(CMAKE_C_FLAGS_INIT -m32)
set(CMAKE_CXX_FLAGS_INIT -m32)
set(CMAKE_EXE_LINKER_FLAGS_INIT "-m32 -static")
# Debian's i386 libraries (libfreetype-dev:i386, libpng-dev:i386), their archives only.
# The platform's defaults (which prefer shared libraries) are set after this file is read,
# so the preference for archives comes after project().
set(CMAKE_LIBRARY_ARCHITECTURE i386-linux-gnu)
set(CMAKE_PROJECT_INCLUDE "${CMAKE_CURRENT_LIST_DIR}/static-libraries.cmake")
# A static FreeType brings its own dependencies to every link.
set(CMAKE_C_STANDARD_LIBRARIES_INIT "-lbrotlidec -lbrotlicommon -lpng16 -lz -lm")
set(CMAKE_CXX_STANDARD_LIBRARIES_INIT "-lbrotlidec -lbrotlicommon -lpng16 -lz -lm")

# Where the kernel runs 32-bit programs, ctest runs them as they are; elsewhere through
# qemu's user-mode emulator (no binfmt_misc registration needed). The 32-bit loader
# (installed with g++-multilib) answers --version only where such programs run.
# MELP_I686_EMULATE=ON takes the emulator anyway, to try that path on any machine.
option(MELP_I686_EMULATE "Run the i686 test programs under qemu-i386-static" OFF)
execute_process(COMMAND /lib/ld-linux.so.2 --version
  RESULT_VARIABLE melp_i686_loader_rc OUTPUT_QUIET ERROR_QUIET)
if(MELP_I686_EMULATE OR NOT melp_i686_loader_rc EQUAL 0)
  find_program(MELP_QEMU_I386 qemu-i386-static REQUIRED)
  set(CMAKE_CROSSCOMPILING_EMULATOR "${MELP_QEMU_I386}")
endif()
