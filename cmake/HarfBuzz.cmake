# HarfBuzz's subsetter cuts fonts to a translation's characters for cmkit font. The Linux build takes
# Debian's library. mingw has no package of it, so the Windows build compiles it from Debian's source
# package into cmkit.exe: its one-file build of the shaper with the subsetter, and nothing that needs
# FreeType, GLib, ICU or a Windows font API.
if(NOT WIN32)
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(HARFBUZZ_SUBSET REQUIRED IMPORTED_TARGET harfbuzz-subset)
  add_library(kitharfbuzz INTERFACE)
  target_link_libraries(kitharfbuzz INTERFACE PkgConfig::HARFBUZZ_SUBSET)
  return()
endif()

find_debian_source(HARFBUZZ_SOURCE_DIR "harfbuzz-*" src/harfbuzz-subset.cc)
add_library(kitharfbuzz STATIC "${HARFBUZZ_SOURCE_DIR}/src/harfbuzz-subset.cc")
target_include_directories(kitharfbuzz SYSTEM PUBLIC "${HARFBUZZ_SOURCE_DIR}/src")
target_compile_options(kitharfbuzz PRIVATE -w)
