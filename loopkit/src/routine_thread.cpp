#include "routine_thread.h"

#include <system_error>
#include <thread>

namespace loopkit {

void startRoutine(KvThreadProc routine, void* argument) {
    if (routine == nullptr) return;
    try {
        std::thread([routine, argument] { routine(argument); }).detach();
    } catch (const std::system_error&) {
        // No thread: the routine is not called, as nothing could report it anyway.
    }
}

}  // namespace loopkit
