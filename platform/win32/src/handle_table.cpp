#include <atomic>
#include <unordered_map>
#include <variant>

#include "kernel.h"

namespace kvwin32 {
namespace {

using Object = std::variant<std::shared_ptr<Event>, std::shared_ptr<ThreadState>>;

// Ids step by 4 from 4 and are never reused, so a stale handle never names a newer object.
constexpr uintptr_t kHandleStep = 4;

struct HandleTable {
    std::mutex lock;
    std::unordered_map<uintptr_t, Object> objects;
    uintptr_t lastId = 0;
    std::atomic<uint64_t> removals{0};  // lets threads trust their cached lookup
};

HandleTable instance;  // at namespace scope: no first-use check on every wait

HandleTable& table() {
    return instance;
}

HANDLE add(Object object) {
    HandleTable& handles = table();
    std::lock_guard lock(handles.lock);
    handles.lastId += kHandleStep;
    handles.objects.emplace(handles.lastId, std::move(object));
    return reinterpret_cast<HANDLE>(handles.lastId);
}

template <typename T>
std::shared_ptr<T> find(HANDLE handle) {
    HandleTable& handles = table();
    std::lock_guard lock(handles.lock);
    auto it = handles.objects.find(reinterpret_cast<uintptr_t>(handle));
    if (it == handles.objects.end()) return nullptr;
    auto* object = std::get_if<std::shared_ptr<T>>(&it->second);
    return object != nullptr ? *object : nullptr;
}

template <typename T>
bool remove(HANDLE handle) {
    HandleTable& handles = table();
    {
        std::lock_guard lock(handles.lock);
        auto it = handles.objects.find(reinterpret_cast<uintptr_t>(handle));
        if (it == handles.objects.end() || !std::holds_alternative<std::shared_ptr<T>>(it->second))
            return false;
        handles.objects.erase(it);
    }
    handles.removals.fetch_add(1, std::memory_order_release);
    return true;
}

// The event the calling thread looked up last, valid while no handle was removed since.
struct EventCache {
    HANDLE handle = nullptr;
    std::shared_ptr<Event> event;
    uint64_t removals = 0;
};

}  // namespace

HANDLE addHandle(std::shared_ptr<Event> event) {
    return add(std::move(event));
}
HANDLE addHandle(std::shared_ptr<ThreadState> thread) {
    return add(std::move(thread));
}

Event* findEvent(HANDLE handle) {
    thread_local EventCache cache;
    const uint64_t removals = table().removals.load(std::memory_order_acquire);
    if (!cache.event || cache.handle != handle || cache.removals != removals)
        cache = {handle, find<Event>(handle), removals};
    return cache.event.get();
}

std::shared_ptr<ThreadState> findThread(HANDLE handle) {
    return find<ThreadState>(handle);
}

bool removeEvent(HANDLE handle) {
    return remove<Event>(handle);
}

void removeThread(HANDLE handle) {
    remove<ThreadState>(handle);
}

}  // namespace kvwin32
