// The measurements against the simulated bus: a spectrum analyser and a power meter whose
// input signal each case describes.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <labrig/labrig.h>

#include "portable.h"

namespace {

using labrigtest::setEnv;

// A quiet analyser input: the carrier, its side lobes and no noise worth the name, so that
// levels come out exact.
constexpr const char* kQuietCarrier =
    "[analyser]\n"
    "noise_dbm = -140\n"
    "carrier_mhz = 2437\n"
    "carrier_dbm = -20\n"
    "sidelobe = 11 -33.5 -32.0\n"
    "sidelobe = 22 -54.0 -53.2\n";

class LabrigSimTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string base =
            testing::TempDir() + "labrig_sim_" + std::to_string(labrigtest::processId());
        config_ = base + ".conf";
        log_ = base + ".log";
        setEnv("LABRIG_GPIB_LIBRARY", GPIBSIM_PATH);
        setEnv("GPIBSIM_CONFIG", config_.c_str());
        setEnv("GPIBSIM_LOG", log_.c_str());
        std::remove(log_.c_str());
    }
    void TearDown() override {
        // Opening a device again lets the bus close its log, which Windows cannot remove open.
        setEnv("GPIBSIM_LOG", "");
        ChkPowMeter();
        PwrOffLine();
        std::remove(config_.c_str());
        std::remove(log_.c_str());
    }

    // Describes the bus and opens the analyser, centred on 2437 MHz.
    void openAnalyser(const std::string& config) {
        std::ofstream(config_, std::ios::binary) << config;
        ASSERT_EQ(ChkSpecAna(), 1);
        ASSERT_EQ(SetSpecPars(2437, 60, 0), 1);
        std::ofstream(log_, std::ios::trunc);  // the bus keeps the log open
    }

    std::vector<std::string> log() const {
        std::ifstream in(log_);
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }

private:
    std::string config_;
    std::string log_;
};

TEST_F(LabrigSimTest, SetSpecParsSendsItsCommandsInOrder) {
    openAnalyser(kQuietCarrier);
    ASSERT_EQ(SetSpecPars(2437, 20, -10), 1);
    EXPECT_EQ(log(), (std::vector<std::string>{
                         R"(write 20 "DISP:TRAC:Y:RLEV -10dBm\n")",
                         R"(write 20 "INP:ATT 0dB\n")",
                         R"(write 20 "FREQ:CENT 2437MHZ\n")",
                         R"(write 20 "FREQ:SPAN 20MHZ\n")",
                         R"(write 20 "BAND 1MHZ\n")",
                         R"(write 20 "BAND:VID 100KHZ\n")",
                         R"(write 20 "CALC1:MARK:PEXC 2dB\n")",
                     }));
}

TEST_F(LabrigSimTest, CarrierTwelveKilohertzHigh) {
    openAnalyser("[analyser]\ncarrier_mhz = 2437.012\ncarrier_dbm = -20.5\n");
    EXPECT_EQ(ReadSpecCarrierFrq(), 2437);
    EXPECT_EQ(ReadSpecCarrierFrqAcc(2437), 5);
    EXPECT_EQ(ReadSpecCarrierFrqAcc(2412), 10370);  // measured against the wrong channel
}

TEST_F(LabrigSimTest, WeakCarrierCountsAsNoCarrier) {
    openAnalyser("[analyser]\ncarrier_mhz = 2437\ncarrier_dbm = -36\n");
    EXPECT_EQ(ReadSpecCarrierFrq(), 0);
    EXPECT_EQ(ReadSpecCarrierFrqAcc(2437), 100);
    int first = 77, second = 88;
    EXPECT_EQ(ReadSpecSideLobePwr(&first, &second), 0);
    EXPECT_EQ(ReadSpecSideLobePwr1(&first, &second), 0);
    EXPECT_EQ(first, 77);
    EXPECT_EQ(second, 88);
    EXPECT_EQ(StartSpurSweetTest(), 0);
}

TEST_F(LabrigSimTest, SideLobesByDeltaMarkers) {
    openAnalyser(kQuietCarrier);
    int first = 0, second = 0;
    EXPECT_EQ(ReadSpecSideLobePwr(&first, &second), 1);
    EXPECT_EQ(first, -3200);   // the higher of the two first side lobes
    EXPECT_EQ(second, -5320);  // the higher second side lobe
}

TEST_F(LabrigSimTest, SideLobesByPeakSearch) {
    openAnalyser(kQuietCarrier);
    int first = 0, second = 0;
    EXPECT_EQ(VBReadSpecSideLobePwr1(&first, &second), 1);
    EXPECT_EQ(first, -3200);
    EXPECT_EQ(second, -5320);
}

TEST_F(LabrigSimTest, SpuriousSweep) {
    struct Case {
        const char* spur;
        int expected;
    } cases[] = {
        {"", 1}, {"spur = 1200 -30\n", 0}, {"spur = 5000 -44\n", 0}, {"spur = 5000 -46\n", 1}};
    for (const Case& c : cases) {
        openAnalyser(std::string(kQuietCarrier) + c.spur);
        EXPECT_EQ(StartSpurSweetTest(), c.expected) << c.spur;
    }
}

TEST_F(LabrigSimTest, PowerMeterReading) {
    std::ofstream(std::getenv("GPIBSIM_CONFIG"), std::ios::binary)
        << "[powermeter]\npower_dbm = 15.3\n";
    ASSERT_EQ(ChkPowMeter(), 1);
    testing::internal::CaptureStdout();
    EXPECT_EQ(ReadPowerMeter(), 1530);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Data read: +1.53000000E+01\n");
    EXPECT_EQ(PwrOffLine(), 1);
}

TEST_F(LabrigSimTest, NoDeviceAtTheAddress) {
    std::ofstream(std::getenv("GPIBSIM_CONFIG"), std::ios::binary) << "[analyser]\naddress = 21\n";
    EXPECT_EQ(ChkSpecAna(), 0);
    EXPECT_EQ(ReadSpecCarrierFrq(), 0);  // the descriptor was taken off line
}

}  // namespace
