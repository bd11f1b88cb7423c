// The exported W32N_ entries: argument checks, the handle table and the last-error code around
// the adapters.
#include <pktdrv/pktdrv.h>
#include <win32/completion.h>

#include <atomic>
#include <cstring>
#include <new>
#include <string_view>

#include "handle_table.h"
#include "memory_adapter.h"
#ifndef _WIN32
#include "send_batch.h"
#include "socket_adapter.h"
#endif

using namespace pktdrv;

namespace {

thread_local DWORD lastError = ERROR_SUCCESS;

constexpr std::string_view kMemoryPrefix = "mem:";

BOOL fail(DWORD code) {
    lastError = code;
    return FALSE;
}

DWORD failRequest(DWORD code) {
    lastError = code;
    return code;
}

DWORD query(Adapter& adapter, W32N_REQUEST& request) {
    uint32_t filter = 0;
    const void* value = nullptr;
    uint32_t size = 0;
    switch (request.Oid) {
        case PKTDRV_OID_CURRENT_ADDRESS:
            value = adapter.address().data();
            size = static_cast<uint32_t>(adapter.address().size());
            break;
        case PKTDRV_OID_CURRENT_PACKET_FILTER:
            filter = adapter.packetFilter();
            value = &filter;
            size = sizeof filter;
            break;
        default:
            return PKTDRV_ERROR_NOT_SUPPORTED;
    }
    if (request.InformationBuffer == nullptr || request.InformationBufferLength < size) {
        request.BytesNeeded = size;
        return PKTDRV_ERROR_BUFFER_TOO_SMALL;
    }
    std::memcpy(request.InformationBuffer, value, size);
    request.BytesWritten = size;
    return ERROR_SUCCESS;
}

DWORD set(Adapter& adapter, W32N_REQUEST& request) {
    if (request.Oid != PKTDRV_OID_CURRENT_PACKET_FILTER) return PKTDRV_ERROR_NOT_SUPPORTED;
    uint32_t filter = 0;
    if (request.InformationBuffer == nullptr || request.InformationBufferLength < sizeof filter) {
        request.BytesNeeded = sizeof filter;
        return PKTDRV_ERROR_BUFFER_TOO_SMALL;
    }
    std::memcpy(&filter, request.InformationBuffer, sizeof filter);
    const uint32_t known =
        PKTDRV_FILTER_DIRECTED | PKTDRV_FILTER_BROADCAST | PKTDRV_FILTER_ALL_LOCAL;
    if ((filter & ~known) != 0) return PKTDRV_ERROR_NOT_SUPPORTED;
    if (DWORD error = adapter.setPacketFilter(filter); error != ERROR_SUCCESS) return error;
    request.BytesWritten = sizeof filter;
    return ERROR_SUCCESS;
}

bool validFrame(const uint8_t* frame, unsigned long length) {
    return frame != nullptr && length >= 14 && length <= PKTDRV_MAX_FRAME;
}

#ifdef _WIN32
// A send with a routine on Windows: the in-memory medium takes the frame at once, and the
// routine is queued to the calling thread like any completion.
BOOL sendWithRoutine(int32_t handle, const uint8_t* frame, unsigned long length,
                     unsigned long* transferred, OVERLAPPED* overlapped,
                     LPOVERLAPPED_COMPLETION_ROUTINE routine) {
    std::shared_ptr<Adapter> adapter = findAdapter(handle);
    if (!adapter) return fail(ERROR_INVALID_HANDLE);
    if (!validFrame(frame, length)) return fail(ERROR_INVALID_PARAMETER);
    if (DWORD error = adapter->sendNow({frame, length}); error != ERROR_SUCCESS) return fail(error);
    if (transferred != nullptr) *transferred = length;
    if (!KvQueueIoCompletion(GetCurrentThreadApcTarget(), routine, 0, length, overlapped))
        return fail(GetLastError());
    return TRUE;
}

std::shared_ptr<Adapter> openInterface(const std::string&, DWORD& error) {
    error = PKTDRV_ERROR_FILE_NOT_FOUND;  // no capture backend: only "mem:" media
    return nullptr;
}

// Frames the calling thread holds leave before its next send or close (none on Windows).
void flushHeld() {}
#else
// A send with a routine: into the thread's batch. A run of sends finds its adapter there.
BOOL sendWithRoutine(int32_t handle, const uint8_t* frame, unsigned long length,
                     unsigned long* transferred, OVERLAPPED* overlapped,
                     LPOVERLAPPED_COMPLETION_ROUTINE routine) {
    SendBatch* batch = threadBatch();
    if (batch == nullptr) return fail(ERROR_INVALID_HANDLE);  // the thread is ending
    std::shared_ptr<Adapter> found;
    const std::shared_ptr<Adapter>* adapter = batch->heldAdapter(handle);
    if (adapter == nullptr) {
        found = findAdapter(handle);
        if (!found) return fail(ERROR_INVALID_HANDLE);
        adapter = &found;
    }
    if (!validFrame(frame, length)) return fail(ERROR_INVALID_PARAMETER);
    DWORD error = ERROR_SUCCESS;
    try {
        error = batch->hold(handle, *adapter, {frame, length}, transferred, overlapped, routine);
    } catch (const std::bad_alloc&) {
        error = ERROR_NOT_ENOUGH_MEMORY;
    }
    return error == ERROR_SUCCESS ? TRUE : fail(error);
}

std::shared_ptr<Adapter> openInterface(const std::string& name, DWORD& error) {
    return openSocketAdapter(name, error);
}

void flushHeld() {
    if (SendBatch* batch = heldBatch(); batch != nullptr && !batch->empty()) batch->flush();
}
#endif

}  // namespace

