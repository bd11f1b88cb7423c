// Binding of the GPIB library: each case runs in a child process, so that the library is bound
// afresh from the environment the case sets.
#ifdef _WIN32
#include <process.h>
#else
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

#include <gtest/gtest.h>

#include <labrig/labrig.h>

#include "portable.h"

namespace {

using labrigtest::setEnv;

#ifdef _WIN32
// A library that loads but has no GPIB status.
constexpr const char* kNotGpib = "kernel32.dll";

// Runs `body` in a child process, where the GPIB library is not yet bound: without fork, the
// program starts again for the current case alone and runs the body there.
void inChild(const std::function<void()>& body) {
    if (const char* child = std::getenv("LABRIG_BINDING_CASE"); child && *child) {
        body();
        return;
    }
    const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info();
    const std::string filter =
        std::string("--gtest_filter=") + info->test_suite_name() + "." + info->name();
    char program[MAX_PATH];
    ASSERT_NE(GetModuleFileNameA(nullptr, program, MAX_PATH), 0u);
    setEnv("LABRIG_BINDING_CASE", "1");
    const intptr_t status = _spawnl(_P_WAIT, program, program, filter.c_str(), nullptr);
    setEnv("LABRIG_BINDING_CASE", "");
    EXPECT_EQ(status, 0);
}
#else
constexpr const char* kNotGpib = "libm.so.6";

// Runs `body` in a child process, where the GPIB library is not yet bound.
void inChild(const std::function<void()>& body) {
    pid_t pid = fork();
    ASSERT_NE(pid, -1);
    if (pid == 0) {
        body();
        _exit(testing::Test::HasFailure() ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}
#endif

void expectEveryOperationFails() {
    EXPECT_EQ(ChkSpecAna(), 0);
    EXPECT_EQ(ChkPowMeter(), 0);
    EXPECT_EQ(SetSpecRST(), 0);
    EXPECT_EQ(SetSpecPars(2437, 20, -10), 0);
    EXPECT_EQ(SpecOffLine(), 0);
    EXPECT_EQ(ReadSpecCarrierFrq(), 0);
    EXPECT_EQ(ReadSpecCarrierFrqAcc(2437), 100);
    EXPECT_EQ(StartSpurSweetTest(), 0);
    EXPECT_EQ(ReadPowerMeter(), 0);
    int first = 1, second = 2;
    EXPECT_EQ(ReadSpecSideLobePwr(&first, &second), 0);
    EXPECT_EQ(first, 1);
    EXPECT_EQ(second, 2);
}

TEST(LabrigBinding, AMissingGpibLibraryFailsEveryOperation) {
    inChild([] {
        setEnv("LABRIG_GPIB_LIBRARY", "/nonexistent/libgpib.so.0");
        expectEveryOperationFails();
    });
}

TEST(LabrigBinding, ALibraryWithoutGpibStatusIsReleased) {
    inChild([] {
        setEnv("LABRIG_GPIB_LIBRARY", kNotGpib);
        expectEveryOperationFails();
    });
}

// Measures a carrier 12 kHz above 2437 MHz on the simulated bus of `library`, and checks that
// bus errors reach the results too.
void measureOnSimulator(const char* library) {
    std::string config =
        testing::TempDir() + "labrig_binding_" + std::to_string(labrigtest::processId()) + ".conf";
    FILE* file = std::fopen(config.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    std::fputs("[analyser]\ncarrier_mhz = 2437.012\ncarrier_dbm = -20.5\n", file);
    std::fclose(file);
    setEnv("GPIBSIM_CONFIG", config.c_str());
    setEnv("LABRIG_GPIB_LIBRARY", library);

    ASSERT_EQ(ChkSpecAna(), 1);
    ASSERT_EQ(SetSpecCenFrq(2437), 1);
    EXPECT_EQ(ReadSpecCarrierFrq(), 2437);
    EXPECT_EQ(SpecOffLine(), 1);
    EXPECT_EQ(SpecOffLine(), 0);  // the descriptor is gone: the bus reports the error
    std::remove(config.c_str());
}

TEST(LabrigBinding, ReadsTheStatusVariablesOfTheLibrary) {
    inChild([] { measureOnSimulator(GPIBSIM_PATH); });
}

TEST(LabrigBinding, FallsBackToThePerThreadStatusFunctions) {
    inChild([] { measureOnSimulator(GPIBSIM_THREADONLY_PATH); });
}

}  // namespace
