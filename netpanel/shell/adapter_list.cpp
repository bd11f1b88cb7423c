#include "shell/adapter_list.h"

#include <algorithm>
#include <cstring>

namespace netpanel {

int32_t CreateAdapterList(Nicapi& nicapi, std::array<AdapterListEntry, 11>& list) {
    std::array<AdapterListEntry, 10> found{};
    int32_t capacity = 10;
    const int32_t count = nicapi.VBCreateNICAdapterList(found.data(), capacity);
    std::copy(found.begin(), found.end(), list.begin() + 1);
    return count;
}

int32_t CreateAllAdapterList(Nicapi& nicapi, std::array<AdapterListEntry, 51>& list) {
    std::array<AdapterListEntry, 50> found{};
    const int32_t count = nicapi.VBCreateAllNICAdapterList(found.data(), 50);
    std::copy(found.begin(), found.end(), list.begin() + 1);
    return count;
}

WLAdapterInfo adapterFromEntry(const AdapterListEntry& entry) {
    WLAdapterInfo adapter{};
    std::memcpy(adapter.AdapterName, entry.AdapterName, sizeof adapter.AdapterName);
    std::memcpy(adapter.AdapterDescription, entry.AdapterDescription,
                sizeof adapter.AdapterDescription);
    std::memcpy(adapter.InstanceId, entry.InstanceId, sizeof adapter.InstanceId);
    adapter.AdapterHandle = -1;
    Nicapi::resetCallFields(adapter);
    return adapter;
}

}  // namespace netpanel
