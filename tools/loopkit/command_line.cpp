#include "command_line.h"

#include <loopkit/loopkit.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <functional>
#include <set>

namespace loopkit_cli {
namespace {

constexpr long long kMaxFrames = 4294967295LL;  // the engines count in 32 bits
constexpr long long kMaxIntervalMs = 3600000;
constexpr double kMaxSeconds = 2000000;  // 23 days: the milliseconds fit an int

// Sets what one option asks for; returns an error text, or "" when the value fits.
using Setter = std::function<std::string(Request&, const std::string& value)>;

struct Option {
    const char* name;
    bool takesValue;
    Setter set;
};

std::optional<long long> wholeNumber(std::string_view text, long long min, long long max) {
    long long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) return {};
    if (value < min || value > max) return {};
    return value;
}

std::string rangeError(const char* option, const std::string& value, const std::string& range) {
    return std::string(option) + " takes " + range + ", not '" + value + "'";
}

// A number of seconds, fractions allowed, as milliseconds (at least 1).
std::string setSeconds(int& ms, const char* option, const std::string& v) {
    double value = 0;
    const auto [end, error] = std::from_chars(v.data(), v.data() + v.size(), value);
    if (v.empty() || error != std::errc() || end != v.data() + v.size() || !(value > 0) ||
        value > kMaxSeconds)
        return rangeError(option, v, "a number of seconds above 0, at most 2000000");
    ms = std::max(1, static_cast<int>(std::lround(value * 1000)));
    return {};
}

std::string setFrames(unsigned long& frames, const std::string& v) {
    const auto value = wholeNumber(v, 0, kMaxFrames);
    if (!value) return rangeError("--frames", v, "a count from 0 to 4294967295");
    frames = static_cast<unsigned long>(*value);
    return {};
}

std::string setLength(int& length, const std::string& v, bool randomAllowed) {
    if (randomAllowed && v == "random") {
        length = kRandomLength;
        return {};
    }
    const auto value = wholeNumber(v, kMinFrameLength, kMaxFrameLength);
    if (!value)
        return rangeError("--length", v, randomAllowed ? "60..1514 or 'random'" : "60..1514");
    length = static_cast<int>(*value);
    return {};
}

std::string setMac(std::optional<loopkit::MacBytes>& mac, const char* option,
                   const std::string& v) {
    mac = parseMac(v);
    if (!mac)
        return rangeError(option, v, "an address of six hexadecimal bytes (02:00:00:00:00:07)");
    return {};
}

std::string setInterval(int& intervalMs, const std::string& v) {
    const auto value = wholeNumber(v, 0, kMaxIntervalMs);
    if (!value) return rangeError("--interval", v, "milliseconds from 0 to 3600000");
    intervalMs = static_cast<int>(*value);
    return {};
}

Setter pattern(std::optional<std::string> RxOptions::*field) {
    return [field](Request& r, const std::string& v) -> std::string {
        if (v.empty()) return "a receive pattern needs at least one character";
        r.rx.*field = v;
        return {};
    };
}

std::vector<Option> commonOptions() {
    return {
        {"--json", false, [](Request& r, const std::string&) { return r.json = true, ""; }},
        {"--timeout", true,
         [](Request& r, const std::string& v) { return setSeconds(r.timeoutMs, "--timeout", v); }},
    };
}

std::vector<Option> txOptions() {
    return {
        {"--frames", true,
         [](Request& r, const std::string& v) { return setFrames(r.tx.frames, v); }},
        {"--length", true,
         [](Request& r, const std::string& v) { return setLength(r.tx.frameLength, v, true); }},
        {"--pattern", true,
         [](Request& r, const std::string& v) -> std::string {
             const auto value = wholeNumber(v, 0, 5);
             if (!value) return rangeError("--pattern", v, "a code from 0 to 5");
             r.tx.pattern = static_cast<int>(*value);
             return {};
         }},
        {"--text", true,
         [](Request& r, const std::string& v) -> std::string {
             if (v.empty() || v.size() > kMaxFrameLength - kHeaderLength)
                 return "--text takes 1 to 1490 characters";
             r.tx.text = v;
             return {};
         }},
        {"--fill", true,
         [](Request& r, const std::string& v) -> std::string {
             const auto value = wholeNumber(v, 0, 255);
             if (!value) return rangeError("--fill", v, "a byte from 0 to 255");
             r.tx.fill = static_cast<unsigned char>(*value);
             return {};
         }},
        {"--to", true, [](Request& r, const std::string& v) { return setMac(r.tx.to, "--to", v); }},
        {"--interval", true,
         [](Request& r, const std::string& v) { return setInterval(r.tx.intervalMs, v); }},
        {"--no-checksum", false,
         [](Request& r, const std::string&) { return r.tx.checksum = false, ""; }},
        {"--no-numbering", false,
         [](Request& r, const std::string&) { return r.tx.numbering = false, ""; }},
        {"--swap", false, [](Request& r, const std::string&) { return r.tx.swap = true, ""; }},
    };
}

std::vector<Option> rxOptions() {
    return {
        {"--frames", true,
         [](Request& r, const std::string& v) { return setFrames(r.rx.frames, v); }},
        {"--from", true,
         [](Request& r, const std::string& v) { return setMac(r.rx.from, "--from", v); }},
        {"--idle", true,
         [](Request& r, const std::string& v) { return setSeconds(r.rx.idleMs, "--idle", v); }},
        {"--report", true,
         [](Request& r, const std::string& v) -> std::string {
             if (v.empty()) return "--report needs a file name";
             r.rx.report = v;
             return {};
         }},
        {"--condition", true,
         [](Request& r, const std::string& v) -> std::string {
             // The engine has no condition for good frames alone: "good" reports every frame,
             // and each record says whether it was good.
             if (v == "all" || v == "good") {
                 r.rx.condition = REPORT_ALL;
             } else if (v == "bad") {
                 r.rx.condition = REPORT_ONLY_BAD;
             } else if (v == "lost") {
                 r.rx.condition = REPORT_ONLY_LOST;
             } else {
                 return rangeError("--condition", v, "all, good, bad or lost");
             }
             return {};
         }},
        {"--dump", false, [](Request& r, const std::string&) { return r.rx.dump = true, ""; }},
        {"--no-payload-check", false,
         [](Request& r, const std::string&) { return r.rx.payloadCheck = false, ""; }},
        {"--no-lost-check", false,
         [](Request& r, const std::string&) { return r.rx.sequenceCheck = false, ""; }},
        {"--accept-all", false,
         [](Request& r, const std::string&) { return r.rx.acceptAll = true, ""; }},
        {"--swap", false, [](Request& r, const std::string&) { return r.rx.swap = true, ""; }},
        {"--start-pattern", true, pattern(&RxOptions::startPattern)},
        {"--end-pattern", true, pattern(&RxOptions::endPattern)},
        {"--expected-pattern", true, pattern(&RxOptions::expectedPattern)},
    };
}

std::vector<Option> twoWayOptions() {
    return {
        {"--server", false,
         [](Request& r, const std::string&) { return r.twoWay.server = true, ""; }},
        {"--client", false,
         [](Request& r, const std::string&) { return r.twoWay.server = false, ""; }},
        {"--frames", true,
         [](Request& r, const std::string& v) { return setFrames(r.twoWay.frames, v); }},
        {"--length", true,
         [](Request& r, const std::string& v) {
             return setLength(r.twoWay.frameLength, v, false);
         }},
        {"--interval", true,
         [](Request& r, const std::string& v) { return setInterval(r.twoWay.intervalMs, v); }},
    };
}

std::vector<Option> optionsOf(Mode mode) {
    std::vector<Option> options = commonOptions();
    std::vector<Option> own = mode == Mode::kTx   ? txOptions()
                              : mode == Mode::kRx ? rxOptions()
                                                  : twoWayOptions();
    options.insert(options.end(), own.begin(), own.end());
    return options;
}

// What the options say together.
std::string crossCheck(Request& r, const std::set<std::string>& given) {
    auto has = [&](const char* name) { return given.contains(name); };
    switch (r.mode) {
        case Mode::kTx:
            if (has("--text") && !has("--pattern")) r.tx.pattern = 5;
            if (r.tx.pattern == 5 && r.tx.text.empty()) return "pattern 5 needs --text TEXT";
            if (r.tx.pattern != 5 && has("--text")) return "--text goes with pattern 5 only";
            if (has("--fill") && r.tx.pattern != 3) return "--fill goes with pattern 3 only";
            break;
        case Mode::kRx:
            if (r.rx.report.empty() && (has("--condition") || has("--dump")))
                return "--condition and --dump describe the --report file: give --report FILE";
            if (r.rx.acceptAll) r.rx.payloadCheck = r.rx.sequenceCheck = false;
            break;
        case Mode::kTwoWay:
            if (has("--server") == has("--client")) return "give either --server or --client";
            if (r.twoWay.server && !has("--frames")) r.twoWay.frames = 0;
            break;
    }
    return {};
}

Parsed fail(Parsed parsed, std::string error) {
    parsed.error = std::move(error);
    return parsed;
}

}  // namespace

