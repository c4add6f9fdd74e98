# The programs that reach players' machines: cmpatch.exe, and what it carries. Each is named once
# with ship_program(); the import check then covers it (add_shipped_programs_test, after them all).
function(ship_program target)
  set_property(GLOBAL APPEND PROPERTY SHIPPED_PROGRAMS ${target})
  # Stripped: no symbols or debug sections reach players.
  target_link_options(${target} PRIVATE -s)
endfunction()

function(add_shipped_programs_test)
  get_property(targets GLOBAL PROPERTY SHIPPED_PROGRAMS)
  set(files)
  foreach(target IN LISTS targets)
    list(APPEND files $<TARGET_FILE:${target}>)
  endforeach()
  add_test(NAME shipped_programs_import_only_windows_dlls
           COMMAND ${CMAKE_SOURCE_DIR}/tests/shipped/check_imports.sh ${CMAKE_OBJDUMP} ${files})
endfunction()
