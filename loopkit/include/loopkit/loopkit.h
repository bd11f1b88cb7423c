// Loopkit: packet test engines that send numbered, self-checking test frames through the packet
// driver (pktdrv/pktdrv.h) and classify the frames another adapter receives.
//
// Engines are opaque handles (void*). A transmit engine (KvTx*) sends frames on a worker thread
// of its own until a frame count is reached or it is told to stop; a receive engine (KvRx*)
// captures on a worker thread, counts good, bad and lost frames and reports frames through the
// caller's routines, arrays and an optional report file. Counters may be polled at any time.
//
// Routines (completion, quiet and dump report routines) never run on the caller's thread nor on
// an engine's worker: each call starts a new thread that runs routine(argument) and ends. The
// completion routine gets the argument given to the start call, a report routine the address of
// the record just filled. Routines run in any order and must not assume the engine still runs.
//
// Every entry is exported twice: the C++ entry below, and a C twin named VB<entry> with the
// callee-cleans convention whose boolean parameters are bytes (any non-zero value is true).
#pragma once

#include <kvexport.h>
#include <nicapi/nicapi.h>
#include <pktdrv/pktdrv.h>
#include <win32/win32.h>

#include <cstddef>
#include <cstdint>

// A completion or report routine; its result is the exit code of its thread and is not used.
using KvThreadProc = unsigned int (*)(void*);

// Report conditions of KvRxStartCapture.
inline constexpr int REPORT_ALL = 0;        // every frame
inline constexpr int REPORT_ONLY_BAD = 1;   // bad frames only
inline constexpr int REPORT_ONLY_LOST = 2;  // every frame from the first sequence gap on

// One received frame, as the quiet report routine sees it (little-endian):
//
//   0 IsGood (1 good, 0 bad)   1 padding[3], never written   4 LostCount (lost so far)
//   8 FrameSize (bytes received, header included)            12 UserData, never written
struct _Rx_Frame_Report_Quiet {
    uint8_t IsGood;
    uint8_t Padding[3];
    uint32_t LostCount;
    uint32_t FrameSize;
    uint32_t UserData;
};

// The same 16 bytes, then the received frame: FrameBytes[0, FrameSize) hold it from its first
// byte, after any header swap back; the bytes past it are not written.
struct _Rx_Frame_Report_Dump {
    uint8_t IsGood;
    uint8_t Padding[3];
    uint32_t LostCount;
    uint32_t FrameSize;
    uint32_t UserData;
    uint8_t FrameBytes[1516];
};

static_assert(sizeof(_Rx_Frame_Report_Quiet) == 16);
static_assert(offsetof(_Rx_Frame_Report_Quiet, IsGood) == 0);
static_assert(offsetof(_Rx_Frame_Report_Quiet, LostCount) == 4);
static_assert(offsetof(_Rx_Frame_Report_Quiet, FrameSize) == 8);
static_assert(offsetof(_Rx_Frame_Report_Quiet, UserData) == 12);
static_assert(sizeof(_Rx_Frame_Report_Dump) == 1532);
static_assert(offsetof(_Rx_Frame_Report_Dump, LostCount) == 4);
static_assert(offsetof(_Rx_Frame_Report_Dump, FrameSize) == 8);
static_assert(offsetof(_Rx_Frame_Report_Dump, UserData) == 12);
static_assert(offsetof(_Rx_Frame_Report_Dump, FrameBytes) == 16);

// --- Transmit engine -------------------------------------------------------------------------

// An engine on adapter->AdapterHandle, or null for a null record or a handle of 0.
LOOPKIT_API void* KvTxCreate(WLAdapterInfo* adapter);
// Starts sending on a new worker: pattern code 0..5 (0x00, 0xFF, incrementing, fill byte going
// up by one per frame, a random one of 0..3 per frame, the KvTxSetPattern bytes then zeros);
// destination address (6 bytes; null = broadcast); payload length 36..1490 (0 = random per
// frame; out of range = nothing is sent until stopped); frame limit (0 = none); pause before
// each frame in ms; sequence numbering, checksum and header swap; the first fill byte of code 3;
// the completion routine started when the worker ends, and its argument. Counters restart at 0.
// False when the worker could not start or the engine is still sending.
LOOPKIT_API bool KvTxSend(void* engine, int patternCode, const char* dest, int payloadLength,
                          unsigned long frameLimit, int intervalMs, bool numbering, bool checksum,
                          bool swap, unsigned char fill, unsigned int (*completion)(void*),
                          void* argument);