const char* modeName(Mode mode) {
    switch (mode) {
        case Mode::kTx:
            return "tx";
        case Mode::kRx:
            return "rx";
        case Mode::kTwoWay:
            return "2way";
    }
    return "";
}

std::optional<loopkit::MacBytes> parseMac(std::string_view text) {
    auto hex = [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; };
    auto separator = [](char c) { return c == ':' || c == '-' || c == ' ' || c == '.'; };
    std::string digits;
    size_t groups = 0, groupLength = 0;
    for (size_t i = 0; i <= text.size(); ++i) {
        if (i < text.size() && hex(text[i])) {
            digits += text[i];
            ++groupLength;
            continue;
        }
        if (i < text.size() && !separator(text[i])) return std::nullopt;
        if (groupLength == 0) return std::nullopt;  // empty text, or two separators in a row
        // Pairs between separators, or twelve digits without any.
        if (groupLength == 1) digits.insert(digits.end() - 1, '0');
        ++groups;
        groupLength = 0;
    }
    if (digits.size() != 12 || (groups != 1 && groups != 6)) return std::nullopt;
    loopkit::MacBytes mac{};
    for (size_t i = 0; i < mac.size(); ++i)
        mac[i] = static_cast<uint8_t>(std::stoi(digits.substr(2 * i, 2), nullptr, 16));
    return mac;
}

