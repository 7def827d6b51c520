#!/usr/bin/env bash
# pcQUIBA's main job, shown end to end: the example Sovereign sells a voucher through pcQUIBA over
# the session bus, with the simulated rules engine and host. Installs what is missing, builds,
# starts a session bus when there is none, lets the bus start pcquiba, scripts the customer when
# no display is present, prints the voucher here and leaves its PDF in the data folder.
# Arguments go to the example Sovereign (examples/python/sovereign.py --help).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${PCQUIBA_BUILD_DIR:-build}

if [ -z "${PCQUIBA_RUN_BUILT:-}" ]; then
    bash scripts/deps.sh
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPCQUIBA_BUILD_TESTS=OFF >/dev/null
    # The program with what it ships beside it: the simulated engine plugin, the sample files, the tools.
    cmake --build "$build" -j "$(nproc)"
    export PCQUIBA_RUN_BUILT=1
fi

# A bus of its own when the machine has none; it ends with this script.
runtime_bus="${XDG_RUNTIME_DIR:-/run/user/$(id -u)}/bus"
if [ -z "${DBUS_SESSION_BUS_ADDRESS:-}" ]; then
    if [ -S "$runtime_bus" ]; then
        export DBUS_SESSION_BUS_ADDRESS="unix:path=$runtime_bus"
    else
        echo "No session bus: starting one for this run."
        exec dbus-run-session -- bash "$(pwd)/scripts/run.sh" "$@"
    fi
fi

# The per-user service file, where every session bus looks: the Sovereign's first call starts pcquiba.
program="$(cd "$build" && pwd)/pcquiba"
services="${XDG_DATA_HOME:-$HOME/.local/share}/dbus-1/services"
mkdir -p "$services"
exec_line="$program"
[ -n "${PCQUIBA_ROOT:-}" ] && exec_line="/usr/bin/env PCQUIBA_ROOT=\"$PCQUIBA_ROOT\" $program"
sed "s|@PCQUIBA_SERVICE_EXEC@|$exec_line|" data/dbus/org.pcquiba.pcQUIBA.service.in > "$services/org.pcquiba.pcQUIBA.service"
dbus-send --session --type=method_call --dest=org.freedesktop.DBus /org/freedesktop/DBus org.freedesktop.DBus.ReloadConfig

sovereign=(/usr/bin/python3 examples/python/sovereign.py)
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display: a scripted customer chooses a top-up on the kiosk screen."
    sovereign+=(--customer "choose TN-TOPUP")
fi
"${sovereign[@]}" "$@"

root=${PCQUIBA_ROOT:-$HOME/.local/share/quiba}
pdf=$(ls -t "$root"/data/printed/*.pdf 2>/dev/null | head -n 1 || true)
[ -n "$pdf" ] && echo "The voucher as printed: $pdf"
echo "pcQUIBA's log: $root/logs/pcQUIBA.log"
