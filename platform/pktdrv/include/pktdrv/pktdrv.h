// The packet driver: raw frames on a network interface, with Windows-style overlapped sends and
// reads whose completion routines run on the posting thread during its alertable waits
// (win32/win32.h).
//
// W32N_OpenAdapter("eth1") opens a Linux interface through an AF_PACKET socket (needs
// CAP_NET_RAW); W32N_OpenAdapter("mem:NAME") opens an in-memory medium shared by every handle of
// the process that names it, for tests without privileges. "mem:NAME/02:00:00:00:00:07" gives
// the handle that address; without one a handle gets 02:00:00:00:HH:LL from its number.
//
// Receive path: a handle delivers nothing until a packet filter is set (W32N_MakeNdisRequest,
// PKTDRV_OID_CURRENT_PACKET_FILTER). Frames that pass the filter fill the posted reads in the
// order they were posted; a frame that arrives while no read is posted waits in the handle's
// queue (the socket's ring, or a bounded in-memory queue) and is dropped when that is full.
#pragma once

#include <kvexport.h>
#include <win32/win32.h>

#include <cstddef>
#include <cstdint>

// Request kinds, objects and packet filter bits of W32N_MakeNdisRequest.
inline constexpr uint32_t PKTDRV_REQUEST_QUERY = 0;
inline constexpr uint32_t PKTDRV_REQUEST_SET = 1;
inline constexpr uint32_t PKTDRV_OID_CURRENT_ADDRESS = 0x01010102;        // 6 bytes, query
inline constexpr uint32_t PKTDRV_OID_CURRENT_PACKET_FILTER = 0x0001010E;  // 4 bytes, set/query
inline constexpr uint32_t PKTDRV_FILTER_DIRECTED = 0x01;   // frames for the adapter's address
inline constexpr uint32_t PKTDRV_FILTER_BROADCAST = 0x20;  // frames for FF FF FF FF FF FF
inline constexpr uint32_t PKTDRV_FILTER_ALL_LOCAL = 0x80;  // every frame that reaches the adapter

// Error codes besides win32.h's (Windows' values).
inline constexpr DWORD PKTDRV_ERROR_FILE_NOT_FOUND = 2;  // no such interface
inline constexpr DWORD PKTDRV_ERROR_ACCESS_DENIED = 5;   // raw sockets need CAP_NET_RAW
inline constexpr DWORD PKTDRV_ERROR_NOT_READY = 21;      // the interface is down
inline constexpr DWORD PKTDRV_ERROR_GEN_FAILURE = 31;    // the system refused otherwise
inline constexpr DWORD PKTDRV_ERROR_NOT_SUPPORTED = 50;  // unknown request object or kind
inline constexpr DWORD PKTDRV_ERROR_BUFFER_TOO_SMALL = 122;

// The request record of W32N_MakeNdisRequest. Callers reserve and zero the whole record and fill
// RequestType, Oid and the buffer. On 32-bit builds the buffer address sits at byte 28 and its
// length at 32; a 64-bit build needs a pointer-sized field, so the words after it move by 4.
struct W32N_REQUEST {
    uint8_t Reserved[20];
    uint32_t RequestType;  // PKTDRV_REQUEST_QUERY or PKTDRV_REQUEST_SET
    uint32_t Oid;
    void* InformationBuffer;
    uint32_t InformationBufferLength;
    uint32_t BytesWritten;  // query: bytes filled; set: bytes taken
    uint32_t BytesNeeded;   // when the buffer was too small
    uint8_t Unused[512];
};
static_assert(offsetof(W32N_REQUEST, RequestType) == 20 && offsetof(W32N_REQUEST, Oid) == 24);
static_assert(sizeof(void*) != 4 || (offsetof(W32N_REQUEST, InformationBuffer) == 28 &&
                                     offsetof(W32N_REQUEST, InformationBufferLength) == 32 &&
                                     sizeof(W32N_REQUEST) == 556));
static_assert(sizeof(W32N_REQUEST) >= 556);

// Kinds of frame in KvRAS_PACKET::PacketType.
inline constexpr uint32_t PKTDRV_PACKET_DIRECTED = 0;
inline constexpr uint32_t PKTDRV_PACKET_BROADCAST = 1;
inline constexpr uint32_t PKTDRV_PACKET_MULTICAST = 2;
inline constexpr uint32_t PKTDRV_PACKET_OTHER_HOST = 3;
inline constexpr uint32_t PKTDRV_PACKET_OUTGOING = 4;  // sent by this host (loopback)

inline constexpr uint32_t PKTDRV_MAX_FRAME = 1514;
// Frames with a completion routine that a thread's sends hold before they leave without a wait
// (W32N_PacketSendEx).
inline constexpr uint32_t PKTDRV_SEND_BATCH = 64;

