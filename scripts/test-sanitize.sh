#!/bin/bash
# The offscreen tests built with AddressSanitizer and UndefinedBehaviorSanitizer
# (clang, own folder build-asan), then every fuzz target: its corpus replayed in
# full, then a bounded fuzzing run. Any sanitizer report or fuzz finding fails.
# The fuzzing run is the same on every machine (a fixed seed and number of
# inputs per target), so that a finding is always the change's and can be
# replayed; FUZZ_RUNS=-1 with FUZZ_SECONDS (and FUZZ_SEED) explores further.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/.." && pwd)"
"$here/install-deps.sh" "$here/packages.txt" "$here/packages-test.txt"
cd "$root"
build=build-asan
# Line tables are all a sanitizer report needs for its stack; full -g only
# makes the objects bigger and the links of the test binaries slower.
CC=clang CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1" -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O1 -g1" \
  -DVAULTWICK_SANITIZE=ON -DVAULTWICK_FUZZ=ON -DVAULTWICK_TESTS=ON -DVAULTWICK_BENCH=OFF >/dev/null
fuzzers=(language formattext keywords entry)
# Inputs per target: about ten seconds each on a two-core machine.
declare -A runs=([language]=50000 [formattext]=200000 [keywords]=25000 [entry]=15000)
cmake --build "$build" -j"$(nproc)" --target test_storage test_ui test_vault test_shell test_platform \
  "${fuzzers[@]/#/fuzz_}"

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
(cd "$build" && ctest --output-on-failure -j2 --timeout 900)

seconds="${FUZZ_SECONDS:-120}"
seed="${FUZZ_SEED:-1}"
work="$build/fuzz-work"
mkdir -p "$work/artifacts"
for f in "${fuzzers[@]}"; do
  corpus="fuzz/corpus/$f"
  echo "fuzz_$f: replaying $(ls "$corpus" | wc -l) corpus files"
  "$build/fuzz/fuzz_$f" -runs=0 "$corpus"/* 2>"$work/$f-replay.log" || { cat "$work/$f-replay.log"; exit 1; }
  rm -rf "${work:?}/$f" && mkdir -p "$work/$f"  # the same start on every run
  count="${FUZZ_RUNS:-${runs[$f]}}"
  echo "fuzz_$f: fuzzing, seed $seed, $count inputs (at most ${seconds} s)"
  "$build/fuzz/fuzz_$f" -seed="$seed" -runs="$count" -max_total_time="$seconds" -max_len=65536 -timeout=20 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$work/artifacts/$f-" "$work/$f" "$corpus" 2>"$work/$f.log" ||
    { tail -n 60 "$work/$f.log"; exit 1; }
  grep -E '^stat::number_of_executed_units|^Done' "$work/$f.log" | tr '\n' ' '
  echo
done
echo "sanitizers and fuzzing: no findings"
