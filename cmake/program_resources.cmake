# The program icon, drawn at build time by tools/icon/make_icon.py, and the
# product version taken from common/version_number.h, for the Windows
# programs' resources and the installer.
#   MIRADOT_ICON               the .ico file (target miradot_icon makes it)
#   MIRADOT_PRODUCT_VERSION    "0.1.5"
#   MIRADOT_FILE_VERSION       the same in four parts, "0.1.5.0"
#   miradot_program_resources(<target> <rc file>)
#                              adds the program's resource script, which
#                              includes common/program_resources.rc
find_program(MIRADOT_PYTHON python3 REQUIRED)
set(MIRADOT_ICON_DIR ${CMAKE_BINARY_DIR}/icons)
set(MIRADOT_ICON ${MIRADOT_ICON_DIR}/miraDot.ico)
add_custom_command(
  OUTPUT ${MIRADOT_ICON}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${MIRADOT_ICON_DIR}
  COMMAND ${MIRADOT_PYTHON} ${PROJECT_SOURCE_DIR}/tools/icon/make_icon.py ${MIRADOT_ICON}
  DEPENDS ${PROJECT_SOURCE_DIR}/tools/icon/make_icon.py
  COMMENT "Drawing the miraDot icon"
  VERBATIM)
add_custom_target(miradot_icon DEPENDS ${MIRADOT_ICON})

file(STRINGS ${PROJECT_SOURCE_DIR}/common/version_number.h _version_line REGEX "define MIRADOT_VERSION_TEXT ")
string(REGEX MATCH "\"([0-9.]+)\"" _ ${_version_line})
set(MIRADOT_PRODUCT_VERSION ${CMAKE_MATCH_1})
string(REPLACE "." ";" _version_parts ${MIRADOT_PRODUCT_VERSION})
list(LENGTH _version_parts _version_count)
while(_version_count LESS 4)
  list(APPEND _version_parts 0)
  math(EXPR _version_count "${_version_count} + 1")
endwhile()
list(JOIN _version_parts "." MIRADOT_FILE_VERSION)

function(miradot_program_resources target rc_file)
  target_sources(${target} PRIVATE ${rc_file})
  list(JOIN _version_parts "," numeric_version)
  set_source_files_properties(${rc_file} TARGET_DIRECTORY ${target} PROPERTIES
    OBJECT_DEPENDS "${MIRADOT_ICON};${PROJECT_SOURCE_DIR}/common/program_resources.rc"
    COMPILE_DEFINITIONS "MIRADOT_FILE_VERSION_NUMBERS=${numeric_version}")
  target_include_directories(${target} PRIVATE ${MIRADOT_ICON_DIR} ${PROJECT_SOURCE_DIR}/common)
  add_dependencies(${target} miradot_icon)
endfunction()
