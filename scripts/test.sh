#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test under Wine.
# Extra arguments go to ctest (for example: -R downloader_tests).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${BUILD_DIR:-$root/build}"
bash "$root/scripts/setup-deps.sh"
BUILD_DIR="$build" bash "$root/scripts/build.sh"
cd "$build"
ctest -j"$(nproc)" --output-on-failure "$@"
# The parsers under libFuzzer (native, sanitizers on), FUZZ_SECONDS each.
FUZZ_BUILD_DIR="${FUZZ_BUILD_DIR:-$root/build-fuzz}" bash "$root/scripts/fuzz.sh"
