#include "handle_table.h"

#include <pktdrv/pktdrv.h>

#include <algorithm>
#include <cstdio>

namespace nicapi {

// The interface that carries the adapter's frames.
std::string packetInterface(const AdapterSpec& spec) {
    if (!spec.interfaceName.empty()) return spec.interfaceName;
    char address[18];
    std::snprintf(address, sizeof address, "%02x:%02x:%02x:%02x:%02x:%02x", spec.mac[0],
                  spec.mac[1], spec.mac[2], spec.mac[3], spec.mac[4], spec.mac[5]);
    return std::string("mem:air/") + address;
}

int32_t HandleTable::createHandle(const Adapter& adapter) {
    return W32N_OpenAdapter(packetInterface(adapter.spec()).c_str());
}

int32_t HandleTable::open(Adapter& adapter) {
    for (const auto& [handle, open] : handles_)
        if (open == &adapter) return handle;
    const int32_t handle = createHandle(adapter);
    if (handle > 0) handles_.emplace(handle, &adapter);
    return handle > 0 ? handle : -1;
}

Adapter* HandleTable::find(int32_t handle) const {
    const auto found = handles_.find(handle);
    return found == handles_.end() ? nullptr : found->second;
}

bool HandleTable::close(int32_t handle) {
    if (handles_.erase(handle) == 0) return false;
    W32N_CloseAdapter(handle);
    return true;
}

void HandleTable::drop(const Adapter& adapter) {
    std::erase_if(handles_, [&adapter](const auto& entry) {
        if (entry.second != &adapter) return false;
        W32N_CloseAdapter(entry.first);
        return true;
    });
}

void HandleTable::clear() {
    for (const auto& [handle, adapter] : handles_)
        W32N_CloseAdapter(handle);
    handles_.clear();
}

}  // namespace nicapi
