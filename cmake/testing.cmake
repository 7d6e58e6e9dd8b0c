# melp_add_test(NAME <name> SOURCES <files...> LIBS <targets...> [LABELS <labels...>])
# One executable = one ctest: a Wine start costs seconds, so Windows test programs
# are never split into one ctest per case. Label "gui" for tests that need a display,
# "tsan" for the stress tests the ThreadSanitizer build runs, "fuzz" for fuzz runs.
function(melp_add_test)
  cmake_parse_arguments(T "" "NAME" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} melp_gtest_main melp_options)
  add_test(NAME ${T_NAME} COMMAND ${T_NAME})
  set_tests_properties(${T_NAME} PROPERTIES TIMEOUT 600)
  if(T_LABELS)
    set_tests_properties(${T_NAME} PROPERTIES LABELS "${T_LABELS}")
  endif()
endfunction()
