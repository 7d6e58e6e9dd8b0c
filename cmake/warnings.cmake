# One interface target that every target of ours links, carrying the house warnings
# and the floating-point rules (SSE2 maths on i686, never fast-math).
add_library(melp_options INTERFACE)
target_compile_options(melp_options INTERFACE
  -Wall -Wextra -Wpedantic -Wconversion -Wdouble-promotion -Wold-style-cast
  -Woverloaded-virtual -Wnon-virtual-dtor
  # clang has no -Wshadow=local, and would stop on the unknown option under -Werror.
  $<$<CXX_COMPILER_ID:GNU>:-Wshadow=local>
  $<$<COMPILE_LANGUAGE:CXX>:-Wsuggest-override>
  -fno-fast-math)
if(MELP_WERROR)
  target_compile_options(melp_options INTERFACE -Werror)
endif()
if(CMAKE_SYSTEM_PROCESSOR MATCHES "i686|i386|x86$")
  target_compile_options(melp_options INTERFACE -msse2 -mfpmath=sse)
endif()
if(WIN32)
  # Hosts load the DLL from their own folder: no compiler runtime DLL may be needed.
  target_link_options(melp_options INTERFACE -static -static-libgcc -static-libstdc++)
endif()
target_include_directories(melp_options INTERFACE "${CMAKE_SOURCE_DIR}")
