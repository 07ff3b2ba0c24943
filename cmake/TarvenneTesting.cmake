# tarvenne_add_test(NAME name SOURCES a.cpp... LIBS lib...)
# One GoogleTest executable per component; on the host its cases are registered with
# ctest one by one.
# Host builds use the system's GoogleTest; Windows builds compile Debian's googletest
# sources with the cross compiler.
function(tarvenne_add_test)
  cmake_parse_arguments(T "" "NAME" "SOURCES;LIBS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main)
  # Where the tests find the samples and their data files.
  target_compile_definitions(${T_NAME} PRIVATE TARVENNE_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
  if(CMAKE_CROSSCOMPILING)
    # Under Wine every process start costs; one ctest entry per program, not per case.
    add_test(NAME ${T_NAME} COMMAND ${T_NAME} --gtest_brief=1)
    set_tests_properties(${T_NAME} PROPERTIES LABELS "win64" TIMEOUT 600)
  else()
    gtest_discover_tests(${T_NAME} DISCOVERY_TIMEOUT 30)
  endif()
endfunction()
