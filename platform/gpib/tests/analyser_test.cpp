// The spectrum analyser through the bus: the measurements an instrument library makes with it.
#include "bus_fixture.h"

namespace gpibsim::test {
namespace {

constexpr double kMhz = 1e6;

class AnalyserTest : public BusFixture {
protected:
    int analyser() { return openReset(kAnalyser); }

    std::vector<double> marker(int ud, const std::string& name) {
        return numbers(query(ud, "CALC1:" + name + ":X?;Y?\n"));
    }

    std::string lastError(int ud) { return query(ud, "SYST:ERR?\n").value_or("(timeout)"); }
};

// The carrier power measurement: narrow span around the carrier, marker 1 on the peak.
const std::vector<std::string> kCarrierMeasurement = {"DISP:TRAC:MODE\tWRIT\n",
                                                      "CALC1:MARK:AOFF\n",
                                                      "CALC1:MARK:PEXC 3dB\n",
                                                      "DISP:TRAC:Y:RLEV 20dBm\n",
                                                      "INP:ATT 30dB\n",
                                                      "FREQ:CENT 2437MHZ\n",
                                                      "BAND 1MHZ\n",
                                                      "BAND:VID 100KHZ\n",
                                                      "FREQ:SPAN 10MHZ\n",
                                                      "DISP:TRAC:MODE MAXH\n",
                                                      "CALC1:MARK1 ON\n",
                                                      "DISP:TRAC:MODE AVER\n"};

TEST_F(AnalyserTest, CarrierMarkerReadsConfiguredFrequencyAndLevel) {
    const struct {
        const char* config;
        const char* reply;
    } cases[] = {
        {"[analyser]\ncarrier_mhz = 2437.012\ncarrier_dbm = -20.5\n", "2.437012000E+09;-20.50\n"},
        {"[analyser]\ncarrier_dbm = -36\n", "2.437000000E+09;-36.00\n"},
    };
    for (const auto& c : cases) {
        useConfig(c.config);
        const int ud = analyser();
        sendAll(ud, kCarrierMeasurement);
        const auto reply = query(ud, "CALC1:MARK1:X?;Y?\n");
        EXPECT_EQ(reply, c.reply) << c.config;
        EXPECT_EQ(lastError(ud), "0,\"No error\"\n");
    }
}

TEST_F(AnalyserTest, DeltaMarkersFindTheSideLobes) {
    for (const char* rbw : {"BAND 1MHZ\n", "BAND 3MHZ\n"}) {
        const int ud = analyser();
        sendAll(ud, {"FREQ:CENT 2437MHZ\n", "FREQ:SPAN 60MHZ\n", "INP:ATT 10dB\n", rbw,
                     "CALC1:MARK:PEXC 2dB\n", "CALC1:MARK1 ON\n", "CALC1:DELT2 ON\n",
                     "CALC1:DELT3 ON\n", "CALC1:DELT4 ON\n"});
        const struct {
            const char* name;
            double mhz;
            double level;
        } expected[] = {{"MARK1", 2437, -20},
                        {"DELT2", 2448, -32.0},
                        {"DELT3", 2426, -33.5},
                        {"DELT4", 2459, -53.2}};
        for (const auto& e : expected) {
            const auto reading = marker(ud, e.name);
            ASSERT_EQ(reading.size(), 2u) << e.name;
            EXPECT_DOUBLE_EQ(reading[0], e.mhz * kMhz) << rbw << e.name;
            EXPECT_NEAR(reading[1], e.level, 0.1) << rbw << e.name;  // noise adds a little
        }
    }
}

TEST_F(AnalyserTest, NextPeakWalksDownTheSpectrum) {
    const int ud = analyser();
    sendAll(ud, {"FREQ:CENT 2437MHZ;SPAN 60MHZ\n", "BAND 1MHZ\n", "CALC1:MARK:PEXC 2dB\n",
                 "CALC1:MARK1 ON\n", "CALC1:DELT2 ON\n"});
    std::vector<double> walk;
    for (int step = 0; step < 4; ++step) {
        const auto reading = marker(ud, "DELT2");
        walk.push_back(reading.at(0) / kMhz);
        send(ud, "CALC1:DELT2:MAX:NEXT\n");
    }
    EXPECT_EQ(walk, (std::vector<double>{2448, 2426, 2459, 2415}));
    EXPECT_EQ(lastError(ud), "-200,\"Execution error;No peak found\"\n");
    EXPECT_DOUBLE_EQ(marker(ud, "DELT2").at(0), 2415 * kMhz) << "the marker stays";
}

TEST_F(AnalyserTest, SpuriousSweepFindsOnlyConfiguredSpurs) {
    const auto sweep = [this](int ud, const std::string& start, const std::string& stop) {
        sendAll(ud, {"FREQ:STAR " + start + "\n", "FREQ:STOP " + stop + "\n", "BAND 1MHZ\n",
                     "CALC1:MARK:PEXC 3dB\n", "CALC1:MARK1 ON\n", "CALC1:MARK2 ON\n",
                     "CALC1:MARK3 ON\n"});
        return std::vector{marker(ud, "MARK1"), marker(ud, "MARK2"), marker(ud, "MARK3")};
    };
    int ud = analyser();
    auto low = sweep(ud, "100MHZ", "2900MHZ");
    EXPECT_DOUBLE_EQ(low[0].at(0), 2437 * kMhz);
    EXPECT_NEAR(low[0].at(1), -20, 0.01);
    EXPECT_LT(low[1].at(1), -45);
    EXPECT_LT(low[2].at(1), -45);
    for (const auto& reading : sweep(ud, "2900MHZ", "7500MHZ")) {
        EXPECT_DOUBLE_EQ(reading.at(0), 4874 * kMhz);
        EXPECT_NEAR(reading.at(1), -62, 0.01);
    }
    useConfig("[analyser]\nspur = 1200 -30\n");
    ud = analyser();
    low = sweep(ud, "100MHZ", "2900MHZ");
    EXPECT_DOUBLE_EQ(low[1].at(0), 1200 * kMhz);
    EXPECT_NEAR(low[1].at(1), -30, 0.01);
}

TEST_F(AnalyserTest, MarkerCommands) {
    const int ud = analyser();
    sendAll(ud, {"FREQ:CENT 2437MHZ;SPAN 60MHZ\n", "BAND 1MHZ\n"});
    send(ud, "CALC1:DELT1 ON\n");
    EXPECT_NEAR(marker(ud, "DELT1").at(1), -20, 0.01) << "relative to 0 dBm without marker 1";
    send(ud, "CALC1:MARK2:X 2448MHZ\n");
    EXPECT_NEAR(marker(ud, "MARK2").at(1), -52, 0.01);
    send(ud, "CALC1:MARK2:MAX\n");
    EXPECT_DOUBLE_EQ(marker(ud, "MARK2").at(0), 2437 * kMhz);
    EXPECT_EQ(query(ud, "CALC1:MARK2?;:CALC1:DELT1?\n"), "1;1\n");
    send(ud, "CALC1:MARK:AOFF\n");
    EXPECT_EQ(query(ud, "CALC1:MARK2?;:CALC1:DELT1?\n"), "0;0\n");
    EXPECT_EQ(query(ud, "CALC1:MARK2:X?;Y?\n"), std::nullopt);
    EXPECT_EQ(lastError(ud), "-221,\"Settings conflict\"\n");
}

TEST_F(AnalyserTest, MarkerKeepsItsFrequencyAcrossSettingsAndSignalChanges) {
    const int ud = analyser();
    sendAll(ud, kCarrierMeasurement);
    send(ud, "FREQ:SPAN 100MHZ;:INP:ATT 0dB\n");
    EXPECT_EQ(query(ud, "CALC1:MARK1:X?;Y?\n"), "2.437000000E+09;-20.00\n");
    useConfig("[analyser]\ncarrier_dbm = -30\n");
    open(kMeter);
    EXPECT_EQ(query(ud, "CALC1:MARK1:X?;Y?\n"), "2.437000000E+09;-30.00\n");
}

TEST_F(AnalyserTest, ResetRestoresDefaults) {
    const int ud = analyser();
    send(ud, "FREQ:CENT 1GHZ;SPAN 1MHZ;:BAND 10KHZ;:DISP:TRAC:MODE MAXH;:CALC1:MARK1 ON\n*RST\n");
    const std::pair<const char*, const char*> defaults[] = {
        {"FREQ:CENT?", "3.750000000E+09"},
        {"FREQ:SPAN?", "7.500000000E+09"},
        {"FREQ:STAR?", "0.000000000E+00"},
        {"BAND?", "3.000000000E+06"},
        {"BAND:VID?", "3.000000000E+06"},
        {"DISP:TRAC:Y:RLEV?", "0.00"},
        {"INP:ATT?", "10.00"},
        {"CALC1:MARK:PEXC?", "6.00"},
        {"DISP:TRAC:MODE?", "WRIT"},
        {"CALC1:MARK1?", "0"},
        {"SYST:DISP:UPD?", "0"},
    };
    for (const auto& [header, value] : defaults) {
        EXPECT_EQ(query(ud, std::string(header) + "\n"), std::string(value) + "\n") << header;
    }
}

TEST_F(AnalyserTest, ParsesHeadersUnitsAndCompoundMessages) {
    const int ud = analyser();
    const std::pair<const char*, const char*> cases[] = {
        {"FREQ:CENT 2437MHZ;CENT?", "2.437000000E+09"},
        {"FREQ:CENT 2.5 GHz;CENT?", "2.500000000E+09"},
        {":sense:frequency:center 2437000kHz;:FREQ:CENT?", "2.437000000E+09"},
        {"FREQ:CENT 1e9;SPAN 10MHZ;STAR?;STOP?", "9.950000000E+08;1.005000000E+09"},
        {"FREQ:STAR 100MHZ;STOP 2900MHZ;CENT?;SPAN?", "1.500000000E+09;2.800000000E+09"},
        {"FREQ:STAR 3GHZ;STOP?;SPAN?", "3.000000000E+09;0.000000000E+00"},
        {"DISP:TRAC:MODE\tMAXH;MODE?", "MAXH"},
        {"DISP:WIND:TRAC1:MODE average;*IDN?;MODE?", "Simulated,Spectrum Analyser,0,1.0;AVER"},
        {"DET AVER;DET?;:DISP:TRAC:Y:RLEV -10dBm;RLEV?", "AVER;-10.00"},
        {"INP:ATT 0dB;ATT?;:SYST:DISP:UPD ON;UPD?", "0.00;1"},
    };
    for (const auto& [message, reply] : cases) {
        EXPECT_EQ(query(ud, std::string(message) + "\n"), std::string(reply) + "\n") << message;
    }
    EXPECT_EQ(lastError(ud), "0,\"No error\"\n");
}

TEST_F(AnalyserTest, ErrorsAreQueuedAndCommandsIgnored) {
    const int ud = analyser();
    const std::pair<const char*, const char*> cases[] = {
        {"FREQ:CENTRE 1GHZ", "-113,\"Undefined header\""},
        {"FREQ:CENT abc", "-224,\"Illegal parameter value\""},
        {"FREQ:CENT 10dBm", "-224,\"Illegal parameter value\""},
        {"FREQ:SPAN -1MHZ", "-224,\"Illegal parameter value\""},
        {"DISP:TRAC:MODE FAST", "-224,\"Illegal parameter value\""},
        {"FREQ:CENT", "-109,\"Missing parameter\""},
        {"CALC1:MARK5 ON", "-114,\"Header suffix out of range\""},
        {"CALC1:DELT2:MAX:NEXT", "-221,\"Settings conflict\""},
    };
    for (const auto& [message, error] : cases) {
        send(ud, std::string(message) + "\n");
        EXPECT_EQ(lastError(ud), std::string(error) + "\n") << message;
    }
    EXPECT_EQ(query(ud, "FREQ:CENT?;SPAN?\n"), "3.750000000E+09;7.500000000E+09\n");
    send(ud, "BOGUS\nBOGUS?\n*CLS\nBOGUS\n");
    EXPECT_EQ(query(ud, "SYST:ERR?;ERR?\n"), "-113,\"Undefined header\";0,\"No error\"\n");
    for (int i = 0; i < 12; ++i)
        send(ud, "BOGUS\n");
    for (int i = 0; i < 9; ++i)
        lastError(ud);
    EXPECT_EQ(lastError(ud), "-350,\"Queue overflow\"\n");
}

}  // namespace
}  // namespace gpibsim::test
