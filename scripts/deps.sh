#!/usr/bin/env bash
# Installs the Debian packages pcQUIBA needs, skipping those already there.
set -euo pipefail

packages=(cmake ninja-build g++ lld qt6-base-dev libgl-dev zlib1g-dev libpugixml-dev libzint-dev libgtest-dev libgmock-dev
          libbenchmark-dev libexpat1-dev libdbus-1-dev pkg-config dbus dbus-bin dbus-daemon python3-dbus python3-gi
          dpkg-dev file lintian
          libsodium-dev minisign libmosquitto-dev mosquitto mosquitto-clients openssl
          libglib2.0-dev-bin libglib2.0-dev qt6-base-dev-tools nodejs)
# Debian's npm only where no npm command exists (a machine may carry its own Node.js and npm).
command -v npm >/dev/null 2>&1 || packages+=(npm)
[ "${PCQUIBA_FUZZ:-0}" = 1 ] && packages+=(clang libclang-rt-14-dev)

missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
done

if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update
    apt-get install -y --no-install-recommends "${missing[@]}"
fi
