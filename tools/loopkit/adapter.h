// An interface opened through the packet driver, with the adapter record the engines take, and
// engine handles that close themselves.
#pragma once

#include <loopkit/loopkit.h>

#include <memory>
#include <string>

namespace loopkit_cli {

class OpenedAdapter {
public:
    // Opens `name` (an interface, or mem:NAME); ok() says whether it worked, reason() why not.
    explicit OpenedAdapter(const std::string& name);
    ~OpenedAdapter();
    OpenedAdapter(const OpenedAdapter&) = delete;
    OpenedAdapter& operator=(const OpenedAdapter&) = delete;

    bool ok() const { return info_.AdapterHandle > 0; }
    WLAdapterInfo* info() { return &info_; }
    const std::string& reason() const { return reason_; }

private:
    WLAdapterInfo info_{};
    std::string reason_;
};

// Why the driver refused an interface: its error code in words, and the system's own text.
std::string openFailureReason(unsigned long code, int systemError);

struct EngineCloser {
    void operator()(void* engine) const { KvTxClose(engine); }  // either kind of engine
};
using Engine = std::unique_ptr<void, EngineCloser>;

}  // namespace loopkit_cli
