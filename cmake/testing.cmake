# melp_add_test(NAME <name> SOURCES <files...> LIBS <targets...> [GUI])
# One executable = one ctest: a Wine start costs seconds, so Windows test programs
# are never split into one ctest per case.
function(melp_add_test)
  cmake_parse_arguments(T "GUI" "NAME" "SOURCES;LIBS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} melp_gtest_main melp_options)
  add_test(NAME ${T_NAME} COMMAND ${T_NAME})
  set_tests_properties(${T_NAME} PROPERTIES TIMEOUT 600)
  if(T_GUI)
    set_tests_properties(${T_NAME} PROPERTIES LABELS gui)
  endif()
endfunction()
