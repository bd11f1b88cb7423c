#include "handle_table.h"

#include <algorithm>

namespace nicapi {

int32_t HandleTable::createHandle(const Adapter& /*adapter*/) {
    return next_++;
}

int32_t HandleTable::open(Adapter& adapter) {
    for (const auto& [handle, open] : handles_)
        if (open == &adapter) return handle;
    const int32_t handle = createHandle(adapter);
    handles_.emplace(handle, &adapter);
    return handle;
}

Adapter* HandleTable::find(int32_t handle) const {
    const auto found = handles_.find(handle);
    return found == handles_.end() ? nullptr : found->second;
}

bool HandleTable::close(int32_t handle) {
    return handles_.erase(handle) > 0;
}

void HandleTable::drop(const Adapter& adapter) {
    std::erase_if(handles_, [&adapter](const auto& entry) { return entry.second == &adapter; });
}

}  // namespace nicapi
