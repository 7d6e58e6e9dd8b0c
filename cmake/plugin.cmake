# The plug-in DLL: the whole plug-in (melp_plugin) behind the one export `main`, with the
# load-time routine of the win32 backend and the bitmap resources. The finished DLL is copied
# to ${MELP_DIST_DIR}/MELP.dll.
if(WIN32 AND TARGET melp_plugin)
  set(melp_dll_sources "${CMAKE_SOURCE_DIR}/host/melp.def")
  if(TARGET melp_platform_dll_main)
    list(APPEND melp_dll_sources $<TARGET_OBJECTS:melp_platform_dll_main>)
  endif()
  if(EXISTS "${CMAKE_SOURCE_DIR}/resources/melp.rc")
    enable_language(RC)
    list(APPEND melp_dll_sources "${CMAKE_SOURCE_DIR}/resources/melp.rc")
  endif()
  add_library(MELP SHARED ${melp_dll_sources})
  target_link_libraries(MELP PRIVATE melp_plugin melp_options)
  # The .rc names its pictures relative to the resources folder.
  target_include_directories(MELP PRIVATE "${CMAKE_SOURCE_DIR}/resources")
  set_target_properties(MELP PROPERTIES OUTPUT_NAME MELP PREFIX "" LINKER_LANGUAGE CXX)
  add_custom_command(TARGET MELP POST_BUILD
    COMMAND "${CMAKE_COMMAND}" -E make_directory "${MELP_DIST_DIR}"
    COMMAND "${CMAKE_COMMAND}" -E copy "$<TARGET_FILE:MELP>" "${MELP_DIST_DIR}/MELP.dll"
    VERBATIM)
endif()

# The Linux plug-in library: the same plug-in behind `VSTPluginMain` and `main` (both the one
# entry, host/entry_so.cpp), the compiler's runtime linked in, nothing else exported, no C
# library symbol newer than GLIBC_2.17. The finished library is copied to
# ${MELP_DIST_DIR}/MELP.so.
if(NOT WIN32 AND MELP_SHARED_PLUGIN AND TARGET melp_plugin)
  add_library(MELP SHARED "${CMAKE_SOURCE_DIR}/host/entry_so.cpp")
  # The C library floor (platform/linux/glibc_compat.h) comes with the compiler's runtime.
  target_link_libraries(MELP PRIVATE melp_plugin melp_platform_glibc_compat melp_options)
  target_link_options(MELP PRIVATE
    -static-libstdc++ -static-libgcc
    "LINKER:--version-script=${CMAKE_SOURCE_DIR}/host/melp.map"
    "LINKER:--exclude-libs,ALL" "LINKER:--as-needed" "LINKER:-z,defs")
  set_target_properties(MELP PROPERTIES OUTPUT_NAME MELP PREFIX "" LINKER_LANGUAGE CXX
    LINK_DEPENDS "${CMAKE_SOURCE_DIR}/host/melp.map")
  add_custom_command(TARGET MELP POST_BUILD
    COMMAND "${CMAKE_COMMAND}" -E make_directory "${MELP_DIST_DIR}"
    COMMAND "${CMAKE_COMMAND}" -E copy "$<TARGET_FILE:MELP>" "${MELP_DIST_DIR}/MELP.so"
    VERBATIM)
endif()
