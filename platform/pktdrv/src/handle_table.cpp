#include "handle_table.h"

#include <atomic>
#include <mutex>
#include <unordered_map>

namespace pktdrv {
namespace {

struct HandleTable {
    std::mutex lock;
    std::unordered_map<int32_t, std::shared_ptr<Adapter>> adapters;
    int32_t lastHandle = 0;
    std::atomic<uint64_t> removals{0};
};

HandleTable instance;  // at namespace scope: no first-use check on every send

HandleTable& table() {
    return instance;
}

// Weak, so that a closed adapter goes away with its last operation, not with the cache.
struct LookupCache {
    int32_t handle = 0;
    std::weak_ptr<Adapter> adapter;
    uint64_t removals = 0;
};

}  // namespace

int32_t addAdapter(std::shared_ptr<Adapter> adapter) {
    HandleTable& handles = table();
    std::lock_guard lock(handles.lock);
    const int32_t handle = ++handles.lastHandle;
    adapter->setKey(static_cast<ULONG_PTR>(handle));
    handles.adapters.emplace(handle, std::move(adapter));
    return handle;
}

std::shared_ptr<Adapter> findAdapter(int32_t handle) {
    thread_local LookupCache cache;
    HandleTable& handles = table();
    const uint64_t removals = handles.removals.load(std::memory_order_acquire);
    if (cache.handle == handle && cache.removals == removals) {
        if (auto adapter = cache.adapter.lock()) return adapter;
    }
    std::shared_ptr<Adapter> adapter = lookupAdapter(handle);
    cache = {handle, adapter, removals};
    return adapter;
}

std::shared_ptr<Adapter> lookupAdapter(int32_t handle) {
    HandleTable& handles = table();
    std::lock_guard lock(handles.lock);
    auto it = handles.adapters.find(handle);
    return it != handles.adapters.end() ? it->second : nullptr;
}

std::shared_ptr<Adapter> removeAdapter(int32_t handle) {
    HandleTable& handles = table();
    std::shared_ptr<Adapter> adapter;
    {
        std::lock_guard lock(handles.lock);
        auto it = handles.adapters.find(handle);
        if (it == handles.adapters.end()) return nullptr;
        adapter = std::move(it->second);
        handles.adapters.erase(it);
    }
    handles.removals.fetch_add(1, std::memory_order_release);
    return adapter;
}

unsigned drainHandle(ULONG_PTR handle) {
    std::shared_ptr<Adapter> adapter = findAdapter(static_cast<int32_t>(handle));
    return adapter ? adapter->drain() : 0;
}

}  // namespace pktdrv
