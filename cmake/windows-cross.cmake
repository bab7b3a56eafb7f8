# From a native build, cross-compiles the same tree for 64-bit Windows into
# <build>/windows and stages the installed folder in <build>/windows/stage.
include(ExternalProject)

find_program(MINGW_CXX x86_64-w64-mingw32-g++-posix)
find_program(WINE_PROGRAM wine)
set(_windows_default OFF)
if(MINGW_CXX AND WINE_PROGRAM)
  set(_windows_default ON)
endif()
option(MIRADOT_WINDOWS "Cross-build the Windows programs and run their tests under Wine" ${_windows_default})

if(MIRADOT_WINDOWS)
  cmake_host_system_information(RESULT _cores QUERY NUMBER_OF_LOGICAL_CORES)
  set(MIRADOT_WINDOWS_BINARY_DIR ${CMAKE_BINARY_DIR}/windows)
  set(MIRADOT_WINDOWS_STAGE ${MIRADOT_WINDOWS_BINARY_DIR}/stage/miraDot)
  # The test build's throwaway update signing key pair, made once per build
  # tree; its private half signs the test manifests.
  set(MIRADOT_UPDATE_TEST_KEY_DIR ${CMAKE_BINARY_DIR}/update-test-key)
  add_custom_command(
    OUTPUT ${MIRADOT_UPDATE_TEST_KEY_DIR}/public.txt
    COMMAND ${CMAKE_COMMAND} -E make_directory ${MIRADOT_UPDATE_TEST_KEY_DIR}
    COMMAND ${CMAKE_COMMAND} -E rm -f ${MIRADOT_UPDATE_TEST_KEY_DIR}/private.key
    COMMAND sh -c "$<TARGET_FILE:miradot-release> keygen private.key > public.txt"
    WORKING_DIRECTORY ${MIRADOT_UPDATE_TEST_KEY_DIR}
    DEPENDS miradot-release
    VERBATIM)
  add_custom_target(update_test_key DEPENDS ${MIRADOT_UPDATE_TEST_KEY_DIR}/public.txt)
  ExternalProject_Add(windows
    SOURCE_DIR ${PROJECT_SOURCE_DIR}
    BINARY_DIR ${MIRADOT_WINDOWS_BINARY_DIR}
    CMAKE_GENERATOR Ninja
    CMAKE_ARGS
      -DCMAKE_TOOLCHAIN_FILE=${PROJECT_SOURCE_DIR}/cmake/mingw-w64-x86_64.cmake
      -DCMAKE_BUILD_TYPE=${CMAKE_BUILD_TYPE}
      -DCMAKE_INSTALL_PREFIX=${MIRADOT_WINDOWS_STAGE}
      -DMIRADOT_UPDATE_TEST_KEY_FILE=${MIRADOT_UPDATE_TEST_KEY_DIR}/public.txt
      -DMIRADOT_LEXICON_DIR=${MIRADOT_LEXICON_DIR}
    DEPENDS update_test_key lexicon_image
    BUILD_COMMAND ${CMAKE_COMMAND} --build <BINARY_DIR> -j ${_cores}
    INSTALL_COMMAND ${CMAKE_COMMAND} --install <BINARY_DIR>
    BUILD_ALWAYS ON
    # Staged by the install step; named here so that the native build knows
    # which step makes what the installer packs.
    BUILD_BYPRODUCTS ${MIRADOT_WINDOWS_STAGE}/miraDot-Settings.exe ${MIRADOT_WINDOWS_STAGE}/miraDot-Voice.exe
                     ${MIRADOT_WINDOWS_STAGE}/tsf/miradot_tsf.dll
    USES_TERMINAL_BUILD ON
  )
endif()
