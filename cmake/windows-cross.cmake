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
  ExternalProject_Add(windows
    SOURCE_DIR ${PROJECT_SOURCE_DIR}
    BINARY_DIR ${MIRADOT_WINDOWS_BINARY_DIR}
    CMAKE_GENERATOR Ninja
    CMAKE_ARGS
      -DCMAKE_TOOLCHAIN_FILE=${PROJECT_SOURCE_DIR}/cmake/mingw-w64-x86_64.cmake
      -DCMAKE_BUILD_TYPE=${CMAKE_BUILD_TYPE}
      -DCMAKE_INSTALL_PREFIX=${MIRADOT_WINDOWS_STAGE}
    BUILD_COMMAND ${CMAKE_COMMAND} --build <BINARY_DIR> -j ${_cores}
    INSTALL_COMMAND ${CMAKE_COMMAND} --install <BINARY_DIR>
    BUILD_ALWAYS ON
    USES_TERMINAL_BUILD ON
  )
endif()
