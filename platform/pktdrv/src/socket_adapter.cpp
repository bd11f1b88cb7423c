#include "socket_adapter.h"

#include "receive_ring.h"

#include <arpa/inet.h>
#include <linux/filter.h>
#include <linux/if_ether.h>
#include <linux/if_packet.h>
#include <net/if.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <vector>

namespace pktdrv {
namespace {

constexpr size_t kSendBurst = PKTDRV_SEND_BATCH;  // frames per sendmmsg()

DWORD errorFromErrno(int code) {
    switch (code) {
        case EPERM:
        case EACCES:
            return PKTDRV_ERROR_ACCESS_DENIED;
        case ENODEV:
        case ENXIO:
            return PKTDRV_ERROR_FILE_NOT_FOUND;
        case ENETDOWN:
            return PKTDRV_ERROR_NOT_READY;
        case ENOMEM:
        case ENOBUFS:
            return ERROR_NOT_ENOUGH_MEMORY;
        case EINVAL:
        case EMSGSIZE:
            return ERROR_INVALID_PARAMETER;
        default:
            return PKTDRV_ERROR_GEN_FAILURE;
    }
}

constexpr uint32_t kAccept = 0xFFFFFFFF;

// The kernel side of the packet filter, by the kind of frame the socket sees.
std::vector<sock_filter> filterProgram(uint32_t filter) {
    auto verdict = [filter](uint32_t bit) -> uint32_t {
        return (filter & (bit | PKTDRV_FILTER_ALL_LOCAL)) != 0 ? kAccept : 0;
    };
    return {
        BPF_STMT(BPF_LD | BPF_B | BPF_ABS, static_cast<uint32_t>(SKF_AD_OFF + SKF_AD_PKTTYPE)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, PACKET_HOST, 0, 1),
        BPF_STMT(BPF_RET | BPF_K, verdict(PKTDRV_FILTER_DIRECTED)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, PACKET_BROADCAST, 0, 1),
        BPF_STMT(BPF_RET | BPF_K, verdict(PKTDRV_FILTER_BROADCAST)),
        // The host's own frames (loopback): a broadcast one counts as broadcast.
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, PACKET_OUTGOING, 0, 5),
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, 0),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, 0xFFFFFFFF, 0, 3),
        BPF_STMT(BPF_LD | BPF_H | BPF_ABS, 4),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, 0xFFFF, 0, 1),
        BPF_STMT(BPF_RET | BPF_K, verdict(PKTDRV_FILTER_BROADCAST)),
        BPF_STMT(BPF_RET | BPF_K, verdict(0)),
    };
}

uint32_t packetTypeOf(uint8_t kernelType) {
    switch (kernelType) {
        case PACKET_HOST:
            return PKTDRV_PACKET_DIRECTED;
        case PACKET_BROADCAST:
            return PKTDRV_PACKET_BROADCAST;
        case PACKET_MULTICAST:
            return PKTDRV_PACKET_MULTICAST;
        case PACKET_OUTGOING:
            return PKTDRV_PACKET_OUTGOING;
        default:
            return PKTDRV_PACKET_OTHER_HOST;
    }
}

class SocketAdapter final : public Adapter {
public:
    SocketAdapter(int fd, int ifindex, const MacAddress& address)
        : Adapter(address), fd_(fd), ifindex_(ifindex) {}
    ~SocketAdapter() override {
        ReceiveRing::unmap(ring_);
        ::close(fd_);
    }

    // Binds to the interface; protocol 0 receives nothing, ETH_P_ALL every kind of frame.
    DWORD bindTo(uint16_t protocol) {
        sockaddr_ll address{};
        address.sll_family = AF_PACKET;
        address.sll_protocol = htons(protocol);
        address.sll_ifindex = ifindex_;
        return bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0
                   ? ERROR_SUCCESS
                   : errorFromErrno(errno);
    }

    DWORD applyPacketFilter(uint32_t filter) override {
        std::vector<sock_filter> program = filterProgram(filter);
        sock_fprog fprog{static_cast<unsigned short>(program.size()), program.data()};
        if (setsockopt(fd_, SOL_SOCKET, SO_ATTACH_FILTER, &fprog, sizeof fprog) != 0)
            return errorFromErrno(errno);
        storeFilter(filter);
        return ERROR_SUCCESS;
    }

    DWORD disableLoopback() override {
        const int on = 1;
        if (setsockopt(fd_, SOL_PACKET, PACKET_IGNORE_OUTGOING, &on, sizeof on) != 0)
            return errorFromErrno(errno);
        storeNoLoopback();
        return ERROR_SUCCESS;
    }

