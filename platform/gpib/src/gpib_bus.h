// The simulated board 0: unit descriptors, the instruments at their addresses, call status.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string_view>

#include "bus_log.h"
#include "power_meter.h"
#include "sim_config.h"
#include "spectrum_analyser.h"

namespace gpibsim {

// ibsta bits.
inline constexpr int kErr = 0x8000;
inline constexpr int kTimo = 0x4000;
inline constexpr int kEnd = 0x2000;
inline constexpr int kCmpl = 0x0100;
inline constexpr int kCic = 0x0020;

// iberr values.
inline constexpr int kEdvr = 0;
inline constexpr int kEnol = 2;
inline constexpr int kEarg = 4;
inline constexpr int kEabo = 6;
inline constexpr int kEneb = 7;

// The status a call leaves behind. iberr only means something while ibsta has kErr.
struct CallStatus {
    int ibsta = 0;
    int iberr = 0;
    long ibcntl = 0;
};

struct OpenResult {
    int ud = -1;
    CallStatus status;
};

// Where ibdev looks: the configuration file and the log file (null: not set).
struct BusEnvironment {
    const char* configPath = nullptr;
    const char* logPath = nullptr;
};

class Bus {
public:
    OpenResult open(int board, int pad, int sad, int tmo, const BusEnvironment& environment);
    CallStatus clear(int ud);
    CallStatus setOnline(int ud, int online);
    CallStatus write(int ud, const void* buffer, long count);
    CallStatus read(int ud, void* buffer, long count);

private:
    struct Descriptor {
        int pad = 0;
        int sad = 0;
    };

    void configure(const BusEnvironment& environment);
    void apply(const SimConfig& config);
    const Descriptor* find(int ud) const;
    ScpiInstrument* listener(const Descriptor& descriptor);
    CallStatus logWrite(std::optional<int> pad, std::string_view bytes, CallStatus status);
    CallStatus logRead(std::optional<int> pad, std::string_view bytes, CallStatus status);

    std::mutex mutex_;
    std::map<int, Descriptor> descriptors_;
    int nextUd_ = 1;
    bool boardPresent_ = false;
    std::unique_ptr<SpectrumAnalyser> analyser_;
    std::unique_ptr<PowerMeter> meter_;
    int analyserAddress_ = -1;
    int meterAddress_ = -1;
    BusLog log_;
};

}  // namespace gpibsim
