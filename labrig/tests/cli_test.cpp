// Runs the labrig program on the simulated bus and checks what it prints and how it exits.
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>

#include "support/run_program.h"

namespace {

using testsupport::Outcome;

class LabrigCli : public ::testing::Test {
protected:
    void SetUp() override {
        config_ = testing::TempDir() + "labrig_cli_" + std::to_string(getpid()) + ".conf";
        setenv("LABRIG_GPIB_LIBRARY", GPIBSIM_PATH, 1);
        setenv("GPIBSIM_CONFIG", config_.c_str(), 1);
        unsetenv("GPIBSIM_LOG");
        useBus(
            "[analyser]\nnoise_dbm = -140\ncarrier_mhz = 2437.012\ncarrier_dbm = -20\n"
            "sidelobe = 11 -33.5 -32.0\nsidelobe = 22 -54.0 -53.2\n"
            "[powermeter]\npower_dbm = 15.3\n");
    }
    void TearDown() override { std::remove(config_.c_str()); }

    void useBus(const std::string& config) { std::ofstream(config_) << config; }
    Outcome labrig(const std::vector<std::string>& args) {
        return testsupport::run(LABRIG_CLI_PATH, args);
    }

private:
    std::string config_;
};

TEST_F(LabrigCli, MeasuresWithUnits) {
    struct Case {
        std::vector<std::string> args;
        std::string out;
    } cases[] = {
        {{"setup", "--center", "2437", "--span", "60", "--ref", "0"},
         "Analyser: centre 2437 MHz, span 60 MHz, reference level 0 dBm, attenuation 10 dB\n"},
        {{"carrier", "--nominal", "2437"},
         "Carrier frequency: 2437 MHz\nFrequency error: 5 ppm (nominal 2437 MHz)\n"},
        {{"sidelobes", "--center", "2437", "--span", "60", "--ref", "0"},
         "First side lobe: -32.00 dB\nSecond side lobe: -53.20 dB\n"},
        {{"sidelobes", "--peak-search", "--center", "2437", "--span", "60", "--ref", "0"},
         "First side lobe: -32.00 dB\nSecond side lobe: -53.20 dB\n"},
        {{"spurious"}, "Spurious emissions: pass\n"},
        {{"power"}, "Data read: +1.53000000E+01\nOutput power: 15.30 dBm\n"},
    };
    for (const Case& c : cases) {
        Outcome outcome = labrig(c.args);
        EXPECT_EQ(outcome.status, 0) << c.args[0] << outcome.err;
        EXPECT_EQ(outcome.out, c.out) << c.args[0];
        if (c.args[0] != "setup") {  // measurements take seconds: they show progress
            EXPECT_NE(outcome.err.find("..."), std::string::npos) << c.args[0];
        }
    }
}

TEST_F(LabrigCli, NoCarrierIsNoResult) {
    useBus("[analyser]\ncarrier_dbm = -36\n");
    Outcome outcome = labrig({"sidelobes"});
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.out, "No carrier found (nothing above -35 dBm, or a bus error)\n");
}

TEST_F(LabrigCli, InstrumentThatCannotBeOpened) {
    useBus("[analyser]\naddress = 21\n");
    Outcome outcome = labrig({"carrier"});
    EXPECT_EQ(outcome.status, 3);
    EXPECT_EQ(outcome.err,
              "labrig: cannot open the spectrum analyser at GPIB address 20: no answer to a "
              "device clear\n");

    setenv("LABRIG_GPIB_LIBRARY", "/nonexistent/libgpib.so.0", 1);
    outcome = labrig({"power"});
    EXPECT_EQ(outcome.status, 3);
    EXPECT_EQ(outcome.err.rfind("labrig: cannot open the power meter at GPIB address 13: cannot "
                                "load the GPIB library /nonexistent/libgpib.so.0",
                                0),
              0u)
        << outcome.err;
}

TEST_F(LabrigCli, LoadTraceOnlyWhenAsked) {
    Outcome quiet = labrig({"--help"});
    EXPECT_EQ(quiet.err.find("LABRIG.DLL"), std::string::npos);

    setenv("LABRIG_TRACE", "1", 1);
    Outcome traced = labrig({"--help"});
    unsetenv("LABRIG_TRACE");
    EXPECT_EQ(traced.err, "LABRIG.DLL Initializing!\nLABRIG.DLL Terminating!\n");
}

TEST_F(LabrigCli, UsageErrors) {
    const std::vector<std::string> cases[] = {
        {},
        {"bogus"},
        {"carrier", "--nominal"},
        {"carrier", "--nominal", "24x7"},
        {"setup", "--center", "2437", "--span", "20"},
        {"power", "extra"},
        {"sidelobes", "--peak-search", "--peak-search"},
        {"sidelobes", "--center", "2437"},
    };
    for (const auto& args : cases) {
        Outcome outcome = labrig(args);
        EXPECT_EQ(outcome.status, 2) << (args.empty() ? "" : args[0]);
        EXPECT_EQ(outcome.err.rfind("labrig: ", 0), 0u) << outcome.err;
        EXPECT_NE(outcome.err.find("usage: labrig"), std::string::npos);
    }
    Outcome help = labrig({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("usage: labrig", 0), 0u);
}

}  // namespace
