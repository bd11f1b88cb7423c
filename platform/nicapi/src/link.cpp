#include "link.h"

namespace nicapi {

void Link::start(Clock::time_point due) {
    status_ = PortStatus::kJoining;
    network_.reset();
    due_ = due;
}

void Link::settle(Clock::time_point now, const JoinContext& context) {
    if (!due_ || now < *due_) return;
    due_.reset();
    join(context);
}

void Link::leave() {
    status_ = PortStatus::kLeft;
    network_.reset();
    due_.reset();
}

void Link::airChanged(const JoinContext& context) {
    if (due_ || status_ == PortStatus::kLeft) return;
    if (network_ && !network_->own) {
        const Station* station = findStation(context.air, network_->bssid);
        if (station && acceptable(*station, context.settings, context.plan)) return;
    }
    const bool wasConnected = (network_ && !network_->own) || status_ == PortStatus::kLost;
    join(context);
    if (wasConnected && status_ == PortStatus::kScanning) status_ = PortStatus::kLost;
}

void Link::join(const JoinContext& context) {
    JoinOutcome outcome = chooseNetwork(context.settings, context.plan, context.air, context.mac);
    status_ = outcome.status;
    network_ = std::move(outcome.network);
}

}  // namespace nicapi