    // One sendmmsg() for up to kSendBurst frames; never blocks, so a stalled link cannot hold
    // up the sending thread.
    SendResult sendFrames(std::span<const OutgoingFrame> frames) override {
        SendResult result;
        std::array<mmsghdr, kSendBurst> headers;
        std::array<iovec, kSendBurst> vectors;
        while (result.sent < frames.size()) {
            const size_t count = std::min(frames.size() - result.sent, kSendBurst);
            for (size_t i = 0; i < count; ++i) {
                const OutgoingFrame& frame = frames[result.sent + i];
                vectors[i] = iovec{const_cast<uint8_t*>(frame.data), frame.length};
                headers[i] = mmsghdr{};
                headers[i].msg_hdr.msg_iov = &vectors[i];
                headers[i].msg_hdr.msg_iovlen = 1;
            }
            const int sent =
                sendmmsg(fd_, headers.data(), static_cast<unsigned>(count), MSG_DONTWAIT);
            if (sent > 0) {
                result.sent += static_cast<size_t>(sent);
            } else if (errno != EINTR) {
                if (errno == EAGAIN || errno == EWOULDBLOCK) {
                    result.busy = SendResult::Busy::UntilWritable;
                } else if (errno == ENOBUFS) {
                    result.busy = SendResult::Busy::ForAMoment;  // the device queue is full
                } else {
                    result.error = errorFromErrno(errno);
                }
                break;
            }
        }
        return result;
    }

    int sendFd() const override { return fd_; }

protected:
    DWORD prepareReceive() override {
        ring_ = ReceiveRing::map(fd_);
        if (ring_ == nullptr) return errorFromErrno(errno);
        // Receive from now on, through the filter in force (nothing while it is 0). A handle
        // that only sends never gets here, so the host's frames are not copied to it.
        if (DWORD error = applyPacketFilter(packetFilter()); error != ERROR_SUCCESS) return error;
        return bindTo(ETH_P_ALL);
    }

    int readyFd() const override { return fd_; }

    bool peek(ReceivedFrame& frame) override {
        for (;;) {
            if (block_ == nullptr && !openBlock()) return false;
            if (left_ > 0) break;
            closeBlock();
        }
        const auto* header = reinterpret_cast<const tpacket3_hdr*>(packet_);
        const auto* link =
            reinterpret_cast<const sockaddr_ll*>(packet_ + TPACKET_ALIGN(sizeof(tpacket3_hdr)));
        frame =
            ReceivedFrame{packet_ + header->tp_mac, header->tp_snaplen,
                          packetTypeOf(link->sll_pkttype), header->tp_sec, header->tp_nsec / 1000};
        return true;
    }

    void consume() override {
        const auto* header = reinterpret_cast<const tpacket3_hdr*>(packet_);
        packet_ += header->tp_next_offset;
        --left_;
    }

private:
    bool openBlock() {
        tpacket_block_desc* block = ReceiveRing::block(ring_, current_);
        if ((__atomic_load_n(&block->hdr.bh1.block_status, __ATOMIC_ACQUIRE) & TP_STATUS_USER) == 0)
            return false;
        block_ = block;
        left_ = block->hdr.bh1.num_pkts;
        packet_ = reinterpret_cast<uint8_t*>(block) + block->hdr.bh1.offset_to_first_pkt;
        return true;
    }

    // Hands the block back to the kernel.
    void closeBlock() {
        __atomic_store_n(&block_->hdr.bh1.block_status, TP_STATUS_KERNEL, __ATOMIC_RELEASE);
        block_ = nullptr;
        current_ = (current_ + 1) % ReceiveRing::kBlockCount;
    }

    const int fd_;
    const int ifindex_;
    uint8_t* ring_ = nullptr;
    // Walking the ring; only drain() moves these, one thread at a time.
    unsigned current_ = 0;
    tpacket_block_desc* block_ = nullptr;
    uint32_t left_ = 0;
    uint8_t* packet_ = nullptr;
};

bool interfaceAddress(int fd, const std::string& name, MacAddress& address, int& error) {
    ifreq request{};
    std::strncpy(request.ifr_name, name.c_str(), IFNAMSIZ - 1);
    if (ioctl(fd, SIOCGIFHWADDR, &request) != 0) {
        error = errno;
        return false;
    }
    std::memcpy(address.data(), request.ifr_hwaddr.sa_data, address.size());
    return true;
}

}  // namespace

std::shared_ptr<Adapter> openSocketAdapter(const std::string& interfaceName, DWORD& error) {
    if (interfaceName.empty() || interfaceName.size() >= IFNAMSIZ) {
        error = PKTDRV_ERROR_FILE_NOT_FOUND;
        return nullptr;
    }
    const unsigned ifindex = if_nametoindex(interfaceName.c_str());
    if (ifindex == 0) {
        error = PKTDRV_ERROR_FILE_NOT_FOUND;
        return nullptr;
    }
    // Protocol 0: the socket only sends until frames are wanted.
    const int fd = socket(AF_PACKET, SOCK_RAW | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        error = errorFromErrno(errno);
        return nullptr;
    }
    MacAddress address{};
    int code = 0;
    if (!interfaceAddress(fd, interfaceName, address, code)) {
        close(fd);
        error = errorFromErrno(code);
        return nullptr;
    }
    auto adapter = std::make_shared<SocketAdapter>(fd, static_cast<int>(ifindex), address);
    if (DWORD bound = adapter->bindTo(0); bound != ERROR_SUCCESS) {
        error = bound;
        return nullptr;
    }
    return adapter;
}

}  // namespace pktdrv
