// The handles of open adapters. An adapter has at most one handle; opening it again answers
// the same handle. Handles are never reused within a process.
#pragma once

#include <cstdint>
#include <map>

#include "adapter.h"

namespace nicapi {

class HandleTable {
public:
    int32_t open(Adapter& adapter);
    Adapter* find(int32_t handle) const;
    bool close(int32_t handle);
    // Forgets the adapter's handle (its card was pulled).
    void drop(const Adapter& adapter);
    void clear() { handles_.clear(); }

private:
    // The one place where a handle is made.
    int32_t createHandle(const Adapter& adapter);

    std::map<int32_t, Adapter*> handles_;
    int32_t next_ = 1;
};

}  // namespace nicapi
