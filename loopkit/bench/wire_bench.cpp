// Speed of the engines on a veth pair between two network namespaces, against plain limits of
// the machine measured in the same run, for 60- and 1514-byte frames. Rows:
//   raw send() loop      send() calls on an AF_PACKET socket of the first end, no receiver;
//   trafgen -> ring      netsniff-ng's trafgen (its TX ring, one process) on the first end into
//                        a minimal TPACKET_V3 ring reader on the second, its ring sized like the
//                        packet driver's;
//   transmit engine      the transmit engine alone, no receiver;
//   engine -> engine     a receive engine classifying every frame of a transmit engine.
//
// Every row is timed alike: from the moment the first frame leaves the sender to the moment the
// last one is through, and its rate is the frames through divided by that time.
//   Leaves: the start of the send() loop, the KvTxSend call; for trafgen the ring's stamp of its
//     first frame, because trafgen first spends milliseconds starting a process, parsing its
//     frame and mapping its ring, which no sender in the library pays for. A veth end hands a
//     frame to its peer within the send call that carries it, so the stamp marks that send.
//   Through: without a receiver, the return of the last send, for the same reason; with one,
//     the moment the receiver has counted the last frame (both rings hand over a partly filled
//     block after the same 2 ms). A receiver that stops counting short ends at its last frame.
// Each configuration runs --runs times; the best rate counts, the lost and bad counts shown are
// the worst run's. Lost frames are those sent but never counted by the receiver.
//
// Needs root. Usage: loopkit-wire-bench [--frames N] [--runs N] [--only ROW[,ROW]]
// with ROW one of raw, trafgen, tx, rx, or engine (tx and rx).
#include <loopkit/loopkit.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <linux/if_ether.h>
#include <linux/if_packet.h>
#include <net/if.h>
#include <poll.h>
#include <spawn.h>
#include <sys/eventfd.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <support/veth_pair.h>

#include "receive_ring.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <functional>
#include <mutex>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

using testsupport::VethPair;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// A receiver whose count has not moved for this long has everything it is going to get.
constexpr auto kQuiet = 300ms;

enum Row { kRaw, kTrafgen, kTx, kRx, kRowCount };
constexpr std::array<size_t, 2> kLengths{60, 1514};

struct Options {
    unsigned long frames = 2000000;  // per run
    int runs = 3;                    // the best run counts, for every row alike
    std::array<bool, kRowCount> rows{true, true, true, true};
};

double seconds(Clock::duration duration) {
    return std::chrono::duration<double>(duration).count();
}

// One measurement of one row at one frame length.
struct Cell {
    double rate = 0;  // frames per second
    unsigned long lost = 0;
    unsigned long bad = 0;
};

// The best rate of all runs, the most lost and bad frames of any.
void merge(std::optional<Cell>& best, const Cell& run) {
    if (!best) {
        best = run;
        return;
    }
    best->rate = std::max(best->rate, run.rate);
    best->lost = std::max(best->lost, run.lost);
    best->bad = std::max(best->bad, run.bad);
}

// --- Raw send() loop -------------------------------------------------------------------------

// Frames per second of a plain send() loop on a raw socket of the first interface. The loop runs
// on a thread of its own while the main thread waits, as an engine's worker does: a process
// with more than one thread pays more for each system call than a single-threaded one.
Cell plainSend(const VethPair& pair, size_t length, unsigned long frames) {
    const int fd = pair.inside(0, [] {
        const int s = socket(AF_PACKET, SOCK_RAW | SOCK_CLOEXEC, 0);
        sockaddr_ll address{};
        address.sll_family = AF_PACKET;
        address.sll_ifindex = static_cast<int>(if_nametoindex(VethPair::kFirst));
        if (s < 0 || bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            std::perror("raw socket");
            std::exit(1);
        }
        return s;
    });
    std::vector<uint8_t> frame(length, 0);
    std::memset(frame.data(), 0xFF, 6);
    frame[6] = 0x02;
    frame[12] = 0x60;
    double rate = 0;
    std::thread worker([&] {
        const auto start = Clock::now();
        for (unsigned long i = 0; i < frames; ++i) {
            if (send(fd, frame.data(), frame.size(), 0) < 0) {
                std::perror("send");
                break;
            }
        }
        rate = static_cast<double>(frames) / seconds(Clock::now() - start);
    });
    worker.join();
    close(fd);
    return {rate, 0, 0};
}

// --- trafgen into a TPACKET_V3 ring ----------------------------------------------------------

int64_t realtimeNs() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return int64_t{now.tv_sec} * 1000000000 + now.tv_nsec;
}

