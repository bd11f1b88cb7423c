// The GPIBSIM_LOG trace, byte for byte.
#include "bus_fixture.h"

namespace gpibsim::test {
namespace {

using BusLogTest = BusFixture;

TEST_F(BusLogTest, OneLinePerTransfer) {
    setenv("GPIBSIM_LOG", path("bus.log").c_str(), 1);
    const int analyser = open(kAnalyser);
    const int nobody = open(5);
    char buffer[20];
    const std::string odd = std::string("\t\\\"\x01\xff", 5) + "\r\n";

    ibwrt(analyser, "*IDN?\n", 6);
    ibrd(analyser, buffer, 19);
    ibrd(analyser, buffer, sizeof buffer);
    ibrd(analyser, buffer, sizeof buffer);
    ibwrt(analyser, odd.data(), static_cast<long>(odd.size()));
    ibwrt(nobody, "*RST\n", 5);
    ibrd(nobody, buffer, sizeof buffer);
    ibwrt(9999, "x", 1);
    ibrd(analyser, nullptr, 4);

    EXPECT_EQ(readFile("bus.log"),
              "write 20 \"*IDN?\\n\"\n"
              "read 20 \"Simulated,Spectrum \"\n"
              "read 20 \"Analyser,0,1.0\\n\"\n"
              "read 20 \"\" error=EABO\n"
              "write 20 \"\\t\\\\\\\"\\x01\\xff\\x0d\\n\"\n"
              "write 5 \"*RST\\n\" error=ENOL\n"
              "read 5 \"\" error=EABO\n"
              "write - \"x\" error=EDVR\n"
              "read 20 \"\" error=EARG\n");
}

TEST_F(BusLogTest, AppendsAcrossReopeningAndStopsWhenUnset) {
    writeFile("bus.log", "earlier line\n");
    setenv("GPIBSIM_LOG", path("bus.log").c_str(), 1);
    const int first = open(kMeter);
    ibwrt(first, "*CLS\n", 5);
    const int second = open(kMeter);
    ibwrt(second, "*CLS\n", 5);
    unsetenv("GPIBSIM_LOG");
    open(kMeter);
    ibwrt(second, "*CLS\n", 5);
    EXPECT_EQ(readFile("bus.log"), "earlier line\nwrite 13 \"*CLS\\n\"\nwrite 13 \"*CLS\\n\"\n");
}

}  // namespace
}  // namespace gpibsim::test
