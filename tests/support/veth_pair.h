// Test support: a veth pair whose two ends live in two fresh network namespaces, for tests and
// benchmarks that move frames over real interfaces. Needs root (or CAP_SYS_ADMIN and
// CAP_NET_ADMIN) and the `ip` program; available() says whether this machine can.
//
// Interfaces keep a fixed name ("kva" in the first namespace, "kvb" in the second); the
// namespaces are named after the process, so parallel test programs do not meet.
#pragma once

#include <fcntl.h>
#include <sched.h>
#include <unistd.h>

#include <cstdlib>
#include <stdexcept>
#include <string>

namespace testsupport {

class VethPair {
public:
    static constexpr const char* kFirst = "kva";
    static constexpr const char* kSecond = "kvb";

    // Why this machine cannot make a pair, or empty when it can.
    static std::string unavailableReason() {
        if (geteuid() != 0) return "needs root to create network namespaces";
        if (std::system("ip -V >/dev/null 2>&1") != 0) return "needs the ip program (iproute2)";
        return {};
    }

    VethPair() : prefix_("kv" + std::to_string(getpid()) + "-" + std::to_string(++count())) {
        run("ip netns add " + ns(0) + " && ip netns add " + ns(1));
        run("ip -n " + ns(0) + " link add " + std::string(kFirst) + " type veth peer name " +
            kSecond + " netns " + ns(1));
        for (int side = 0; side < 2; ++side) {
            const std::string name = side == 0 ? kFirst : kSecond;
            // No IPv6 chatter: the ends carry only the frames a test sends.
            run("ip netns exec " + ns(side) + " sysctl -q -w net.ipv6.conf.all.disable_ipv6=1");
            run("ip -n " + ns(side) + " link set " + name + " up");
        }
    }
    ~VethPair() { std::system(("ip netns del " + ns(0) + "; ip netns del " + ns(1)).c_str()); }
    VethPair(const VethPair&) = delete;
    VethPair& operator=(const VethPair&) = delete;

    // The namespace of end 0 ("kva") or 1 ("kvb").
    std::string ns(int side) const { return prefix_ + (side == 0 ? "a" : "b"); }

    // Runs open() with the calling thread inside the namespace of `side`; sockets made there
    // stay in it after the thread returns to its own namespace.
    template <typename Open>
    auto inside(int side, Open open) const {
        const int own = ::open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC);
        const int target = ::open(("/run/netns/" + ns(side)).c_str(), O_RDONLY | O_CLOEXEC);
        if (own < 0 || target < 0 || setns(target, CLONE_NEWNET) != 0)
            throw std::runtime_error("cannot enter namespace " + ns(side));
        auto result = open();
        setns(own, CLONE_NEWNET);
        ::close(target);
        ::close(own);
        return result;
    }

private:
    static int& count() {
        static int value = 0;
        return value;
    }
    static void run(const std::string& command) {
        if (std::system((command + " >/dev/null").c_str()) != 0)
            throw std::runtime_error("failed: " + command);
    }

    std::string prefix_;
};

}  // namespace testsupport
