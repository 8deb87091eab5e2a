#!/usr/bin/env bash
# Benchmarks. Prints these figures:
#   1. MD5 of a 1 GiB file: GetFileMD5 under Wine (in-process time) vs native `openssl dgst -md5`
#   2. 1 GiB download from a loopback nginx: our downloader under Wine (first byte to verified
#      file, in-process) vs native `curl -o` and vs curl.exe (built by scripts/setup-deps.sh from
#      the same curl source as our libcurl) under the same Wine; the downloader's CPU time per
#      GiB
#   2b. CPU use of the whole installer and of the downloader alone during a download throttled
#      by nginx to 4 MB/s, by the system's counters (bench/installer_cpu.py)
#   3. resume efficiency: bytes the server sent in total after a cut in the middle
#   4. peak memory of the downloader process
#   5.-7. installer size, main window repaint, one step report's address with every probe
#   6b. resizing the 100 % background for a 200 % window: general filter vs the doubling path
#   8. start-up to the first painted main window at 100 % and 200 % (bench/startup.sh)
# Each timing is the median of RUNS runs (default 5). Needs a build (scripts/build.sh).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${BUILD_DIR:-$root/build}"
runs="${RUNS:-5}"
work="${BENCH_DIR:-/tmp/velmora-bench}"
size_mib="${SIZE_MIB:-1024}"
mkdir -p "$work/www" "$work/out"
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win32
export WINEPREFIX="$build/wine/bench"
# Internet Options set to a direct connection, as in the test prefixes. With automatic proxy
# detection (a fresh prefix, and Windows' own default) every process of ours also loads
# WinHTTP for the lookup: about 4.5 MiB more working set, which the memory figure leaves out.
mkdir -p "$WINEPREFIX"
wine reg add 'HKCU\Software\Microsoft\Windows\CurrentVersion\Internet Settings\Connections' \
  /v DefaultConnectionSettings /t REG_BINARY /f \
  /d 4600000000000000010000000000000000000000000000000000000000000000 >/dev/null 2>&1 || true
unset http_proxy https_proxy HTTP_PROXY HTTPS_PROXY all_proxy no_proxy