// What the ring reader has counted so far. Times are CLOCK_REALTIME, the clock of ring stamps.
struct Tally {
    unsigned long frames = 0;
    unsigned long bad = 0;  // wrong length, or not after the frame before in sequence
    int64_t firstNs = 0;    // the ring's stamp of the first frame
    int64_t lastNs = 0;     // when the reader had counted the last one so far
};

// A minimal receiver on the second end: an AF_PACKET socket with a TPACKET_V3 ring of the
// packet driver's geometry, walked block by block by a reader thread. It counts the frames of
// EtherType 0x6000 from a 02:... source, whose last four address bytes carry a sequence number.
class RingReceiver {
public:
    using Ring = pktdrv::ReceiveRing;

    RingReceiver(const VethPair& pair, size_t length) : length_(length) {
        fd_ = pair.inside(1, [] { return socket(AF_PACKET, SOCK_RAW | SOCK_CLOEXEC, 0); });
        const int ifindex =
            pair.inside(1, [] { return static_cast<int>(if_nametoindex(VethPair::kSecond)); });
        stop_ = eventfd(0, EFD_CLOEXEC);
        // The ring comes before the bind, so it holds every frame from the bind on.
        if (fd_ >= 0) ring_ = Ring::map(fd_);
        if (fd_ < 0 || stop_ < 0 || ring_ == nullptr || !bindAll(ifindex)) {
            std::perror("ring receiver");
            std::exit(1);
        }
        reader_ = std::thread([this] { run(); });
    }
    ~RingReceiver() {
        stopping_.store(true, std::memory_order_relaxed);
        const uint64_t one = 1;
        (void)!write(stop_, &one, sizeof one);
        reader_.join();
        Ring::unmap(ring_);
        close(stop_);
        close(fd_);
    }
    RingReceiver(const RingReceiver&) = delete;
    RingReceiver& operator=(const RingReceiver&) = delete;

    // Waits until `expected` frames are counted or counting stops short.
    Tally await(unsigned long expected) {
        std::unique_lock guard(lock_);
        unsigned long seen = tally_.frames;
        while (!changed_.wait_for(guard, kQuiet, [&] { return tally_.frames >= expected; })) {
            if (tally_.frames == seen) break;
            seen = tally_.frames;
        }
        return tally_;
    }

private:
    bool bindAll(int ifindex) {
        sockaddr_ll address{};
        address.sll_family = AF_PACKET;
        address.sll_protocol = htons(ETH_P_ALL);
        address.sll_ifindex = ifindex;
        return bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    }

    void run() {
        std::array<pollfd, 2> waits{pollfd{fd_, POLLIN | POLLERR, 0}, pollfd{stop_, POLLIN, 0}};
        unsigned current = 0;
        while (!stopping_.load(std::memory_order_relaxed)) {
            tpacket_block_desc* block = Ring::block(ring_, current);
            if ((__atomic_load_n(&block->hdr.bh1.block_status, __ATOMIC_ACQUIRE) &
                 TP_STATUS_USER) == 0) {
                poll(waits.data(), waits.size(), -1);
                continue;
            }
            walk(*block);
            __atomic_store_n(&block->hdr.bh1.block_status, TP_STATUS_KERNEL, __ATOMIC_RELEASE);
            current = (current + 1) % Ring::kBlockCount;
        }
    }

    // Counts the block's frames, then publishes the count.
    void walk(tpacket_block_desc& block) {
        auto* packet = reinterpret_cast<const uint8_t*>(&block) + block.hdr.bh1.offset_to_first_pkt;
        for (uint32_t i = 0; i < block.hdr.bh1.num_pkts; ++i) {
            const auto* header = reinterpret_cast<const tpacket3_hdr*>(packet);
            take(*header);
            packet += header->tp_next_offset;
        }
        std::lock_guard guard(lock_);
        tally_.frames = frames_;
        tally_.bad = bad_;
        tally_.firstNs = firstNs_;
        tally_.lastNs = realtimeNs();
        changed_.notify_all();
    }

    void take(const tpacket3_hdr& header) {
        const uint8_t* frame = reinterpret_cast<const uint8_t*>(&header) + header.tp_mac;
        if (header.tp_snaplen < ETH_HLEN || frame[6] != 0x02 || frame[12] != 0x60 ||
            frame[13] != 0x00)
            return;  // not a frame of the sender
        uint32_t sequence = 0;
        std::memcpy(&sequence, frame + 8, sizeof sequence);
        sequence = ntohl(sequence);
        if (frames_ == 0)
            firstNs_ = int64_t{header.tp_sec} * 1000000000 + header.tp_nsec;
        else if (sequence <= previous_)
            ++bad_;
        if (header.tp_len != length_) ++bad_;
        previous_ = sequence;
        ++frames_;
    }

