#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for the given number of seconds
# (default 300) on a copy of its seed corpus: fuzz/run.sh [SECONDS] [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-300}
shift || true

PCQUIBA_FUZZ=1 bash scripts/deps.sh
build=${PCQUIBA_FUZZ_BUILD_DIR:-build-fuzz}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
      -DPCQUIBA_BUILD_FUZZERS=ON -DPCQUIBA_BUILD_TESTS=OFF
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    for source in fuzz/*Fuzzer.cpp; do targets+=("$(basename "$source" .cpp)"); done
fi
cmake --build "$build" -j "$(nproc)" --target "${targets[@]}"

export QT_QPA_PLATFORM=offscreen
for target in "${targets[@]}"; do
    corpus=fuzz/corpus/${target%Fuzzer}
    work=$(mktemp -d)
    cp -r "$corpus"/. "$work"/ 2>/dev/null || true
    echo "== $target for ${seconds}s"
    "$build/fuzz/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=4096 -print_final_stats=1 "$work"
    rm -rf "$work"
done
