#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ natively (clang 14, address and undefined-behaviour
# sanitizers) and runs each for FUZZ_SECONDS (default 60), starting from the committed regression
# inputs and a temporary seed corpus made of the repository's layouts, image specs, marked-up
# texts and INI texts. Fails when any target finds a fault; the input is kept in
# $FUZZ_BUILD_DIR/artifacts. FUZZ_TARGETS picks targets (default: all); FUZZ_SECONDS=0 only
# replays the regression inputs.
# Before fuzzing, every regression input is replayed whole: fuzz/regressions/<target>/ and the
# large ones make_seeds.py generates.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${FUZZ_BUILD_DIR:-$root/build-fuzz}"
seconds="${FUZZ_SECONDS:-60}"
targets="${FUZZ_TARGETS:-xml_fuzzer image_spec_fuzzer markup_fuzzer ini_fuzzer md5_fuzzer config_freshness_fuzzer}"

say() { echo "[fuzz] $*"; }

cmake -S "$root/fuzz" -B "$build" -DCMAKE_CXX_COMPILER=clang++-14 >/dev/null
# shellcheck disable=SC2086
cmake --build "$build" -j"$(nproc)" --target $targets

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
python3 "$root/fuzz/make_seeds.py" "$root" "$work/seeds"
mkdir -p "$build/artifacts" "$build/logs"

export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"

# Each input found once, replayed whole (committed ones and the large ones make_seeds.py writes).
replay() {
  local target="$1" inputs=() dir
  for dir in "$root/fuzz/regressions/$target" "$work/seeds/regressions/$target"; do
    [ -d "$dir" ] && inputs+=("$dir"/*)
  done
  [ ${#inputs[@]} -eq 0 ] || "$build/$target" "${inputs[@]}" >"$build/logs/$target.replay.log" 2>&1
}

fuzz() {
  local target="$1" corpus="$work/corpus/$1"
  mkdir -p "$corpus"
  cp "$work/seeds/$target"/* "$corpus/"
  local args=(-max_total_time="$seconds" -max_len=8192 -timeout=10 -print_final_stats=1
              -artifact_prefix="$build/artifacts/$target-")
  [ -f "$root/fuzz/dicts/$target.dict" ] && args+=(-dict="$root/fuzz/dicts/$target.dict")
  "$build/$target" "${args[@]}" "$corpus" >"$build/logs/$target.log" 2>&1
}

show() {
  grep -E "ERROR|runtime error|does not fit|SUMMARY|Test unit written|^Running:" "$1" | head -n 20 || true
}

failed=()
for target in $targets; do
  if ! replay "$target"; then
    say "$target: a regression input fails again (log $build/logs/$target.replay.log)"
    show "$build/logs/$target.replay.log"
    failed+=("$target")
    continue
  fi
  if [ "$seconds" -le 0 ]; then
    say "$target: regression inputs replayed, no fuzzing (FUZZ_SECONDS=$seconds)"
    continue
  fi
  say "$target: ${seconds} s"
  log="$build/logs/$target.log"
  if fuzz "$target"; then
    runs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")"
    rate="$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")"
    say "$target: ok, ${runs:-?} executions, ${rate:-?}/s"
  else
    say "$target: FAILED (log $log)"
    show "$log"
    failed+=("$target")
  fi
done

if [ ${#failed[@]} -ne 0 ]; then
  say "faults found by: ${failed[*]}"
  exit 1
fi
say "all targets ran clean"
