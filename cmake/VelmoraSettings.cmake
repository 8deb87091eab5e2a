# Build-time settings: the remote hosts the installer talks to. Tests keep these names and
# reach a loopback server through libcurl's standard http_proxy variable.
set(VELMORA_UPDATE_HOST "update.velmora.example" CACHE STRING "Host of the remote configuration")
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
