// labrig: radio measurements from the command line, with the spectrum analyser and the power
// meter on the GPIB bus.
#include <dlfcn.h>

#include <algorithm>
#include <charconv>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <labrig/labrig.h>

namespace {

enum Exit { kDone = 0, kNoResult = 1, kUsage = 2, kNoInstrument = 3 };

constexpr const char* kUsageText =
    "usage: labrig COMMAND [OPTIONS]\n"
    "\n"
    "Spectrum analyser (GPIB address 20):\n"
    "  carrier [--nominal MHZ]                 carrier frequency near the centre; with a\n"
    "                                          nominal frequency: centred there, and the\n"
    "                                          frequency error in ppm\n"
    "  sidelobes [--peak-search] [--center MHZ --span MHZ --ref DBM]\n"
    "                                          side-lobe levels relative to the carrier,\n"
    "                                          after setting the analyser up if asked\n"
    "  spurious                                spurious-emission sweep, 100 MHz to 7.5 GHz\n"
    "  setup --center MHZ --span MHZ --ref DBM analyser centre, span and reference level\n"
    "Power meter (GPIB address 13):\n"
    "  power                                   output power\n"
    "\n"
    "The GPIB library is LABRIG_GPIB_LIBRARY, else libgpib.so.0.\n"
    "Exit status: 0 measured (spurious: pass), 1 no result (no carrier, bus error,\n"
    "spurious: fail), 2 bad usage, 3 the instrument cannot be opened.\n";

int usageError(const std::string& message) {
    std::fprintf(stderr, "labrig: %s\n%s", message.c_str(), kUsageText);
    return kUsage;
}

// Hundredths as a decimal number: -3213 -> "-32.13".
std::string hundredths(int value) {
    long long v = value;
    const char* sign = v < 0 ? "-" : "";
    if (v < 0) v = -v;
    char text[32];
    std::snprintf(text, sizeof text, "%s%lld.%02lld", sign, v / 100, v % 100);
    return text;
}

std::optional<int> parseInt(std::string_view text) {
    int value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

// Why an instrument did not open: the GPIB library itself, or the device.
std::string openFailureReason() {
    const char* configured = std::getenv("LABRIG_GPIB_LIBRARY");
    std::string path = configured && *configured ? configured : "libgpib.so.0";
    void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        const char* why = dlerror();
        return "cannot load the GPIB library " + path + (why ? std::string(": ") + why : "");
    }
    dlclose(library);
    return "no answer to a device clear";
}

bool openInstrument(bool analyser) {
    if ((analyser ? ChkSpecAna() : ChkPowMeter()) == 1) return true;
    std::fprintf(stderr, "labrig: cannot open the %s at GPIB address %d: %s\n",
                 analyser ? "spectrum analyser" : "power meter", analyser ? 20 : 13,
                 openFailureReason().c_str());
    return false;
}

void progress(const char* what) {
    std::fprintf(stderr, "%s...\n", what);
}

// Options of the form --name VALUE, each given at most once, all integers.
struct Options {
    std::vector<std::pair<std::string, int>> values;
    std::vector<std::string> flags;

