#include "gpib_bus.h"

#include <cstdio>
#include <cstring>

namespace gpibsim {
namespace {

constexpr int kMaxPrimaryAddress = 30;
constexpr int kMinSecondaryAddress = 0x60;
constexpr int kMaxSecondaryAddress = 0x7e;
constexpr int kMaxTimeoutCode = 17;

CallStatus success(int bits, long count = 0) {
    return {kCmpl | bits, 0, count};
}

CallStatus failure(int error) {
    return {kErr | kCmpl, error, 0};
}

CallStatus timeout() {
    return {kErr | kTimo | kCmpl, kEabo, 0};
}

bool validAddress(int pad, int sad, int tmo) {
    const bool padOk = pad >= 0 && pad <= kMaxPrimaryAddress;
    const bool sadOk = sad == 0 || (sad >= kMinSecondaryAddress && sad <= kMaxSecondaryAddress);
    return padOk && sadOk && tmo >= 0 && tmo <= kMaxTimeoutCode;
}

bool validBuffer(const void* buffer, long count) {
    return count >= 0 && (buffer != nullptr || count == 0);
}

std::optional<int> errorOf(const CallStatus& status) {
    if ((status.ibsta & kErr) == 0) return std::nullopt;
    return status.iberr;
}

}  // namespace

OpenResult Bus::open(int board, int pad, int sad, int tmo, const BusEnvironment& environment) {
    std::lock_guard lock(mutex_);
    configure(environment);
    if (board != 0 || !boardPresent_) return {-1, failure(kEneb)};
    if (!validAddress(pad, sad, tmo)) return {-1, failure(kEarg)};
    const int ud = nextUd_++;
    descriptors_[ud] = {pad, sad};
    return {ud, success(0)};
}

void Bus::configure(const BusEnvironment& environment) {
    log_.open(environment.logPath);
    const ConfigResult result = loadConfig(environment.configPath);
    boardPresent_ = result.config.has_value();
    if (!boardPresent_) {
        std::fprintf(stderr, "gpibsim: %s\n", result.error.c_str());
        return;
    }
    apply(*result.config);
}

void Bus::apply(const SimConfig& config) {
    if (analyser_) {
        analyser_->setSignal(config.analyser);
        meter_->setPower(config.powerMeter.powerDbm);
    } else {
        analyser_ = std::make_unique<SpectrumAnalyser>(config.analyser);
        meter_ = std::make_unique<PowerMeter>(config.powerMeter.powerDbm);
    }
    analyserAddress_ = config.analyser.address;
    meterAddress_ = config.powerMeter.address;
}

const Bus::Descriptor* Bus::find(int ud) const {
    const auto found = descriptors_.find(ud);
    return found == descriptors_.end() ? nullptr : &found->second;
}

ScpiInstrument* Bus::listener(const Descriptor& descriptor) {
    if (descriptor.sad != 0) return nullptr;  // the instruments use primary addressing only
    if (descriptor.pad == analyserAddress_) return analyser_.get();
    if (descriptor.pad == meterAddress_) return meter_.get();
    return nullptr;
}

CallStatus Bus::setOnline(int ud, int online) {
    std::lock_guard lock(mutex_);
    if (find(ud) == nullptr) return failure(kEdvr);
    if (online == 0) descriptors_.erase(ud);
    return success(0);
}

CallStatus Bus::clear(int ud) {
    std::lock_guard lock(mutex_);
    const Descriptor* descriptor = find(ud);
    if (descriptor == nullptr) return failure(kEdvr);
    if (!boardPresent_) return failure(kEneb);
    ScpiInstrument* device = listener(*descriptor);
    if (device == nullptr) return failure(kEnol);
    device->clear();
    return success(kCic);
}

CallStatus Bus::write(int ud, const void* buffer, long count) {
    std::lock_guard lock(mutex_);
    const Descriptor* descriptor = find(ud);
    const bool argumentsOk = validBuffer(buffer, count);
    const std::string_view bytes = argumentsOk ? std::string_view(static_cast<const char*>(buffer),
                                                                  static_cast<std::size_t>(count))
                                               : std::string_view();
    if (descriptor == nullptr) return logWrite(std::nullopt, bytes, failure(kEdvr));
    const int pad = descriptor->pad;
    if (!argumentsOk) return logWrite(pad, bytes, failure(kEarg));
    if (!boardPresent_) return logWrite(pad, bytes, failure(kEneb));
    ScpiInstrument* device = listener(*descriptor);
    if (device == nullptr) return logWrite(pad, bytes, failure(kEnol));
    device->receive(bytes);
    return logWrite(pad, bytes, success(kCic, count));
}

CallStatus Bus::read(int ud, void* buffer, long count) {
    std::lock_guard lock(mutex_);
    const Descriptor* descriptor = find(ud);
    if (descriptor == nullptr) return logRead(std::nullopt, {}, failure(kEdvr));
    const int pad = descriptor->pad;
    if (!validBuffer(buffer, count)) return logRead(pad, {}, failure(kEarg));
    if (!boardPresent_) return logRead(pad, {}, failure(kEneb));
    ScpiInstrument* device = listener(*descriptor);
    if (device == nullptr || !device->hasReply()) return logRead(pad, {}, timeout());
    const ReplyChunk chunk = device->read(static_cast<std::size_t>(count));
    if (!chunk.bytes.empty()) std::memcpy(buffer, chunk.bytes.data(), chunk.bytes.size());
    const auto size = static_cast<long>(chunk.bytes.size());
    return logRead(pad, chunk.bytes, success(kCic | (chunk.end ? kEnd : 0), size));
}

CallStatus Bus::logWrite(std::optional<int> pad, std::string_view bytes, CallStatus status) {
    log_.record(Transfer::kWrite, pad, bytes, errorOf(status));
    return status;
}

CallStatus Bus::logRead(std::optional<int> pad, std::string_view bytes, CallStatus status) {
    log_.record(Transfer::kRead, pad, bytes, errorOf(status));
    return status;
}

}  // namespace gpibsim
