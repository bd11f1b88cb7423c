// The start-up check of the registry's hives: a hive that cannot be parsed is named with its
// file and line, and left as it is.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <optional>
#include <string>

#include "platform/hive_check.h"
#include "temp_registry.h"

namespace netpanel {
namespace {

class HiveCheck : public TempRegistry {
protected:
    void write(const std::string& name, const std::string& text) {
        std::ofstream(registryDir() / name, std::ios::binary) << text;
    }
    std::string read(const std::string& name) {
        std::ifstream file(registryDir() / name, std::ios::binary);
        return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    }
};

constexpr const char* kUser = "HKEY_CURRENT_USER.reg";
constexpr const char* kMachine = "HKEY_LOCAL_MACHINE.reg";
constexpr const char* kGoodUser = "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software]\n\"A\"=\"b\"\n\n";
constexpr const char* kGoodMachine = "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\SYSTEM]\n\n";

TEST_F(HiveCheck, NamesTheFileAndLineOfTheFirstHiveThatCannotBeParsed) {
    const struct {
        const char* name;
        const char* user;     // null: no file
        const char* machine;  // null: no file
        std::optional<std::string> reported;
    } cases[] = {
        {"no hives yet", nullptr, nullptr, std::nullopt},
        {"both readable", kGoodUser, kGoodMachine, std::nullopt},
        {"user value broken", "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software]\n\"A\"=\"b\n",
         kGoodMachine, std::string(kUser) + ":4:"},
        {"machine header missing", kGoodUser, "[HKEY_LOCAL_MACHINE\\SYSTEM]\n",
         std::string(kMachine) + ":1:"},
        {"machine key in the user hive", "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\SYSTEM]\n", nullptr,
         std::string(kUser) + ":3:"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove(registryDir() / kUser);
        std::filesystem::remove(registryDir() / kMachine);
        if (c.user != nullptr) write(kUser, c.user);
        if (c.machine != nullptr) write(kMachine, c.machine);

        const std::optional<std::string> reported = unreadableHive();
        ASSERT_EQ(reported.has_value(), c.reported.has_value()) << reported.value_or("");
        if (!reported) continue;
        const std::string where = (registryDir() / *c.reported).string();
        EXPECT_EQ(reported->substr(0, where.size()), where) << *reported;
        EXPECT_GT(reported->size(), where.size() + 1) << "says what is wrong";
        if (c.user != nullptr) {
            EXPECT_EQ(read(kUser), c.user) << "left as it is";
        }
        if (c.machine != nullptr) {
            EXPECT_EQ(read(kMachine), c.machine) << "left as it is";
        }
    }
}

}  // namespace
}  // namespace netpanel
