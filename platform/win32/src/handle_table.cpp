#include "kernel.h"

#include <unordered_map>
#include <variant>

namespace kvwin32 {
namespace {

using Object = std::variant<std::shared_ptr<Event>, std::shared_ptr<ThreadState>>;

// Ids step by 4 from 4 and are never reused, so a stale handle never names a newer object.
constexpr uintptr_t kHandleStep = 4;

struct HandleTable {
    std::unordered_map<uintptr_t, Object> objects;
    uintptr_t lastId = 0;
};

HandleTable& table() {
    static HandleTable instance;
    return instance;
}

HANDLE add(Object object) {
    HandleTable& handles = table();
    handles.lastId += kHandleStep;
    handles.objects.emplace(handles.lastId, std::move(object));
    return reinterpret_cast<HANDLE>(handles.lastId);
}

template <typename T>
std::shared_ptr<T> find(HANDLE handle) {
    auto& objects = table().objects;
    auto it = objects.find(reinterpret_cast<uintptr_t>(handle));
    if (it == objects.end()) return nullptr;
    auto* object = std::get_if<std::shared_ptr<T>>(&it->second);
    return object != nullptr ? *object : nullptr;
}

}  // namespace

std::mutex& kernelLock() {
    static std::mutex lock;
    return lock;
}

HANDLE addHandle(std::shared_ptr<Event> event) {
    return add(std::move(event));
}
HANDLE addHandle(std::shared_ptr<ThreadState> thread) {
    return add(std::move(thread));
}
std::shared_ptr<Event> findEvent(HANDLE handle) {
    return find<Event>(handle);
}
std::shared_ptr<ThreadState> findThread(HANDLE handle) {
    return find<ThreadState>(handle);
}

bool removeEvent(HANDLE handle) {
    if (!findEvent(handle)) return false;
    table().objects.erase(reinterpret_cast<uintptr_t>(handle));
    return true;
}

void removeThread(HANDLE handle) {
    table().objects.erase(reinterpret_cast<uintptr_t>(handle));
}

}  // namespace kvwin32
