#!/usr/bin/env bash
# Installs the build tree into a scratch prefix, then builds and runs small outside programs
# against it: one with find_package(), one with pkg-config, and the installed tools.
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
echo "install_consumer: all passed"