// Asks the worker to stop; always true. The worker ends within a second whatever the link does
// (frames the driver could not hand to the link by then are not sent, and not counted).
LOOPKIT_API bool KvTxSendStop(void* engine);
// The running flag (either kind of engine).
LOOPKIT_API bool KvTxIsSending(void* engine);
// Frames that left (the driver handed them to the link), and their bytes (headers included).
LOOPKIT_API unsigned int KvTxGetPacketSent(void* engine);
LOOPKIT_API unsigned long long KvTxGetTotalBytes(void* engine);
// Milliseconds since the start while running, else from start to end (either kind of engine).
LOOPKIT_API unsigned int KvTxGetSendDuration(void* engine);
// Keeps a copy of the payload of pattern code 5. False when size + 24 > 1514, size < 0, data is
// null, memory runs out, or the engine is sending (a worker that is ending is waited for).
LOOPKIT_API bool KvTxSetPattern(void* engine, const char* data, int size);
// Stops the engine, waits for its worker and frees it (either kind of engine; null is allowed).
LOOPKIT_API void KvTxClose(void* engine);

// --- Receive engine --------------------------------------------------------------------------

// An engine on adapter->AdapterHandle, or null for a null record or a handle of 0.
LOOPKIT_API void* KvRxCreate(WLAdapterInfo* adapter);
// Starts a capture on a new worker: frames from `remote` only (6 bytes; null = any source);
// auto-stop when good + bad + lost reaches autoStop (0 = never); payload check (checksum and
// pattern); sequence check (lost counting); accept all (no destination and signature filter);
// header swap; completion routine and argument; report condition (REPORT_*); quiet routine,
// caller-owned record array and its capacity; dump routine, array and capacity; report file
// path (null = none; the file is created or truncated). Counters restart at 0. Returns once the
// capture receives: every frame that reaches the adapter from then on is counted. False when
// the engine is still capturing, or the capture could not begin (no worker, no memory for its
// reads, no packet filter accepted, the driver not ready within 5 s, a handle of -1); the
// completion routine still runs when the worker got as far as its packet filter.
LOOPKIT_API bool KvRxStartCapture(void* engine, const char* remote, unsigned long autoStop,
                                  bool payloadCheck, bool sequenceCheck, bool acceptAll, bool swap,
                                  unsigned int (*completion)(void*), void* argument, int condition,
                                  unsigned int (*quiet)(void*), _Rx_Frame_Report_Quiet* quietArray,
                                  unsigned long quietCapacity, unsigned int (*dump)(void*),
                                  _Rx_Frame_Report_Dump* dumpArray, unsigned long dumpCapacity,
                                  char* reportPath);
// Asks the worker to end the capture; always true.
LOOPKIT_API bool KvRxStopCapture(void* engine);
LOOPKIT_API bool KvRxIsReading(void* engine);
// Patterns for the next capture only (a capture's end discards them): counting starts after a
// frame whose payload begins with the start pattern, a frame beginning with the end pattern
// ends the capture, frames not beginning with the expected pattern are ignored. Null data
// removes the pattern (true); data with size <= 0 removes it too (false); else a copy is kept.
// While a capture runs they change nothing and answer false; right after a stop they wait for
// the ending capture, so the pattern holds for the next one.
LOOPKIT_API bool KvRxSetStartPattern(void* engine, const char* data, int size);
LOOPKIT_API bool KvRxSetEndPattern(void* engine, const char* data, int size);
LOOPKIT_API bool KvRxSetExpectedPattern(void* engine, const char* data, int size);
LOOPKIT_API unsigned int KvRxGetPacketsGood(void* engine);
LOOPKIT_API unsigned int KvRxGetPacketsBad(void* engine);
LOOPKIT_API unsigned int KvRxGetPacketsLost(void* engine);
// Bytes of the good frames.
LOOPKIT_API unsigned long long KvRxGetTotalBytes(void* engine);
LOOPKIT_API unsigned int KvRxGetDurationRead(void* engine);
LOOPKIT_API void KvRxClose(void* engine);

// --- Test dialogs ----------------------------------------------------------------------------

// Modal test dialogs over the adapter: transmit ("Tx"), receive ("Rx") and the two-way test
// ("2 Way Test"). Each creates its own engines, and returns when the person closes it (at once
// when an engine cannot be created, or for a null record). Called from a Qt Widgets program,
// the dialog runs on the application's thread (a call from another thread waits for it there);
// from a program without Qt, an application is made for the call. Without a display, or under
// a QCoreApplication, the call says so on standard error and returns.
LOOPKIT_API void KvTxShowDlg(WLAdapterInfo* adapter);
LOOPKIT_API void KvRxShowDlg(WLAdapterInfo* adapter);
LOOPKIT_API void Kv2WayShowDlg(WLAdapterInfo* adapter);

// --- The packet driver, passed straight through ----------------------------------------------

LOOPKIT_API int KvRasTR_PacketSendEx(int handle, const unsigned char* frame, unsigned long length,
                                     unsigned long* transferred, OVERLAPPED* overlapped,
                                     LPOVERLAPPED_COMPLETION_ROUTINE routine);
LOOPKIT_API int KvRasTR_PacketReadEx(int handle, KvRAS_PACKET* packet, unsigned long* transferred,
                                     OVERLAPPED* overlapped,
                                     LPOVERLAPPED_COMPLETION_ROUTINE routine);