    const size_t length_;
    int fd_ = -1;
    int stop_ = -1;  // an eventfd that wakes the reader to end
    uint8_t* ring_ = nullptr;
    std::atomic<bool> stopping_{false};
    std::thread reader_;
    // The reader's own counting.
    unsigned long frames_ = 0;
    unsigned long bad_ = 0;
    uint32_t previous_ = 0;
    int64_t firstNs_ = 0;
    // What it has published.
    std::mutex lock_;
    std::condition_variable changed_;
    Tally tally_;
};

// The path of trafgen: on PATH, or in the sbin directories a non-root PATH may lack.
std::optional<std::string> findTrafgen() {
    const char* path = std::getenv("PATH");
    std::stringstream directories(std::string(path != nullptr ? path : "") + ":/usr/sbin:/sbin");
    for (std::string directory; std::getline(directories, directory, ':');) {
        const std::string candidate = directory + "/trafgen";
        if (!directory.empty() && access(candidate.c_str(), X_OK) == 0) return candidate;
    }
    return std::nullopt;
}

// The frame in trafgen's language: broadcast, from 02:00 and a 32-bit sequence number that
// starts at 0 and goes up by one a frame, EtherType 0x6000, zeros up to `length`.
std::string trafgenFrame(size_t length) {
    return "{ eth(da=ff:ff:ff:ff:ff:ff, sa=02:00:00:00:00:00, sa=dinc(), type=0x6000), "
           "fill(0x00, " +
           std::to_string(length - ETH_HLEN) + ") }";
}

// trafgen on the first end, flat out through its TX ring, in one process; it leaves the
// system's socket memory settings and interrupt affinities as they are.
std::vector<std::string> trafgenCommand(const VethPair& pair, const std::string& trafgen,
                                        size_t length, unsigned long frames) {
    std::vector<std::string> command{"ip", "netns", "exec", pair.ns(0), trafgen};
    for (const char* option : {"--dev", VethPair::kFirst, "--cpus", "1", "--no-sock-mem",
                               "--notouch-irq", "--no-cpu-stats", "--num"})
        command.emplace_back(option);
    command.push_back(std::to_string(frames));
    command.push_back(trafgenFrame(length));
    return command;
}

// Runs a command to its end, its output kept; false, with the output shown, when it failed.
bool runQuietly(const std::vector<std::string>& command) {
    std::vector<char*> argv;
    for (const auto& word : command)
        argv.push_back(const_cast<char*>(word.c_str()));
    argv.push_back(nullptr);
    std::array<int, 2> ends{};
    if (pipe2(ends.data(), O_CLOEXEC) != 0) return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, ends[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, ends[1], STDERR_FILENO);
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(ends[1]);
    std::string output;
    std::array<char, 4096> chunk{};
    for (ssize_t got; (got = read(ends[0], chunk.data(), chunk.size())) > 0;)
        output.append(chunk.data(), static_cast<size_t>(got));
    close(ends[0]);
    int status = 0;
    if (spawned != 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "failed: %s\n%s", command.front().c_str(), output.c_str());
        return false;
    }
    return true;
}

std::optional<Cell> trafgenIntoRing(const VethPair& pair, const std::string& trafgen, size_t length,
                                    unsigned long frames) {
    RingReceiver receiver(pair, length);
    if (!runQuietly(trafgenCommand(pair, trafgen, length, frames))) return std::nullopt;
    const Tally tally = receiver.await(frames);
    if (tally.frames == 0) return Cell{0, frames, 0};
    const double elapsed = static_cast<double>(tally.lastNs - tally.firstNs) / 1e9;
    return Cell{static_cast<double>(tally.frames) / elapsed,
                frames - std::min(frames, tally.frames), tally.bad};
}

// --- The engines -----------------------------------------------------------------------------

// Signalled by an engine's completion routine, which stamps the moment.
struct Done {
    std::mutex lock;
    std::condition_variable changed;
    bool done = false;
    Clock::time_point at;

    static unsigned int signal(void* argument) {
        auto* self = static_cast<Done*>(argument);
        std::lock_guard guard(self->lock);
        self->done = true;
        self->at = Clock::now();
        self->changed.notify_all();
        return 0;
    }
    void wait() {
        std::unique_lock guard(lock);
        changed.wait(guard, [this] { return done; });
    }
    bool waitFor(Clock::duration limit) {
        std::unique_lock guard(lock);
        return changed.wait_for(guard, limit, [this] { return done; });
    }
};

