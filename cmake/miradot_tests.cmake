# One way to declare each kind of test, for every folder under tests/:
#   miradot_native_test   a GoogleTest program of the native build, cases under ctest
#   miradot_windows_test  a GoogleTest program of the cross build, run under Wine by
#                         the native build's ctest in the prefix of one run
#   miradot_fuzz_target   a libFuzzer target, or the replay of its seeds under ctest
# Each is called in both builds and does its part in the build it belongs to.
include(GoogleTest)

if(WIN32)
  # The cross build compiles GoogleTest from its source package, which names
  # its targets GTest::gtest and GTest::gtest_main as the installed one does.
  set(MIRADOT_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest source for the cross build")
  add_subdirectory(${MIRADOT_GOOGLETEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
else()
  find_package(GTest REQUIRED)
endif()

set(MIRADOT_WINE_RUNNER ${PROJECT_SOURCE_DIR}/tests/support/run-wine-test.sh)
set(MIRADOT_WINE_PREFIX ${CMAKE_BINARY_DIR}/wine-prefix)

# The Wine prefix that every Wine test of one ctest run shares, made afresh.
function(miradot_wine_prefix)
  if(WIN32 OR NOT MIRADOT_WINDOWS)
    return()
  endif()
  add_test(NAME wine_prefix_setup COMMAND bash ${MIRADOT_WINE_RUNNER} --setup ${MIRADOT_WINE_PREFIX})
  add_test(NAME wine_prefix_cleanup COMMAND bash ${MIRADOT_WINE_RUNNER} --cleanup ${MIRADOT_WINE_PREFIX})
  # A program that hangs under Wine fails its test instead of the whole run.
  set_tests_properties(wine_prefix_setup PROPERTIES FIXTURES_SETUP wine_prefix TIMEOUT 300)
  set_tests_properties(wine_prefix_cleanup PROPERTIES FIXTURES_CLEANUP wine_prefix)
endfunction()

# Every test program sees the shared test helpers of tests/support and, when it
# tests the inside of a library, that library's own headers (INTERNAL_HEADERS).
function(miradot_test_program name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "SOURCES;LIBRARIES;DEFINITIONS;INTERNAL_HEADERS")
  add_executable(${name} ${arg_SOURCES})
  target_link_libraries(${name} PRIVATE ${arg_LIBRARIES})
  target_compile_definitions(${name} PRIVATE ${arg_DEFINITIONS})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests/support ${arg_INTERNAL_HEADERS})
endfunction()

# miradot_native_test(<name> SOURCES... LIBRARIES... [DEFINITIONS...] [INTERNAL_HEADERS...]
#                     [NO_PRETTY_VALUES])
function(miradot_native_test name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "NO_PRETTY_VALUES" ""
                        "SOURCES;LIBRARIES;DEFINITIONS;INTERNAL_HEADERS")
  if(WIN32)
    return()
  endif()
  miradot_test_program(${name} SOURCES ${arg_SOURCES} LIBRARIES ${arg_LIBRARIES} GTest::gtest_main
                       DEFINITIONS ${arg_DEFINITIONS} INTERNAL_HEADERS ${arg_INTERNAL_HEADERS})
  if(arg_NO_PRETTY_VALUES)
    # Cases carry their own names; ctest takes them as they are.
    gtest_discover_tests(${name} NO_PRETTY_VALUES)
  else()
    gtest_discover_tests(${name})
  endif()
endfunction()

# miradot_windows_test(<name> SOURCES... LIBRARIES... [DEFINITIONS...] [INTERNAL_HEADERS...]
#                      [OWN_MAIN] [DISPLAY] [SCREEN <w>x<h>] [RUN_SERIAL] [OWN_PREFIX]
#                      [TEST_NAME <ctest name>] [ARGUMENTS...] [ATTACHED_FILES...])
# OWN_MAIN: the program has its own main. DISPLAY: runs on a virtual X server,
# 800x600 unless SCREEN says otherwise. RUN_SERIAL: it changes the shared prefix
# machine-wide, so nothing runs beside it. OWN_PREFIX: it runs in a prefix of its
# own, made and removed around it (Wine keeps one desktop per prefix, sized by the
# first display that opened it). ARGUMENTS go to the program. The ctest name is
# wine_<name> unless TEST_NAME gives one, so that one program can run as several
# tests; MIRADOT_TEST_STAGE names the staged install folder.
function(miradot_windows_test name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "OWN_MAIN;DISPLAY;RUN_SERIAL;OWN_PREFIX" "SCREEN;TEST_NAME"
                        "SOURCES;LIBRARIES;DEFINITIONS;INTERNAL_HEADERS;ATTACHED_FILES;ARGUMENTS")
  if(WIN32)
    if(TARGET ${name})
      return()
    endif()
    set(gtest GTest::gtest_main)
    if(arg_OWN_MAIN)
      set(gtest GTest::gtest)
    endif()
    miradot_test_program(${name} SOURCES ${arg_SOURCES} LIBRARIES ${arg_LIBRARIES} ${gtest}
                         DEFINITIONS ${arg_DEFINITIONS} INTERNAL_HEADERS ${arg_INTERNAL_HEADERS})
    return()
  endif()
  if(NOT MIRADOT_WINDOWS)
    return()
  endif()
  set(test_name wine_${name})
  if(arg_TEST_NAME)
    set(test_name ${arg_TEST_NAME})
  endif()
  # The cross build lays out its binary tree as this one.
  file(RELATIVE_PATH folder ${CMAKE_BINARY_DIR} ${CMAKE_CURRENT_BINARY_DIR})
  set(program ${MIRADOT_WINDOWS_BINARY_DIR}/${folder}/${name}.exe)
  if(arg_OWN_PREFIX)
    set(prefix ${CMAKE_BINARY_DIR}/wine-prefix-${test_name})
    list(JOIN arg_ARGUMENTS " " arguments)
    set(command bash -c "bash ${MIRADOT_WINE_RUNNER} --setup ${prefix} && \
bash ${MIRADOT_WINE_RUNNER} ${prefix} ${program} ${arguments}; status=$?; \
bash ${MIRADOT_WINE_RUNNER} --cleanup ${prefix}; exit $status")
  else()
    set(command bash ${MIRADOT_WINE_RUNNER} ${MIRADOT_WINE_PREFIX} ${program} ${arg_ARGUMENTS})
  endif()
  if(arg_DISPLAY)
    set(screen 800x600)
    if(arg_SCREEN)
      set(screen ${arg_SCREEN})
    endif()
    set(command xvfb-run -a -s "-screen 0 ${screen}x24" ${command})
  endif()
  add_test(NAME ${test_name} COMMAND ${command})
  # Wine sees the build tree on drive Z:.
  string(REPLACE "/" "\\" stage_on_z "Z:${MIRADOT_WINDOWS_STAGE}")
  set_tests_properties(${test_name} PROPERTIES
    ENVIRONMENT "MIRADOT_TEST_STAGE=${stage_on_z}"
    TIMEOUT 300
    LABELS wine)
  if(NOT arg_OWN_PREFIX)
    set_tests_properties(${test_name} PROPERTIES FIXTURES_REQUIRED wine_prefix)
  endif()
  if(arg_RUN_SERIAL)
    set_tests_properties(${test_name} PROPERTIES RUN_SERIAL ON)
  endif()
  if(arg_ATTACHED_FILES)
    set_tests_properties(${test_name} PROPERTIES ATTACHED_FILES "${arg_ATTACHED_FILES}")
  endif()
endfunction()

# miradot_fuzz_target(<target> LIBRARIES... [INTERNAL_HEADERS...]): with
# libFuzzer (MIRADOT_FUZZ) the target is a fuzzer; otherwise it replays its
# seeds (seeds/<target>) under ctest.
function(miradot_fuzz_target target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "LIBRARIES;INTERNAL_HEADERS")
  if(WIN32)
    return()
  endif()
  if(MIRADOT_FUZZ)
    miradot_test_program(${target} SOURCES ${target}.cpp
                         LIBRARIES ${arg_LIBRARIES} INTERNAL_HEADERS ${arg_INTERNAL_HEADERS})
    target_link_options(${target} PRIVATE -fsanitize=fuzzer)
  else()
    miradot_test_program(${target} SOURCES ${target}.cpp fuzz_replay_main.cpp
                         LIBRARIES ${arg_LIBRARIES} INTERNAL_HEADERS ${arg_INTERNAL_HEADERS})
    add_test(NAME ${target}_seeds COMMAND ${target} ${CMAKE_CURRENT_SOURCE_DIR}/seeds/${target})
  endif()
endfunction()
