# Turns numbered BMP files (<dir>/<id>.bmp) into a C++ source of byte arrays, so Linux
# binaries carry the same pictures as the DLL's resources without reading files at run time.
#
#   melp_embed_bitmaps(<target> DIRECTORY <dir> NAME <identifier>)
#
# adds to <target> a generated source defining, in namespace melp::embedded,
#   extern const melp::platform::raster::EmbeddedResource <identifier>[];
#   extern const std::size_t <identifier>Count;
# The file list is taken when CMake configures (and again when files come or go).
#
# In script mode (cmake -DMELP_EMBED_OUTPUT=... -DMELP_EMBED_NAME=... -DMELP_EMBED_FILES=...
# -P embed.cmake) it writes the source.

if(CMAKE_SCRIPT_MODE_FILE)
  set(ids "")
  set(arrays "")
  set(entries "")
  # The list arrives joined with "|": a ";" would split the command line.
  string(REPLACE "|" ";" files "${MELP_EMBED_FILES}")
  foreach(file IN LISTS files)
    get_filename_component(id "${file}" NAME_WE)
    file(READ "${file}" hex HEX)
    string(LENGTH "${hex}" hexLength)
    math(EXPR byteCount "${hexLength} / 2")
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
    # Break the lines every 32 bytes to keep compilers and editors happy (CMake's regular
    # expressions have no counted repetition).
    string(REPEAT "0x[0-9a-f][0-9a-f]," 32 line)
    string(REGEX REPLACE "(${line})" "\\1\n" bytes "${bytes}")
    string(APPEND arrays "const unsigned char resource${id}[${byteCount}] = {\n${bytes}\n};\n")
    string(APPEND entries "    {${id}, resource${id}, sizeof resource${id}},\n")
    list(APPEND ids "${id}")
  endforeach()
  list(LENGTH ids count)
  if(count EQUAL 0)
    set(entries "    {0, nullptr, 0},\n")
  endif()
  file(WRITE "${MELP_EMBED_OUTPUT}.tmp"
"// Generated from bitmap files by cmake/embed.cmake; do not edit.
#include \"platform/raster/raster.h\"

namespace {
${arrays}}  // namespace

namespace melp::embedded {
extern const platform::raster::EmbeddedResource ${MELP_EMBED_NAME}[] = {
${entries}};
extern const std::size_t ${MELP_EMBED_NAME}Count = ${count};
}  // namespace melp::embedded
")
  file(COPY_FILE "${MELP_EMBED_OUTPUT}.tmp" "${MELP_EMBED_OUTPUT}" ONLY_IF_DIFFERENT)
  file(REMOVE "${MELP_EMBED_OUTPUT}.tmp")
  return()
endif()

set(MELP_EMBED_SCRIPT "${CMAKE_CURRENT_LIST_FILE}" CACHE INTERNAL "The resource embedding script")

function(melp_embed_bitmaps target)
  cmake_parse_arguments(E "" "DIRECTORY;NAME" "" ${ARGN})
  file(GLOB files CONFIGURE_DEPENDS "${E_DIRECTORY}/*.bmp")
  set(numbered "")
  foreach(file IN LISTS files)
    get_filename_component(stem "${file}" NAME_WE)
    if(stem MATCHES "^[0-9]+$")
      list(APPEND numbered "${file}")
    endif()
  endforeach()
  list(SORT numbered)
  string(REPLACE ";" "|" joined "${numbered}")
  set(output "${CMAKE_CURRENT_BINARY_DIR}/${E_NAME}.cpp")
  add_custom_command(
    OUTPUT "${output}"
    COMMAND "${CMAKE_COMMAND}" "-DMELP_EMBED_OUTPUT=${output}" "-DMELP_EMBED_NAME=${E_NAME}"
            "-DMELP_EMBED_FILES=${joined}" -P "${MELP_EMBED_SCRIPT}"
    DEPENDS ${numbered} "${MELP_EMBED_SCRIPT}"
    COMMENT "Embedding ${E_NAME} (${E_DIRECTORY})"
    VERBATIM)
  target_sources(${target} PRIVATE "${output}")
endfunction()
