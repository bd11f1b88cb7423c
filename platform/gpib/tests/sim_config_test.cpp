#include "sim_config.h"

#include <gtest/gtest.h>

namespace gpibsim {
namespace {

TEST(SimConfig, ShippedFileEqualsBuiltInDefaults) {
    const ConfigResult shipped = loadConfigFile(GPIBSIM_SHIPPED_CONFIG);
    ASSERT_TRUE(shipped.config) << shipped.error;
    EXPECT_EQ(*shipped.config, defaultConfig());
    EXPECT_EQ(loadConfig(nullptr).config, defaultConfig());
    EXPECT_EQ(loadConfig("").config, defaultConfig());
}

TEST(SimConfig, ParsesEveryKey) {
    const auto result = parseConfig(
        "# bench\n[analyser]\naddress = 3\nnoise_dbm = -90.5 # comment\ncarrier_mhz = 2437.012\n"
        "carrier_dbm = +1e1\nsidelobe = 5 -30 -31\n\tsidelobe=7 -40 -41\nspur = 1200 -30\n"
        "[ powermeter ]\naddress = 4\npower_dbm = -3\n",
        "f");
    ASSERT_TRUE(result.config) << result.error;
    const SimConfig& config = *result.config;
    EXPECT_EQ(config.analyser.address, 3);
    EXPECT_EQ(config.analyser.noiseDbm, -90.5);
    EXPECT_EQ(config.analyser.carrierMhz, 2437.012);
    EXPECT_EQ(config.analyser.carrierDbm, 10);
    EXPECT_EQ(config.analyser.sidelobes, (std::vector<Sidelobe>{{5, -30, -31}, {7, -40, -41}}));
    EXPECT_EQ(config.analyser.spurs, (std::vector<Spur>{{1200, -30}}));
    EXPECT_EQ(config.powerMeter, (PowerMeterConfig{4, -3}));
}

TEST(SimConfig, KeysLeftOutKeepDefaults) {
    const auto partial = parseConfig("[analyser]\ncarrier_dbm = -36\nspur = none\n", "f");
    ASSERT_TRUE(partial.config);
    SimConfig expected = defaultConfig();
    expected.analyser.carrierDbm = -36;
    expected.analyser.spurs.clear();
    EXPECT_EQ(*partial.config, expected);
    EXPECT_EQ(parseConfig("", "f").config, defaultConfig());
}

TEST(SimConfig, ReportsFileAndLineOfMalformedInput) {
    const std::pair<const char*, const char*> cases[] = {
        {"address = 3\n", "f:1: address outside a section"},
        {"[analyser]\n\n[scope]\n", "f:3: unknown section [scope]"},
        {"[analyser\n", "f:1: missing ']' in \"[analyser\""},
        {"[analyser]\ncolour = red\n", "f:2: unknown key \"colour\" in [analyser]"},
        {"[powermeter]\ncarrier_dbm = 1\n", "f:2: unknown key \"carrier_dbm\" in [powermeter]"},
        {"[analyser]\ncarrier_dbm -20\n", "f:2: missing '=' in \"carrier_dbm -20\""},
        {"[analyser]\ncarrier_dbm = -2O\n", "f:2: bad number \"-2O\" for carrier_dbm"},
        {"[analyser]\ncarrier_dbm =\n", "f:2: missing value for carrier_dbm"},
        {"[analyser]\nsidelobe = 11 -33\n", "f:2: sidelobe needs 3 numbers, got \"11 -33\""},
        {"[analyser]\nspur = -1 -3\n", "f:2: spur frequency must not be negative"},
        {"[analyser]\naddress = 31\n", "f:2: bad address \"31\" (0..30)"},
        {"[analyser]\naddress = 2.5\n", "f:2: bad address \"2.5\" (0..30)"},
        {"[analyser]\nnoise_dbm = 1\nnoise_dbm = 2\n", "f:3: duplicate key noise_dbm"},
        {"[powermeter]\naddress = 20\n", "f:2: analyser and power meter both at address 20"},
    };
    for (const auto& [text, error] : cases) {
        const auto result = parseConfig(text, "f");
        EXPECT_FALSE(result.config) << text;
        EXPECT_EQ(result.error, error);
    }
}

TEST(SimConfig, MissingFileIsNamed) {
    const auto result = loadConfig("/nonexistent/gpibsim.conf");
    EXPECT_FALSE(result.config);
    EXPECT_EQ(result.error, "/nonexistent/gpibsim.conf: cannot open: No such file or directory");
}

}  // namespace
}  // namespace gpibsim
