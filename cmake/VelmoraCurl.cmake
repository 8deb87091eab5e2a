# libcurl built by scripts/setup-deps.sh: static, Schannel, HTTP/HTTPS only.
set(VELMORA_CURL_PREFIX "/var/cache/velmora-deps/curl-mingw32" CACHE PATH "Prefix of the MinGW libcurl build")
if(NOT EXISTS "${VELMORA_CURL_PREFIX}/lib/libcurl.a")
  message(FATAL_ERROR "libcurl for MinGW not found in ${VELMORA_CURL_PREFIX}; run scripts/setup-deps.sh")
endif()
add_library(curl_static INTERFACE)
target_include_directories(curl_static SYSTEM INTERFACE "${VELMORA_CURL_PREFIX}/include")
target_compile_definitions(curl_static INTERFACE CURL_STATICLIB)
target_link_libraries(curl_static INTERFACE "${VELMORA_CURL_PREFIX}/lib/libcurl.a"
  ws2_32 crypt32 bcrypt secur32 wldap32 advapi32)
