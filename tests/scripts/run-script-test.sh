#!/usr/bin/env bash
# scripts/run.sh, the README's run command, on a bus of its own and on a bus the user already has:
# the sale goes through, and afterwards the user's services folder holds what it held before
# (unless PCQUIBA_KEEP_SERVICE asks to keep the file). Argument: the build folder holding pcquiba.
set -uo pipefail
build=$(cd "$1" && pwd)
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
scratch=$(mktemp -d)
bus_pid=""
trap '[ -n "$bus_pid" ] && kill "$bus_pid" 2>/dev/null; rm -rf "$scratch"' EXIT

home="$scratch/home"
services="$home/.local/share/dbus-1/services"
mkdir -p "$home" "$scratch/runtime"
export QT_QPA_PLATFORM=offscreen
failures=0
fail() {
    echo "FAIL ($case): $*"
    failures=$((failures + 1))
}

# Runs scripts/run.sh for the case $case with the home above and no display; the arguments go to
# the Sovereign. What it says is in $scratch/$case.out.
run() {
    env -u DISPLAY -u WAYLAND_DISPLAY -u XDG_DATA_HOME HOME="$home" XDG_RUNTIME_DIR="$scratch/runtime" \
        PCQUIBA_ROOT="$scratch/root-$case" PCQUIBA_BUILD_DIR="$build" PCQUIBA_RUN_BUILT=1 \
        bash "$source_dir/scripts/run.sh" "$@" > "$scratch/$case.out" 2>&1
    status=$?
    [ "$status" -eq 0 ] || fail "run.sh ended with $status: $(cat "$scratch/$case.out")"
}

expect_said() {
    grep -qF -- "$1" "$scratch/$case.out" || fail "did not say \"$1\": $(cat "$scratch/$case.out")"
}

# No bus at all: run.sh starts one whose services folder is its own.
case=own-bus
DBUS_SESSION_BUS_ADDRESS= run
expect_said "Sold: 1 voucher(s)"
[ ! -e "$home/.local/share/dbus-1" ] || fail "left $(find "$home/.local/share/dbus-1")"

# The user's bus: a standard session bus, which looks for services in the home's folder first
# (XDG_DATA_HOME, since the daemon takes the home from the password database).
{
    read -r address
    read -r bus_pid
} < <(XDG_DATA_HOME="$home/.local/share" dbus-daemon --session --fork --print-address=1 --print-pid=1)
export DBUS_SESSION_BUS_ADDRESS="$address"

# Nothing there before: the sale starts pcquiba from the file run.sh put there, which goes again.
case=user-bus
run
expect_said "Sold: 1 voucher(s)"
expect_said "for this run"
[ ! -e "$home/.local/share/dbus-1" ] || fail "left $(find "$home/.local/share/dbus-1")"

# A service file of the user's own comes back as it was.
case=user-file
mkdir -p "$services"
printf '[D-BUS Service]\nName=org.pcquiba.pcQUIBA\nExec=/opt/elsewhere/pcquiba --automation\n' \
    > "$services/org.pcquiba.pcQUIBA.service"
cp "$services/org.pcquiba.pcQUIBA.service" "$scratch/users-own.service"
run --help
cmp -s "$services/org.pcquiba.pcQUIBA.service" "$scratch/users-own.service" || fail "the user's file was not put back"

# Asked to keep it, it stays, pointing at this build.
case=kept
rm -rf "$home/.local"
PCQUIBA_KEEP_SERVICE=1 run --help
expect_said "PCQUIBA_KEEP_SERVICE"
grep -qF "Exec=/usr/bin/env PCQUIBA_ROOT=\"$scratch/root-kept\" $build/pcquiba --automation" \
    "$services/org.pcquiba.pcQUIBA.service" 2>/dev/null || fail "no service file for this build was kept"

[ "$failures" -eq 0 ] && echo "run.sh leaves the services folders as it found them"
exit $((failures > 0))
