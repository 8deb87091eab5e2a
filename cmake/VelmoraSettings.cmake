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
