// How fast the receive engine classifies test frames handed in from memory: the work a
// completion does for every frame, without the driver. Good frames, numbered in order, for
// 60- and 1514-byte frames, with and without the payload check (checksum and pattern).
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "rx_engine.h"
#include "test_frame.h"

namespace {

using namespace loopkit;

// A ring of numbered code-2 frames with their checksum, as a transmit engine sends them.
std::vector<KvRAS_PACKET> framesOf(size_t length, size_t count) {
    std::vector<KvRAS_PACKET> packets(count);
    const MacAddress source{0x02, 0, 0, 0, 0, 1};
    for (size_t i = 0; i < count; ++i) {
        KvRAS_PACKET& packet = packets[i];
        uint8_t* frame = packet.Data;
        writeHeader(frame, kBroadcast, source);
        writeSequence(frame, static_cast<uint16_t>(i));
        frame[kPatternOffset] = kPatternIncrementing;
        fillPayload({frame + kHeaderSize, length - kHeaderSize}, kPatternIncrementing,
                    static_cast<uint8_t>(i));
        frame[kChecksumFlagOffset] = 1;
        frame[kChecksumOffset] = frameChecksum({frame, length});
        packet.Length = static_cast<uint32_t>(length);
        packet.Capacity = PKTDRV_MAX_FRAME;
    }
    return packets;
}

void classify(benchmark::State& state) {
    const auto length = static_cast<size_t>(state.range(0));
    const bool payloadCheck = state.range(1) != 0;
    constexpr size_t kFrames = 65536;  // one full turn of the sequence numbers: no gaps
    std::vector<KvRAS_PACKET> packets = framesOf(length, kFrames);
    auto engine = std::make_unique<RxEngine>();
    CaptureSettings settings;
    settings.payloadCheck = payloadCheck;
    settings.sequenceCheck = true;
    engine->prepareCapture(settings);
    engine->setRunning(true);
    size_t next = 0;
    for (auto _ : state) {
        engine->classify(packets[next]);
        next = (next + 1) % kFrames;
    }
    if (engine->bad() != 0 || engine->lost() != 0)
        state.SkipWithError("frames counted bad or lost");
    engine->concludeCapture();
    state.SetItemsProcessed(state.iterations());
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(length));
}

BENCHMARK(classify)
    ->ArgNames({"bytes", "check"})
    ->Args({60, 1})
    ->Args({1514, 1})
    ->Args({60, 0})
    ->Args({1514, 0});

}  // namespace

BENCHMARK_MAIN();
