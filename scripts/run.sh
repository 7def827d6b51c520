#!/usr/bin/env bash
# Installs what is missing, builds pcQUIBA and starts it on its built-in defaults.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/deps.sh

build=${PCQUIBA_BUILD_DIR:-build}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPCQUIBA_BUILD_TESTS=OFF
# The program with what it ships beside it: the simulated engine plugin, the sample files and tools.
cmake --build "$build" -j "$(nproc)"

exec "$build/pcquiba" "$@"
