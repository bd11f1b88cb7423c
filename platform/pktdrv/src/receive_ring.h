// The TPACKET_V3 receive ring of an AF_PACKET socket, as the driver sets it up: 128 blocks of
// 256 KiB, about 100 000 small frames or 20 000 full ones of slack at full rate. Header-only, so
// the wire benchmark's plain ring reader can be sized exactly like the driver's.
#pragma once

#include <linux/if_packet.h>
#include <sys/mman.h>
#include <sys/socket.h>

#include <cstddef>
#include <cstdint>

namespace pktdrv {

struct ReceiveRing {
    static constexpr unsigned kBlockSize = 256 * 1024;
    static constexpr unsigned kBlockCount = 128;
    static constexpr unsigned kFrameSize = 2048;  // the unit of accounting; frames pack tighter
    static constexpr unsigned kRetireMs = 2;      // a partly filled block reaches the reader after
    static constexpr size_t kBytes = size_t{kBlockSize} * kBlockCount;

    // Sets up the ring on `fd` and maps it: its first byte, or null with errno set.
    static uint8_t* map(int fd) {
        const int version = TPACKET_V3;
        tpacket_req3 request{};
        request.tp_block_size = kBlockSize;
        request.tp_block_nr = kBlockCount;
        request.tp_frame_size = kFrameSize;
        request.tp_frame_nr = kBlockSize / kFrameSize * kBlockCount;
        request.tp_retire_blk_tov = kRetireMs;
        if (setsockopt(fd, SOL_PACKET, PACKET_VERSION, &version, sizeof version) != 0 ||
            setsockopt(fd, SOL_PACKET, PACKET_RX_RING, &request, sizeof request) != 0)
            return nullptr;
        void* ring = mmap(nullptr, kBytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
        return ring == MAP_FAILED ? nullptr : static_cast<uint8_t*>(ring);
    }
    static void unmap(uint8_t* ring) {
        if (ring != nullptr) munmap(ring, kBytes);
    }
    // The block with number `index`.
    static tpacket_block_desc* block(uint8_t* ring, unsigned index) {
        return reinterpret_cast<tpacket_block_desc*>(ring + size_t{index} * kBlockSize);
    }
};

}  // namespace pktdrv
