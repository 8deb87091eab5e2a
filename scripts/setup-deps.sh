#!/usr/bin/env bash
# Installs everything the build and the tests need on Debian 12 (run as root).
# Idempotent: packages already present are skipped by apt, the libcurl build is
# reused from its cache prefix when it exists.
set -euo pipefail

say() { echo "[setup] $*"; }

CACHE_DIR="${VELMORA_DEPS_DIR:-/var/cache/velmora-deps}"
CURL_PREFIX="$CACHE_DIR/curl-mingw32"

PACKAGES=(
  g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686
  wine wine32:i386 xvfb xauth xdotool
  googletest libstb-dev cmake make python3 dpkg-dev
  libgl1-mesa-dri:i386 libglx-mesa0:i386 libgl1:i386
  fonts-wqy-microhei nginx-light imagemagick openssl curl bc nsis locales
  clang-14 libclang-rt-14-dev libfuzzer-14-dev
  osslsigncode
  squid winbind
)

need_install() {
  local p
  for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || return 0
  done
  return 1
}

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  say "adding the i386 architecture"
  dpkg --add-architecture i386
  APT_UPDATED=0
fi

# curl's source package needs deb-src entries mirroring the configured sources.
ensure_deb_src() {
  if grep -rqs '^Types:.*deb-src' /etc/apt/sources.list.d/ || grep -qs '^deb-src' /etc/apt/sources.list; then
    return
  fi
  say "adding deb-src entries mirroring the configured Debian sources"
  local f
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -e "$f" ] || continue
    sed -e 's/^Types:.*$/Types: deb-src/' "$f" >"/etc/apt/sources.list.d/velmora-src-$(basename "$f")"
  done
  if [ -s /etc/apt/sources.list ]; then
    grep '^deb ' /etc/apt/sources.list | sed 's/^deb /deb-src /' >/etc/apt/sources.list.d/velmora-src.list
  fi
  APT_UPDATED=0
}
ensure_deb_src

export DEBIAN_FRONTEND=noninteractive
if need_install || [ "${APT_UPDATED:-1}" = 0 ]; then
  say "apt-get update"
  apt-get update -qq
fi
if need_install; then
  say "installing packages: ${PACKAGES[*]}"
  apt-get install -y -qq --no-install-recommends "${PACKAGES[@]}" >/dev/null
else
  say "all Debian packages present"
fi
# nginx is only used by the benchmark and the https tests, each with its own configuration;
# never as a service.
if command -v systemctl >/dev/null 2>&1; then systemctl disable --now nginx >/dev/null 2>&1 || true; fi
pkill -x nginx >/dev/null 2>&1 || true
# squid likewise: the proxy authentication tests start their own on free loopback ports. Wine's
# NTLM needs Samba's ntlm_auth (winbind) but no winbind service.
for service in squid winbind; do
  if command -v systemctl >/dev/null 2>&1; then systemctl disable --now "$service" >/dev/null 2>&1 || true; fi
done
# Without systemd, the package's own start went through its init script (the tests' squids,
# started from their own configurations, are not touched).
for service in squid winbind; do
  if [ -x "/etc/init.d/$service" ]; then "/etc/init.d/$service" stop >/dev/null 2>&1 || true; fi
done

# Wine takes its code page from LC_ALL: the Chinese (936) and Japanese (932) tests need these
# locales on the host, or Wine silently falls back to code page 1252.
ensure_locales() {
  local l
  for l in en_US zh_CN ja_JP; do
    if ! locale -a 2>/dev/null | grep -qx "$l.utf8"; then
      say "generating locale $l.UTF-8"
      localedef -i "$l" -f UTF-8 "$l.UTF-8"
    fi
  done
}
ensure_locales

# libcurl is C and no exception of ours may pass through it (its callbacks catch everything), so
# it needs no unwind tables; separate sections let the installer's link drop what it never calls.
CURL_SIZE_FLAGS="-fno-asynchronous-unwind-tables -fno-unwind-tables -ffunction-sections -fdata-sections"

