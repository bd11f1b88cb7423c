// Speed of the engines on a veth pair between two network namespaces, against the plain limit of
// the machine, measured in the same run:
//   - the transmit engine's frames per second against a loop of send() calls on an AF_PACKET
//     socket of the same interface, for 60- and 1514-byte frames (no receiver);
//   - a receive engine classifying every frame of a transmit engine running flat out.
// Needs root. Usage: loopkit-wire-bench [--frames N] [--runs N]
#include <loopkit/loopkit.h>

#include <arpa/inet.h>
#include <linux/if_ether.h>
#include <linux/if_packet.h>
#include <net/if.h>
#include <sys/socket.h>
#include <unistd.h>

#include <support/veth_pair.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

using testsupport::VethPair;
using Clock = std::chrono::steady_clock;

struct Options {
    unsigned long frames = 2000000;  // per transmit run
    int runs = 3;                    // the best run counts, for both sides alike
};

double seconds(Clock::duration duration) {
    return std::chrono::duration<double>(duration).count();
}

// Frames per second of a plain send() loop on a raw socket of the first interface. The loop runs
// on a thread of its own while the main thread waits, as an engine's worker does: a process
// with more than one thread pays more for each system call than a single-threaded one.
double plainSendRate(const VethPair& pair, size_t length, unsigned long frames) {
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
    return rate;
}

// Signalled by an engine's completion routine.
struct Done {
    std::mutex lock;
    std::condition_variable changed;
    bool done = false;

    static unsigned int signal(void* argument) {
        auto* self = static_cast<Done*>(argument);
        std::lock_guard guard(self->lock);
        self->done = true;
        self->changed.notify_all();
        return 0;
    }
    void wait() {
        std::unique_lock guard(lock);
        changed.wait(guard, [this] { return done; });
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
};

struct TxRun {
    unsigned int sent;
    double rate;
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
    const double elapsed = seconds(Clock::now() - start);
    const unsigned int sent = KvTxGetPacketSent(tx);
    return {sent, sent / elapsed};
}

void compareTransmit(const VethPair& pair, const Options& options, size_t length) {
    Adapter sender(pair.inside(0, [] { return W32N_OpenAdapter(VethPair::kFirst); }));
    void* tx = KvTxCreate(&sender.info);
    double plain = 0;
    double engine = 0;
    for (int run = 0; run < options.runs; ++run) {
        plain = std::max(plain, plainSendRate(pair, length, options.frames));
        engine = std::max(engine, transmit(tx, length, options.frames).rate);
    }
    KvTxClose(tx);
    std::printf("%4zu-byte frames: plain send() %6.3f M/s, transmit engine %6.3f M/s, ratio %.2f\n",
                length, plain / 1e6, engine / 1e6, engine / plain);
}

// A receive engine on the second interface classifies what a transmit engine on the first sends.
void transmitIntoReceiver(const VethPair& pair, const Options& options, size_t length) {
    Adapter sender(pair.inside(0, [] { return W32N_OpenAdapter(VethPair::kFirst); }));
    Adapter receiver(pair.inside(1, [] { return W32N_OpenAdapter(VethPair::kSecond); }));
    void* tx = KvTxCreate(&sender.info);
    void* rx = KvRxCreate(&receiver.info);
    if (!KvRxStartCapture(rx, nullptr, 0, true, true, false, false, nullptr, nullptr, REPORT_ALL,
                          nullptr, nullptr, 0, nullptr, nullptr, 0, nullptr)) {
        std::fprintf(stderr, "the capture did not start\n");
        std::exit(1);
    }
    while (!KvRxIsReading(rx))
        usleep(1000);
    usleep(100000);  // its reads posted and its packet filter set
    const TxRun run = transmit(tx, length, options.frames);

    // The receiver has the rest of its ring to work through.
    auto counted = [rx] {
        return KvRxGetPacketsGood(rx) + KvRxGetPacketsBad(rx) + KvRxGetPacketsLost(rx);
    };
    for (unsigned int last = ~0u; counted() != last && counted() < run.sent;) {
        last = counted();
        usleep(200000);
    }
    KvRxStopCapture(rx);
    std::printf(
        "%4zu-byte frames into a receive engine: sent %u at %.3f M/s; good %u, bad %u, lost %u\n",
        length, run.sent, run.rate / 1e6, KvRxGetPacketsGood(rx), KvRxGetPacketsBad(rx),
        KvRxGetPacketsLost(rx));
    KvRxClose(rx);
    KvTxClose(tx);
}

Options parse(int argc, char** argv) {
    Options options;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string name = argv[i];
        if (name == "--frames") {
            options.frames = std::strtoul(argv[i + 1], nullptr, 10);
        } else if (name == "--runs") {
            options.runs = std::max(1, std::atoi(argv[i + 1]));
        } else {
            std::fprintf(stderr, "Usage: %s [--frames N] [--runs N]\n", argv[0]);
            std::exit(2);
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
    VethPair pair;
    std::printf("veth pair across two namespaces, %lu frames per run, best of %d runs\n",
                options.frames, options.runs);
    for (size_t length : {60u, 1514u})
        compareTransmit(pair, options, length);
    for (size_t length : {60u, 1514u})
        transmitIntoReceiver(pair, options, length);
    return 0;
}
