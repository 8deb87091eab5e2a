#!/usr/bin/env bash
# A release configure (-DVELMORA_RELEASE=ON) without an https update scheme, a publisher pin or
# a configuration key fails and names exactly what is missing; with all three it passes that
# check; a development configure says what it relaxes. One build folder for every run: the
# compiler is probed once, and each run gives all three settings explicitly.
#
# usage: release_configure_test.sh <source root>
set -uo pipefail
src="${1:?usage: release_configure_test.sh <source root>}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
failures=0
pin=0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef
key=MIIBIjANBgkqhkiG9w0BAQEFAAOCAQ8AMIIBCgKCAQEAtest
skip="app;download;sysinfo;report;skinui/core;skinui/controls;resources;installer;tools;bench"

# configure <release ON|OFF> <scheme> <pin> <key>: the output of cmake; rc in $rc
configure() {
  out="$(cmake -S "$src" -B "$work" -DCMAKE_TOOLCHAIN_FILE="$src/cmake/mingw-i686.cmake" \
    -DVELMORA_BUILD_TESTS=OFF "-DVELMORA_SKIP=$skip" -DVELMORA_RELEASE="$1" \
    -DVELMORA_UPDATE_SCHEME="$2" -DVELMORA_PUBLISHER_PIN="$3" -DVELMORA_CONFIG_KEY="$4" 2>&1)"
  rc=$?
  out="$(tr -s " \n" "  " <<<"$out")"  # CMake wraps its messages
}
check() {  # check <what> <condition...>
  local what="$1"; shift
  if "$@"; then echo "ok: $what"; else echo "FAIL: $what"; echo "$out"; failures=$((failures + 1)); fi
}
has() { grep -qF -- "$1" <<<"$out"; }
lacks() { ! grep -qF -- "$1" <<<"$out"; }
names() {  # names <https 0|1> <pin 0|1> <key 0|1>: the refusal names exactly these
  [ "$rc" -ne 0 ] && has "VELMORA_RELEASE=ON refuses an insecure build. Missing:" &&
    { [ "$1" = 1 ] && has "an https update scheme" || { [ "$1" = 0 ] && lacks "an https update scheme"; }; } &&
    { [ "$2" = 1 ] && has "a publisher pin" || { [ "$2" = 0 ] && lacks "a publisher pin"; }; } &&
    { [ "$3" = 1 ] && has "a configuration key" || { [ "$3" = 0 ] && lacks "a configuration key"; }; }
}

configure ON http "" ""
check "release with today's defaults names all three" names 1 1 1
configure ON https "" "$key"
check "release without a pin names the pin alone" names 0 1 0
configure ON https "$pin" ""
check "release without a key names the key alone" names 0 0 1
configure ON http "$pin" "$key"
check "release over http names the scheme alone" names 1 0 0
configure ON https "$pin" "$key"
check "release with all three configures" \
  bash -c '[ "$0" -eq 0 ] && grep -qF "Velmora release build" <<<"$1"' "$rc" "$out"
configure OFF http "" ""
check "a development build says what it relaxes" \
  bash -c '[ "$0" -eq 0 ] && grep -qF "Velmora development build (VELMORA_RELEASE=OFF): not for shipping; it lacks an https update scheme" <<<"$1"' "$rc" "$out"
[ "$failures" -eq 0 ] || { echo "$failures check(s) failed"; exit 1; }
echo "all release configure checks passed"
