// A recording stand-in for the adapter library, with only some of its entries: each call is
// recorded with the call fields it saw, which it then overwrites, as the real library may.
#include <nicapi/nicapi.h>

#include <cstring>
#include <string>

#define FAKE_API extern "C" __attribute__((visibility("default")))

namespace {

std::string calls;

void record(const char* name, WLAdapterInfo* adapter) {
    calls += name;
    if (adapter) {
        calls += "(" + std::to_string(adapter->CallWord) + "," +
                 std::to_string(adapter->CallLong1) + "," + std::to_string(adapter->CallLong2) +
                 ")";
        adapter->CallWord = 11;
        adapter->CallLong1 = 22;
        adapter->CallLong2 = 33;
    }
    calls += "\n";
}

}  // namespace

FAKE_API int32_t VBQueryWLIsWindows95(void) {
    record("VBQueryWLIsWindows95", nullptr);
    return 0;
}

FAKE_API int32_t VBCreateNICAdapterList(AdapterListEntry list[10], int32_t* capacity) {
    record("VBCreateNICAdapterList", nullptr);
    calls += "capacity " + std::to_string(*capacity) + "\n";
    std::strcpy(list[0].AdapterDescription, "Fake adapter");
    std::strcpy(list[0].InstanceId, "0007");
    return 1;
}

FAKE_API int32_t VBKvOpenAdapter(WLAdapterInfo* adapter) {
    record("VBKvOpenAdapter", adapter);
    adapter->AdapterHandle = 42;
    return 1;
}

// Built once more without it, as a library that cannot let an adapter go.
#ifndef FAKE_NICAPI_WITHOUT_CLOSE
FAKE_API int32_t VBKvCloseAdapter(WLAdapterInfo* adapter) {
    record("VBKvCloseAdapter", adapter);
    return 1;
}
#endif

FAKE_API int32_t VBQueryWLChannel(WLAdapterInfo* adapter) {
    record("VBQueryWLChannel", adapter);
    return 6;
}

FAKE_API int32_t VBQueryWLSSID(WLAdapterInfo* adapter, char ssid[33]) {
    record("VBQueryWLSSID", adapter);
    std::strcpy(ssid, "Lab");
    return 0;
}

FAKE_API int32_t VBSetWLChannel(WLAdapterInfo* adapter, int32_t value) {
    record("VBSetWLChannel", adapter);
    calls += "value " + std::to_string(value) + "\n";
    return 0;
}

FAKE_API const char* fakeNicapiCalls() {
    return calls.c_str();
}
