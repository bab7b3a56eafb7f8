# libsodium for the Ed25519 signature check: Debian's libsodium-dev natively;
# for Windows the static mingw-w64 build that tools/build_libsodium_mingw.sh
# makes from Debian's source package into .deps/.
if(TARGET sodium)
  return()
endif()
if(WIN32)
  file(GLOB _sodium_dirs ${PROJECT_SOURCE_DIR}/.deps/libsodium-mingw-*)
  list(SORT _sodium_dirs)
  list(POP_BACK _sodium_dirs _sodium_dir)
  if(NOT _sodium_dir OR NOT EXISTS ${_sodium_dir}/lib/libsodium.a)
    message(FATAL_ERROR "No mingw-w64 libsodium in .deps/: run tools/build_libsodium_mingw.sh (tools/setup.sh does)")
  endif()
  add_library(sodium STATIC IMPORTED GLOBAL)
  set_target_properties(sodium PROPERTIES
    IMPORTED_LOCATION ${_sodium_dir}/lib/libsodium.a
    INTERFACE_INCLUDE_DIRECTORIES ${_sodium_dir}/include
    INTERFACE_COMPILE_DEFINITIONS SODIUM_STATIC)
else()
  find_path(SODIUM_INCLUDE_DIR sodium.h REQUIRED)
  find_library(SODIUM_LIBRARY sodium REQUIRED)
  add_library(sodium UNKNOWN IMPORTED GLOBAL)
  set_target_properties(sodium PROPERTIES
    IMPORTED_LOCATION ${SODIUM_LIBRARY}
    INTERFACE_INCLUDE_DIRECTORIES ${SODIUM_INCLUDE_DIR})
endif()
