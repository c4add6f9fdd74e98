# The installer's skin and icon are drawn at build time by make_artwork.py into
# ${ARTWORK_DIR}; the target `artwork` brings them up to date. The checker runs as a test on
# builds for the host (it needs nothing but Python).
include_guard(GLOBAL)

find_package(Python3 REQUIRED COMPONENTS Interpreter)

set(ARTWORK_DIR "${CMAKE_BINARY_DIR}/artwork")
set(ARTWORK_FILES
    "${ARTWORK_DIR}/211.png"
    "${ARTWORK_DIR}/212.png"
    "${ARTWORK_DIR}/213.png"
    "${ARTWORK_DIR}/214.png"
    "${ARTWORK_DIR}/215.png"
    "${ARTWORK_DIR}/216.png"
    "${ARTWORK_DIR}/cmpatch.ico")

add_custom_command(
  OUTPUT ${ARTWORK_FILES}
  COMMAND "${Python3_EXECUTABLE}" "${CMAKE_CURRENT_LIST_DIR}/make_artwork.py" "${ARTWORK_DIR}"
  DEPENDS "${CMAKE_CURRENT_LIST_DIR}/make_artwork.py"
  COMMENT "Drawing the installer artwork into ${ARTWORK_DIR}"
  VERBATIM)
add_custom_target(artwork DEPENDS ${ARTWORK_FILES})

if(NOT CMAKE_CROSSCOMPILING)
  add_test(NAME artwork_check
           COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_LIST_DIR}/check_artwork.py)
endif()