struct Adapter {
    WLAdapterInfo info{};
    explicit Adapter(int32_t handle) {
        if (handle <= 0) {
            std::fprintf(stderr, "cannot open the interface: error %u\n", W32N_GetLastError());
            std::exit(1);
        }
        info.AdapterHandle = handle;
    }
    ~Adapter() { W32N_CloseAdapter(info.AdapterHandle); }
    Adapter(const Adapter&) = delete;
    Adapter& operator=(const Adapter&) = delete;
};

struct TxRun {
    unsigned int sent;
    Clock::time_point start;
    Clock::time_point end;  // when its completion routine ran
};

// Sends `frames` frames of `length` bytes flat out: incrementing pattern, numbered, checksummed.
TxRun transmit(void* tx, size_t length, unsigned long frames) {
    Done done;
    const auto start = Clock::now();
    if (!KvTxSend(tx, 2, nullptr, static_cast<int>(length - 24), frames, 0, true, true, false, 0,
                  Done::signal, &done)) {
        std::fprintf(stderr, "the transmit engine did not start\n");
        std::exit(1);
    }
    done.wait();
    return {KvTxGetPacketSent(tx), start, done.at};
}

Cell transmitAlone(const VethPair& pair, size_t length, unsigned long frames) {
    Adapter sender(pair.inside(0, [] { return W32N_OpenAdapter(VethPair::kFirst); }));
    void* tx = KvTxCreate(&sender.info);
    const TxRun run = transmit(tx, length, frames);
    KvTxClose(tx);
    return {run.sent / seconds(run.end - run.start), 0, 0};
}

// The moment the receive engine counted the last frame: its auto-stop routine's stamp, or, when
// frames went missing, about when its count stopped moving.
Clock::time_point awaitCounted(Done& received, const std::function<unsigned long()>& counted) {
    unsigned long seen = counted();
    auto moved = Clock::now();
    while (!received.waitFor(kQuiet)) {
        if (counted() == seen) return moved;
        seen = counted();
        moved = Clock::now();
    }
    return received.at;
}

// A receive engine on the second interface classifies what a transmit engine on the first sends.
Cell transmitIntoReceiver(const VethPair& pair, size_t length, unsigned long frames) {
    Adapter sender(pair.inside(0, [] { return W32N_OpenAdapter(VethPair::kFirst); }));
    Adapter receiver(pair.inside(1, [] { return W32N_OpenAdapter(VethPair::kSecond); }));
    void* tx = KvTxCreate(&sender.info);
    void* rx = KvRxCreate(&receiver.info);
    Done received;
    if (!KvRxStartCapture(rx, nullptr, frames, true, true, false, false, Done::signal, &received,
                          REPORT_ALL, nullptr, nullptr, 0, nullptr, nullptr, 0, nullptr)) {
        std::fprintf(stderr, "the capture did not start\n");
        std::exit(1);
    }
    const TxRun run = transmit(tx, length, frames);
    const auto arrived = [rx] {
        return static_cast<unsigned long>(KvRxGetPacketsGood(rx)) + KvRxGetPacketsBad(rx);
    };
    const auto end = awaitCounted(received, [&] { return arrived() + KvRxGetPacketsLost(rx); });
    KvRxStopCapture(rx);
    received.wait();  // its routine uses `received` until it has run
    const Cell cell{arrived() / seconds(end - run.start),
                    run.sent - std::min<unsigned long>(run.sent, arrived()), KvRxGetPacketsBad(rx)};
    KvRxClose(rx);
    KvTxClose(tx);
    return cell;
}

// --- The table -------------------------------------------------------------------------------

using Results = std::array<std::array<std::optional<Cell>, kLengths.size()>, kRowCount>;

constexpr std::array<const char*, kRowCount> kLabels{
    "raw send() loop, no receiver", "trafgen -> TPACKET_V3 ring receiver", "transmit engine alone",
    "transmit engine -> receive engine"};

std::string rates(const Results& results, Row row) {
    std::array<char, 64> text{};
    std::snprintf(text.data(), text.size(), "%-38s%8.3f%9.3f", kLabels[row],
                  results[row][0]->rate / 1e6, results[row][1]->rate / 1e6);
    return text.data();
}

// "(a / b of <base>)" when the base row was measured.
std::string ratios(const Results& results, Row row, Row base, const char* name) {
    if (!results[base][0] || !results[base][1]) return {};
    std::array<char, 96> text{};
    std::snprintf(text.data(), text.size(), "(%.2f / %.2f of %s)",
                  results[row][0]->rate / results[base][0]->rate,
                  results[row][1]->rate / results[base][1]->rate, name);
    return text.data();
}

