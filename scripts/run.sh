#!/usr/bin/env bash
# Installs what is missing, builds everything and runs the downloader demo under Wine against
# the local test server: a 32 MiB package is fetched, cut once in the middle, resumed and verified.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${BUILD_DIR:-$root/build}"
bash "$root/scripts/setup-deps.sh"
BUILD_DIR="$build" bash "$root/scripts/build.sh"

export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win32
export WINEPREFIX="$build/wine/demo"
unset http_proxy https_proxy HTTP_PROXY HTTPS_PROXY all_proxy no_proxy
mkdir -p "$build/demo"
portfile="$(mktemp)"
python3 "$root/tools/testserver/velmora_test_server.py" --port-file "$portfile" --lifetime 600 &
server=$!
trap 'kill $server 2>/dev/null || true; wineserver -k 2>/dev/null || true' EXIT
for _ in $(seq 1 100); do [ -s "$portfile" ] && break; sleep 0.05; done
base="http://127.0.0.1:$(cat "$portfile")"
md5=$(curl -s "$base/_ctl/package?path=/pkg/Setup.exe&size=33554432&seed=7")
curl -s "$base/_ctl/fault?path=/pkg/Setup.exe&cut_after=16000000&rate=8000000" >/dev/null
echo "package: $base/pkg/Setup.exe  md5 $md5"
cd "$build/demo"
rm -rf Velmora
wine "$build/tools/velmora_fetch.exe" "$base/pkg/Setup.exe" 'Velmora\download' "$md5"
echo "what the log says about the cut and the resume:"
grep -E "download failed|resume from|local md5|Check file md5" velmora_fetch.log | sed 's/^/  /'
echo "whole log: $build/demo/velmora_fetch.log"
