# The Windows build compiles the libraries mingw has no package of from Debian's source packages,
# which scripts/deps fetches and unpacks into build/cache. find_debian_source sets VAR (a cache
# path, so that another unpacked copy can be named) to the newest unpacked package matching GLOB
# (a folder name under build/cache) that holds PROBE, a file relative to the package's folder.
function(find_debian_source var glob probe)
  file(GLOB _candidates "${CMAKE_SOURCE_DIR}/build/cache/${glob}")
  set(_found "")
  foreach(_candidate IN LISTS _candidates)
    if(EXISTS "${_candidate}/${probe}")
      list(APPEND _found "${_candidate}")
    endif()
  endforeach()
  if(_found)
    list(SORT _found)
    list(GET _found -1 _default)
  endif()
  set(${var} "${_default}" CACHE PATH "The unpacked source package of ${glob}")
  # A named copy that is gone (a checkout moved, a cache cleared) gives way to the one found now.
  if(NOT EXISTS "${${var}}/${probe}" AND _found)
    set(${var} "${_default}" CACHE PATH "The unpacked source package of ${glob}" FORCE)
  endif()
  if(NOT EXISTS "${${var}}/${probe}")
    message(FATAL_ERROR "${glob} sources not found under build/cache; run scripts/deps")
  endif()
endfunction()
