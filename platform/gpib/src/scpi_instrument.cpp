#include "scpi_instrument.h"

#include <cstdio>
#include <utility>

namespace gpibsim {
namespace {

constexpr std::size_t kErrorQueueSize = 10;

}  // namespace

std::string formatNumber(const char* format, double value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

ScpiInstrument::ScpiInstrument(std::string identity) : identity_(std::move(identity)) {
    addCommonRoutes();
}

void ScpiInstrument::addCommonRoutes() {
    addCommand("*CLS", [this](const Invocation&) { errors_.clear(); });
    addCommand("*RST", [this](const Invocation&) { reset(); });
    addCommand("*WAI", [](const Invocation&) {});
    addQuery("*IDN", [this](const Invocation&) { reply(identity_); });
    addQuery("*OPC", [this](const Invocation&) { reply("1"); });
    addQuery("SYSTem:ERRor[:NEXT]", [this](const Invocation&) { reply(popError()); });
}

void ScpiInstrument::addCommand(std::string_view spec, Handler handler) {
    routes_.push_back({scpi::HeaderPattern(spec), false, std::move(handler)});
}

void ScpiInstrument::addQuery(std::string_view spec, Handler handler) {
    routes_.push_back({scpi::HeaderPattern(spec), true, std::move(handler)});
}

void ScpiInstrument::receive(std::string_view bytes) {
    while (!bytes.empty()) {
        const auto end = std::min(bytes.find('\n'), bytes.size());
        handleMessage(bytes.substr(0, end));
        bytes.remove_prefix(std::min(end + 1, bytes.size()));
    }
}

void ScpiInstrument::handleMessage(std::string_view message) {
    const auto commands = scpi::parseMessage(message);
    if (commands.empty()) return;
    clear();
    replies_.clear();
    for (const auto& command : commands)
        execute(command);
    if (replies_.empty()) return;
    for (std::size_t i = 0; i < replies_.size(); ++i) {
        if (i > 0) reply_ += ';';
        reply_ += replies_[i];
    }
    reply_ += '\n';
}

void ScpiInstrument::execute(const scpi::Command& command) {
    for (const auto& route : routes_) {
        if (route.query != command.query) continue;
        if (auto suffixes = route.pattern.match(command)) {
            route.handler(Invocation{std::move(*suffixes), command.parameters});
            return;
        }
    }
    fail(kUndefinedHeader);
}

void ScpiInstrument::clear() {
    reply_.clear();
    replyOffset_ = 0;
}

ReplyChunk ScpiInstrument::read(std::size_t maxBytes) {
    ReplyChunk chunk;
    chunk.bytes = reply_.substr(replyOffset_, maxBytes);
    replyOffset_ += chunk.bytes.size();
    chunk.end = replyOffset_ == reply_.size();
    if (chunk.end) clear();
    return chunk;
}

void ScpiInstrument::reply(std::string text) {
    replies_.push_back(std::move(text));
}

void ScpiInstrument::fail(ScpiError error) {
    if (errors_.size() < kErrorQueueSize) {
        errors_.push_back(error);
    } else {
        errors_.back() = kQueueOverflow;
    }
}

std::string ScpiInstrument::popError() {
    if (errors_.empty()) return "0,\"No error\"";
    const ScpiError error = errors_.front();
    errors_.pop_front();
    return std::to_string(error.code) + ",\"" + std::string(error.message) + "\"";
}

std::optional<double> ScpiInstrument::quantity(const Invocation& invocation, scpi::Quantity unit) {
    if (invocation.parameters.empty()) {
        fail(kMissingParameter);
        return std::nullopt;
    }
    auto value = scpi::parseQuantity(invocation.parameters, unit);
    if (!value) fail(kIllegalParameter);
    return value;
}

std::optional<bool> ScpiInstrument::boolean(const Invocation& invocation) {
    if (invocation.parameters.empty()) {
        fail(kMissingParameter);
        return std::nullopt;
    }
    auto value = scpi::parseBoolean(invocation.parameters);
    if (!value) fail(kIllegalParameter);
    return value;
}

std::optional<std::size_t> ScpiInstrument::choice(const Invocation& invocation,
                                                  const std::vector<std::string_view>& mnemonics) {
    if (invocation.parameters.empty()) {
        fail(kMissingParameter);
        return std::nullopt;
    }
    for (std::size_t i = 0; i < mnemonics.size(); ++i) {
        if (scpi::matchesMnemonic(invocation.parameters, mnemonics[i])) return i;
    }
    fail(kIllegalParameter);
    return std::nullopt;
}

}  // namespace gpibsim
