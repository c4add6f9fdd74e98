# minizip: the reader (target minizip, Windows only) for the installer, and the writer (target
# minizipwriter) for the kit, which packs installers on both systems. Linux has Debian's
# libminizip-dev. minizip is not packaged for mingw: there both are compiled from zlib's Debian source
# package, which scripts/deps fetches into build/cache. Nothing of it is kept in the repository.
if(NOT WIN32)
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(MINIZIP REQUIRED IMPORTED_TARGET minizip)
  find_package(ZLIB REQUIRED)
  add_library(minizipwriter INTERFACE)
  target_link_libraries(minizipwriter INTERFACE PkgConfig::MINIZIP ZLIB::ZLIB)
  return()
endif()

find_debian_source(ZLIB_SOURCE_DIR "zlib-*" contrib/minizip/unzip.c)
set(MINIZIP_SOURCE_DIR "${ZLIB_SOURCE_DIR}/contrib/minizip")

# zlib goes into the program itself (libz.a of libz-mingw-w64-dev): no Windows ships zlib1.dll, and the
# import library would make the installer fail to start on a player's machine.
set(ZLIB_USE_STATIC_LIBS ON)
find_package(ZLIB REQUIRED)
add_library(minizip STATIC "${MINIZIP_SOURCE_DIR}/unzip.c" "${MINIZIP_SOURCE_DIR}/ioapi.c")
target_include_directories(minizip SYSTEM PUBLIC "${MINIZIP_SOURCE_DIR}")
target_link_libraries(minizip PUBLIC ZLIB::ZLIB)
target_compile_options(minizip PRIVATE -w)

add_library(minizipwriter STATIC "${MINIZIP_SOURCE_DIR}/zip.c")
target_link_libraries(minizipwriter PUBLIC minizip)
target_compile_options(minizipwriter PRIVATE -w)
