# The installer executable: the process entry, every library and the resources.
add_executable(VelmoraInstaller WIN32 ${CMAKE_SOURCE_DIR}/entry/main.cpp)
velmora_defaults(VelmoraInstaller)
target_link_libraries(VelmoraInstaller PRIVATE installer velmora_resources ole32 shell32)

# Imports Windows does not protect are delay-loaded from the system folder (app/dll_search.cpp).
include(VelmoraDelayLoad)
velmora_delay_load(VelmoraInstaller ARCHIVES installer report sysinfo download app skinui_core
  skinui_controls "${VELMORA_CURL_PREFIX}/lib/libcurl.a")

# The start-up benchmark's copy of the installer (a hook ends it at its first paint): linked as
# the installer is, the same imports delay-loaded, so that its start costs what the installer's
# does. Made here, where the delay-load thunks are generated.
if(TARGET bench_plain_window)
  add_executable(bench_installer_startup WIN32 ${CMAKE_SOURCE_DIR}/entry/main.cpp
                 ${CMAKE_SOURCE_DIR}/bench/bench_startup_hook.cpp)
  velmora_defaults(bench_installer_startup)
  target_link_libraries(bench_installer_startup PRIVATE installer velmora_resources ole32 shell32)
  set_target_properties(bench_installer_startup PROPERTIES
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
  velmora_delay_load(bench_installer_startup ARCHIVES installer report sysinfo download app
    skinui_core skinui_controls "${VELMORA_CURL_PREFIX}/lib/libcurl.a")
endif()
