# Build-time settings: the remote hosts the installer talks to. Tests keep these names and
# reach a loopback server through libcurl's standard http_proxy variable.
set(VELMORA_UPDATE_HOST "update.velmora.example" CACHE STRING "Host of the remote configuration")
# http or https. Windows XP's Schannel has no TLS 1.2: a build that must reach XP keeps http and
# relies on the signed configuration and the publisher pin (README, "Trusting the channel").
set(VELMORA_UPDATE_SCHEME "http" CACHE STRING "Scheme of the remote configuration address (http or https)")
if(NOT VELMORA_UPDATE_SCHEME MATCHES "^https?$")
  message(FATAL_ERROR "VELMORA_UPDATE_SCHEME must be http or https, not '${VELMORA_UPDATE_SCHEME}'")
endif()
set(VELMORA_PACKAGE_HOST "dl.velmora.example" CACHE STRING "Host of the setup package")
set(VELMORA_REPORT_HOST_CN "tj.velmora.example" CACHE STRING "Reporting host for Chinese users")
set(VELMORA_REPORT_HOST_INTL "www.velmora.example" CACHE STRING "Reporting host for other users (the product's web server)")
set(VELMORA_WEB_HOST "www.velmora.example" CACHE STRING "Product web site (agreement pages)")
set(VELMORA_FORUM_URL_CN "http://bbs.velmora.example/" CACHE STRING "Forum, Chinese")
set(VELMORA_FORUM_URL_INTL "http://forum.velmora.example/" CACHE STRING "Forum, international")
# SHA-256 of the SubjectPublicKeyInfo of the key that signs the setup packages (64 hex digits;
# several separated by commas while a key changes). Empty: packages run without a signature
# check. A release build sets it (README, "Signed packages").
set(VELMORA_PUBLISHER_PIN "" CACHE STRING "Publisher key pin of the setup package (SHA-256 of the signing certificate's public key info)")
# The public key that signs the remote configuration: base64 of its DER SubjectPublicKeyInfo
# (RSA, at least 2048 bits; scripts/sign-config.sh prints it). Empty: the configuration is taken
# unsigned, as before. A release build sets it (README, "Trusting the channel").
set(VELMORA_CONFIG_KEY "" CACHE STRING "Public key of the configuration signature (base64 DER SubjectPublicKeyInfo)")

# Release builds refuse to be insecure: with -DVELMORA_RELEASE=ON the configure stops unless
# the configuration is fetched over https, packages are pinned to the publisher's key and the
# configuration must be signed. Development and test builds keep the relaxed defaults above
# (loopback test servers speak http, test packages are signed by throw-away keys or not at all),
# say so here and in a W line of every run's log.
option(VELMORA_RELEASE "Release build: requires https, a publisher pin and a configuration key" OFF)
set(velmora_relaxed "")
if(NOT VELMORA_UPDATE_SCHEME STREQUAL "https")
  list(APPEND velmora_relaxed "an https update scheme (-DVELMORA_UPDATE_SCHEME=https)")
endif()
if(VELMORA_PUBLISHER_PIN STREQUAL "")
  list(APPEND velmora_relaxed "a publisher pin (-DVELMORA_PUBLISHER_PIN=<SHA-256 of the signing key>)")
endif()
if(VELMORA_CONFIG_KEY STREQUAL "")
  list(APPEND velmora_relaxed "a configuration key (-DVELMORA_CONFIG_KEY=<base64 public key>)")
endif()
list(JOIN velmora_relaxed "; " velmora_relaxed_text)
if(VELMORA_RELEASE)
  if(velmora_relaxed)
    message(FATAL_ERROR "VELMORA_RELEASE=ON refuses an insecure build. Missing: ${velmora_relaxed_text}. "
                        "See README, \"Release build\".")
  endif()
  add_compile_definitions(VELMORA_RELEASE_BUILD=1)
  message(STATUS "Velmora release build: https configuration, publisher pin and configuration key set")
else()
  if(NOT velmora_relaxed_text)
    set(velmora_relaxed_text "nothing of the update scheme, pin or key")
  endif()
  message(STATUS "Velmora development build (VELMORA_RELEASE=OFF): not for shipping; it lacks "
                 "${velmora_relaxed_text}; the test variable VELMORA_DEV_NO_SPLIT_TOKEN is honoured")
endif()

# The hosts a link may name over plain http (link_policy.cpp): the build's own.
string(REGEX REPLACE "^[a-z]+://([^/:]+).*$" "\\1" velmora_forum_host_cn "${VELMORA_FORUM_URL_CN}")
string(REGEX REPLACE "^[a-z]+://([^/:]+).*$" "\\1" velmora_forum_host_intl "${VELMORA_FORUM_URL_INTL}")
set(VELMORA_LINK_HOSTS "${VELMORA_UPDATE_HOST},${VELMORA_PACKAGE_HOST},${VELMORA_REPORT_HOST_CN},${VELMORA_REPORT_HOST_INTL},${VELMORA_WEB_HOST},${velmora_forum_host_cn},${velmora_forum_host_intl}")
