// The handles of open adapters. An adapter's handle is a packet-driver handle on the adapter's
// interface (its `interface`, else the in-memory medium "mem:air" with the adapter's address),
// so a packet test can run on the handle an open gave. An adapter has at most one handle;
// opening it again answers the same handle.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "adapter.h"

namespace nicapi {

std::string packetInterface(const AdapterSpec& spec);

class HandleTable {
public:
    HandleTable() = default;
    HandleTable(const HandleTable&) = delete;
    HandleTable& operator=(const HandleTable&) = delete;
    ~HandleTable() { clear(); }

    // The handle, or -1 when the packet driver cannot open the adapter's interface.
    int32_t open(Adapter& adapter);
    Adapter* find(int32_t handle) const;
    bool close(int32_t handle);
    // Forgets the adapter's handle (its card was pulled).
    void drop(const Adapter& adapter);
    void clear();

private:
    // The one place where a handle is made.
    int32_t createHandle(const Adapter& adapter);

    std::map<int32_t, Adapter*> handles_;
};

}  // namespace nicapi
