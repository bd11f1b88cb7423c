#!/usr/bin/env bash
# Installs the build tree into a scratch prefix, then builds and runs small outside programs
# against it: one with find_package(), one with pkg-config, and the installed tools; then checks
# the utility's desktop files and starts the installed utility on the installed simulated adapter.
#   run.sh BUILD_DIR CONSUMER_SOURCE_DIR WORK_DIR
set -euo pipefail
build=$1 source=$2 work=$3
prefix=$work/prefix

rm -rf "$work"
mkdir -p "$work"
cmake --install "$build" --prefix "$prefix" >/dev/null

export LABRIG_GPIB_LIBRARY=$prefix/lib/libgpibsim.so
export GPIBSIM_CONFIG=$prefix/share/gpibsim/gpibsim.conf

echo "== find_package"
cmake -S "$source" -B "$work/cmake" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build "$work/cmake" >/dev/null
"$work/cmake/consumer"
"$work/cmake/loopkit_consumer"

echo "== pkg-config"
export PKG_CONFIG_PATH=$prefix/lib/pkgconfig
# shellcheck disable=SC2046
cc -Wall -Werror -o "$work/consumer_c" "$source/consumer.c" $(pkg-config --cflags --libs phrasekey labrig) \
   -Wl,-rpath,"$prefix/lib"
"$work/consumer_c"
# The packet driver and Loopkit's header compile as C++ only; pkg-config gives the link line.
# shellcheck disable=SC2046
c++ -std=c++17 -Wall -Werror -o "$work/loopkit_pc" "$source/loopkit_consumer.cpp" \
    $(pkg-config --cflags --libs loopkit) -Wl,-rpath,"$prefix/lib"
"$work/loopkit_pc"

echo "== installed tools"
"$prefix/bin/phrasekey" --64 test | grep -q "Key 1:"
"$prefix/bin/labrig" power | grep -q "Output power: 15.30 dBm"
echo "== installed utility"
repo=$(cd "$source/../.." && pwd)
fail() { echo "install_consumer: $*" >&2; exit 1; }
# The program with what it reads beside itself, and the adapter library with its environment.
for file in bin/netpanel bin/KvConfig.ini lib/libnicapi.so lib/nicapi-environment.ini \
            share/applications/netpanel.desktop; do
  [[ -f $prefix/$file ]] || fail "$file is not installed"
done
for page in "$repo"/netpanel/help/*; do
  [[ -f $prefix/bin/$(basename "$page") ]] || fail "the help file $(basename "$page") is not beside the program"
done
# Icons of both states at every size, each a PNG of its size.
for size in 16 22 24 32 48; do
  for name in netpanel netpanel-disconnected; do
    icon=$prefix/share/icons/hicolor/${size}x${size}/apps/$name.png
    [[ -f $icon ]] || fail "${icon#"$prefix"/} is not installed"
    dimensions=$(python3 -c 'import struct, sys; d = open(sys.argv[1], "rb").read(24)
print("%dx%d" % struct.unpack(">II", d[16:24]) if d[:8] == b"\x89PNG\r\n\x1a\n" else "no PNG")' "$icon")
    [[ $dimensions == "${size}x${size}" ]] || fail "$icon: $dimensions"
  done
done
desktop=$prefix/share/applications/netpanel.desktop
grep -qx 'Exec=netpanel' "$desktop" || fail "the desktop entry does not start netpanel"
grep -qx 'Icon=netpanel' "$desktop" || fail "the desktop entry does not show the netpanel icon"
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate --no-hints "$desktop" || fail "desktop-file-validate refuses $desktop"
fi
# Started as installed, with nothing pointing elsewhere: the simulated adapter beside it is found,
# the window comes up and is saved, and the program ends by itself.
mkdir -p -m 700 "$work/runtime"
status=0
env -u NICAPI_LIBRARY -u NICAPI_ENVIRONMENT -u DISPLAY -u WAYLAND_DISPLAY \
    QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$work/runtime" \
    NETPANEL_REGISTRY_DIR="$work/registry" NETPANEL_SCREENSHOT="$work/window.png" \
    NETPANEL_SCREENSHOT_DELAY_MS=1500 \
    timeout 30 "$prefix/bin/netpanel" >"$work/netpanel.log" 2>&1 || status=$?
[[ $status == 0 ]] || { cat "$work/netpanel.log" >&2; fail "the installed netpanel ended with $status"; }
[[ -s $work/window.png ]] || fail "the installed netpanel showed no window"
# The simulated adapter's class keys come from the environment file beside the installed library.
grep -q '^"MatchingDeviceId"=' "$work/registry/HKEY_LOCAL_MACHINE.reg" ||
  fail "the installed simulated adapter did not describe its adapters"
echo "install_consumer: all passed"
