// Run-time binding of the GPIB interface library.
//
// The library is loaded on the first bus call from LABRIG_GPIB_LIBRARY, else libgpib.so.0
// (GPIB-32.DLL on Windows), and stays loaded until the process ends. Each bus function is looked up
// by name on its first use. After every call the library's status is copied into the module's
// `BusStatus`; when loading or a look-up fails the status reads as an error instead (ERR set, iberr
// 0, both counts the failure's error code) and the call returns -1 (ibdev) or the status word.
#pragma once

#include <string>

namespace labrig {

inline constexpr int kErr = 0x8000;

struct BusStatus {
    int ibsta = 0;
    int iberr = 0;
    int ibcnt = 0;
    long ibcntl = 0;
};

// The GPIB calls the measurements use, in the argument order of the NI-488.2 interface.
int ibdev(int board, int pad, int sad, int tmo, int eot, int eos);
int ibclr(int ud);
int ibonl(int ud, int v);
int ibwrt(int ud, const void* buf, long cnt);
int ibrd(int ud, void* buf, long cnt);

// Status after the last bus call.
BusStatus& busStatus();

// Why the last load or look-up failed (empty when it did not).
const std::string& bindingError();

}  // namespace labrig
