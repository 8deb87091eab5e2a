# The installer executable: the process entry, every library and the resources.
add_executable(VelmoraInstaller WIN32 ${CMAKE_SOURCE_DIR}/app/main.cpp)
velmora_defaults(VelmoraInstaller)
target_link_libraries(VelmoraInstaller PRIVATE installer velmora_resources ole32 shell32)

# Imports Windows does not protect are delay-loaded from the system folder (app/dll_search.cpp).
include(VelmoraDelayLoad)
velmora_delay_load(VelmoraInstaller ARCHIVES installer report sysinfo download app skinui_core
  skinui_controls "${VELMORA_CURL_PREFIX}/lib/libcurl.a")
