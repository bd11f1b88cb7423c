#include "library.h"

#include <algorithm>

#include "driver_key.h"

namespace nicapi {

Library& Library::instance() {
    static Library library;
    return library;
}

Clock::time_point Library::joinTime() const {
    return Clock::now() + std::chrono::milliseconds(radio_.joinDelayMs);
}

void Library::refresh() {
    auto change = source_.poll();
    if (!change) return;
    if (change->otherFile) {
        startOver(std::move(change->environment));
    } else {
        update(std::move(change->environment));
    }
}

// Another machine: new adapters, whose cards have been in for a while.
void Library::startOver(Environment environment) {
    system_ = environment.system;
    radio_ = environment.radio;
    stations_ = std::move(environment.stations);
    handles_.clear();
    adapters_.clear();
    const Clock::time_point now = Clock::now();
    for (const AdapterSpec& spec : environment.adapters) {
        auto adapter = std::make_unique<Adapter>(spec);
        if (spec.present) {
            adapter->powerOn(now);
            adapter->settle(now, stations_);
        }
        adapters_.push_back(std::move(adapter));
    }
    recordHardwareIds(environment.adapters, system_.windows95);
}

// The same machine: cards pulled or inserted, the system service, the stations on the air.
void Library::update(Environment environment) {
    radio_ = environment.radio;
    stations_ = std::move(environment.stations);
    for (const auto& adapter : adapters_) {
        const auto spec =
            std::ranges::find(environment.adapters, adapter->spec().label, &AdapterSpec::label);
        if (spec == environment.adapters.end()) continue;
        adapter->setWzcManaged(spec->wzcManaged);
        if (adapter->present() && !spec->present) {
            handles_.drop(*adapter);
            adapter->pull();
        } else if (!adapter->present() && spec->present) {
            adapter->powerOn(joinTime());
        }
        if (adapter->present()) adapter->airChanged(stations_);
    }
}

std::vector<const Adapter*> Library::presentAdapters(bool wirelessOnly) const {
    std::vector<const Adapter*> adapters;
    for (const auto& adapter : adapters_) {
        if (adapter->present() && (adapter->spec().wireless || !wirelessOnly))
            adapters.push_back(adapter.get());
    }
    return adapters;
}

Adapter* Library::findPresent(std::string_view name, std::string_view instanceId) {
    const auto wireless = [](const auto& adapter) {
        return adapter->present() && adapter->spec().wireless;
    };
    instanceId = instanceId.substr(0, 4);
    for (const auto& adapter : adapters_)
        if (wireless(adapter) && !instanceId.empty() && adapter->spec().instanceId == instanceId)
            return adapter.get();
    for (const auto& adapter : adapters_)
        if (wireless(adapter) && !name.empty() &&
            listedName(adapter->spec(), system_.windows95) == name)
            return adapter.get();
    return nullptr;
}

Adapter* Library::openAdapter(int32_t handle) {
    Adapter* adapter = handles_.find(handle);
    if (adapter == nullptr || !adapter->present()) return nullptr;
    adapter->settle(Clock::now(), stations_);
    return adapter;
}

}  // namespace nicapi
