// Binding of the GPIB library: each case runs in a child process, so that the library is bound
// afresh from the environment the case sets.
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

#include <gtest/gtest.h>

#include <labrig/labrig.h>

namespace {

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
        setenv("LABRIG_GPIB_LIBRARY", "/nonexistent/libgpib.so.0", 1);
        expectEveryOperationFails();
    });
}

TEST(LabrigBinding, ALibraryWithoutGpibStatusIsReleased) {
    inChild([] {
        setenv("LABRIG_GPIB_LIBRARY", "libm.so.6", 1);
        expectEveryOperationFails();
    });
}

// Measures a carrier 12 kHz above 2437 MHz on the simulated bus of `library`, and checks that
// bus errors reach the results too.
void measureOnSimulator(const char* library) {
    std::string config =
        testing::TempDir() + "labrig_binding_" + std::to_string(getpid()) + ".conf";
    FILE* file = std::fopen(config.c_str(), "w");
    ASSERT_NE(file, nullptr);
    std::fputs("[analyser]\ncarrier_mhz = 2437.012\ncarrier_dbm = -20.5\n", file);
    std::fclose(file);
    setenv("GPIBSIM_CONFIG", config.c_str(), 1);
    setenv("LABRIG_GPIB_LIBRARY", library, 1);

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
