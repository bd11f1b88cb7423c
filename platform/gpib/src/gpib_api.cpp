// The exported C functions: each runs on the bus and records the status it leaves.
#include <cstdlib>
#include <mutex>

#include "gpib_bus.h"
#include "gpibsim/gpib.h"

extern "C" {
#ifndef GPIBSIM_THREAD_STATUS_ONLY
GPIBSIM_API int user_ibsta = 0;
GPIBSIM_API int user_iberr = 0;
GPIBSIM_API long user_ibcntl = 0;
#endif
}

namespace {

using gpibsim::CallStatus;

thread_local CallStatus threadStatus;

#ifndef GPIBSIM_THREAD_STATUS_ONLY
std::mutex sharedStatusMutex;
#endif

gpibsim::Bus& bus() {
    static gpibsim::Bus instance;
    return instance;
}

void record(const CallStatus& status) {
    threadStatus = status;
#ifndef GPIBSIM_THREAD_STATUS_ONLY
    std::lock_guard lock(sharedStatusMutex);
    user_ibsta = status.ibsta;
    user_iberr = status.iberr;
    user_ibcntl = status.ibcntl;
#endif
}

int statusOf(const CallStatus& status) {
    record(status);
    return status.ibsta;
}

}  // namespace

extern "C" {

GPIBSIM_API int GPIBSIM_CALL ibdev(int board, int pad, int sad, int tmo, int /*eot*/, int /*eos*/) {
    const gpibsim::BusEnvironment environment{std::getenv("GPIBSIM_CONFIG"),
                                              std::getenv("GPIBSIM_LOG")};
    const gpibsim::OpenResult result = bus().open(board, pad, sad, tmo, environment);
    record(result.status);
    return result.ud;
}

GPIBSIM_API int GPIBSIM_CALL ibclr(int ud) {
    return statusOf(bus().clear(ud));
}

GPIBSIM_API int GPIBSIM_CALL ibonl(int ud, int v) {
    return statusOf(bus().setOnline(ud, v));
}

GPIBSIM_API int GPIBSIM_CALL ibwrt(int ud, const void* buf, long cnt) {
    return statusOf(bus().write(ud, buf, cnt));
}

GPIBSIM_API int GPIBSIM_CALL ibrd(int ud, void* buf, long cnt) {
    return statusOf(bus().read(ud, buf, cnt));
}

GPIBSIM_API int GPIBSIM_CALL ThreadIbsta(void) {
    return threadStatus.ibsta;
}

GPIBSIM_API int GPIBSIM_CALL ThreadIberr(void) {
    return threadStatus.iberr;
}

GPIBSIM_API int GPIBSIM_CALL ThreadIbcnt(void) {
    return static_cast<int>(threadStatus.ibcntl);
}

GPIBSIM_API long GPIBSIM_CALL ThreadIbcntl(void) {
    return threadStatus.ibcntl;
}

}  // extern "C"
