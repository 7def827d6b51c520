#!/usr/bin/env bash
# Installs what is missing, builds pcQUIBA with its tests and runs every test through CTest on a
# private session bus with the offscreen Qt platform. Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/deps.sh

build=${PCQUIBA_BUILD_DIR:-build}
# Unity batches: each compiler run reads Qt's and GoogleTest's headers once for sixteen sources
# instead of once per source (docs/development.md, "Build time").
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPCQUIBA_BUILD_TESTS=ON \
      -DCMAKE_UNITY_BUILD=ON -DCMAKE_UNITY_BUILD_BATCH_SIZE=16
cmake --build "$build" -j "$(nproc)"

export QT_QPA_PLATFORM=offscreen
# One test more than there are cores: many tests spend part of their time waiting on the bus
# or on a child process.
dbus-run-session -- ctest --test-dir "$build" --output-on-failure -j "$(( $(nproc) + 1 ))" --timeout 300
