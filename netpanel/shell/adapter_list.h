// The adapter lists of the adapter control library, copied into 1-based tables.
#pragma once

#include <nicapi/nicapi.h>

#include <array>
#include <cstdint>
#include <string>

#include "platform/nicapi_binding.h"

namespace netpanel {

// Lists the supported adapters (capacity 10) into list(1..10); the library's count.
int32_t CreateAdapterList(Nicapi& nicapi, std::array<AdapterListEntry, 11>& list);
// Lists all adapters (capacity 50) into list(1..50); the library's count.
int32_t CreateAllAdapterList(Nicapi& nicapi, std::array<AdapterListEntry, 51>& list);

// A text field of a record, up to its first NUL (all of it without one).
template <size_t N>
std::string fieldText(const char (&field)[N]) {
    size_t length = 0;
    while (length < N && field[length] != '\0')
        ++length;
    return std::string(field, length);
}

// The adapter record of a list entry: its three texts, handle -1, call fields reset.
WLAdapterInfo adapterFromEntry(const AdapterListEntry& entry);

}  // namespace netpanel