Parsed parseCommandLine(const std::vector<std::string>& args) {
    Parsed parsed;
    if (args.empty()) return fail(parsed, "no mode given: tx, rx or 2way");
    if (args[0] == "--help" || args[0] == "-h") {
        parsed.help = true;
        if (args.size() > 1) return fail(parsed, "unexpected argument: " + args[1]);
        return parsed;
    }
    if (args[0] == "tx") parsed.mode = Mode::kTx;
    if (args[0] == "rx") parsed.mode = Mode::kRx;
    if (args[0] == "2way") parsed.mode = Mode::kTwoWay;
    if (!parsed.mode) return fail(parsed, "unknown mode '" + args[0] + "': tx, rx or 2way");

    Request request;
    request.mode = *parsed.mode;
    const std::vector<Option> options = optionsOf(request.mode);
    std::set<std::string> given;
    std::vector<std::string> positional;
    for (size_t i = 1; i < args.size(); ++i) {
        std::string arg = args[i];
        if (arg == "--help" || arg == "-h") {
            request.help = true;
            parsed.request = request;
            return parsed;
        }
        if (arg.size() < 2 || arg[0] != '-') {
            positional.push_back(arg);
            continue;
        }
        std::optional<std::string> value;
        if (const size_t equals = arg.find('='); arg.starts_with("--") && equals != arg.npos) {
            value = arg.substr(equals + 1);
            arg.resize(equals);
        }
        const auto option = std::find_if(options.begin(), options.end(),
                                         [&](const Option& o) { return arg == o.name; });
        if (option == options.end())
            return fail(parsed, "unknown option " + arg + " for " + args[0]);
        if (!given.insert(arg).second) return fail(parsed, arg + " given twice");
        if (option->takesValue && !value) {
            if (i + 1 == args.size()) return fail(parsed, arg + " needs a value");
            value = args[++i];
        } else if (!option->takesValue && value) {
            return fail(parsed, arg + " takes no value");
        }
        if (std::string error = option->set(request, value.value_or("")); !error.empty())
            return fail(parsed, error);
    }
    if (positional.empty())
        return fail(parsed, "no interface given (a name like eth1, or mem:NAME)");
    if (positional.size() > 1) return fail(parsed, "unexpected argument: " + positional[1]);
    request.interface = positional[0];
    if (std::string error = crossCheck(request, given); !error.empty()) return fail(parsed, error);
    parsed.request = request;
    return parsed;
}

}  // namespace loopkit_cli