std::string losses(const Results& results, Row row) {
    std::array<char, 96> text{};
    std::snprintf(text.data(), text.size(), "lost %lu / %lu, bad %lu / %lu", results[row][0]->lost,
                  results[row][1]->lost, results[row][0]->bad, results[row][1]->bad);
    return text.data();
}

void printRow(const Results& results, Row row) {
    if (!results[row][0] || !results[row][1]) return;
    std::string notes;
    if (row == kTx) notes = ratios(results, kTx, kRaw, "raw send");
    if (row == kRx) notes = ratios(results, kRx, kTrafgen, "trafgen->ring");
    if (row == kTrafgen || row == kRx) notes += (notes.empty() ? "" : ", ") + losses(results, row);
    std::printf("%s%s%s\n", rates(results, row).c_str(), notes.empty() ? "" : "   ", notes.c_str());
}

void printTable(const Results& results) {
    std::printf("%-38s%8s%9s\n", "", "60 B", "1514 B");
    for (int row = 0; row < kRowCount; ++row)
        printRow(results, static_cast<Row>(row));
}

// --- Running ---------------------------------------------------------------------------------

std::optional<Cell> measure(const VethPair& pair, Row row, size_t length, unsigned long frames,
                            const std::optional<std::string>& trafgen) {
    switch (row) {
        case kRaw:
            return plainSend(pair, length, frames);
        case kTrafgen:
            return trafgen ? trafgenIntoRing(pair, *trafgen, length, frames) : std::nullopt;
        case kTx:
            return transmitAlone(pair, length, frames);
        case kRx:
            return transmitIntoReceiver(pair, length, frames);
        case kRowCount:
            break;
    }
    return std::nullopt;
}

// Every run measures each chosen row once, so a disturbance spreads over all of them.
Results measureAll(const VethPair& pair, const Options& options,
                   const std::optional<std::string>& trafgen) {
    Results results;
    for (size_t size = 0; size < kLengths.size(); ++size) {
        for (int run = 0; run < options.runs; ++run) {
            for (int row = 0; row < kRowCount; ++row) {
                if (!options.rows[row]) continue;
                auto cell =
                    measure(pair, static_cast<Row>(row), kLengths[size], options.frames, trafgen);
                if (cell) merge(results[row][size], *cell);
            }
        }
    }
    return results;
}

[[noreturn]] void usage(const char* program) {
    std::fprintf(stderr,
                 "Usage: %s [--frames N] [--runs N] [--only ROW[,ROW]]\n"
                 "  ROW: raw, trafgen, tx, rx, engine (tx and rx)\n",
                 program);
    std::exit(2);
}

std::array<bool, kRowCount> parseRows(const std::string& list, const char* program) {
    std::array<bool, kRowCount> rows{};
    std::stringstream names(list);
    for (std::string name; std::getline(names, name, ',');) {
        if (name == "raw")
            rows[kRaw] = true;
        else if (name == "trafgen")
            rows[kTrafgen] = true;
        else if (name == "tx")
            rows[kTx] = true;
        else if (name == "rx")
            rows[kRx] = true;
        else if (name == "engine")
            rows[kTx] = rows[kRx] = true;
        else
            usage(program);
    }
    return rows;
}

Options parse(int argc, char** argv) {
    Options options;
    if (argc % 2 == 0) usage(argv[0]);
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string name = argv[i];
        if (name == "--frames") {
            options.frames = std::max(1ul, std::strtoul(argv[i + 1], nullptr, 10));
        } else if (name == "--runs") {
            options.runs = std::max(1, std::atoi(argv[i + 1]));
        } else if (name == "--only") {
            options.rows = parseRows(argv[i + 1], argv[0]);
        } else {
            usage(argv[0]);
        }
    }
    return options;
}

}  // namespace

int main(int argc, char** argv) {
    const Options options = parse(argc, argv);
    if (auto reason = VethPair::unavailableReason(); !reason.empty()) {
        std::fprintf(stderr, "loopkit-wire-bench: %s\n", reason.c_str());
        return 1;
    }
    const std::optional<std::string> trafgen = findTrafgen();
    VethPair pair;
    std::printf(
        "veth pair across two namespaces, %lu frames per run, best of %d runs; M frames/s\n",
        options.frames, options.runs);
    const Results results = measureAll(pair, options, trafgen);
    if (options.rows[kTrafgen] && !trafgen)
        std::printf("trafgen not found: scripts/setup installs netsniff-ng\n");
    printTable(results);
    return 0;
}