median() { sort -g | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
now() { date +%s.%N; }

curl_exe="${CURL_EXE:-${VELMORA_DEPS_DIR:-/var/cache/velmora-deps}/curl-tool-mingw32/curl.exe}"

# The package: a program followed by its payload, as a real setup package is.
file="$work/www/package.bin"
if [ ! -f "$file" ] || [ "$(stat -c %s "$file")" != $((size_mib * 1024 * 1024)) ] ||
   [ "$(head -c 2 "$file")" != "MZ" ]; then
  echo "making a ${size_mib} MiB test package"
  program="$build/bench/bench_md5.exe"
  { cat "$program"
    # openssl ends on SIGPIPE when head has enough: that is expected, hence "|| true".
    (openssl enc -aes-128-ctr -pass pass:velmora -nosalt -pbkdf2 </dev/zero 2>/dev/null || true) |
      head -c $((size_mib * 1024 * 1024 - $(stat -c %s "$program")))
  } >"$file"
fi
md5=$(md5sum "$file" | cut -d' ' -f1)
wine "$build/bench/bench_md5.exe" Z:/dev/null >/dev/null 2>&1 || true  # start Wine once

# 1. MD5
ours=(); theirs=()
for _ in $(seq "$runs"); do
  line=$(wine "$build/bench/bench_md5.exe" "Z:$file" | tr -d "\r")
  [ "$(echo "$line" | cut -d' ' -f2)" = "$md5" ] || { echo "wrong digest: $line"; exit 1; }
  ours+=("$(echo "$line" | cut -d' ' -f4)")
  t0=$(now); openssl dgst -md5 "$file" >/dev/null; t1=$(now)
  theirs+=("$(echo "$t1 - $t0" | bc -l)")
done
md5_ours=$(printf '%s\n' "${ours[@]}" | median)
md5_openssl=$(printf '%s\n' "${theirs[@]}" | median)

# nginx on a free loopback port with its own configuration
port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
mkdir -p "$work/nginx"
cat >"$work/nginx/nginx.conf" <<CONF
worker_processes 1;
daemon off;
pid $work/nginx/nginx.pid;
error_log $work/nginx/error.log;
events { worker_connections 64; }
http {
  access_log $work/nginx/access.log;
  sendfile on;
  server {
    listen 127.0.0.1:$port; root $work/www;
    # what a user on a normal line sees
    location /slow/ { alias $work/www/; limit_rate 4m; }
  }
}
CONF
: >"$work/nginx/access.log"
nginx -c "$work/nginx/nginx.conf" -p "$work/nginx" &
nginx_pid=$!
trap 'kill $nginx_pid 2>/dev/null || true' EXIT
sleep 0.5
url="http://127.0.0.1:$port/package.bin"

# 2. download throughput and 4. peak memory
ours=(); theirs=(); peaks=(); transfers=(); cpus=(); exe_times=()
for _ in $(seq "$runs"); do
  rm -f "$work/out/package.bin" "$work/out/package.bin.cfg"
  line=$(cd "$work/out" && wine "$build/bench/bench_download.exe" "$url" "Z:$work/out/package.bin" "$md5" | tr -d "\r")
  [ "$(md5sum "$work/out/package.bin" | cut -d' ' -f1)" = "$md5" ] || { echo "bad download"; exit 1; }
  ours+=("$(echo "$line" | cut -d' ' -f3)")
  peaks+=("$(echo "$line" | cut -d' ' -f4)")
  transfers+=("$(echo "$line" | cut -d' ' -f5)")
  cpus+=("$(echo "$line" | cut -d' ' -f6)")
  rm -f "$work/out/curl.bin"
  # curl's own clock (connection to the last byte written), as for curl.exe below
  theirs+=("$(curl -s -o "$work/out/curl.bin" -w '%{time_total}' "$url")")
  rm -f "$work/out/curl.bin"
  if [ -f "$curl_exe" ]; then
    exe_times+=("$(wine "$curl_exe" -s -o "Z:$work/out/curl.bin" -w '%{time_total}' "$url" | tr -d '\r')")
    [ "$(stat -c %s "$work/out/curl.bin")" = "$(stat -c %s "$file")" ] || { echo "curl.exe failed"; exit 1; }
  fi
done
dl_ours=$(printf '%s\n' "${ours[@]}" | median)
dl_curl=$(printf '%s\n' "${theirs[@]}" | median)
dl_cpu=$(printf '%s\n' "${cpus[@]}" | median)
dl_curl_exe=""
if [ "${#exe_times[@]}" -gt 0 ]; then
  dl_curl_exe=$(printf '%s\n' "${exe_times[@]}" | median)
fi
dl_transfer=$(printf '%s\n' "${transfers[@]}" | median)
peak=$(printf '%s\n' "${peaks[@]}" | sort -g | tail -1)
rm -f "$work/out/curl.bin"

# 3. resume efficiency: a partial file of half the size with the server's ETag, then resume
etag=$(curl -sI "$url" | tr -d '\r' | sed -n 's/^ETag:\(.*\)$/\1/p')
rm -f "$work/out/package.bin"
head -c $((size_mib * 512 * 1024)) "$file" >"$work/out/package.bin"
printf '%s\r\r\n' "$etag" >"$work/out/package.bin.cfg"
: >"$work/nginx/access.log"
(cd "$work/out" && wine "$build/bench/bench_download.exe" "$url" "Z:$work/out/package.bin" "$md5" >/dev/null)
sent=$(awk '{s+=$10} END {print s}' "$work/nginx/access.log")
[ "$(md5sum "$work/out/package.bin" | cut -d' ' -f1)" = "$md5" ] || { echo "bad resume"; exit 1; }
total=$((size_mib * 1024 * 1024))
half=$((size_mib * 512 * 1024))

# 2b. CPU use during a download at 4 MB/s (nginx limit_rate), what a user on a normal line sees:
#     the real installer (clicked as a user would) and the downloader alone, in turn, each by the
#     system's own counters (user and kernel ticks of the Wine process from /proc on the host,
#     all threads, first to last byte of the file). Under Wine a process's own GetProcessTimes
#     counts less than the system does.
slow_mib="${SLOW_MIB:-32}"
head -c $((slow_mib * 1024 * 1024)) "$file" >"$work/www/slow.bin"
ln -sf slow.bin "$work/www/Setup.exe"  # the configuration names a Setup.exe
slow_md5=$(md5sum "$work/www/slow.bin" | cut -d' ' -f1)
cpu_out=""
if [ -f "$build/VelmoraInstaller.exe" ] && command -v xdotool >/dev/null; then
  cpu_out=$(xvfb-run -a -s "-screen 0 1024x768x24" python3 "$root/bench/installer_cpu.py" \
    --url "http://127.0.0.1:$port/slow/Setup.exe" --md5 "$slow_md5" \
    --size $((slow_mib * 1024 * 1024)) --prefix "$WINEPREFIX" --source "$root" \
    --downloader "$build/bench/bench_download.exe" --installer "$build/VelmoraInstaller.exe" \
    --runs "$runs" 2>&1 | tr -d '\r' || true)
  wineserver -k 2>/dev/null || true
fi
installer_cpu=$(echo "$cpu_out" | sed -n 's/^median installer .* \([0-9.]*\)$/\1/p')
downloader_cpu=$(echo "$cpu_out" | sed -n 's/^median downloader \([0-9.]*\)$/\1/p')
cpu_loads=$(echo "$cpu_out" | sed -n 's/^cpu .* load \([0-9.]*\)$/\1/p' | sort -g | sed -n '1p;$p' | paste -sd- -)

mb=$(echo "$size_mib * 1048576 / 1000000" | bc -l)
printf 'MD5 %d MiB: GetFileMD5 under Wine %.2f s (%.0f MB/s), openssl natively %.2f s: %.2fx\n' \
  "$size_mib" "$md5_ours" "$(echo "$mb / $md5_ours" | bc -l)" "$md5_openssl" "$(echo "$md5_openssl / $md5_ours" | bc -l)"
printf 'Download %d MiB: downloader under Wine %.2f s (%.0f MB/s, first byte to verified file), curl natively %.2f s: %.2fx\n' \
  "$size_mib" "$dl_ours" "$(echo "$mb / $dl_ours" | bc -l)" "$dl_curl" "$(echo "$dl_curl / $dl_ours" | bc -l)"
if [ -n "$dl_curl_exe" ]; then
  printf '  curl.exe (same curl source, MinGW) under the same Wine %.2f s: %.2fx\n' \
    "$dl_curl_exe" "$(echo "$dl_curl_exe / $dl_ours" | bc -l)"
fi
printf '  of which the transfer (first to last byte) %.2f s: %.2fx curl' \
  "$dl_transfer" "$(echo "$dl_curl / $dl_transfer" | bc -l)"
if [ -n "$dl_curl_exe" ]; then
  printf ', %.2fx curl.exe' "$(echo "$dl_curl_exe / $dl_transfer" | bc -l)"
fi
printf '; the rest is the final check and the hand-over\n'
printf 'Downloader CPU time at full speed: %.2f s per GiB (first byte to verified file, all threads, user and kernel; Wine'"'"'s server not counted)\n' \
  "$(echo "$dl_cpu * 1024 / $size_mib" | bc -l)"
if [ -n "$installer_cpu" ] && [ -n "$downloader_cpu" ]; then
  printf 'CPU use during a %d MiB download at 4 MB/s (system counters, first to last byte, median of %d, load %s): installer %.2f %% of one core, downloader alone %.2f %%\n' \
    "$slow_mib" "$runs" "$cpu_loads" "$installer_cpu" "$downloader_cpu"
else
  printf 'CPU use during a download at 4 MB/s: not measured (needs the installer, xvfb-run and xdotool)\n%s\n' "$cpu_out"
fi
printf 'Resume after a cut at half: server sent %d bytes for the missing %d (%d extra)\n' \
  "$sent" "$((total - half))" "$((sent - (total - half)))"
printf 'Peak memory of the downloader process: %.1f MiB\n' "$(echo "$peak / 1048576" | bc -l)"

# 5. size of the installer executable (all code, layouts and artwork; stripped)
exe="$build/VelmoraInstaller.exe"
if [ -f "$exe" ]; then
  printf 'Installer executable size: %.2f MiB\n' \
    "$(echo "$(stat -c %s "$exe") / 1048576" | bc -l)"
fi

# 6. full repaint of the main window (English layout from the resources, 586 x 431, ~25
#    controls, background image) through WM_PAINT, and of its control tree into a bitmap
preview="$build/tools/skinpreview/skinpreview.exe"
if [ -f "$preview" ]; then
  # At 100 % and at 200 % display scale (the prefix's LogPixels; back to 96 afterwards).
  for dpi in 96 192; do
    for key in 'HKCU\Control Panel\Desktop' 'HKCU\Software\Wine\Fonts'; do
      wine reg add "$key" /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
    done
    wineserver -k 2>/dev/null || true  # the next runs need a display: start Wine afresh with one
    out=$(xvfb-run -a -s "-screen 0 1280x1024x24" wine "$preview" layout 129 "Z:$work/out/repaint.png" 300 2>/dev/null | tr -d '\r' || true)
    tree=$(echo "$out" | sed -n 's/^repaint .* median \([0-9.]*\) ms.*/\1/p')
    win=$(echo "$out" | sed -n 's/^window repaint .* median \([0-9.]*\) ms.*/\1/p')
    printf 'Main window full repaint at %s DPI (WM_PAINT, 300 repaints): median %s ms; control tree alone %s ms\n' "$dpi" "$win" "$tree"
  done
  for key in 'HKCU\Control Panel\Desktop' 'HKCU\Software\Wine\Fonts'; do
    wine reg add "$key" /v LogPixels /t REG_DWORD /d 96 /f >/dev/null 2>&1
  done
  wineserver -k 2>/dev/null || true
fi

# 6b. the 586 x 431 background brought to 1172 x 862 as a 200 % window loads it (bench_resample:
#     general passes against the doubling path, and the cost of the target image alone)
resample_bench="$build/bench/bench_resample.exe"
if [ -f "$resample_bench" ]; then
  wine "$resample_bench" 21 2>/dev/null | tr -d '\r' | sed 's/^resample/Background resize for 200 %:/'
fi

# 7. one step report's address: the first with every hardware probe, later ones with the run's
#    profile (all on the report thread)
report_bench="$build/bench/bench_report_url.exe"
if [ -f "$report_bench" ]; then
  out=$(xvfb-run -a -s "-screen 0 1024x768x24" wine "$report_bench" 2>/dev/null | tr -d '\r' || true)
  echo "$out" | grep -E '^(BuildReportUrl|ProbeHardwareProfile)' | sed 's/^/Step report: /'
  echo "$out" | grep -E '^  (QueryGpuInfo|GetMacAddress)' | sed 's/^ */Step report probe: /'
fi

# 8. the publisher check of a 40 MiB signed package (WinVerifyTrust through the held handle and
#    the signer pin), next to the MD5 check of the same file
sig_bench="$build/bench/bench_signature.exe"
if [ -f "$sig_bench" ] && command -v osslsigncode >/dev/null; then
  sig="$work/signature"
  mkdir -p "$sig"
  openssl req -x509 -newkey rsa:2048 -nodes -sha256 -days 30 -subj "/CN=Velmora Bench" \
    -addext "extendedKeyUsage=codeSigning" -keyout "$sig/key.pem" -out "$sig/cert.pem" 2>/dev/null
  pin=$(openssl x509 -in "$sig/cert.pem" -noout -pubkey | openssl pkey -pubin -outform DER |
        sha256sum | cut -d' ' -f1)
  # A real program followed by 40 MiB of data, as a large package carries its payload.
  { cat "$build/bench/bench_md5.exe"; head -c $((40 * 1024 * 1024)) "$file"; } >"$sig/big.exe"
  rm -f "$sig/big-signed.exe"
  osslsigncode sign -certs "$sig/cert.pem" -key "$sig/key.pem" -h sha256 \
    -in "$sig/big.exe" -out "$sig/big-signed.exe" >/dev/null
  checks=(); md5s=()
  for _ in $(seq "$runs"); do
    line=$(wine "$sig_bench" "Z:$sig/big-signed.exe" "$pin" 2>/dev/null | tr -d '\r' | grep '^signature')
    [ "$(echo "$line" | cut -d' ' -f2)" = "1" ] || { echo "signature not accepted: $line"; exit 1; }
    checks+=("$(echo "$line" | cut -d' ' -f4)")
    md5s+=("$(echo "$line" | cut -d' ' -f6)")
  done
  printf 'Publisher check of a 40 MiB signed package: median %.3f s (MD5 of the same file %.3f s)\n' \
    "$(printf '%s\n' "${checks[@]}" | median)" "$(printf '%s\n' "${md5s[@]}" | median)"
fi

# 9. start-up: first painted main window against a plain window plus the configuration fetch,
#    at 100 % and at 200 %. Single starts move by 20-30 ms on an idle machine, so these take
#    STARTUP_RUNS (default 9) starts each, whatever RUNS is.
if [ -f "$build/bench/bench_installer_startup.exe" ]; then
  firsts=()
  for dpi in 96 192; do
    wineserver -k 2>/dev/null || true
    out=$(RUNS="${STARTUP_RUNS:-9}" DPI=$dpi BUILD_DIR="$build" "$root/bench/startup.sh")
    echo "$out"
    firsts+=("$(echo "$out" | sed -n 's/^Start-up .*: installer \([0-9.]*\) ms;.*/\1/p')")
  done
  if [ -n "${firsts[0]}" ] && [ -n "${firsts[1]}" ]; then
    printf 'First painted main window at 192 against 96 DPI: %s vs %s ms: %.2fx\n' \
      "${firsts[1]}" "${firsts[0]}" "$(echo "${firsts[1]} / ${firsts[0]}" | bc -l)"
  fi
fi
