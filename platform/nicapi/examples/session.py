"""A lab engineer's session with the simulated adapter library, from Python with ctypes.

usage: session.py LIBNICAPI NICAPI_SIM

Works on a private copy of the default environment (the file beside the library) and a private
registry: lists the adapters, opens the PC Card, joins the WEP network of the default
environment (first with a wrong key), prints the link, pulls the card out with nicapi-sim, sees the calls fail, puts the card back,
opens it again and joins again.
"""
import ctypes
import os
import shutil
import subprocess
import sys
import tempfile
import time

JOINED = (3, 4)
JOINING = 9


class AdapterListEntry(ctypes.Structure):
    _pack_ = 1
    _fields_ = [("AdapterName", ctypes.c_char * 260),
                ("AdapterDescription", ctypes.c_char * 260),
                ("InstanceId", ctypes.c_char * 5)]


class WLAdapterInfo(ctypes.Structure):
    _pack_ = 1
    _fields_ = [("AdapterHandle", ctypes.c_int32),
                ("AdapterName", ctypes.c_char * 260),
                ("AdapterDescription", ctypes.c_char * 260),
                ("InstanceId", ctypes.c_char * 5),
                ("Padding", ctypes.c_uint8),
                ("CallWord", ctypes.c_int16),
                ("CallLong1", ctypes.c_int32),
                ("CallLong2", ctypes.c_int32)]


failures = 0


def check(what, condition, detail=""):
    global failures
    print(f"{'ok  ' if condition else 'FAIL'} {what}{': ' + str(detail) if detail != '' else ''}")
    if not condition:
        failures += 1


def wait_for_port(lib, info, seconds=5.0):
    """Polls the port status until the join after a restart has ended; the status then."""
    deadline = time.monotonic() + seconds
    status = lib.VBQueryWLPortStatus(ctypes.byref(info))
    while status == JOINING and time.monotonic() < deadline:
        time.sleep(0.1)
        status = lib.VBQueryWLPortStatus(ctypes.byref(info))
    return status


def current_ssid(lib, info):
    buffer = ctypes.create_string_buffer(33)
    if lib.VBQueryWLCurrentSSID(ctypes.byref(info), buffer) != 0:
        return None
    return buffer.value.decode()


def print_link(lib, info):
    quality, signal, count = ctypes.c_int32(), ctypes.c_int32(), ctypes.c_int32()
    lib.VBQueryWLCQSLCurrBSS(ctypes.byref(info), ctypes.byref(quality), ctypes.byref(signal),
                             ctypes.byref(count))
    counts = (ctypes.c_uint32 * 4)()
    lib.VBGetTxRxFrameCount(ctypes.byref(info), counts)
    rate = lib.VBQueryWLCurrentTxRate(ctypes.byref(info))
    print(f"     SSID {current_ssid(lib, info)}, channel {lib.VBQueryWLChannel(ctypes.byref(info))}, "
          f"{'5.5' if rate == 5 else rate} Mbit/s, signal {signal.value - 105} dBm, "
          f"quality {quality.value / max(count.value, 1):.1f}, "
          f"frames sent {counts[0]} received {counts[1]}")
    return signal.value, count.value


def open_pc_card(lib):
    entries = (AdapterListEntry * 10)()
    capacity = ctypes.c_int32(10)
    count = lib.VBCreateNICAdapterList(entries, ctypes.byref(capacity))
    for entry in entries[:count]:
        if b"PC Card" in entry.AdapterDescription:
            info = WLAdapterInfo()
            info.AdapterHandle = -1
            info.AdapterName = entry.AdapterName
            info.AdapterDescription = entry.AdapterDescription
            info.InstanceId = entry.InstanceId
            info.CallWord, info.CallLong1, info.CallLong2 = -1, -1, 0
            if lib.VBKvOpenAdapter(ctypes.byref(info)) == 1:
                return info
    return None


def join(lib, info, ssid, ascii_key=None):
    """Infrastructure mode, the SSID and, with a key, 64- or 128-bit WEP; then a restart."""
    lib.VBSetWLNetworkType(ctypes.byref(info), 1)
    lib.VBSetWLWEPStatus(ctypes.byref(info), 1 if ascii_key else 0)
    if ascii_key:
        is128 = len(ascii_key) == 13
        lib.VBSetWLWEPbit(ctypes.byref(info), 1 if is128 else 0)
        material = (ctypes.c_uint8 * 26)(*ascii_key.encode())
        lib.VBSetWLWriteKey(ctypes.byref(info), 0, 1 if is128 else 0, -1, material)
        lib.VBSetWLDefaultKeyID(ctypes.byref(info), 0)
    lib.VBSetWLSSID(ctypes.byref(info), ssid.encode())
    lib.VBSetWLRestartNIC(ctypes.byref(info))
    started = time.monotonic()
    status = wait_for_port(lib, info)
    print(f"     port status {status} after {time.monotonic() - started:.1f} s")
    return status


def sim(tool, *args):
    result = subprocess.run([tool, *args], capture_output=True, text=True)
    print(f"     nicapi-sim {' '.join(args)}: {result.stdout.strip() or result.stderr.strip()}")
    return result.returncode


def session(library, tool, workdir):
    environment = os.path.join(workdir, "environment.ini")
    shutil.copy(os.path.join(os.path.dirname(library), "nicapi-environment.ini"), environment)
    os.environ["NICAPI_ENVIRONMENT"] = environment
    os.environ["NETPANEL_REGISTRY_DIR"] = os.path.join(workdir, "registry")
    lib = ctypes.CDLL(library)

    supported = (AdapterListEntry * 10)()
    capacity = ctypes.c_int32(10)
    every = (AdapterListEntry * 50)()
    count = lib.VBCreateNICAdapterList(supported, ctypes.byref(capacity))
    total = lib.VBCreateAllNICAdapterList(every, 50)
    for entry in every[:total]:
        print(f"     adapter {entry.InstanceId.decode()}: {entry.AdapterDescription.decode()}")
    check("wireless adapters listed", count == 1, count)
    check("all adapters listed", total == 2, total)

    info = open_pc_card(lib)
    check("PC Card opened", info is not None and info.AdapterHandle > 0)
    if info is None:
        return
    check("a wrong WEP key does not connect", join(lib, info, "LabSecure", "kvlax") == 2)
    check("joined LabSecure", join(lib, info, "LabSecure", "kvlab") in JOINED)
    check("current SSID", current_ssid(lib, info) == "LabSecure", current_ssid(lib, info))
    signal, count = print_link(lib, info)
    check("signal level near -57 dBm", abs(signal - (105 - 57)) <= 2, signal)
    check("link quality over frames", count > 0, count)

    check("card pulled", sim(tool, "pull") == 0)
    check("channel query fails", lib.VBQueryWLChannel(ctypes.byref(info)) == -1)
    check("SSID query fails", current_ssid(lib, info) is None)
    check("card no longer listed", lib.VBCreateNICAdapterList(supported, ctypes.byref(capacity)) == 0)

    check("card inserted", sim(tool, "insert") == 0)
    info = open_pc_card(lib)
    check("PC Card opened again", info is not None and info.AdapterHandle > 0)
    if info is None:
        return
    check("joined LabSecure again", join(lib, info, "LabSecure", "kvlab") in JOINED)
    print_link(lib, info)


def main():
    if len(sys.argv) != 3:
        print(__doc__)
        return 2
    library, tool = (os.path.abspath(path) for path in sys.argv[1:])
    with tempfile.TemporaryDirectory(prefix="nicapi-session") as workdir:
        session(library, tool, workdir)
    print(f"{failures} failed" if failures else "all passed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
