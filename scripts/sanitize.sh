#!/usr/bin/env bash
# Builds pcQUIBA with AddressSanitizer and UndefinedBehaviorSanitizer and runs every test through
# CTest on a private session bus with the offscreen Qt platform. The first error a sanitizer finds
# ends the test that met it, so the run fails. Build folder: $PCQUIBA_ASAN_BUILD_DIR or build-asan.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/deps.sh

build=${PCQUIBA_ASAN_BUILD_DIR:-build-asan}
flags="-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPCQUIBA_BUILD_TESTS=ON \
      -DCMAKE_UNITY_BUILD=ON -DCMAKE_UNITY_BUILD_BATCH_SIZE=16 \
      -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined"
cmake --build "$build" -j "$(nproc)"

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=${ASAN_OPTIONS:-halt_on_error=1:abort_on_error=1:detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$PWD/scripts/sanitize-leaks.supp:print_suppressions=0}
dbus-run-session -- ctest --test-dir "$build" --output-on-failure -j "$(nproc)" --timeout 900
