// Caller routines run on threads of their own, so an engine never waits for its caller.
#pragma once

#include <loopkit/loopkit.h>

namespace loopkit {

// Starts routine(argument) on a new detached thread; a null routine, or a thread that cannot
// be created, is skipped silently.
void startRoutine(KvThreadProc routine, void* argument);

}  // namespace loopkit
