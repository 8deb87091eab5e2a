#!/usr/bin/env bash
# Runs one Windows test executable under Wine. Used as CMake's cross-compiling emulator.
#
# Each test executable gets its own WINEPREFIX, copied from a template prefix that is created
# once per build tree (creation takes 10-17 s). Environment read from CTest:
#   VELMORA_PREFIX_ROOT   folder holding the template and the per-test prefixes
#   VELMORA_TEST_NAME     name of the test (prefix folder name)
#   VELMORA_NEEDS_DISPLAY run under a private Xvfb (xvfb-run -a)
#   VELMORA_NEEDS_SERVER  start the loopback test server and pass its URL in VELMORA_TEST_SERVER
#   VELMORA_WINE_VERSION  Windows version Wine reports (winxp, win7, win10, ...)
#   VELMORA_WINE_DPI      display scale in dots per inch (96 = 100 %, 120, 144, 192, ...)
#   VELMORA_CJK_FONTS     give the layouts' Chinese face the machine's CJK font (fonts-wqy-microhei)
#   VELMORA_HIGH_CONTRAST_COLORS  the system colours of Windows' "High Contrast Black" scheme
set -euo pipefail

exe="$1"
shift
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="${VELMORA_PREFIX_ROOT:-$(dirname "$exe")/wine}"
name="${VELMORA_TEST_NAME:-$(basename "$exe" .exe)}"
mkdir -p "$root"

export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win32
# Never let a proxy of the machine's environment carry test traffic; tests set their own.
unset http_proxy https_proxy HTTP_PROXY HTTPS_PROXY all_proxy ALL_PROXY no_proxy NO_PROXY

prefix="$("$here/wine-prefix.sh" "$root" "$name")"
export WINEPREFIX="$prefix"

if [ -n "${VELMORA_WINE_VERSION:-}" ]; then
  wine reg add 'HKCU\Software\Wine' /v Version /d "$VELMORA_WINE_VERSION" /f >/dev/null 2>&1
fi
if [ -n "${VELMORA_CJK_FONTS:-}" ]; then
  # As Chinese Windows has it: the layouts' face, and the CJK font linked to the dialog font.
  LC_ALL=C.UTF-8 wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "微软雅黑" \
    /d "WenQuanYi Micro Hei" /f >/dev/null 2>&1
  wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' \
    /v Tahoma /t REG_MULTI_SZ /d "wqy-microhei.ttc,WenQuanYi Micro Hei" /f >/dev/null 2>&1
fi
if [ -n "${VELMORA_WINE_DPI:-}" ]; then
  # Wine reads the scale from both keys; set both, as the display settings would.
  for key in 'HKCU\Control Panel\Desktop' 'HKCU\Software\Wine\Fonts'; do
    wine reg add "$key" /v LogPixels /t REG_DWORD /d "$VELMORA_WINE_DPI" /f >/dev/null 2>&1
  done
fi
if [ -n "${VELMORA_HIGH_CONTRAST_COLORS:-}" ]; then
  # What Windows writes when the scheme is chosen (Wine 8 cannot turn high contrast itself on).
  for pair in "Window=0 0 0" "WindowText=255 255 255" "ButtonFace=0 0 0" \
      "ButtonText=255 255 255" "Hilight=26 235 255" "HilightText=0 0 0" \
      "GrayText=63 242 63" "HotTrackingColor=255 255 0" "Background=0 0 0"; do
    wine reg add 'HKCU\Control Panel\Colors' /v "${pair%%=*}" /d "${pair#*=}" /f >/dev/null 2>&1
  done
fi
if [ -n "${VELMORA_CJK_FONTS:-}${VELMORA_WINE_DPI:-}${VELMORA_HIGH_CONTRAST_COLORS:-}" ]; then
  # The server started by reg has no display: let it end before a test that needs one starts.
  wineserver -w
fi

server_pid=""
cleanup() {
  [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null || true
  WINEPREFIX="$prefix" wineserver -k 2>/dev/null || true
}
trap cleanup EXIT

if [ -n "${VELMORA_NEEDS_SERVER:-}" ]; then
  portfile="$(mktemp)"
  python3 "$here/../tools/testserver/velmora_test_server.py" --port-file "$portfile" \
    --lifetime "${VELMORA_SERVER_LIFETIME:-900}" >"$prefix/server.log" 2>&1 &
  server_pid=$!
  for _ in $(seq 1 100); do
    [ -s "$portfile" ] && break
    sleep 0.05
  done
  [ -s "$portfile" ] || { echo "test server did not start"; cat "$prefix/server.log"; exit 1; }
  export VELMORA_TEST_SERVER="http://127.0.0.1:$(cat "$portfile")"
  rm -f "$portfile"
fi

status=0
if [ -n "${VELMORA_NEEDS_DISPLAY:-}" ] && [ -z "${VELMORA_HAVE_DISPLAY:-}" ]; then
  xvfb-run -a -s "-screen 0 1280x1024x24" env VELMORA_HAVE_DISPLAY=1 wine "$exe" "$@" || status=$?
else
  wine "$exe" "$@" || status=$?
fi
exit $status
