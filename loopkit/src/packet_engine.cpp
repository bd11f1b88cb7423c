#include "packet_engine.h"

#include <cstring>
#include <system_error>
#include <utility>

namespace loopkit {
namespace {

constexpr uint32_t kLoopbackAddressLength = 6;

}  // namespace

bool driverUsesNineXCompletions() {
    if (W32N_IsWindows95() != 0) return true;
    // Any other system gets the NT form; the question is asked as the driver expects.
    (void)W32N_IsWindowsNT();
    return false;
}

PacketEngine::~PacketEngine() {
    shutDown();
}

bool PacketEngine::open(int32_t handle) {
    if (handle == 0) return false;
    handle_ = handle;
    requestEvent_ = EventHandle(false, false);
    wake_ = EventHandle(false, false);
    if (!requestEvent_ || !wake_) return false;
    requestEvent_.reset();
    request_.hEvent = requestEvent_.get();

    // The own address decides which directed frames are ours; a failed query leaves zeros.
    uint8_t address[32] = {};
    (void)makeRequest(PKTDRV_REQUEST_QUERY, PKTDRV_OID_CURRENT_ADDRESS, address, sizeof address);
    std::memcpy(own_.data(), address, own_.size());
    W32N_DisableLoopback(handle_, kLoopbackAddressLength, kLoopbackAddressLength, own_.data());
    return true;
}

DWORD PacketEngine::duration() const {
    const DWORD start = startTick_.load(std::memory_order_relaxed);
    const DWORD end = ended_.load(std::memory_order_acquire)
                          ? endTick_.load(std::memory_order_relaxed)
                          : GetTickCount();
    return end - start;
}

bool PacketEngine::finishStoppedWorker() {
    if (!workerActive_.load(std::memory_order_acquire)) return true;
    if (isRunning()) return false;
    // Told to stop (or at its frame limit): the worker ends within one of its waits.
    if (worker_.joinable() && worker_.get_id() != std::this_thread::get_id()) worker_.join();
    return !workerActive_.load(std::memory_order_acquire);
}

bool PacketEngine::startWorker(std::function<void()> body) {
    if (workerActive_.load(std::memory_order_acquire)) return false;
    if (worker_.joinable()) worker_.join();
    workerActive_.store(true, std::memory_order_relaxed);
    try {
        worker_ = std::thread(std::move(body));
    } catch (const std::system_error&) {
        workerActive_.store(false, std::memory_order_relaxed);
        return false;
    }
    return true;
}

void PacketEngine::drainCompletions() {
    while (SleepEx(0, TRUE) == WAIT_IO_COMPLETION) {
    }
}

void PacketEngine::requestStop() {
    setRunning(false);
    wake_.set();
}

void PacketEngine::shutDown() {
    if (std::exchange(shutDown_, true)) return;
    requestStop();
    // Joining the worker awaits its completions too: they all run on it. No fixed pause is
    // needed on top.
    if (worker_.joinable()) worker_.join();
}

DWORD PacketEngine::makeRequest(uint32_t type, uint32_t oid, void* buffer, uint32_t length) {
    W32N_REQUEST request{};
    request.RequestType = type;
    request.Oid = oid;
    request.InformationBuffer = buffer;
    request.InformationBufferLength = length;
    return W32N_MakeNdisRequest(handle_, &request, &request_, TRUE);
}

}  // namespace loopkit