    std::optional<int> value(std::string_view name) const {
        for (const auto& [n, v] : values)
            if (n == name) return v;
        return std::nullopt;
    }
    bool flag(std::string_view name) const {
        for (const std::string& f : flags)
            if (f == name) return true;
        return false;
    }
};

std::optional<Options> parseOptions(int argc, char** argv, std::vector<std::string_view> valued,
                                    std::vector<std::string_view> flags, std::string& error) {
    Options options;
    for (int i = 0; i < argc; ++i) {
        std::string_view arg = argv[i];
        auto is = [&](std::string_view name) { return name == arg; };
        if (std::find_if(flags.begin(), flags.end(), is) != flags.end() && !options.flag(arg)) {
            options.flags.emplace_back(arg);
        } else if (std::find_if(valued.begin(), valued.end(), is) != valued.end() &&
                   !options.value(arg)) {
            if (i + 1 == argc) return error = "missing value for " + std::string(arg), std::nullopt;
            std::optional<int> value = parseInt(argv[++i]);
            if (!value) {
                error = "not a whole number for " + std::string(arg) + ": " + argv[i];
                return std::nullopt;
            }
            options.values.emplace_back(arg, *value);
        } else {
            error = "unexpected argument: " + std::string(arg);
            return std::nullopt;
        }
    }
    return options;
}

// The analyser settings of --center, --span and --ref: none, or all three.
struct Settings {
    int centre, span, reference;
};

std::optional<Settings> settings(const Options& options, bool required, std::string& error) {
    std::optional<int> centre = options.value("--center");
    std::optional<int> span = options.value("--span");
    std::optional<int> reference = options.value("--ref");
    if (centre && span && reference) return Settings{*centre, *span, *reference};
    if (required || centre || span || reference) error = "give --center, --span and --ref together";
    return std::nullopt;
}

bool applySettings(const Settings& s) {
    if (SetSpecPars(s.centre, s.span, s.reference)) return true;
    std::printf("The analyser did not take the settings (bus error)\n");
    return false;
}

int carrier(const Options& options) {
    if (!openInstrument(true)) return kNoInstrument;
    std::optional<int> nominal = options.value("--nominal");
    if (nominal) SetSpecCenFrq(*nominal);  // the measurement looks 5 MHz either side of the centre
    progress("Measuring the carrier frequency");
    int frequency = ReadSpecCarrierFrq();
    int status = kDone;
    if (frequency == 0) {
        std::printf("No carrier found (nothing above -35 dBm, or a bus error)\n");
        status = kNoResult;
    } else {
        std::printf("Carrier frequency: %d MHz\n", frequency);
        if (nominal) {
            progress("Measuring the frequency error");
            int ppm = ReadSpecCarrierFrqAcc(static_cast<short>(*nominal));
            std::printf("Frequency error: %d ppm (nominal %d MHz)\n", ppm, *nominal);
        }
    }
    SpecOffLine();
    return status;
}

int sideLobes(const Options& options) {
    std::string error;
    std::optional<Settings> s = settings(options, false, error);
    if (!error.empty()) return usageError(error);
    if (!openInstrument(true)) return kNoInstrument;
    if (s && !applySettings(*s)) {
        SpecOffLine();
        return kNoResult;
    }
    bool peakSearch = options.flag("--peak-search");
    progress(peakSearch ? "Searching the side lobes" : "Measuring the side lobes");
    int first = INT_MIN, second = INT_MIN;  // an output the measurement did not write stays so
    int measured =
        peakSearch ? ReadSpecSideLobePwr1(&first, &second) : ReadSpecSideLobePwr(&first, &second);
    SpecOffLine();
    if (!measured) {
        std::printf("No carrier found (nothing above -35 dBm, or a bus error)\n");
        return kNoResult;
    }
    auto show = [](const char* name, int level) {
        if (level == INT_MIN)
            std::printf("%s: not found\n", name);
        else
            std::printf("%s: %s dB\n", name, hundredths(level).c_str());
    };
    show("First side lobe", first);
    show("Second side lobe", second);
    return kDone;
}

int spurious() {
    if (!openInstrument(true)) return kNoInstrument;
    progress("Sweeping 100 MHz to 7.5 GHz for spurious emissions");
    int pass = StartSpurSweetTest();
    SpecOffLine();
    std::printf("Spurious emissions: %s\n", pass ? "pass" : "fail");
    return pass ? kDone : kNoResult;
}

int power() {
    if (!openInstrument(false)) return kNoInstrument;
    progress("Reading the power meter");
    int level = ReadPowerMeter();
    PwrOffLine();
    // The library gives 0 for a failed reading too; only its "Data read" line tells them apart.
    std::printf("Output power: %s dBm%s\n", hundredths(level).c_str(),
                level == 0 ? " (also the result of a failed reading)" : "");
    return kDone;
}

int setup(const Options& options) {
    std::string error;
    std::optional<Settings> s = settings(options, true, error);
    if (!s) return usageError(error);
    if (!openInstrument(true)) return kNoInstrument;
    bool ok = applySettings(*s);
    SpecOffLine();
    if (!ok) return kNoResult;
    std::printf("Analyser: centre %d MHz, span %d MHz, reference level %d dBm, attenuation %d dB\n",
                s->centre, s->span, s->reference, s->reference + 10);
    return kDone;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return usageError("no command given");
    std::string_view command = argv[1];
    if (command == "-h" || command == "--help" || command == "help") {
        std::fputs(kUsageText, stdout);
        return kDone;
    }
    struct Command {
        std::string_view name;
        std::vector<std::string_view> valued, flags;
    };
    const Command commands[] = {
        {"carrier", {"--nominal"}, {}},
        {"sidelobes", {"--center", "--span", "--ref"}, {"--peak-search"}},
        {"spurious", {}, {}},
        {"power", {}, {}},
        {"setup", {"--center", "--span", "--ref"}, {}},
    };
    for (const Command& c : commands) {
        if (c.name != command) continue;
        std::string error;
        std::optional<Options> options = parseOptions(argc - 2, argv + 2, c.valued, c.flags, error);
        if (!options) return usageError(error);
        if (command == "carrier") return carrier(*options);
        if (command == "sidelobes") return sideLobes(*options);
        if (command == "spurious") return spurious();
        if (command == "power") return power();
        return setup(*options);
    }
    return usageError("unknown command: " + std::string(command));
}
