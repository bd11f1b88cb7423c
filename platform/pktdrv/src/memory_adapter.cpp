#include "memory_adapter.h"

#ifndef _WIN32
#include <sys/eventfd.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <unordered_map>
#include <vector>

namespace pktdrv {
namespace {

// Frames a handle holds while no read is posted; more are dropped, as a full ring would.
constexpr size_t kQueueLimit = 8192;

class MemoryAdapter;

struct Medium {
    std::mutex lock;
    std::vector<MemoryAdapter*> members;  // each removes itself before it goes away
};

std::shared_ptr<Medium> mediumNamed(const std::string& name) {
    static std::mutex lock;
    static std::unordered_map<std::string, std::weak_ptr<Medium>> media;
    std::lock_guard guard(lock);
    std::shared_ptr<Medium> medium = media[name].lock();
    if (!medium) {
        medium = std::make_shared<Medium>();
        media[name] = medium;
    }
    return medium;
}

struct QueuedFrame {
    uint32_t length;
    uint32_t packetType;
    timespec arrival;
    std::array<uint8_t, PKTDRV_MAX_FRAME> data;
};

class MemoryAdapter final : public Adapter {
public:
    MemoryAdapter(const MacAddress& address, std::shared_ptr<Medium> medium, int readyFd)
        : Adapter(address), medium_(std::move(medium)), readyFd_(readyFd) {
        std::lock_guard lock(medium_->lock);
        medium_->members.push_back(this);
    }
    ~MemoryAdapter() override {
        {
            std::lock_guard lock(medium_->lock);
            std::erase(medium_->members, this);
        }
#ifndef _WIN32
        ::close(readyFd_);
#endif
    }

    DWORD applyPacketFilter(uint32_t filter) override {
        storeFilter(filter);
        return ERROR_SUCCESS;
    }
    DWORD disableLoopback() override {
        storeNoLoopback();
        return ERROR_SUCCESS;
    }

    SendResult sendFrames(std::span<const OutgoingFrame> frames) override {
        timespec now{};
        clock_gettime(CLOCK_REALTIME, &now);
        std::lock_guard lock(medium_->lock);
        for (const OutgoingFrame& frame : frames) {
            for (MemoryAdapter* member : medium_->members)
                member->arrive({frame.data, frame.length}, member == this, now);
        }
        return SendResult{.sent = frames.size()};
    }

protected:
    DWORD prepareReceive() override {
        return ERROR_SUCCESS;
    }
    int readyFd() const override {
        return readyFd_;
    }

    bool peek(ReceivedFrame& frame) override {
        std::lock_guard lock(queueLock_);
        if (queue_.empty()) {
            clearReady();
            return false;
        }
        const QueuedFrame& front = *queue_.front();
        frame = ReceivedFrame{front.data.data(), front.length, front.packetType,
                              static_cast<uint32_t>(front.arrival.tv_sec),
                              static_cast<uint32_t>(front.arrival.tv_nsec / 1000)};
        return true;
    }

    void consume() override {
        std::lock_guard lock(queueLock_);
        if (!queue_.empty()) queue_.pop_front();
    }

private:
    // A frame on the wire reaches this handle: kept when the filter takes it.
    void arrive(std::span<const uint8_t> frame, bool ownFrame, const timespec& now) {
        if (ownFrame && loopbackDisabled()) return;
        const uint8_t* destination = frame.data();
        if (!filterAccepts(packetFilter(), destination, address())) return;
        auto queued = std::make_unique<QueuedFrame>();
        queued->length = static_cast<uint32_t>(frame.size());
        queued->packetType = ownFrame ? PKTDRV_PACKET_OUTGOING : packetTypeOf(destination);
        queued->arrival = now;
        std::memcpy(queued->data.data(), frame.data(), frame.size());
        {
            std::lock_guard lock(queueLock_);
            if (queue_.size() >= kQueueLimit) return;
            queue_.push_back(std::move(queued));
            if (queue_.size() == 1) signalReady();
        }
#ifdef _WIN32
        drain();  // no thread's wait looks at the queue: the frame goes to a posted read now
#endif
    }

    // Linux: the ready fd is readable while frames wait, for the readers' alertable waits.
    void signalReady() {
#ifndef _WIN32
        const uint64_t one = 1;
        [[maybe_unused]] ssize_t n = write(readyFd_, &one, sizeof one);
#endif
    }
    void clearReady() {
#ifndef _WIN32
        uint64_t count = 0;
        [[maybe_unused]] ssize_t n = read(readyFd_, &count, sizeof count);
#endif
    }

    uint32_t packetTypeOf(const uint8_t* destination) const {
        if (std::equal(kBroadcast.begin(), kBroadcast.end(), destination))
            return PKTDRV_PACKET_BROADCAST;
        if (std::equal(address().begin(), address().end(), destination))
            return PKTDRV_PACKET_DIRECTED;
        return (destination[0] & 1) != 0 ? PKTDRV_PACKET_MULTICAST : PKTDRV_PACKET_OTHER_HOST;
    }

    std::shared_ptr<Medium> medium_;
    const int readyFd_;
    std::mutex queueLock_;
    std::deque<std::unique_ptr<QueuedFrame>> queue_;
};

bool parseAddress(const std::string& text, MacAddress& address) {
    unsigned bytes[6];
    char end = 0;
    if (std::sscanf(text.c_str(), "%2x:%2x:%2x:%2x:%2x:%2x%c", &bytes[0], &bytes[1], &bytes[2],
                    &bytes[3], &bytes[4], &bytes[5], &end) != 6)
        return false;
    std::copy(std::begin(bytes), std::end(bytes), address.begin());
    return true;
}

}  // namespace

std::shared_ptr<Adapter> openMemoryAdapter(const std::string& name, uint32_t number, DWORD& error) {
    const size_t slash = name.find('/');
    const std::string medium = name.substr(0, slash);
    MacAddress address{
        0x02, 0, 0, 0, static_cast<uint8_t>(number >> 8), static_cast<uint8_t>(number)};
    if (medium.empty() ||
        (slash != std::string::npos && !parseAddress(name.substr(slash + 1), address))) {
        error = ERROR_INVALID_PARAMETER;
        return nullptr;
    }
#ifdef _WIN32
    const int readyFd = -1;
#else
    const int readyFd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (readyFd < 0) {
        error = ERROR_NOT_ENOUGH_MEMORY;
        return nullptr;
    }
#endif
    return std::make_shared<MemoryAdapter>(address, mediumNamed(medium), readyFd);
}

}  // namespace pktdrv