LOOPKIT_API unsigned int KvRasTR_GetLastError();

// --- C twins ---------------------------------------------------------------------------------

KV_EXTERN_C LOOPKIT_API void* KV_STDCALL VBKvTxCreate(WLAdapterInfo* adapter);
KV_EXTERN_C LOOPKIT_API bool KV_STDCALL VBKvTxSend(void* engine, int patternCode, const char* dest,
                                                   int payloadLength, unsigned long frameLimit,
                                                   int intervalMs, unsigned char numbering,
                                                   unsigned char checksum, unsigned char swap,
                                                   unsigned char fill, KvThreadProc completion,
                                                   void* argument);
KV_EXTERN_C LOOPKIT_API bool KV_STDCALL VBKvTxSendStop(void* engine);
KV_EXTERN_C LOOPKIT_API bool KV_STDCALL VBKvTxIsSending(void* engine);
KV_EXTERN_C LOOPKIT_API unsigned int KV_STDCALL VBKvTxGetPacketSent(void* engine);
KV_EXTERN_C LOOPKIT_API unsigned long long KV_STDCALL VBKvTxGetTotalBytes(void* engine);
KV_EXTERN_C LOOPKIT_API unsigned int KV_STDCALL VBKvTxGetSendDuration(void* engine);
KV_EXTERN_C LOOPKIT_API bool KV_STDCALL VBKvTxSetPattern(void* engine, const char* data, int size);
KV_EXTERN_C LOOPKIT_API void KV_STDCALL VBKvTxClose(void* engine);

KV_EXTERN_C LOOPKIT_API void* KV_STDCALL VBKvRxCreate(WLAdapterInfo* adapter);
KV_EXTERN_C LOOPKIT_API bool KV_STDCALL VBKvRxStartCapture(
    void* engine, const char* remote, unsigned long autoStop, unsigned char payloadCheck,
    unsigned char sequenceCheck, unsigned char acceptAll, unsigned char swap,
    KvThreadProc completion, void* argument, int condition, KvThreadProc quiet,
    _Rx_Frame_Report_Quiet* quietArray, unsigned long quietCapacity, KvThreadProc dump,
    _Rx_Frame_Report_Dump* dumpArray, unsigned long dumpCapacity, char* reportPath);
KV_EXTERN_C LOOPKIT_API bool KV_STDCALL VBKvRxStopCapture(void* engine);
KV_EXTERN_C LOOPKIT_API bool KV_STDCALL VBKvRxIsReading(void* engine);
KV_EXTERN_C LOOPKIT_API bool KV_STDCALL VBKvRxSetStartPattern(void* engine, const char* data,
                                                              int size);
KV_EXTERN_C LOOPKIT_API bool KV_STDCALL VBKvRxSetEndPattern(void* engine, const char* data,
                                                            int size);
KV_EXTERN_C LOOPKIT_API bool KV_STDCALL VBKvRxSetExpectedPattern(void* engine, const char* data,
                                                                 int size);
KV_EXTERN_C LOOPKIT_API unsigned int KV_STDCALL VBKvRxGetPacketsGood(void* engine);
KV_EXTERN_C LOOPKIT_API unsigned int KV_STDCALL VBKvRxGetPacketsBad(void* engine);
KV_EXTERN_C LOOPKIT_API unsigned int KV_STDCALL VBKvRxGetPacketsLost(void* engine);
KV_EXTERN_C LOOPKIT_API unsigned long long KV_STDCALL VBKvRxGetTotalBytes(void* engine);
KV_EXTERN_C LOOPKIT_API unsigned int KV_STDCALL VBKvRxGetDurationRead(void* engine);
KV_EXTERN_C LOOPKIT_API void KV_STDCALL VBKvRxClose(void* engine);

KV_EXTERN_C LOOPKIT_API int KV_STDCALL VBKvRasTRPacketSendEx(
    int handle, const unsigned char* frame, unsigned long length, unsigned long* transferred,
    OVERLAPPED* overlapped, LPOVERLAPPED_COMPLETION_ROUTINE routine);
KV_EXTERN_C LOOPKIT_API int KV_STDCALL
VBKvRasTRPacketReadEx(int handle, KvRAS_PACKET* packet, unsigned long* transferred,
                      OVERLAPPED* overlapped, LPOVERLAPPED_COMPLETION_ROUTINE routine);
KV_EXTERN_C LOOPKIT_API unsigned int KV_STDCALL VBKvRasTRGetLastError(void);

KV_EXTERN_C LOOPKIT_API void KV_STDCALL VBKvTxShowDlg(WLAdapterInfo* adapter);
KV_EXTERN_C LOOPKIT_API void KV_STDCALL VBKvRxShowDlg(WLAdapterInfo* adapter);
KV_EXTERN_C LOOPKIT_API void KV_STDCALL VBKv2WayShowDlg(WLAdapterInfo* adapter);
