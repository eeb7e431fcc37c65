#!/usr/bin/env bash
# Installs, builds and runs every test; then builds and runs them again under AddressSanitizer
# and UndefinedBehaviorSanitizer. The tests start the servers they need (SMTPS, HTTP) on 127.0.0.1.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
export QT_QPA_PLATFORM=offscreen
export no_proxy='*' NO_PROXY='*'
unset http_proxy https_proxy HTTP_PROXY HTTPS_PROXY all_proxy ALL_PROXY || true
jobs=$(nproc)

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKESTRUNE_WERROR=ON -DKESTRUNE_BENCH=ON
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure -j "$jobs"

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export LSAN_OPTIONS="suppressions=$PWD/tools/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
cmake -S . -B build-sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKESTRUNE_WERROR=ON -DKESTRUNE_SANITIZE=ON
cmake --build build-sanitize -j "$jobs"
ctest --test-dir build-sanitize --output-on-failure -j "$jobs"
