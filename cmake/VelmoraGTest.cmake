# GoogleTest from the sources Debian's googletest package installs, built with the cross compiler.
set(VELMORA_GTEST_SRC /usr/src/googletest CACHE PATH "GoogleTest sources")
add_library(gtest STATIC ${VELMORA_GTEST_SRC}/googletest/src/gtest-all.cc
                         ${VELMORA_GTEST_SRC}/googlemock/src/gmock-all.cc)
target_include_directories(gtest SYSTEM PUBLIC
  ${VELMORA_GTEST_SRC}/googletest/include ${VELMORA_GTEST_SRC}/googlemock/include)
target_include_directories(gtest PRIVATE ${VELMORA_GTEST_SRC}/googletest ${VELMORA_GTEST_SRC}/googlemock)
target_compile_definitions(gtest PUBLIC GTEST_HAS_PTHREAD=0)
add_library(gtest_main STATIC ${VELMORA_GTEST_SRC}/googletest/src/gtest_main.cc)
target_link_libraries(gtest_main PUBLIC gtest)

set(VELMORA_WINE_RUN ${CMAKE_SOURCE_DIR}/scripts/wine-test-run.sh)
# Test executables run under Wine through the wrapper (CMake prepends it to their command).
set(CMAKE_CROSSCOMPILING_EMULATOR ${VELMORA_WINE_RUN})

# velmora_test(name SOURCES ... [DEPS ...] [DISPLAY] [SERVER] [TIMEOUT s])
# One CTest test per executable: every Wine start costs time.
function(velmora_test name)
  cmake_parse_arguments(A "DISPLAY;SERVER" "TIMEOUT" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${A_SOURCES})
  velmora_defaults(${name})
  target_link_libraries(${name} PRIVATE ${A_DEPS} test_support gtest_main)
  set(env "VELMORA_PREFIX_ROOT=${CMAKE_BINARY_DIR}/wine" "VELMORA_TEST_NAME=${name}")
  if(A_DISPLAY)
    list(APPEND env "VELMORA_NEEDS_DISPLAY=1")
  endif()
  if(A_SERVER)
    list(APPEND env "VELMORA_NEEDS_SERVER=1")
  endif()
  add_test(NAME ${name} COMMAND ${name}
           WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/testrun/${name})
  file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/testrun/${name})
  if(NOT A_TIMEOUT)
    set(A_TIMEOUT 600)
  endif()
  set_tests_properties(${name} PROPERTIES ENVIRONMENT "${env}" TIMEOUT ${A_TIMEOUT})
endfunction()

# velmora_test_variant(name target ENV <VAR=value>...): the test executable `target` run once
# more as test `name`, in a Wine prefix of its own with that environment (a Windows version, a
# display scale).
function(velmora_test_variant name target)
  cmake_parse_arguments(A "" "" "ENV" ${ARGN})
  add_test(NAME ${name} COMMAND ${VELMORA_WINE_RUN} $<TARGET_FILE:${target}>
           WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/testrun/${name})
  file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/testrun/${name})
  set_tests_properties(${name} PROPERTIES TIMEOUT 300 ENVIRONMENT
    "VELMORA_PREFIX_ROOT=${CMAKE_BINARY_DIR}/wine;VELMORA_TEST_NAME=${name};${A_ENV}")
endfunction()
