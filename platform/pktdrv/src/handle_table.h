// Handle numbers of the open adapters. Numbers start at 1 and are never reused, so a stale
// handle never names a newer adapter.
#pragma once

#include <memory>

#include "adapter.h"

namespace pktdrv {

int32_t addAdapter(std::shared_ptr<Adapter> adapter);
// The adapter behind `handle`, or null. The calling thread's last lookup is answered without
// a lock.
std::shared_ptr<Adapter> findAdapter(int32_t handle);
// The same without the thread's cache, for calls that may come while the process exits.
std::shared_ptr<Adapter> lookupAdapter(int32_t handle);
std::shared_ptr<Adapter> removeAdapter(int32_t handle);

// The alert-source entry of a handle: drains its adapter, if still open.
unsigned drainHandle(ULONG_PTR handle);

}  // namespace pktdrv
