# Common compile settings for every target of ours.
set(VELMORA_WIN_DEFINES UNICODE _UNICODE _WIN32_WINNT=0x0501 WINVER=0x0501 NTDDI_VERSION=0x05010300
    WIN32_LEAN_AND_MEAN NOMINMAX)

function(velmora_defaults target)
  target_compile_definitions(${target} PRIVATE ${VELMORA_WIN_DEFINES})
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
  get_target_property(kind ${target} TYPE)
  if(kind STREQUAL "EXECUTABLE")
    # Static runtime: no MinGW DLL has to ship beside the exe.
    target_link_options(${target} PRIVATE -static -static-libgcc -static-libstdc++)
    # Keeps Vista-only imports of the threading runtime out of the import table.
    target_sources(${target} PRIVATE $<TARGET_OBJECTS:xp_compat>)
  endif()
endfunction()

# velmora_library(name SOURCES ... [DEPS ...] [SYSLIBS ...])
function(velmora_library name)
  cmake_parse_arguments(A "" "" "SOURCES;DEPS;SYSLIBS" ${ARGN})
  add_library(${name} STATIC ${A_SOURCES})
  velmora_defaults(${name})
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR})
  target_compile_definitions(${name} PUBLIC ${VELMORA_WIN_DEFINES})
  target_link_libraries(${name} PUBLIC ${A_DEPS} ${A_SYSLIBS})
endfunction()

add_library(xp_compat OBJECT ${CMAKE_SOURCE_DIR}/app/xp_compat.cpp)
target_compile_definitions(xp_compat PRIVATE ${VELMORA_WIN_DEFINES})
target_compile_options(xp_compat PRIVATE -Wall -Wextra -Werror)