int32_t W32N_OpenAdapter(const char* interfaceName) {
    if (interfaceName == nullptr) return fail(ERROR_INVALID_PARAMETER), -1;
    static std::atomic<uint32_t> memoryAdapters{0};
    const std::string_view name(interfaceName);
    DWORD error = ERROR_SUCCESS;
    std::shared_ptr<Adapter> adapter =
        name.starts_with(kMemoryPrefix)
            ? openMemoryAdapter(std::string(name.substr(kMemoryPrefix.size())), ++memoryAdapters,
                                error)
            : openInterface(std::string(name), error);
    if (!adapter) return fail(error), -1;
    return addAdapter(std::move(adapter));
}

BOOL W32N_CloseAdapter(int32_t handle) {
    std::shared_ptr<Adapter> adapter = lookupAdapter(handle);
    if (!adapter) return fail(ERROR_INVALID_HANDLE);
    // What this thread still holds goes out first; other threads' held frames are withdrawn.
    flushHeld();
    // Reads are aborted while the handle still names the adapter: a cancel that finds no read
    // any more finds its completion queued already.
    adapter->close();
    return removeAdapter(handle) ? TRUE : fail(ERROR_INVALID_HANDLE);
}

uint8_t W32N_IsWindows95(void) {
    return 0;
}

uint8_t W32N_IsWindowsNT(void) {
    return 1;
}

DWORD W32N_GetLastError(void) {
    return lastError;
}

DWORD W32N_MakeNdisRequest(int32_t handle, W32N_REQUEST* request, OVERLAPPED* overlapped,
                           BOOL /*wait*/) {
    std::shared_ptr<Adapter> adapter = findAdapter(handle);
    if (!adapter) return failRequest(ERROR_INVALID_HANDLE);
    if (request == nullptr) return failRequest(ERROR_INVALID_PARAMETER);
    request->BytesWritten = 0;
    request->BytesNeeded = 0;
    DWORD result = PKTDRV_ERROR_NOT_SUPPORTED;
    if (request->RequestType == PKTDRV_REQUEST_QUERY) result = query(*adapter, *request);
    if (request->RequestType == PKTDRV_REQUEST_SET) result = set(*adapter, *request);
    if (overlapped != nullptr) {
        overlapped->Internal = result;
        overlapped->InternalHigh = request->BytesWritten;
        if (overlapped->hEvent != nullptr) SetEvent(overlapped->hEvent);
    }
    return result == ERROR_SUCCESS ? result : failRequest(result);
}

BOOL W32N_DisableLoopback(int32_t handle, uint32_t /*addressLength*/, uint32_t /*matchLength*/,
                          const uint8_t* /*address*/) {
    std::shared_ptr<Adapter> adapter = findAdapter(handle);
    if (!adapter) return fail(ERROR_INVALID_HANDLE);
    const DWORD error = adapter->disableLoopback();
    return error == ERROR_SUCCESS ? TRUE : fail(error);
}

BOOL W32N_PacketSendEx(int32_t handle, const uint8_t* frame, unsigned long length,
                       unsigned long* transferred, OVERLAPPED* overlapped,
                       LPOVERLAPPED_COMPLETION_ROUTINE routine) {
    if (routine != nullptr)
        return sendWithRoutine(handle, frame, length, transferred, overlapped, routine);
    std::shared_ptr<Adapter> adapter = findAdapter(handle);
    if (!adapter) return fail(ERROR_INVALID_HANDLE);
    if (!validFrame(frame, length)) return fail(ERROR_INVALID_PARAMETER);
    flushHeld();  // frames this thread sent before leave first
    if (DWORD error = adapter->sendNow({frame, length}); error != ERROR_SUCCESS) return fail(error);
    if (transferred != nullptr) *transferred = length;
    if (overlapped != nullptr) {
        overlapped->Internal = 0;
        overlapped->InternalHigh = length;
    }
    return TRUE;
}

BOOL W32N_PacketReadEx(int32_t handle, KvRAS_PACKET* packet, unsigned long* transferred,
                       OVERLAPPED* overlapped, LPOVERLAPPED_COMPLETION_ROUTINE routine) {
    std::shared_ptr<Adapter> adapter = findAdapter(handle);
    if (!adapter) return fail(ERROR_INVALID_HANDLE);
    const DWORD error = adapter->postRead(packet, transferred, overlapped, routine);
    return error == ERROR_SUCCESS ? TRUE : fail(error);
}

BOOL W32N_CancelPacketRead(int32_t handle, KvRAS_PACKET* packet) {
    std::shared_ptr<Adapter> adapter = findAdapter(handle);
    if (!adapter) return fail(ERROR_INVALID_HANDLE);
    return adapter->cancelRead(packet) ? TRUE : fail(ERROR_INVALID_PARAMETER);
}
