#!/bin/sh
# Runs the lab script examples/veth_test.py on a veth pair inside a fresh network namespace:
# 10 000 frames from one engine must all arrive good at the other. Exits 77 (skipped) where the
# machine does not allow network namespaces.
# Usage: python_veth_test.sh LIBDIR SCRIPT
set -u
libdir=$1
script=$2
if [ "$(id -u)" -ne 0 ] || ! command -v ip >/dev/null; then
    echo "skipped: needs root and iproute2 to create a network namespace"
    exit 77
fi
ns="kvpy$$"
trap 'ip netns del "$ns" 2>/dev/null' EXIT
ip netns add "$ns" || exit 77
ip -n "$ns" link add veth0 type veth peer name veth1 || exit 1
ip netns exec "$ns" sysctl -q -w net.ipv6.conf.all.disable_ipv6=1
ip -n "$ns" link set veth0 up && ip -n "$ns" link set veth1 up || exit 1
ip netns exec "$ns" python3 "$script" --tx veth0 --rx veth1 --frames 10000 --lib "$libdir"
