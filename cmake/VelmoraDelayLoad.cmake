# Delay-loaded system DLLs. The installer runs as administrator from the user's Downloads folder;
# a DLL it imports is looked up in its own folder first, before app/dll_search.cpp can narrow
# the search, unless Windows protects that name (the "known DLLs": kernel32, user32, gdi32,
# advapi32, ole32, oleaut32, shell32, msvcrt...). The other imports are delay-loaded: the
# executable's import table no longer names them, and app/delay_import.cpp loads each from the
# system folder at the first call of one of its functions. oleaut32, though protected, is
# delay-loaded too: only the report thread's WMI queries and screen readers use it, and the
# window's start need not load it (about 1 ms under Wine).
#
# (binutils' own delay-load libraries, dlltool -y, are not used: the linker leaves their import
# slots empty here, and the first call jumps to address 0.)
enable_language(ASM)
set(VELMORA_DELAY_LOADED_DLLS gdiplus comctl32 crypt32 ws2_32 oleaut32 CACHE STRING
    "System DLLs the installer loads at their first call instead of at start")

# velmora_delay_load(target ARCHIVES <static libraries and archive files>): links into the
# target the thunks of the functions of the DLLs above that those archives call; the thunks
# define them, so MinGW's import libraries are no longer used for them. A call from an archive
# not listed would bring the import back: tests/platform/check_installer_imports.py fails then.
function(velmora_delay_load target)
  cmake_parse_arguments(A "" "" "ARCHIVES" ${ARGN})
  set(dir ${CMAKE_BINARY_DIR}/delayimp)
  set(users "")
  set(depends "")
  foreach(archive IN LISTS A_ARCHIVES)
    if(TARGET ${archive})
      list(APPEND users "$<TARGET_FILE:${archive}>")
      list(APPEND depends ${archive})
    else()
      list(APPEND users "${archive}")
      list(APPEND depends "${archive}")
    endif()
  endforeach()
  list(JOIN users "|" users)
  set(sources "")
  foreach(lib IN LISTS VELMORA_DELAY_LOADED_DLLS)
    add_custom_command(
      OUTPUT ${dir}/${lib}_thunks.S
      COMMAND ${CMAKE_COMMAND} -DLIB=${lib} -DSYSROOT_LIB=${CMAKE_FIND_ROOT_PATH}/lib
              -DOUT=${dir}/${lib}_thunks.S -DNM=${CMAKE_NM} -DDLLTOOL=${CMAKE_DLLTOOL}
              "-DUSERS=${users}" -P ${CMAKE_SOURCE_DIR}/cmake/make_delay_import.cmake
      DEPENDS ${CMAKE_SOURCE_DIR}/cmake/make_delay_import.cmake ${depends}
      VERBATIM)
    list(APPEND sources ${dir}/${lib}_thunks.S)
  endforeach()
  set_source_files_properties(${sources} PROPERTIES LANGUAGE ASM)
  target_sources(${target} PRIVATE ${sources})
endfunction()
