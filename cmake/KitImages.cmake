# The kit's image libraries: libpng reads and writes the pictures translators edit, libsquish
# compresses them to DXT1 and DXT5. The Linux build takes Debian's libraries. mingw has no package
# of either, so the Windows build compiles both from Debian's source packages into cmkit.exe: no
# Windows ships libpng16.dll or squish.dll.
if(NOT WIN32)
  find_package(PNG REQUIRED)
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(SQUISH REQUIRED IMPORTED_TARGET libsquish)
  add_library(kitpng INTERFACE)
  target_link_libraries(kitpng INTERFACE PNG::PNG)
  add_library(kitsquish INTERFACE)
  target_link_libraries(kitsquish INTERFACE PkgConfig::SQUISH)
  return()
endif()

# libpng as its own makefiles build it, with the configuration it ships prebuilt, over the static
# zlib that minizip links too.
find_debian_source(LIBPNG_SOURCE_DIR "libpng1.6-*" png.c)
set(_png_config "${CMAKE_BINARY_DIR}/libpng-config")
configure_file("${LIBPNG_SOURCE_DIR}/scripts/pnglibconf.h.prebuilt" "${_png_config}/pnglibconf.h" COPYONLY)
set(_png_sources png pngerror pngget pngmem pngpread pngread pngrio pngrtran pngrutil pngset pngtrans pngwio
    pngwrite pngwtran pngwutil)
list(TRANSFORM _png_sources PREPEND "${LIBPNG_SOURCE_DIR}/")
list(TRANSFORM _png_sources APPEND ".c")
add_library(kitpng STATIC ${_png_sources})
target_include_directories(kitpng SYSTEM PUBLIC "${LIBPNG_SOURCE_DIR}" "${_png_config}")
target_link_libraries(kitpng PUBLIC ZLIB::ZLIB)
target_compile_options(kitpng PRIVATE -w)

# libsquish without SIMD, as its configuration defaults: the same code on every processor.
find_debian_source(LIBSQUISH_SOURCE_DIR "libsquish-*" squish.cpp)
set(_squish_sources alpha clusterfit colourblock colourfit colourset maths rangefit singlecolourfit squish)
list(TRANSFORM _squish_sources PREPEND "${LIBSQUISH_SOURCE_DIR}/")
list(TRANSFORM _squish_sources APPEND ".cpp")
add_library(kitsquish STATIC ${_squish_sources})
target_include_directories(kitsquish SYSTEM PUBLIC "${LIBSQUISH_SOURCE_DIR}")
target_compile_options(kitsquish PRIVATE -w)
