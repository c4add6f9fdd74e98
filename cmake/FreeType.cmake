# FreeType reads the replacement fonts for cmkit's coverage check. The Linux build takes Debian's
# library. mingw has no package of it, so the Windows build compiles it from Debian's source package,
# which scripts/deps fetches into build/cache, into cmkit.exe itself: no Windows ships freetype.dll.
if(NOT WIN32)
  find_package(Freetype REQUIRED)
  return()
endif()

find_debian_source(FREETYPE_SOURCE_DIR "freetype-*" src/base/ftbase.c)

# Only what opens TrueType and OpenType fonts and collections and reads their character maps: the
# TrueType and CFF drivers over the sfnt tables (with their embedded bitmaps, as in Debian's build),
# the PostScript helpers the CFF driver cannot start without, and the glyph names that stand in for a
# missing Unicode map, also as in Debian's build. The drivers of other formats, the rasterizers, the
# hinters and the decompressors stay out: fewer parsers see a translator's file, and nothing needs
# zlib, bzip2, libpng, HarfBuzz or Brotli.
set(_ft "${FREETYPE_SOURCE_DIR}/src")
add_library(freetype STATIC
  "${_ft}/base/ftsystem.c" "${_ft}/base/ftinit.c" "${_ft}/base/ftdebug.c" "${_ft}/base/ftbase.c"
  "${_ft}/base/ftbitmap.c" "${_ft}/sfnt/sfnt.c" "${_ft}/truetype/truetype.c" "${_ft}/cff/cff.c" "${_ft}/psaux/psaux.c"
  "${_ft}/psnames/psnames.c")

# FreeType's configuration headers name every module and zlib; these replace them through its own
# configuration macros, so the unpacked source stays as Debian made it. Neither changes the public
# headers, which is why users of the library go without them.
set(_ft_config "${CMAKE_BINARY_DIR}/freetype-config")
file(CONFIGURE OUTPUT "${_ft_config}/cmkit-ftmodule.h" CONTENT [[
FT_USE_MODULE( FT_Driver_ClassRec, tt_driver_class )
FT_USE_MODULE( FT_Driver_ClassRec, cff_driver_class )
FT_USE_MODULE( FT_Module_Class, psaux_module_class )
FT_USE_MODULE( FT_Module_Class, psnames_module_class )
FT_USE_MODULE( FT_Module_Class, sfnt_module_class )
]])
file(CONFIGURE OUTPUT "${_ft_config}/cmkit-ftoption.h" CONTENT [[
#include <freetype/config/ftoption.h>
#undef FT_CONFIG_OPTION_USE_ZLIB
#undef FT_CONFIG_OPTION_USE_LZW
]])
target_include_directories(freetype SYSTEM PUBLIC "${FREETYPE_SOURCE_DIR}/include")
target_include_directories(freetype PRIVATE "${_ft_config}")
target_compile_definitions(freetype PRIVATE FT2_BUILD_LIBRARY "FT_CONFIG_MODULES_H=<cmkit-ftmodule.h>"
                           "FT_CONFIG_OPTIONS_H=<cmkit-ftoption.h>")
target_compile_options(freetype PRIVATE -w)
add_library(Freetype::Freetype ALIAS freetype)
