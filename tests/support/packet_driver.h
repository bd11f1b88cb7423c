// Test support: the packet driver's requests a test makes most, on one handle.
#pragma once

#include <pktdrv/pktdrv.h>

#include <array>
#include <cstring>

namespace testsupport {

// W32N_MakeNdisRequest's result.
inline DWORD setPacketFilter(int32_t handle, uint32_t filter) {
    W32N_REQUEST request{};
    request.RequestType = PKTDRV_REQUEST_SET;
    request.Oid = PKTDRV_OID_CURRENT_PACKET_FILTER;
    request.InformationBuffer = &filter;
    request.InformationBufferLength = sizeof filter;
    return W32N_MakeNdisRequest(handle, &request, nullptr, TRUE);
}

// The filter in force, or 0 when the request fails.
inline uint32_t packetFilter(int32_t handle) {
    uint32_t filter = 0;
    W32N_REQUEST request{};
    request.RequestType = PKTDRV_REQUEST_QUERY;
    request.Oid = PKTDRV_OID_CURRENT_PACKET_FILTER;
    request.InformationBuffer = &filter;
    request.InformationBufferLength = sizeof filter;
    return W32N_MakeNdisRequest(handle, &request, nullptr, TRUE) == ERROR_SUCCESS ? filter : 0;
}

// The adapter's current address, or all zeros when the request fails.
inline std::array<uint8_t, 6> adapterAddress(int32_t handle) {
    std::array<uint8_t, 6> address{};
    uint8_t buffer[32] = {};
    W32N_REQUEST request{};
    request.RequestType = PKTDRV_REQUEST_QUERY;
    request.Oid = PKTDRV_OID_CURRENT_ADDRESS;
    request.InformationBuffer = buffer;
    request.InformationBufferLength = sizeof buffer;
    if (W32N_MakeNdisRequest(handle, &request, nullptr, TRUE) == ERROR_SUCCESS)
        std::memcpy(address.data(), buffer, address.size());
    return address;
}

}  // namespace testsupport
