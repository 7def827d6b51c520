#!/usr/bin/env bash
# pcQUIBA's main job, shown end to end: the example Sovereign sells a voucher through pcQUIBA over
# the session bus, with the simulated rules engine and host. Installs what is missing, builds,
# lets the bus start pcquiba, scripts the customer when no display is present, prints the voucher
# here and leaves its PDF in the data folder.
# With no session bus it starts one of its own, whose only services folder is a temporary one.
# On the user's session bus it puts pcQUIBA's service file into ~/.local/share/dbus-1/services for
# the run and puts back what was there when it ends; PCQUIBA_KEEP_SERVICE=1 leaves the file there.
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

service_name=org.pcquiba.pcQUIBA.service
program="$(cd "$build" && pwd)/pcquiba"

# pcQUIBA's service file for the built program, written to $1.
write_service_file() {
    local exec_line="$program"
    [ -n "${PCQUIBA_ROOT:-}" ] && exec_line="/usr/bin/env PCQUIBA_ROOT=\"$PCQUIBA_ROOT\" $program"
    sed "s|@PCQUIBA_SERVICE_EXEC@|$exec_line|" data/dbus/org.pcquiba.pcQUIBA.service.in > "$1"
}

reload_bus() {
    dbus-send --session --type=method_call --dest=org.freedesktop.DBus /org/freedesktop/DBus \
        org.freedesktop.DBus.ReloadConfig
}

# A bus of its own, and its services folder, that end with this script.
run_on_own_bus() {
    own=$(mktemp -d)
    trap 'rm -rf "$own"' EXIT
    mkdir "$own/services"
    write_service_file "$own/services/$service_name"
    cat > "$own/bus.conf" <<CONF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:tmpdir=$own</listen>
  <auth>EXTERNAL</auth>
  <servicedir>$own/services</servicedir>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
CONF
    PCQUIBA_RUN_OWN_BUS=1 dbus-run-session --config-file="$own/bus.conf" -- bash "$(pwd)/scripts/run.sh" "$@"
}

# The user's bus: the service file goes where every session bus looks, for this run only.
install_in_user_folder() {
    services="${XDG_DATA_HOME:-$HOME/.local/share}/dbus-1/services"
    installed="$services/$service_name"
    if [ -n "${PCQUIBA_KEEP_SERVICE:-}" ]; then
        echo "PCQUIBA_KEEP_SERVICE: $installed stays after this run and starts $program."
    else
        echo "Putting pcQUIBA's service file into $services for this run; it goes when the run ends."
        # What was there before (a folder, a file of someone else's) comes back as it was.
        created=""
        local dir="$services"
        while [ ! -d "$dir" ]; do
            created="$dir"
            dir=$(dirname "$dir")
        done
        saved=""
        if [ -e "$installed" ]; then
            saved=$(mktemp)
            cp -p "$installed" "$saved"
        fi
        trap restore_user_folder EXIT
        trap 'exit 130' INT
        trap 'exit 143' TERM
    fi
    mkdir -p "$services"
    write_service_file "$installed"
    reload_bus
}

restore_user_folder() {
    if [ -n "$saved" ]; then
        mv -f "$saved" "$installed"
    else
        rm -f "$installed"
    fi
    if [ -n "$created" ]; then
        local dir="$services"
        while rmdir "$dir" 2>/dev/null && [ "$dir" != "$created" ]; do
            dir=$(dirname "$dir")
        done
    fi
    reload_bus || true
}

runtime_bus="${XDG_RUNTIME_DIR:-/run/user/$(id -u)}/bus"
if [ -n "${PCQUIBA_RUN_OWN_BUS:-}" ]; then
    : # inside the bus of its own, which already knows the service file
elif [ -z "${DBUS_SESSION_BUS_ADDRESS:-}" ] && [ ! -S "$runtime_bus" ]; then
    echo "No session bus: starting one for this run."
    run_on_own_bus "$@"
    exit
else
    [ -z "${DBUS_SESSION_BUS_ADDRESS:-}" ] && export DBUS_SESSION_BUS_ADDRESS="unix:path=$runtime_bus"
    install_in_user_folder
fi

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
