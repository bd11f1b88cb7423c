#!/usr/bin/env python3
"""A packet test between two interfaces, as a lab script drives Loopkit through ctypes.

One adapter sends numbered, self-checking test frames; the other receives and classifies them.
The script prints the counters and exits 0 when every frame arrived good.

    veth_test.py --tx veth0 --rx veth1 --frames 10000 [--length 1000] [--lib DIR]

Opening raw interfaces needs CAP_NET_RAW (run as root, or inside `ip netns exec`).
"""
import argparse
import ctypes
import os
import sys
import time


class WLAdapterInfo(ctypes.Structure):
    """The adapter record; Loopkit only reads AdapterHandle, the packet driver's handle."""
    _pack_ = 1
    _fields_ = [("AdapterHandle", ctypes.c_int32),
                ("AdapterName", ctypes.c_char * 260),
                ("AdapterDescription", ctypes.c_char * 260),
                ("InstanceId", ctypes.c_char * 5),
                ("Padding", ctypes.c_uint8),
                ("CallWord", ctypes.c_int16),
                ("CallLong1", ctypes.c_int32),
                ("CallLong2", ctypes.c_int32)]


CALLBACK = ctypes.CFUNCTYPE(ctypes.c_uint, ctypes.c_void_p)


def load(libdir):
    """The packet driver and Loopkit, with the signatures this script uses."""
    pktdrv = ctypes.CDLL(os.path.join(libdir, "libpktdrv.so"))
    pktdrv.W32N_OpenAdapter.argtypes = [ctypes.c_char_p]
    pktdrv.W32N_OpenAdapter.restype = ctypes.c_int32
    pktdrv.W32N_CloseAdapter.argtypes = [ctypes.c_int32]
    pktdrv.W32N_GetLastError.restype = ctypes.c_uint32

    kit = ctypes.CDLL(os.path.join(libdir, "libloopkit.so"))
    engine = ctypes.c_void_p
    signatures = {
        "VBKvTxCreate": ([ctypes.POINTER(WLAdapterInfo)], engine),
        "VBKvRxCreate": ([ctypes.POINTER(WLAdapterInfo)], engine),
        # engine, code, destination, payload length, frames, interval, numbering, checksum,
        # swap, fill byte, completion routine, its argument
        "VBKvTxSend": ([engine, ctypes.c_int, ctypes.c_char_p, ctypes.c_int, ctypes.c_ulong,
                        ctypes.c_int, ctypes.c_ubyte, ctypes.c_ubyte, ctypes.c_ubyte,
                        ctypes.c_ubyte, CALLBACK, ctypes.c_void_p], ctypes.c_bool),
        # engine, remote, auto-stop, payload check, sequence check, accept all, swap,
        # completion and argument, report condition, quiet routine/array/capacity,
        # dump routine/array/capacity, report file
        "VBKvRxStartCapture": ([engine, ctypes.c_char_p, ctypes.c_ulong, ctypes.c_ubyte,
                                ctypes.c_ubyte, ctypes.c_ubyte, ctypes.c_ubyte, CALLBACK,
                                ctypes.c_void_p, ctypes.c_int, CALLBACK, ctypes.c_void_p,
                                ctypes.c_ulong, CALLBACK, ctypes.c_void_p, ctypes.c_ulong,
                                ctypes.c_char_p], ctypes.c_bool),
        "VBKvRxStopCapture": ([engine], ctypes.c_bool),
        "VBKvTxIsSending": ([engine], ctypes.c_bool),
        "VBKvRxIsReading": ([engine], ctypes.c_bool),
        "VBKvTxGetPacketSent": ([engine], ctypes.c_uint),
        "VBKvTxGetSendDuration": ([engine], ctypes.c_uint),
        "VBKvRxGetPacketsGood": ([engine], ctypes.c_uint),
        "VBKvRxGetPacketsBad": ([engine], ctypes.c_uint),
        "VBKvRxGetPacketsLost": ([engine], ctypes.c_uint),
        "VBKvRxGetTotalBytes": ([engine], ctypes.c_ulonglong),
        "VBKvTxClose": ([engine], None),
        "VBKvRxClose": ([engine], None),
    }
    for name, (arguments, result) in signatures.items():
        function = getattr(kit, name)
        function.argtypes = arguments
        function.restype = result
    return pktdrv, kit


def open_adapter(pktdrv, name):
    handle = pktdrv.W32N_OpenAdapter(name.encode())
    if handle <= 0:
        sys.exit(f"cannot open {name}: error {pktdrv.W32N_GetLastError()}")
    info = WLAdapterInfo()
    info.AdapterHandle = handle
    return info


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--tx", required=True, help="sending interface")
    parser.add_argument("--rx", required=True, help="receiving interface")
    parser.add_argument("--frames", type=int, default=10000)
    parser.add_argument("--length", type=int, default=1000, help="payload bytes, 36..1490")
    parser.add_argument("--lib", default=os.path.join(os.path.dirname(__file__), "..", "lib"))
    args = parser.parse_args()

    pktdrv, kit = load(args.lib)
    sender, receiver = open_adapter(pktdrv, args.tx), open_adapter(pktdrv, args.rx)
    tx = kit.VBKvTxCreate(ctypes.byref(sender))
    rx = kit.VBKvRxCreate(ctypes.byref(receiver))
    if not tx or not rx:
        sys.exit("cannot create the engines")

    none = CALLBACK()
    if not kit.VBKvRxStartCapture(rx, None, 0, 1, 1, 0, 0, none, None, 0, none, None, 0,
                                  none, None, 0, None):
        sys.exit("the capture did not start")
    # The capture counts every frame from here on: the transmission may start at once.

    done = []
    on_sent = CALLBACK(lambda argument: done.append(True) or 0)
    # Incrementing pattern, broadcast, numbered and checksummed, as fast as the wire takes them.
    if not kit.VBKvTxSend(tx, 2, None, args.length, args.frames, 0, 0xFF, 0xFF, 0, 0, on_sent,
                          None):
        sys.exit("the transmission did not start")
    deadline = time.monotonic() + 60
    while not done and time.monotonic() < deadline:
        time.sleep(0.05)
    sent = kit.VBKvTxGetPacketSent(tx)
    print(f"sent     {sent} frames in {kit.VBKvTxGetSendDuration(tx)} ms")

    def counted():
        return sum(f(rx) for f in (kit.VBKvRxGetPacketsGood, kit.VBKvRxGetPacketsBad,
                                   kit.VBKvRxGetPacketsLost))
    while counted() < sent and time.monotonic() < deadline:
        time.sleep(0.05)
    kit.VBKvRxStopCapture(rx)
    good, bad, lost = (kit.VBKvRxGetPacketsGood(rx), kit.VBKvRxGetPacketsBad(rx),
                       kit.VBKvRxGetPacketsLost(rx))
    print(f"received good {good}, bad {bad}, lost {lost}, {kit.VBKvRxGetTotalBytes(rx)} bytes")

    kit.VBKvTxClose(tx)
    kit.VBKvRxClose(rx)
    pktdrv.W32N_CloseAdapter(sender.AdapterHandle)
    pktdrv.W32N_CloseAdapter(receiver.AdapterHandle)
    ok = sent == args.frames and good == args.frames and bad == 0 and lost == 0
    print("pass" if ok else "FAIL")
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