// The record a posted read is completed into. Set Capacity (at most PKTDRV_MAX_FRAME) before
// posting; on completion Status is 0 and Length holds the frame's length. Only Capacity bytes
// are copied: a Length above Capacity tells that the frame was cut. Status is
// ERROR_OPERATION_ABORTED for a read ended by close.
struct KvRAS_PACKET {
    uint8_t Reserved[24];
    uint32_t Status;
    uint32_t PacketType;  // PKTDRV_PACKET_*
    uint32_t TimestampSeconds;
    uint32_t TimestampMicroseconds;
    uint32_t Reserved2[2];
    uint32_t Length;
    uint32_t Capacity;
    uint8_t Data[PKTDRV_MAX_FRAME];
};
static_assert(offsetof(KvRAS_PACKET, Status) == 24 && offsetof(KvRAS_PACKET, Length) == 48 &&
              offsetof(KvRAS_PACKET, Capacity) == 52 && offsetof(KvRAS_PACKET, Data) == 56);

// A handle greater than 0, or -1 with W32N_GetLastError() set.
KV_EXTERN_C PKTDRV_API int32_t KV_STDCALL W32N_OpenAdapter(const char* interfaceName);
// Withdraws every posted read (their routines run with ERROR_OPERATION_ABORTED) and releases the
// handle; frames the calling thread still holds for it leave first. FALSE for an unknown handle.
KV_EXTERN_C PKTDRV_API BOOL KV_STDCALL W32N_CloseAdapter(int32_t handle);

// The answers of a Windows NT family system.
KV_EXTERN_C PKTDRV_API uint8_t KV_STDCALL W32N_IsWindows95(void);
KV_EXTERN_C PKTDRV_API uint8_t KV_STDCALL W32N_IsWindowsNT(void);
// The calling thread's code of the last failed call.
KV_EXTERN_C PKTDRV_API DWORD KV_STDCALL W32N_GetLastError(void);

// Carries out a query or set request at once: ERROR_SUCCESS (0), or the error code. When the
// overlapped block has an event, the event is set when the request is done.
KV_EXTERN_C PKTDRV_API DWORD KV_STDCALL W32N_MakeNdisRequest(int32_t handle, W32N_REQUEST* request,
                                                             OVERLAPPED* overlapped, BOOL wait);
// From now on the handle does not receive frames that its adapter sent itself. On an interface
// that means every frame this host sends on it.
KV_EXTERN_C PKTDRV_API BOOL KV_STDCALL W32N_DisableLoopback(int32_t handle, uint32_t addressLength,
                                                            uint32_t matchLength,
                                                            const uint8_t* address);

// Sends one frame (14 to 1514 bytes, as given). FALSE with W32N_GetLastError() when the frame was
// refused.
//   - Without a routine the frame goes out at once (waiting up to about 100 ms while the link
//     is busy): non-zero means it left.
//   - With a routine the driver keeps a copy and the frames of the calling thread leave in
//     batches: when it holds PKTDRV_SEND_BATCH, when the thread would sleep in any wait, and
//     when it closes the handle. The routine then runs on the calling thread during an alertable
//     wait: error 0 and the length once the frame left; ERROR_OPERATION_ABORTED when the handle was
//     closed by another thread first; or the link's error, which the thread's next send on the
//     handle also answers. While the batch fills, the thread's next alertable wait returns at once
//     (WAIT_IO_COMPLETION) so that it can hand over its next frame. A busy link keeps the frames
//     until it takes them; nothing blocks.
KV_EXTERN_C PKTDRV_API BOOL KV_STDCALL W32N_PacketSendEx(int32_t handle, const uint8_t* frame,
                                                         unsigned long length,
                                                         unsigned long* transferred,
                                                         OVERLAPPED* overlapped,
                                                         LPOVERLAPPED_COMPLETION_ROUTINE routine);
// Posts a read. Non-zero when posted: the routine runs on the posting thread during one of its
// alertable waits once a frame filled the record (error 0, length) or the read was withdrawn
// (ERROR_OPERATION_ABORTED, 0). The routine is required.
KV_EXTERN_C PKTDRV_API BOOL KV_STDCALL W32N_PacketReadEx(int32_t handle, KvRAS_PACKET* packet,
                                                         unsigned long* transferred,
                                                         OVERLAPPED* overlapped,
                                                         LPOVERLAPPED_COMPLETION_ROUTINE routine);
// Withdraws a posted read: it is not filled any more, and its routine does not run. FALSE when
// the record is not posted on the handle: a read that was filled or aborted meanwhile has its
// routine queued to its thread already, so that thread's next alertable wait runs it.
KV_EXTERN_C PKTDRV_API BOOL KV_STDCALL W32N_CancelPacketRead(int32_t handle, KvRAS_PACKET* packet);
