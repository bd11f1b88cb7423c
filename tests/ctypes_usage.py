"""The libraries used from Python with ctypes, as a lab engineer's script would use them.

usage: ctypes_usage.py LIBDIR   (LABRIG_GPIB_LIBRARY names the simulated GPIB library)
"""
import ctypes
import os
import sys

libdir = sys.argv[1]
failures = 0


def check(what, actual, expected):
    global failures
    if actual != expected:
        failures += 1
        print(f"FAIL {what}: {actual!r} != {expected!r}")
    else:
        print(f"ok   {what}: {actual!r}")


phrasekey = ctypes.CDLL(os.path.join(libdir, "libphrasekey.so"))
keys = ctypes.create_string_buffer(41)
check("Passphrase64 result", phrasekey.Passphrase64(b"test", keys), 1)
check("Passphrase64 length", len(keys.value), 40)
key128 = ctypes.create_string_buffer(27)
check("Passphrase128 result", phrasekey.Passphrase128(b"test", key128), 1)
check("Passphrase128 key", key128.value, b"9fdf3bfdfb10afeb0925ef9605")

labrig = ctypes.CDLL(os.path.join(libdir, "liblabrig.so"))
check("VBLabrigDLLVersion", labrig.VBLabrigDLLVersion(), 100)
# A C++ entry is reached by its mangled name.
check("LabrigDLLVersion()", getattr(labrig, "_Z16LabrigDLLVersionv")(), 100)
check("VBChkPowMeter", labrig.VBChkPowMeter(), 1)
check("VBReadPowerMeter", labrig.VBReadPowerMeter(), 1530)
check("VBPwrOffLine", labrig.VBPwrOffLine(), 1)
check("VBChkSpecAna", labrig.VBChkSpecAna(), 1)
check("VBSetSpecPars", labrig.VBSetSpecPars(2437, 60, 0), 1)
check("VBReadSpecCarrierFrq", labrig.VBReadSpecCarrierFrq(), 2437)
first, second = ctypes.c_int(0), ctypes.c_int(0)
check("VBReadSpecSideLobePwr", labrig.VBReadSpecSideLobePwr(ctypes.byref(first), ctypes.byref(second)), 1)
print(f"side lobes: {first.value / 100:.2f} dB, {second.value / 100:.2f} dB")
check("VBSpecOffLine", labrig.VBSpecOffLine(), 1)

print(f"{failures} failed" if failures else "all passed")
sys.exit(1 if failures else 0)
