# The demo's fonts and textures at real size, made at build time into ${DEMO_CONTENT_DIR} for the
# demo game and the demo patch (Linux build only, like them): the fonts cut from Debian's font
# packages to the characters each edition shows (make_fonts.py), the textures drawn by
# make_textures.py with the installer's drawing helpers (installer/skin/make_artwork.py).
include_guard(GLOBAL)
if(CMAKE_CROSSCOMPILING)
  return()
endif()

# Debian's own interpreter: fonttools and Pillow come as Debian packages for it, which a python3
# found earlier on the PATH does not see.
find_program(DEBIAN_PYTHON3 python3 PATHS /usr/bin NO_DEFAULT_PATH REQUIRED)

set(DEMO_CONTENT_DIR "${CMAKE_BINARY_DIR}/demo-content")
set(demo_font_files)
set(demo_texture_files)
foreach(edition game patch)
  foreach(font EmberSans EmberSans-Bold MoorSerif TallyMono RuneGlyphs)
    list(APPEND demo_font_files "${DEMO_CONTENT_DIR}/fonts/${edition}/${font}.ttf")
  endforeach()
  foreach(texture LoadingScreen_Ashfall LoadingScreen_Moorlight UIAtlas LoadingScreen_Hearth)
    list(APPEND demo_texture_files "${DEMO_CONTENT_DIR}/textures/${edition}/${texture}.pixels")
  endforeach()
endforeach()

set(content_source "${CMAKE_CURRENT_LIST_DIR}")
file(GLOB_RECURSE translation_texts CONFIGURE_DEPENDS "${DEMO_PATCH_SOURCE}/*.txt"
     "${DEMO_PATCH_SOURCE}/*.xml")
add_custom_command(
  OUTPUT ${demo_font_files}
  COMMAND "${DEBIAN_PYTHON3}" "${content_source}/make_fonts.py" "${DEMO_PATCH_SOURCE}"
          "${DEMO_CONTENT_DIR}/fonts"
  DEPENDS "${content_source}/make_fonts.py" ${translation_texts}
  COMMENT "Cutting the demo's fonts into ${DEMO_CONTENT_DIR}/fonts"
  VERBATIM)
add_custom_command(
  OUTPUT ${demo_texture_files}
  COMMAND "${DEBIAN_PYTHON3}" "${content_source}/make_textures.py"
          "${DEMO_CONTENT_DIR}/textures"
  DEPENDS "${content_source}/make_textures.py" "${CMAKE_SOURCE_DIR}/installer/skin/make_artwork.py"
  COMMENT "Drawing the demo's textures into ${DEMO_CONTENT_DIR}/textures"
  VERBATIM)
set(DEMO_CONTENT_FILES ${demo_font_files} ${demo_texture_files})
add_custom_target(demo_content DEPENDS ${DEMO_CONTENT_FILES})
