#include "routine_hub.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <new>

namespace loopkit {
namespace {

template <class Record>
std::unique_ptr<Record[]> zeroedArray(size_t capacity, RunKey key) {
    std::unique_ptr<Record[]> array(new (std::nothrow) Record[capacity]());
    if (array == nullptr) return nullptr;
    for (size_t i = 0; i < capacity; ++i)
        array[i].UserData = key;
    return array;
}

template <class Record>
size_t filledRecords(const Record* array, size_t capacity) {
    // The engine fills records from the first on, and every received frame has a size.
    return static_cast<size_t>(
        std::count_if(array, array + capacity, [](const Record& r) { return r.FrameSize != 0; }));
}

template <class Record>
bool holds(const Record* array, size_t capacity, const void* address) {
    if (array == nullptr) return false;
    const auto* at = static_cast<const Record*>(address);
    return std::less_equal<>()(array, at) && std::less<>()(at, array + capacity);
}

}  // namespace

RoutineHub& RoutineHub::instance() {
    // Never destroyed: routine threads may still look runs up while the process exits.
    alignas(RoutineHub) static unsigned char storage[sizeof(RoutineHub)];
    static RoutineHub* hub = new (storage) RoutineHub();
    return *hub;
}

RunKey RoutineHub::begin(RoutineTarget* target) {
    std::lock_guard guard(lock_);
    RunKey key = nextKey_++;
    while (key == 0 || runs_.contains(key))
        key = nextKey_++;
    runs_[key].target = target;
    return key;
}

void* RoutineHub::routineArgument(RunKey run) {
    return reinterpret_cast<void*>(static_cast<uintptr_t>(run));
}

_Rx_Frame_Report_Quiet* RoutineHub::quietArray(RunKey run, size_t capacity) {
    if (capacity == 0) return nullptr;
    auto array = zeroedArray<_Rx_Frame_Report_Quiet>(capacity, run);
    std::lock_guard guard(lock_);
    const auto it = runs_.find(run);
    if (it == runs_.end() || array == nullptr) return nullptr;
    it->second.quiet = std::move(array);
    it->second.quietCapacity = capacity;
    return it->second.quiet.get();
}

_Rx_Frame_Report_Dump* RoutineHub::dumpArray(RunKey run, size_t capacity) {
    if (capacity == 0) return nullptr;
    auto array = zeroedArray<_Rx_Frame_Report_Dump>(capacity, run);
    std::lock_guard guard(lock_);
    const auto it = runs_.find(run);
    if (it == runs_.end() || array == nullptr) return nullptr;
    it->second.dump = std::move(array);
    it->second.dumpCapacity = capacity;
    return it->second.dump.get();
}

void RoutineHub::workerEnded(RunKey run) {
    std::lock_guard guard(lock_);
    const auto it = runs_.find(run);
    if (it == runs_.end()) return;
    ended(it);
    settle(it);
}

void RoutineHub::release(RunKey run) {
    std::lock_guard guard(lock_);
    const auto it = runs_.find(run);
    if (it == runs_.end()) return;
    it->second.target = nullptr;
    settle(it);
}

void RoutineHub::forget(RoutineTarget* target) {
    std::lock_guard guard(lock_);
    for (auto it = runs_.begin(); it != runs_.end();) {
        const auto next = std::next(it);
        if (it->second.target == target) {
            it->second.target = nullptr;
            settle(it);
        }
        it = next;
    }
}

size_t RoutineHub::liveRuns() {
    std::lock_guard guard(lock_);
    return runs_.size();
}

bool RoutineHub::waitForLiveRuns(size_t count, std::chrono::milliseconds timeout) {
    std::unique_lock guard(lock_);
    return runErased_.wait_for(guard, timeout, [&] { return runs_.size() <= count; });
}

void RoutineHub::ended(Runs::iterator run) {
    Run& r = run->second;
    if (r.ended) return;
    r.ended = true;
    // The worker has ended, and what it wrote is visible here: it started the thread that
    // brought the news, or the owner waited for it.
    if (r.quiet) r.filled += filledRecords(r.quiet.get(), r.quietCapacity);
    if (r.dump) r.filled += filledRecords(r.dump.get(), r.dumpCapacity);
}

void RoutineHub::settle(Runs::iterator run) {
    const Run& r = run->second;
    const bool hasArrays = r.quiet != nullptr || r.dump != nullptr;
    const bool routinesDone = !hasArrays || (r.ended && r.arrived >= r.filled);
    if (r.target == nullptr && routinesDone) {
        runs_.erase(run);
        runErased_.notify_all();
    }
}

unsigned int RoutineHub::completionRoutine(void* argument) {
    RoutineHub& hub = instance();
    const auto key = static_cast<RunKey>(reinterpret_cast<uintptr_t>(argument));
    std::lock_guard guard(hub.lock_);
    const auto it = hub.runs_.find(key);
    if (it == hub.runs_.end()) return 0;
    hub.ended(it);
    if (it->second.target != nullptr) it->second.target->runEnded(key);
    hub.settle(it);
    return 0;
}

unsigned int RoutineHub::quietRoutine(void* record) {
    instance().record(record, false);
    return 0;
}

unsigned int RoutineHub::dumpRoutine(void* record) {
    instance().record(record, true);
    return 0;
}

void RoutineHub::record(const void* address, bool dump) {
    std::lock_guard guard(lock_);
    for (auto it = runs_.begin(); it != runs_.end(); ++it) {
        Run& r = it->second;
        ReportedFrame frame;
        frame.dump = dump;
        if (!dump && holds(r.quiet.get(), r.quietCapacity, address)) {
            const auto* at = static_cast<const _Rx_Frame_Report_Quiet*>(address);
            frame.index = static_cast<size_t>(at - r.quiet.get());
            frame.head = *at;
        } else if (dump && holds(r.dump.get(), r.dumpCapacity, address)) {
            const auto* at = static_cast<const _Rx_Frame_Report_Dump*>(address);
            frame.index = static_cast<size_t>(at - r.dump.get());
            std::memcpy(&frame.head, at, sizeof frame.head);
            const size_t size = std::min<size_t>(at->FrameSize, sizeof at->FrameBytes);
            frame.bytes.assign(at->FrameBytes, at->FrameBytes + size);
        } else {
            continue;
        }
        ++r.arrived;
        if (r.target != nullptr) r.target->frameReported(it->first, std::move(frame));
        settle(it);
        return;
    }
}

}  // namespace loopkit
