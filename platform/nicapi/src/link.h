// The adapter's membership of a network: joining after a restart, joined, or out of a network
// for one of the reasons that the port status codes tell apart.
#pragma once

#include <chrono>
#include <optional>

#include "radio.h"

namespace nicapi {

using Clock = std::chrono::steady_clock;

// What a join looks at: the settings in force, the channels the adapter can use, the air.
struct JoinContext {
    const AdapterSettings& settings;
    ChannelSet plan;
    Air air;
    const MacAddress& mac;
};

class Link {
public:
    // Starts a join that completes at `due` (at the first settle() from then on).
    void start(Clock::time_point due);
    void settle(Clock::time_point now, const JoinContext& context);
    // The SSID in force changed: the adapter leaves its network until the next restart.
    void leave();
    // The stations on the air changed: a joined adapter stays while its station still fits,
    // otherwise it (and an adapter that is searching) tries to join again.
    void airChanged(const JoinContext& context);

    PortStatus status() const { return status_; }
    bool joined() const { return network_.has_value(); }
    const std::optional<Network>& network() const { return network_; }

private:
    void join(const JoinContext& context);

    PortStatus status_ = PortStatus::kScanning;
    std::optional<Network> network_;
    std::optional<Clock::time_point> due_;
};

}  // namespace nicapi