# curl's source, unpacked into $1/src.
fetch_curl_source() {
  rm -rf "$1" && mkdir -p "$1"
  (cd "$1" && apt-get source -qq --download-only curl >/dev/null && dpkg-source -x --no-check ./curl_*.dsc src >/dev/null)
}

# Configures and builds curl from $1/src into $1/build with the installer's options; $2 is
# ON to build the curl tool as well.
build_curl_tree() {
  local work="$1" tool="$2" here
  here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
  cmake -S "$work/src" -B "$work/build" -G "Unix Makefiles" \
    -DCMAKE_TOOLCHAIN_FILE="$here/cmake/mingw-i686.cmake" \
    -DCMAKE_BUILD_TYPE=MinSizeRel \
    -DCMAKE_C_FLAGS="-Os -D_WIN32_WINNT=0x0501 $CURL_SIZE_FLAGS" \
    -DCMAKE_EXE_LINKER_FLAGS="-static" \
    -DCMAKE_INSTALL_PREFIX="$CURL_PREFIX" \
    -DBUILD_SHARED_LIBS=OFF -DBUILD_CURL_EXE="$tool" -DBUILD_TESTING=OFF \
    -DCURL_USE_SCHANNEL=ON -DCURL_USE_OPENSSL=OFF -DHTTP_ONLY=ON \
    -DCURL_ZLIB=OFF -DCURL_USE_LIBSSH2=OFF -DCURL_USE_LIBPSL=OFF -DUSE_LIBIDN2=OFF \
    -DCURL_BROTLI=OFF -DCURL_ZSTD=OFF -DUSE_NGHTTP2=OFF -DENABLE_MANUAL=OFF \
    -DCURL_DISABLE_LDAP=ON -DENABLE_UNIX_SOCKETS=OFF >"$work/configure.log" 2>&1 \
    || { tail -n 40 "$work/configure.log"; exit 1; }
  cmake --build "$work/build" -j"$(nproc)" >"$work/build.log" 2>&1 || { tail -n 40 "$work/build.log"; exit 1; }
}

build_curl() {
  # The stamp names the build flags: a cache built with other flags is rebuilt.
  local stamp="schannel-http-os-nounwind-sections"
  if [ -f "$CURL_PREFIX/lib/libcurl.a" ] && [ "$(cat "$CURL_PREFIX/.velmora-ok" 2>/dev/null)" = "$stamp" ]; then
    say "libcurl for MinGW present in $CURL_PREFIX"
    return
  fi
  say "building libcurl (static, Schannel, HTTP only, -Os) into $CURL_PREFIX"
  local work="$CACHE_DIR/curl-src"
  fetch_curl_source "$work"
  build_curl_tree "$work" OFF
  cmake --install "$work/build" >/dev/null
  echo "$stamp" >"$CURL_PREFIX/.velmora-ok"
  rm -rf "$work"
  say "libcurl installed"
}

# The curl tool for Windows from the same source with the same options: the benchmarks' fair
# anchor for the downloader (the same library under the same Wine). Not part of the installer.
CURL_TOOL="$CACHE_DIR/curl-tool-mingw32/curl.exe"
build_curl_tool() {
  local stamp="schannel-http-os-nounwind-sections-static"
  if [ -f "$CURL_TOOL" ] && [ "$(cat "$CURL_TOOL.velmora-ok" 2>/dev/null)" = "$stamp" ]; then
    say "curl.exe for MinGW present in $(dirname "$CURL_TOOL")"
    return
  fi
  say "building curl.exe (same options as libcurl) into $(dirname "$CURL_TOOL")"
  local work="$CACHE_DIR/curl-tool-src"
  fetch_curl_source "$work"
  build_curl_tree "$work" ON
  mkdir -p "$(dirname "$CURL_TOOL")"
  i686-w64-mingw32-strip -o "$CURL_TOOL" "$work/build/src/curl.exe"
  echo "$stamp" >"$CURL_TOOL.velmora-ok"
  rm -rf "$work"
  say "curl.exe installed"
}

build_curl
build_curl_tool
say "done"
