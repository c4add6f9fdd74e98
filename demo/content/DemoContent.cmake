# The demo's fonts and textures at real size, made at build time into ${DEMO_CONTENT_DIR} for the
# demo game and the demo patch (Linux build only, like them): the fonts cut with cmkit font from
# Debian's font packages to the characters each edition shows, the textures' pictures drawn by
# make_textures.py with the installer's drawing helpers (installer/skin/make_artwork.py). The kit's
# encoder makes the textures' image data of the pictures.
include_guard(GLOBAL)
if(CMAKE_CROSSCOMPILING)
  return()
endif()

# Debian's own interpreter: Pillow comes as a Debian package for it, which a python3 found earlier on
# the PATH does not see.
find_program(DEBIAN_PYTHON3 python3 PATHS /usr/bin NO_DEFAULT_PATH REQUIRED)

set(DEMO_CONTENT_DIR "${CMAKE_BINARY_DIR}/demo-content")
set(demo_texture_files)
foreach(edition game patch)
  foreach(texture LoadingScreen_Ashfall LoadingScreen_Moorlight UIAtlas LoadingScreen_Hearth)
    list(APPEND demo_texture_files "${DEMO_CONTENT_DIR}/textures/${edition}/${texture}.png")
  endforeach()
endforeach()

# Each Font object's face in the English game, then in the patch, as FILE:INDEX. The patch's faces
# stand where the English ones do: sans for sans (the tips' EmberSans in WenQuanYi Zen Hei), a Ming
# face for the serif, a monospaced face for the tallies, the brush-written Kai face for the
# decorative one. (Droid Sans Fallback is no choice: it has no Latin letters, and the translation
# has some.) The English game's fonts keep printable ASCII, which holds all of its text; the
# patch's the translation's characters too.
set(dejavu /usr/share/fonts/truetype/dejavu)
set(demo_fonts
    "EmberSans|${dejavu}/DejaVuSans.ttf:0|/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc:0"
    "EmberSans-Bold|${dejavu}/DejaVuSans-Bold.ttf:0|/usr/share/fonts/truetype/wqy/wqy-microhei.ttc:0"
    "MoorSerif|${dejavu}/DejaVuSerif.ttf:0|/usr/share/fonts/truetype/arphic/uming.ttc:0"
    "TallyMono|${dejavu}/DejaVuSansMono.ttf:0|/usr/share/fonts/truetype/wqy/wqy-microhei.ttc:1"
    "RuneGlyphs|${dejavu}/DejaVuSerif-Italic.ttf:0|/usr/share/fonts/truetype/arphic/ukai.ttc:0")

set(content_source "${CMAKE_CURRENT_LIST_DIR}")
file(GLOB_RECURSE translation_texts CONFIGURE_DEPENDS "${DEMO_PATCH_SOURCE}/*.txt"
     "${DEMO_PATCH_SOURCE}/*.xml")
set(demo_font_files)
foreach(entry IN LISTS demo_fonts)
  string(REPLACE "|" ";" parts "${entry}")
  list(GET parts 0 font)
  foreach(edition game patch)
    if(edition STREQUAL "game")
      list(GET parts 1 face)
      set(text_option)
    else()
      list(GET parts 2 face)
      set(text_option --text "${DEMO_PATCH_SOURCE}")
    endif()
    string(REGEX REPLACE ":[0-9]+$" "" face_file "${face}")
    string(REGEX REPLACE "^.*:" "" face_index "${face}")
    set(output "${DEMO_CONTENT_DIR}/fonts/${edition}/${font}.ttf")
    add_custom_command(
      OUTPUT "${output}"
      COMMAND cmkit font "${face_file}" --index ${face_index} ${text_option} -o "${output}"
      DEPENDS cmkit "${face_file}" ${translation_texts}
      COMMENT "Cutting the demo's ${edition} font ${font}"
      VERBATIM)
    list(APPEND demo_font_files "${output}")
  endforeach()
endforeach()
add_custom_command(
  OUTPUT ${demo_texture_files}
  COMMAND "${DEBIAN_PYTHON3}" "${content_source}/make_textures.py"
          "${DEMO_CONTENT_DIR}/textures"
  DEPENDS "${content_source}/make_textures.py" "${CMAKE_SOURCE_DIR}/installer/skin/make_artwork.py"
  COMMENT "Drawing the demo's textures into ${DEMO_CONTENT_DIR}/textures"
  VERBATIM)
set(DEMO_CONTENT_FILES ${demo_font_files} ${demo_texture_files})
add_custom_target(demo_content DEPENDS ${DEMO_CONTENT_FILES})
