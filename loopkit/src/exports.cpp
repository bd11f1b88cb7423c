// The exported entries: the C++ entries and their C twins. Handles are PacketEngine pointers;
// entries that take a handle of the wrong kind, or null, answer false or 0.
#include <loopkit/loopkit.h>

#include <cstring>
#include <memory>
#include <new>

#include "rx_engine.h"
#include "show_dialog.h"
#include "tx_engine.h"

using loopkit::PacketEngine;
using loopkit::PatternKind;
using loopkit::RxEngine;
using loopkit::TxEngine;

namespace {

PacketEngine* engineOf(void* handle) {
    return static_cast<PacketEngine*>(handle);
}

TxEngine* txOf(void* handle) {
    return handle != nullptr ? dynamic_cast<TxEngine*>(engineOf(handle)) : nullptr;
}

RxEngine* rxOf(void* handle) {
    return handle != nullptr ? dynamic_cast<RxEngine*>(engineOf(handle)) : nullptr;
}

template <typename Engine>
void* createEngine(WLAdapterInfo* adapter) {
    if (adapter == nullptr) return nullptr;
    try {
        auto engine = std::make_unique<Engine>();
        if (!engine->open(adapter->AdapterHandle)) return nullptr;
        return static_cast<PacketEngine*>(engine.release());
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

loopkit::MacAddress addressFrom(const char* bytes, const loopkit::MacAddress& fallback) {
    loopkit::MacAddress address = fallback;
    if (bytes != nullptr) std::memcpy(address.data(), bytes, address.size());
    return address;
}

bool setRxPattern(void* engine, PatternKind kind, const char* data, int size) {
    RxEngine* rx = rxOf(engine);
    return rx != nullptr && rx->setPattern(kind, data, size);
}

}  // namespace

// --- Transmit engine -------------------------------------------------------------------------

void* KvTxCreate(WLAdapterInfo* adapter) {
    return createEngine<TxEngine>(adapter);
}

bool KvTxSend(void* engine, int patternCode, const char* dest, int payloadLength,
              unsigned long frameLimit, int intervalMs, bool numbering, bool checksum, bool swap,
              unsigned char fill, unsigned int (*completion)(void*), void* argument) {
    TxEngine* tx = txOf(engine);
    if (tx == nullptr) return false;
    loopkit::TxSettings settings;
    settings.patternCode = patternCode;
    settings.destination = addressFrom(dest, loopkit::kBroadcast);
    settings.payloadLength = payloadLength;
    settings.frameLimit = frameLimit;
    settings.intervalMs = intervalMs;
    settings.numbering = numbering;
    settings.checksum = checksum;
    settings.swap = swap;
    settings.fill = fill;
    settings.completion = completion;
    settings.argument = argument;
    return tx->send(settings);
}

bool KvTxSendStop(void* engine) {
    if (TxEngine* tx = txOf(engine)) tx->stop();
    return true;
}

bool KvTxIsSending(void* engine) {
    return engine != nullptr && engineOf(engine)->isRunning();
}

unsigned int KvTxGetPacketSent(void* engine) {
    const TxEngine* tx = txOf(engine);
    return tx != nullptr ? tx->framesSent() : 0;
}

unsigned long long KvTxGetTotalBytes(void* engine) {
    const TxEngine* tx = txOf(engine);
    return tx != nullptr ? tx->bytesSent() : 0;
}

unsigned int KvTxGetSendDuration(void* engine) {
    return engine != nullptr ? engineOf(engine)->duration() : 0;
}

bool KvTxSetPattern(void* engine, const char* data, int size) {
    TxEngine* tx = txOf(engine);
    return tx != nullptr && tx->setPattern(data, size);
}

void KvTxClose(void* engine) {
    const std::unique_ptr<PacketEngine> owned(engineOf(engine));
}

// --- Receive engine --------------------------------------------------------------------------

void* KvRxCreate(WLAdapterInfo* adapter) {
    return createEngine<RxEngine>(adapter);
}

bool KvRxStartCapture(void* engine, const char* remote, unsigned long autoStop, bool payloadCheck,
                      bool sequenceCheck, bool acceptAll, bool swap,
                      unsigned int (*completion)(void*), void* argument, int condition,
                      unsigned int (*quiet)(void*), _Rx_Frame_Report_Quiet* quietArray,
                      unsigned long quietCapacity, unsigned int (*dump)(void*),
                      _Rx_Frame_Report_Dump* dumpArray, unsigned long dumpCapacity,
                      char* reportPath) {
    RxEngine* rx = rxOf(engine);
    if (rx == nullptr) return false;
    loopkit::CaptureSettings settings;
    if (remote != nullptr) settings.remote = addressFrom(remote, {});
    settings.autoStop = autoStop;
    settings.payloadCheck = payloadCheck;
    settings.sequenceCheck = sequenceCheck;
    settings.acceptAll = acceptAll;
    settings.swap = swap;
    settings.completion = completion;
    settings.argument = argument;
    settings.condition = condition;
    settings.quiet = quiet;
    settings.quietArray = quietArray;
    settings.quietCapacity = quietCapacity;
    settings.dump = dump;
    settings.dumpArray = dumpArray;
    settings.dumpCapacity = dumpCapacity;
    settings.reportPath = reportPath;
    return rx->startCapture(settings);
}

bool KvRxStopCapture(void* engine) {
    if (RxEngine* rx = rxOf(engine)) rx->stopCapture();
    return true;
}

bool KvRxSetStartPattern(void* engine, const char* data, int size) {
    return setRxPattern(engine, PatternKind::Start, data, size);
}

bool KvRxSetEndPattern(void* engine, const char* data, int size) {
    return setRxPattern(engine, PatternKind::End, data, size);
}

bool KvRxSetExpectedPattern(void* engine, const char* data, int size) {
    return setRxPattern(engine, PatternKind::Expected, data, size);
}

unsigned int KvRxGetPacketsGood(void* engine) {
    const RxEngine* rx = rxOf(engine);
    return rx != nullptr ? rx->good() : 0;
}

unsigned int KvRxGetPacketsBad(void* engine) {
    const RxEngine* rx = rxOf(engine);
    return rx != nullptr ? rx->bad() : 0;
}

unsigned int KvRxGetPacketsLost(void* engine) {
    const RxEngine* rx = rxOf(engine);
    return rx != nullptr ? rx->lost() : 0;
}

unsigned long long KvRxGetTotalBytes(void* engine) {
    const RxEngine* rx = rxOf(engine);
    return rx != nullptr ? rx->bytes() : 0;
}

// Close, the running flag and the duration are one operation of the base for both engines.
// `copy` gives each alias the attributes the compiler inferred for its target.
void KvRxClose(void* engine) __attribute__((alias("_Z9KvTxClosePv"), copy(KvTxClose)));
bool KvRxIsReading(void* engine) __attribute__((alias("_Z13KvTxIsSendingPv"), copy(KvTxIsSending)));
unsigned int KvRxGetDurationRead(void* engine)
    __attribute__((alias("_Z19KvTxGetSendDurationPv"), copy(KvTxGetSendDuration)));

// --- The packet driver -----------------------------------------------------------------------

int KvRasTR_PacketSendEx(int handle, const unsigned char* frame, unsigned long length,
                         unsigned long* transferred, OVERLAPPED* overlapped,
                         LPOVERLAPPED_COMPLETION_ROUTINE routine) {
    return W32N_PacketSendEx(handle, frame, length, transferred, overlapped, routine);
}

int KvRasTR_PacketReadEx(int handle, KvRAS_PACKET* packet, unsigned long* transferred,
                         OVERLAPPED* overlapped, LPOVERLAPPED_COMPLETION_ROUTINE routine) {
    return W32N_PacketReadEx(handle, packet, transferred, overlapped, routine);
}

unsigned int KvRasTR_GetLastError() {
    return W32N_GetLastError();
}

// --- C twins ---------------------------------------------------------------------------------

void* KV_STDCALL VBKvTxCreate(WLAdapterInfo* adapter) {
    return KvTxCreate(adapter);
}

bool KV_STDCALL VBKvTxSend(void* engine, int patternCode, const char* dest, int payloadLength,
                           unsigned long frameLimit, int intervalMs, unsigned char numbering,
                           unsigned char checksum, unsigned char swap, unsigned char fill,
                           KvThreadProc completion, void* argument) {
    return KvTxSend(engine, patternCode, dest, payloadLength, frameLimit, intervalMs,
                    numbering != 0, checksum != 0, swap != 0, fill, completion, argument);
}

bool KV_STDCALL VBKvTxSendStop(void* engine) {
    return KvTxSendStop(engine);
}

bool KV_STDCALL VBKvTxIsSending(void* engine) {
    return KvTxIsSending(engine);
}

unsigned int KV_STDCALL VBKvTxGetPacketSent(void* engine) {
    return KvTxGetPacketSent(engine);
}

unsigned long long KV_STDCALL VBKvTxGetTotalBytes(void* engine) {
    return KvTxGetTotalBytes(engine);
}

unsigned int KV_STDCALL VBKvTxGetSendDuration(void* engine) {
    return KvTxGetSendDuration(engine);
}

bool KV_STDCALL VBKvTxSetPattern(void* engine, const char* data, int size) {
    return KvTxSetPattern(engine, data, size);
}

void KV_STDCALL VBKvTxClose(void* engine) {
    KvTxClose(engine);
}

void* KV_STDCALL VBKvRxCreate(WLAdapterInfo* adapter) {
    return KvRxCreate(adapter);
}

bool KV_STDCALL VBKvRxStartCapture(void* engine, const char* remote, unsigned long autoStop,
                                   unsigned char payloadCheck, unsigned char sequenceCheck,
                                   unsigned char acceptAll, unsigned char swap,
                                   KvThreadProc completion, void* argument, int condition,
                                   KvThreadProc quiet, _Rx_Frame_Report_Quiet* quietArray,
                                   unsigned long quietCapacity, KvThreadProc dump,
                                   _Rx_Frame_Report_Dump* dumpArray, unsigned long dumpCapacity,
                                   char* reportPath) {
    return KvRxStartCapture(engine, remote, autoStop, payloadCheck != 0, sequenceCheck != 0,
                            acceptAll != 0, swap != 0, completion, argument, condition, quiet,
                            quietArray, quietCapacity, dump, dumpArray, dumpCapacity, reportPath);
}

bool KV_STDCALL VBKvRxStopCapture(void* engine) {
    return KvRxStopCapture(engine);
}

bool KV_STDCALL VBKvRxSetStartPattern(void* engine, const char* data, int size) {
    return KvRxSetStartPattern(engine, data, size);
}

bool KV_STDCALL VBKvRxSetEndPattern(void* engine, const char* data, int size) {
    return KvRxSetEndPattern(engine, data, size);
}

bool KV_STDCALL VBKvRxSetExpectedPattern(void* engine, const char* data, int size) {
    return KvRxSetExpectedPattern(engine, data, size);
}

unsigned int KV_STDCALL VBKvRxGetPacketsGood(void* engine) {
    return KvRxGetPacketsGood(engine);
}

unsigned int KV_STDCALL VBKvRxGetPacketsBad(void* engine) {
    return KvRxGetPacketsBad(engine);
}

unsigned int KV_STDCALL VBKvRxGetPacketsLost(void* engine) {
    return KvRxGetPacketsLost(engine);
}

unsigned long long KV_STDCALL VBKvRxGetTotalBytes(void* engine) {
    return KvRxGetTotalBytes(engine);
}

unsigned int KV_STDCALL VBKvRxGetDurationRead(void* engine) {
    return KvRxGetDurationRead(engine);
}

int KV_STDCALL VBKvRasTRPacketSendEx(int handle, const unsigned char* frame, unsigned long length,
                                     unsigned long* transferred, OVERLAPPED* overlapped,
                                     LPOVERLAPPED_COMPLETION_ROUTINE routine) {
    return KvRasTR_PacketSendEx(handle, frame, length, transferred, overlapped, routine);
}

int KV_STDCALL VBKvRasTRPacketReadEx(int handle, KvRAS_PACKET* packet, unsigned long* transferred,
                                     OVERLAPPED* overlapped,
                                     LPOVERLAPPED_COMPLETION_ROUTINE routine) {
    return KvRasTR_PacketReadEx(handle, packet, transferred, overlapped, routine);
}

unsigned int KV_STDCALL VBKvRasTRGetLastError(void) {
    return KvRasTR_GetLastError();
}

// --- Test dialogs ----------------------------------------------------------------------------

void KvTxShowDlg(WLAdapterInfo* adapter) {
    loopkit::dialogs::showTxDialog(adapter);
}

void KvRxShowDlg(WLAdapterInfo* adapter) {
    loopkit::dialogs::showRxDialog(adapter);
}

void Kv2WayShowDlg(WLAdapterInfo* adapter) {
    loopkit::dialogs::showTwoWayDialog(adapter);
}

void KV_STDCALL VBKvTxShowDlg(WLAdapterInfo* adapter) {
    KvTxShowDlg(adapter);
}

void KV_STDCALL VBKvRxShowDlg(WLAdapterInfo* adapter) {
    KvRxShowDlg(adapter);
}

void KV_STDCALL VBKv2WayShowDlg(WLAdapterInfo* adapter) {
    Kv2WayShowDlg(adapter);
}

// The C twins of the shared base operations are one entry each as well.
// The alias names the target as the assembler does: 32-bit Windows adds the callee-cleans
// suffix (bytes of arguments).
#if defined(_WIN32) && !defined(_WIN64)
#define KV_STDCALL_SYMBOL(name, argumentBytes) #name "@" #argumentBytes
#else
#define KV_STDCALL_SYMBOL(name, argumentBytes) #name
#endif
extern "C" void KV_STDCALL VBKvRxClose(void* engine)
    __attribute__((alias(KV_STDCALL_SYMBOL(VBKvTxClose, 4)), copy(VBKvTxClose)));
extern "C" bool KV_STDCALL VBKvRxIsReading(void* engine)
    __attribute__((alias(KV_STDCALL_SYMBOL(VBKvTxIsSending, 4)), copy(VBKvTxIsSending)));
