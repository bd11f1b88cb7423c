#include "adapter.h"

#include <cerrno>
#include <cstring>

namespace loopkit_cli {

OpenedAdapter::OpenedAdapter(const std::string& name) {
    errno = 0;
    info_.AdapterHandle = W32N_OpenAdapter(name.c_str());
    const int systemError = errno;
    if (info_.AdapterHandle <= 0) {
        info_.AdapterHandle = 0;
        reason_ = openFailureReason(W32N_GetLastError(), systemError);
    }
}

OpenedAdapter::~OpenedAdapter() {
    if (ok()) W32N_CloseAdapter(info_.AdapterHandle);
}

std::string openFailureReason(unsigned long code, int systemError) {
    std::string reason;
    switch (code) {
        case PKTDRV_ERROR_FILE_NOT_FOUND:
            reason = "no such interface";
            break;
        case PKTDRV_ERROR_ACCESS_DENIED:
            reason = "permission denied (raw frames need root or CAP_NET_RAW)";
            break;
        case PKTDRV_ERROR_NOT_READY:
            reason = "the interface is down";
            break;
        case ERROR_INVALID_PARAMETER:
            reason = "not a valid interface name (mem:NAME or mem:NAME/02:00:00:00:00:07)";
            break;
        case ERROR_NOT_ENOUGH_MEMORY:
            reason = "out of memory";
            break;
        default:
            reason = "the system refused it (driver error " + std::to_string(code) + ")";
            break;
    }
    if (systemError != 0) reason += std::string(" (") + std::strerror(systemError) + ")";
    return reason;
}

}  // namespace loopkit_cli
