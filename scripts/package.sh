#!/usr/bin/env bash
# Builds the Debian packages of pcQUIBA with CPack: pcquiba_<version>_<arch>.deb and
# pcquiba-simulated_<version>_<arch>.deb (the simulated engine and host), left in the current
# folder, or in $PCQUIBA_PACKAGE_DIR. Installs what is missing and builds first, unless
# PCQUIBA_PACKAGE_BUILT is set: then the build folder is packaged as it is (the package test
# packages the build that scripts/test.sh made).
set -euo pipefail
out=$(pwd)
cd "$(dirname "$0")/.."
build=${PCQUIBA_BUILD_DIR:-build}

if [ -z "${PCQUIBA_PACKAGE_BUILT:-}" ]; then
    bash scripts/deps.sh
    if [ -f "$build/CMakeCache.txt" ]; then
        cmake -S . -B "$build" >/dev/null
    else
        cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPCQUIBA_BUILD_TESTS=OFF >/dev/null
    fi
    cmake --build "$build" -j "$(nproc)"
fi

out=${PCQUIBA_PACKAGE_DIR:-$out}
staging=$(mktemp -d)
trap 'rm -rf "$staging"' EXIT
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$staging" >"$staging/cpack.log" 2>&1 || {
    cat "$staging/cpack.log" >&2
    exit 1
}
mv "$staging"/*.deb "$out"/
ls "$out"/pcquiba_*.deb "$out"/pcquiba-simulated_*.deb "$out"/pcquiba-fleet_*.deb
