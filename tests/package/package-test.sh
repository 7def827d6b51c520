#!/usr/bin/env bash
# The Debian packages, built by scripts/package.sh from a finished build folder (no second build)
# and unpacked: their names, control fields and file lists; the unpacked pcquiba runs; and a
# private session bus whose services folder holds the packaged service file (its program path
# moved to the unpacked tree) starts it on the first CreateAPI and answers API.Version.
# Usage: package-test.sh BUILD_FOLDER
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source_dir=$(cd "$here/../.." && pwd)
build=$(cd "$1" && pwd)
work=$(mktemp -d)
daemon_pid=
cleanup() {
    [ -n "$daemon_pid" ] && kill "$daemon_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
failures=0
fail() { echo "FAILED: $*" >&2; failures=$((failures + 1)); }
expect_equal() { [ "$2" = "$3" ] || fail "$1: expected '$3', got '$2'"; }

# The README's line: scripts/package.sh leaves pcquiba_<version>_<arch>.deb where it is started.
version=$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")
arch=$(dpkg --print-architecture)
(cd "$work" && PCQUIBA_PACKAGE_BUILT=1 PCQUIBA_BUILD_DIR="$build" bash "$source_dir/scripts/package.sh" >/dev/null)
main="$work/pcquiba_${version}_${arch}.deb"
simulated="$work/pcquiba-simulated_${version}_${arch}.deb"
fleet="$work/pcquiba-fleet_${version}_${arch}.deb"
for deb in "$main" "$simulated" "$fleet"; do
    [ -f "$deb" ] || { fail "no $(basename "$deb") among: $(ls "$work")"; exit 1; }
done

# The README's install, simulated: apt finds every package both depend on. Whatever pcquiba this
# machine has already (none, this version, an older or a newer one), apt installs these.
(cd "$work" && apt-get install --simulate --reinstall --allow-downgrades ./pcquiba_*.deb ./pcquiba-simulated_*.deb) \
    >"$work/apt" 2>&1 || fail "apt install ./pcquiba_*.deb ./pcquiba-simulated_*.deb: $(cat "$work/apt")"
for package in pcquiba pcquiba-simulated; do
    grep -Eq "^Inst $package (\[[^]]*\] )?\(${version} " "$work/apt" || fail "apt does not install $package: $(cat "$work/apt")"
done

# Control fields. Depends comes from the libraries the programs link (dpkg-shlibdeps).
check_control() { # deb package
    expect_equal "$2 Package" "$(dpkg-deb -f "$1" Package)" "$2"
    expect_equal "$2 Version" "$(dpkg-deb -f "$1" Version)" "$version"
    expect_equal "$2 Architecture" "$(dpkg-deb -f "$1" Architecture)" "$arch"
    local description depends
    description=$(dpkg-deb -f "$1" Description)
    description=${description%%$'\n'*}
    [ -n "$description" ] && [ ${#description} -le 80 ] || fail "$2 Description's first line: '$description'"
    expect_equal "$2 Maintainer" "$(dpkg-deb -f "$1" Maintainer)" "pcQUIBA developers <maintainers@pcquiba.org>"
    depends=$(dpkg-deb -f "$1" Depends)
    for library in libc6 libqt6core6; do
        [[ "$depends" == *"$library ("* ]] || fail "$2 Depends lacks $library: $depends"
    done
}
# The private library is no business of ldconfig: no maintainer script calls it.
for deb in "$main" "$simulated"; do
    dpkg-deb --ctrl-tarfile "$deb" | tar -tf - | grep -Eq '(postinst|postrm)$' &&
        fail "$(basename "$deb") has maintainer scripts: $(dpkg-deb --ctrl-tarfile "$deb" | tar -tf - | tr '\n' ' ')"
done
check_control "$main" pcquiba
check_control "$simulated" pcquiba-simulated
check_control "$fleet" pcquiba-fleet
[[ "$(dpkg-deb -f "$fleet" Depends)" == *"pcquiba (= $version)"* && "$(dpkg-deb -f "$fleet" Depends)" == *libmosquitto1* ]] ||
    fail "pcquiba-fleet does not depend on pcquiba $version and libmosquitto1: $(dpkg-deb -f "$fleet" Depends)"
[[ "$(dpkg-deb -f "$simulated" Depends)" == *"pcquiba (= $version)"* ]] ||
    fail "pcquiba-simulated does not depend on pcquiba $version: $(dpkg-deb -f "$simulated" Depends)"
for library in libqt6dbus6 libzint libpugixml1v5; do
    [[ "$(dpkg-deb -f "$main" Depends)" == *"$library"* ]] || fail "pcquiba Depends lacks $library"
done

# File lists: every file and link in the package matches a line of its table, and every line
# matches something (a line may be a shell pattern).
check_files() { # deb table
    local listed line path matched
    listed=$(dpkg-deb -c "$1" | awk '$1 !~ /^d/ { sub(/^\.\//, "", $6); print $6 }' | sort)
    local -a patterns
    mapfile -t patterns < <(grep -v '^#' "$2" | grep -v '^$')
    while read -r path; do
        matched=
        for line in "${patterns[@]}"; do
            # shellcheck disable=SC2053
            [[ "$path" == $line ]] && matched=1 && break
        done
        [ -n "$matched" ] || fail "$(basename "$1") holds $path, which $(basename "$2") does not list"
    done <<<"$listed"
    for line in "${patterns[@]}"; do
        matched=
        while read -r path; do
            # shellcheck disable=SC2053
            [[ "$path" == $line ]] && matched=1 && break
        done <<<"$listed"
        [ -n "$matched" ] || fail "$(basename "$1") lacks $line"
    done
}
check_files "$main" "$here/pcquiba.files"
check_files "$simulated" "$here/pcquiba-simulated.files"
check_files "$fleet" "$here/pcquiba-fleet.files"

# Unpacked, the programs run from where they lie.
unpacked="$work/unpacked"
dpkg-deb -x "$main" "$unpacked"
dpkg-deb -x "$simulated" "$unpacked"
dpkg-deb -x "$fleet" "$unpacked"
# The fleet agent carries neither Qt Gui nor Widgets, and runs from where it lies.
if ldd "$unpacked/usr/bin/pcquiba-fleet" | grep -qE 'libQt6(Gui|Widgets)'; then fail "pcquiba-fleet links Qt Gui or Widgets"; fi
"$unpacked/usr/bin/pcquiba-fleet" --help | grep -q "agent, send, status, watch or acl" || fail "pcquiba-fleet --help"
fleet_unit="$unpacked/usr/lib/systemd/user/pcquiba-fleet.service"
expect_equal "fleet unit ExecStart" "$(sed -n 's/^ExecStart=//p' "$fleet_unit")" "/usr/bin/pcquiba-fleet agent"
IFS=. read -r major minor patch <<<"$version"
expected_version=$(printf 'VB.%02d.%02d.%02d' "$major" "$minor" "$patch")
expect_equal "pcquiba --version" "$("$unpacked/usr/bin/pcquiba" --version)" "pcQUIBA $expected_version"

# The licence, in each package's copyright file; the packaged sample keeps customers' data out
# of the logs.
for doc in pcquiba pcquiba-simulated; do
    copyright="$unpacked/usr/share/doc/$doc/copyright"
    grep -qx 'License: Apache-2.0' "$copyright" && grep -q '/usr/share/common-licenses/Apache-2.0' "$copyright" ||
        fail "$doc's copyright does not name the Apache License 2.0"
done
grep -qx 'log_private_data=False' "$unpacked/usr/share/pcquiba/sample/config/pcQUIBA.ini" ||
    fail "the packaged sample INI logs private data"
for tool in pcquiba-assign pcquiba-voucher pcquiba-installer; do
    "$unpacked/usr/bin/$tool" --help >/dev/null || fail "$tool --help"
    expect_equal "$tool --version" "$("$unpacked/usr/bin/$tool" --version)" "$tool $expected_version"
done

service="$unpacked/usr/share/dbus-1/services/org.pcquiba.pcQUIBA.service"
expect_equal "service Exec" "$(sed -n 's/^Exec=//p' "$service")" "/usr/bin/pcquiba --automation"
unit="$unpacked/usr/lib/systemd/user/pcquiba-kiosk.service"
expect_equal "kiosk unit ExecStart" "$(sed -n 's/^ExecStart=//p' "$unit")" "/usr/bin/pcquiba /g"
for setting in After=graphical-session.target Restart=always "SuccessExitStatus=3 143" WantedBy=graphical-session.target; do
    grep -qx "$setting" "$unit" || fail "kiosk unit lacks $setting"
done

# The interface files are the ones the build wrote; the installed README speaks of the installed
# program, not of the source tree.
for file in "$build"/interfaces/*.xml; do
    cmp -s "$file" "$unpacked/usr/share/dbus-1/interfaces/$(basename "$file")" || fail "packaged $(basename "$file") differs"
done
readme="$unpacked/usr/share/doc/pcquiba/README.md"
grep -q "/usr/bin/pcquiba" "$readme" || fail "the installed README does not name /usr/bin/pcquiba"
! grep -nE "scripts/run\.sh|build/" "$readme" || fail "the installed README names the source tree"

# The bus starts the unpacked pcquiba through the packaged service file.
mkdir -p "$work/services" "$work/root"
sed "s|/usr/bin/pcquiba|$unpacked/usr/bin/pcquiba|" "$service" >"$work/services/org.pcquiba.pcQUIBA.service"
cat >"$work/bus.conf" <<CONF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig><type>session</type><listen>unix:tmpdir=$work</listen>
<servicedir>$work/services</servicedir><policy context="default">
<allow send_destination="*"/><allow receive_sender="*"/><allow own="*"/></policy></busconfig>
CONF
env -u DBUS_SESSION_BUS_ADDRESS -u DISPLAY -u WAYLAND_DISPLAY PCQUIBA_ROOT="$work/root" QT_QPA_PLATFORM=offscreen \
    dbus-daemon --config-file="$work/bus.conf" --nofork --print-address=1 >"$work/address" &
daemon_pid=$!
for _ in $(seq 100); do [ -s "$work/address" ] && break; sleep 0.1; done
address=$(head -n 1 "$work/address")
[ -n "$address" ] || { fail "the private bus did not start"; exit 1; }

answer=$(DBUS_SESSION_BUS_ADDRESS="$address" /usr/bin/python3 - "$unpacked/usr/bin/pcquiba" <<'PY'
import os, signal, sys, time
import dbus
bus = dbus.SessionBus()
factory = bus.get_object("org.pcquiba.pcQUIBA", "/org/pcquiba/pcQUIBA", introspect=False)
api = dbus.Interface(factory, "org.pcquiba.pcQUIBA").CreateAPI(timeout=120)  # starts pcquiba
version = bus.get_object("org.pcquiba.pcQUIBA", api, introspect=False).Get(
    "org.pcquiba.API", "Version", dbus_interface=dbus.PROPERTIES_IFACE, timeout=60)
pid = int(bus.get_object("org.freedesktop.DBus", "/org/freedesktop/DBus").GetConnectionUnixProcessID(
    "org.pcquiba.pcQUIBA", dbus_interface="org.freedesktop.DBus"))
program = os.readlink(f"/proc/{pid}/exe")
os.kill(pid, signal.SIGTERM)
for _ in range(200):
    if not os.path.exists(f"/proc/{pid}"): break
    time.sleep(0.05)
print(str(version), program)
PY
) || fail "CreateAPI through the packaged service file"
expect_equal "API.Version from the bus-started program" "$answer" "$expected_version $unpacked/usr/bin/pcquiba"
# SIGTERM (what systemctl --user stop sends) ends it in order.
expect_equal "last log line after SIGTERM" "$(tail -n 1 "$work/root/logs/pcQUIBA.log" | cut -d' ' -f3-)" \
    "1 pcQUIBA ends: signal 15"

# lintian (scripts/deps.sh installs it) finds no error and no warning, with no override.
lintian --fail-on error,warning "$main" "$simulated" >"$work/lintian" 2>&1 || fail "lintian: $(cat "$work/lintian")"

[ "$failures" -eq 0 ] && echo "packages pcquiba and pcquiba-simulated $version: all checks passed"
exit "$failures"
