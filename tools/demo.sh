#!/usr/bin/env bash
# Installs, builds and starts KV.Kestrune on a demo caller: the settings window of "Demo" 1.0.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKESTRUNE_TESTS=OFF
cmake --build build
exec build/app/KV.Kestrune "" Demo 1.0 English
