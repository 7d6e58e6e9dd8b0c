# Static links find archives only (see toolchain-i686-linux-gnu.cmake).
set(CMAKE_FIND_LIBRARY_SUFFIXES .a)
