#!/usr/bin/env bash
# Installs, builds and runs every test, then every test program again with its cases shuffled;
# then builds and runs the tests again under AddressSanitizer and UndefinedBehaviorSanitizer. The tests start the servers they need (SMTPS, HTTP) on 127.0.0.1.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
export QT_QPA_PLATFORM=offscreen
export no_proxy='*' NO_PROXY='*'
unset http_proxy https_proxy HTTP_PROXY HTTPS_PROXY all_proxy ALL_PROXY || true
jobs=$(nproc)

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKESTRUNE_WERROR=ON -DKESTRUNE_BENCH=ON
# The sources keep the tree's style (.clang-format); "cmake --build build --target format" mends them.
cmake --build build --target format-check
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure -j "$jobs"

# Every test program once more as a whole, its cases shuffled: a case that depends on what an
# earlier one left behind fails here. The seed is fixed so that a failure can be repeated.
shuffle_seed=4242
for program in $(find build/tests -type f -executable -name "kestrune_*_tests" | sort); do
  if ! "$program" --gtest_shuffle --gtest_repeat=3 --gtest_random_seed="$shuffle_seed" \
      > "$program.shuffled.log" 2>&1; then
    grep -E '^\[  FAILED  \]' "$program.shuffled.log" | sort -u || true
    echo "$(basename "$program") failed in shuffled order; repeat with:"
    echo "  $program --gtest_shuffle --gtest_repeat=3 --gtest_random_seed=$shuffle_seed"
    exit 1
  fi
  echo "$(basename "$program"): shuffled runs passed (seed $shuffle_seed)"
done

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export LSAN_OPTIONS="suppressions=$PWD/tools/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
cmake -S . -B build-sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKESTRUNE_WERROR=ON -DKESTRUNE_SANITIZE=ON
cmake --build build-sanitize -j "$jobs"
ctest --test-dir build-sanitize --output-on-failure -j "$jobs"

# A short run of every fuzzer, built with clang and libFuzzer.
if command -v clang++ >/dev/null; then
  CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DKESTRUNE_FUZZ=ON -DKESTRUNE_TESTS=OFF
  cmake --build build-fuzz -j "$jobs" --target fuzzers
  shopt -s nullglob
  for fuzzer in build-fuzz/fuzzers/*; do
    corpus="build-fuzz/corpus/$(basename "$fuzzer")"
    mkdir -p "$corpus"
    seeds="tests/fuzz/seeds/$(basename "$fuzzer")"
    [ -d "$seeds" ] || seeds=""
    log="build-fuzz/$(basename "$fuzzer").log"
    # The page fuzzer hunts slow pages: any page that takes two seconds is a failure.
    options="-timeout=5"
    [ "$(basename "$fuzzer")" = page_show_fuzzer ] && options="-timeout=2 -max_len=65536"
    echo "fuzzing $(basename "$fuzzer") for 20 s"
    if ! "$fuzzer" -max_total_time=20 $options -rss_limit_mb=2048 "$corpus" $seeds > "$log" 2>&1; then
      tail -n 60 "$log"
      echo "$(basename "$fuzzer") found a failure; the input is in $PWD"
      exit 1
    fi
    tail -n 1 "$log"
  done
fi
