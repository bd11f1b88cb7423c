// The library's state for the whole process: the environment in use, the adapters and their
// handles, behind one mutex. Every entry runs under the lock, after a look at the environment
// file.
#pragma once

#include <memory>
#include <mutex>
#include <string_view>
#include <vector>

#include "adapter.h"
#include "environment_source.h"
#include "handle_table.h"

namespace nicapi {

class Library {
public:
    static Library& instance();

    // Runs `action(library)` under the lock with the environment brought up to date.
    template <typename Action>
    auto locked(Action&& action) {
        std::lock_guard lock(mutex_);
        refresh();
        return action(*this);
    }

    const SystemAnswers& system() const { return system_; }
    Air air() const { return stations_; }
    Clock::time_point joinTime() const;

    // Adapters whose card is in, in the environment's order.
    std::vector<const Adapter*> presentAdapters(bool wirelessOnly) const;
    // A present wireless adapter named by the instance id (first four characters), else by the
    // listed name.
    Adapter* findPresent(std::string_view name, std::string_view instanceId);

    int32_t open(Adapter& adapter) { return handles_.open(adapter); }
    bool close(int32_t handle) { return handles_.close(handle); }
    // The open adapter of the handle, its link brought up to date; null when not open.
    Adapter* openAdapter(int32_t handle);

private:
    Library() = default;

    void refresh();
    void startOver(Environment environment);
    void update(Environment environment);

    std::mutex mutex_;
    EnvironmentSource source_;
    SystemAnswers system_;
    RadioOptions radio_;
    std::vector<Station> stations_;
    std::vector<std::unique_ptr<Adapter>> adapters_;
    HandleTable handles_;
};

}  // namespace nicapi
