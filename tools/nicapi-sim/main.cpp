// nicapi-sim: changes the simulated radio environment of programs that use libnicapi.so while
// they run: pulls or inserts a card, lets the system's wireless service take or release an
// adapter, moves, adds or removes stations. The library notices at its next call.
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "environment.h"
#include "environment_edit.h"
#include "environment_file.h"

namespace {

using nicapi::EditResult;
using nicapi::EnvironmentEditor;

enum Exit { kDone = 0, kFailed = 1, kUsage = 2 };

constexpr const char* kUsageText =
    "usage: nicapi-sim COMMAND\n"
    "\n"
    "  pull [ADAPTER]              pull the card out (default: the first wireless one in)\n"
    "  insert [ADAPTER]            plug the card in (default: the first wireless one out)\n"
    "  wzc take|release [ADAPTER]  the system's wireless service takes or releases the\n"
    "                              adapter (default: the first wireless one)\n"
    "  station SSID|BSSID signal DBM\n"
    "                              move a station: its signal level in dBm (-100..0)\n"
    "  station add SSID channel CH signal DBM [wep KEYHEX] [adhoc] [bssid MAC]\n"
    "                              put a new station on the air; KEYHEX is 10 or 26\n"
    "                              hexadecimal digits\n"
    "  station remove SSID|BSSID   take a station off the air\n"
    "  show                        print the environment\n"
    "  --help                      print this text\n"
    "\n"
    "ADAPTER is an adapter's label (the [adapter LABEL] of the file), instance id or name.\n"
    "The environment file is NICAPI_ENVIRONMENT, else nicapi-environment.ini beside\n"
    "libnicapi.so. Exit status: 0 changed, 1 not changed (no such adapter or station, bad\n"
    "file), 2 bad usage.\n";

using Arguments = std::vector<std::string_view>;

int usageError(const std::string& message) {
    std::fprintf(stderr, "nicapi-sim: %s\n%s", message.c_str(), kUsageText);
    return kUsage;
}

std::optional<int> signalArgument(std::string_view text) {
    const auto value = nicapi::parseInteger(text);
    if (!value || *value < -100 || *value > 0) return std::nullopt;
    return static_cast<int>(*value);
}

// "add SSID channel CH signal DBM [wep KEYHEX] [adhoc] [bssid MAC]" into a station, or why not.
std::optional<nicapi::Station> stationArguments(const Arguments& args, std::string& problem) {
    nicapi::Station station;
    station.ssid = args.at(0);
    bool channel = false;
    bool signal = false;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string_view word = args[i];
        if (word == "adhoc") {
            station.mode = nicapi::NetworkMode::kAdHoc;
            continue;
        }
        if (i + 1 >= args.size()) {
            problem = "missing value after " + std::string(word);
            return std::nullopt;
        }
        const std::string_view value = args[++i];
        bool good = true;
        if (word == "channel") {
            const auto number = nicapi::parseInteger(value);
            good = number && *number >= nicapi::kFirstChannel && *number <= nicapi::kLastChannel;
            if (good) station.channel = static_cast<int>(*number);
            channel = good;
        } else if (word == "signal") {
            const auto dbm = signalArgument(value);
            good = dbm.has_value();
            if (good) station.signalDbm = *dbm;
            signal = good;
        } else if (word == "wep") {
            const auto key = nicapi::parseHexBytes(value);
            good = key && (key->size() == 5 || key->size() == 13);
            if (good) station.wepKey = *key;
        } else if (word == "bssid") {
            const auto bssid = nicapi::parseMac(value);
            good = bssid.has_value();
            if (good) station.bssid = *bssid;
        } else {
            problem = "unknown word \"" + std::string(word) + "\"";
            return std::nullopt;
        }
        if (!good) {
            problem = "bad " + std::string(word) + " \"" + std::string(value) + "\"";
            return std::nullopt;
        }
    }
    if (!channel || !signal || station.ssid.empty() || station.ssid.size() > 32) {
        problem = "a new station needs an SSID of 1..32 characters, a channel and a signal";
        return std::nullopt;
    }
    return station;
}

std::string_view optionalAdapter(const Arguments& args, std::size_t at) {
    return args.size() > at ? args[at] : std::string_view();
}

// Runs the edit command on the editor; nullopt with `problem` set for bad usage.
std::optional<EditResult> edit(EnvironmentEditor& editor, const Arguments& args,
                               std::string& problem) {
    const std::string_view command = args[0];
    if (command == "pull" && args.size() <= 2) return editor.pull(optionalAdapter(args, 1));
    if (command == "insert" && args.size() <= 2) return editor.insert(optionalAdapter(args, 1));
    if (command == "wzc" && (args.size() == 2 || args.size() == 3) &&
        (args[1] == "take" || args[1] == "release")) {
        return editor.setWzc(optionalAdapter(args, 2), args[1] == "take");
    }
    if (command == "station" && args.size() >= 3 && args[1] == "add") {
        const auto station = stationArguments(Arguments(args.begin() + 2, args.end()), problem);
        if (!station) return std::nullopt;
        return editor.addStation(*station);
    }
    if (command == "station" && args.size() == 3 && args[1] == "remove")
        return editor.removeStation(args[2]);
    if (command == "station" && args.size() == 4 && args[2] == "signal") {
        const auto dbm = signalArgument(args[3]);
        if (!dbm) {
            problem = "bad signal \"" + std::string(args[3]) + "\" (dBm, -100..0)";
            return std::nullopt;
        }
        return editor.setSignal(args[1], *dbm);
    }
    problem = "unknown command or wrong arguments";
    return std::nullopt;
}

int run(const Arguments& args) {
    if (args.empty()) return usageError("missing command");
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h" || args[0] == "help")) {
        std::fputs(kUsageText, stdout);
        return kDone;
    }
    const std::string path = nicapi_sim::environmentFilePath();
    std::string error;
    const auto text = nicapi::readTextFile(path, error);
    if (!text) {
        std::fprintf(stderr, "nicapi-sim: %s\n", error.c_str());
        return kFailed;
    }
    auto editor = EnvironmentEditor::load(*text, path, error);
    if (!editor) {
        std::fprintf(stderr, "nicapi-sim: %s\n", error.c_str());
        return kFailed;
    }
    if (args[0] == "show" && args.size() == 1) {
        const auto environment = nicapi::parseEnvironment(*text, path).environment;
        std::printf("%s\n%s", path.c_str(), nicapi::describeEnvironment(*environment).c_str());
        return kDone;
    }
    std::string problem;
    const auto result = edit(*editor, args, problem);
    if (!result) return usageError(problem);
    if (!result->done) {
        std::fprintf(stderr, "nicapi-sim: %s\n", result->message.c_str());
        return kFailed;
    }
    if (!nicapi_sim::replaceFile(path, editor->document().text(), error)) {
        std::fprintf(stderr, "nicapi-sim: %s\n", error.c_str());
        return kFailed;
    }
    std::printf("%s\n", result->message.c_str());
    return kDone;
}

}  // namespace

int main(int argc, char** argv) {
    return run(Arguments(argv + 1, argv + argc));
}
