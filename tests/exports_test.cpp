// Each library exports exactly its listed surface: every listed entry is in its dynamic symbol
// table, and nothing else is. C++ entries are compared by their demangled signatures.
#include <cxxabi.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <set>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

namespace {

std::string demangle(const std::string& name) {
    if (name.rfind("_Z", 0) != 0) return name;
    int status = 0;
    std::unique_ptr<char, decltype(&std::free)> text(
        abi::__cxa_demangle(name.c_str(), nullptr, nullptr, &status), &std::free);
    return status == 0 ? text.get() : name;
}

// The defined dynamic symbols of the library at `path`, demangled.
std::set<std::string> exportsOf(const std::string& path) {
    std::string command = "nm -D --defined-only --format=posix '" + path + "'";
    std::unique_ptr<FILE, decltype(&pclose)> pipe(popen(command.c_str(), "r"), &pclose);
    EXPECT_NE(pipe, nullptr);
    std::set<std::string> names;
    char line[4096];
    while (pipe && std::fgets(line, sizeof line, pipe.get())) {
        std::istringstream fields(line);
        std::string name;
        fields >> name;
        if (!name.empty()) names.insert(demangle(name));
    }
    return names;
}

void expectExports(const char* path, const std::set<std::string>& expected) {
    std::set<std::string> actual = exportsOf(path);
    ASSERT_FALSE(actual.empty()) << "no symbols read from " << path;
    for (const std::string& name : expected)
        EXPECT_TRUE(actual.count(name)) << "missing: " << name;
    for (const std::string& name : actual)
        EXPECT_TRUE(expected.count(name)) << "unlisted: " << name;
}

TEST(Exports, Phrasekey) {
    expectExports(PHRASEKEY_PATH, {
                                      "Passphrase64",
                                      "Passphrase128",
                                      "fnPhrasekey()",
                                      "nPhrasekey",
                                      "CPhrasekey::CPhrasekey()",
                                      "CPhrasekey::operator=(CPhrasekey const&)",
                                  });
}

TEST(Exports, Labrig) {
    expectExports(LABRIG_PATH, {
                                   "ChkSpecAna()",
                                   "ChkPowMeter()",
                                   "SpecOffLine()",
                                   "PwrOffLine()",
                                   "GPIBCleanup(int)",
                                   "SetSpecRST()",
                                   "SetSpecDispON()",
                                   "SetSpecCenFrq(int)",
                                   "SetSpecRLATT(int, int)",
                                   "SetSpecBW(int, int)",
                                   "SetSpecPars(int, int, int)",
                                   "ReadSpecCarrierFrq()",
                                   "ReadSpecCarrierFrqAcc(short)",
                                   "ReadSpecSideLobePwr(int*, int*)",
                                   "ReadSpecSideLobePwr1(int*, int*)",
                                   "StartSpurSweetTest()",
                                   "ReadPowerMeter()",
                                   "LabrigDLLVersion()",
                                   "Delay1(int)",
                                   "round(double)",
                                   "VBChkSpecAna",
                                   "VBChkPowMeter",
                                   "VBSpecOffLine",
                                   "VBPwrOffLine",
                                   "VBSetSpecRST",
                                   "VBSetSpecDispON",
                                   "VBSetSpecCenFrq",
                                   "VBSetSpecRLATT",
                                   "VBSetSpecBW",
                                   "VBSetSpecPars",
                                   "VBReadSpecCarrierFrq",
                                   "VBReadSpecCarrierFrqAcc",
                                   "VBReadSpecSideLobePwr",
                                   "VBReadSpecSideLobePwr1",
                                   "VBStartSpurSweetTest",
                                   "VBReadPowerMeter",
                                   "VBLabrigDLLVersion",
                               });
}

TEST(Exports, SimulatedAdapter) {
    expectExports(NICAPI_PATH, {
                                   "GetNICAdapterMAC(WLAdapterInfo*, unsigned char*)",
                                   "GetNICAdapterTally(WLAdapterInfo*, unsigned char*)",
                                   "QueryWL_TxRateControl(WLAdapterInfo*)",
                                   "SetWL_TxRateControl(WLAdapterInfo*, int)",
                                   "QueryWL_PreambleMode(WLAdapterInfo*)",
                                   "SetWL_PreambleMode(WLAdapterInfo*, int)",
                                   "SetWL_RestartNIC(WLAdapterInfo*)",
                                   "VBCreateNICAdapterList",
                                   "VBCreateAllNICAdapterList",
                                   "VBQueryWLIsWindows95",
                                   "VBKvGetOSVersion",
                                   "VBKvOpenAdapter",
                                   "VBKvCloseAdapter",
                                   "VBQueryWLCheckWZCStatus",
                                   "VBSetWLDisableWirelessZeroConfiguration",
                                   "VBSetWLRestartNIC",
                                   "VBQueryWLChannel",
                                   "VBQueryWLTxRateControl",
                                   "VBQueryWLCurrentTxRate",
                                   "VBQueryWLNetworkType",
                                   "VBQueryWLPSMode",
                                   "VBQueryWLPreambleMode",
                                   "VBQueryWLAuthenticationMode",
                                   "VBQueryWLWEPStatus",
                                   "VBQueryWLWEPbit",
                                   "VBQueryWLPortStatus",
                                   "VBQueryWLDriverVersion",
                                   "VBSetWLChannel",
                                   "VBSetWLTxRateControl",
                                   "VBSetWLNetworkType",
                                   "VBSetWLPSMode",
                                   "VBSetWLPreambleMode",
                                   "VBSetWLAuthenticationMode",
                                   "VBSetWLFragmentationThreshold",
                                   "VBSetWLRTSCTSThreshold",
                                   "VBSetWLWEPStatus",
                                   "VBSetWLWEPbit",
                                   "VBSetWLDefaultKeyID",
                                   "VBQueryWLSSID",
                                   "VBQueryWLCurrentSSID",
                                   "VBSetWLSSID",
                                   "VBQueryWLCQSLCurrBSS",
                                   "VBGetTxRxFrameCount",
                                   "VBGetNICAdapterMAC",
                                   "VBQueryWLFirmwareVersion",
                                   "VBWLReadEEPROM",
                                   "VBSetWLWriteKey",
                                   "VBWLSiteSurveyStart",
                                   "VBWLRetrieveSiteSurveyData",
                               });
}

const std::set<std::string> kGpibCalls = {"ibdev",       "ibclr",       "ibonl",
                                          "ibwrt",       "ibrd",        "ThreadIbsta",
                                          "ThreadIberr", "ThreadIbcnt", "ThreadIbcntl"};

TEST(Exports, GpibSimulator) {
    std::set<std::string> expected = kGpibCalls;
    expected.insert({"user_ibsta", "user_iberr", "user_ibcntl"});
    expectExports(GPIBSIM_PATH, expected);
    expectExports(GPIBSIM_THREADONLY_PATH, kGpibCalls);
}

TEST(Exports, KernelServices) {
    expectExports(KVWIN32_PATH, {
                                    "CloseHandle(void*)",
                                    "CreateEventA(void*, int, int, char const*)",
                                    "GetCurrentThreadApcTarget()",
                                    "GetLastError()",
                                    "GetSystemTime(SYSTEMTIME*)",
                                    "GetTickCount()",
                                    "KvAddAlertSource(void*, int, unsigned int (*)(unsigned "
                                    "long), unsigned long)",
                                    "KvAddIdleRoutine(int (*)(unsigned long, KvIdleWait*), "
                                    "unsigned long)",
                                    "KvQueueIoCompletion(void*, void (*)(unsigned int, unsigned "
                                    "int, OVERLAPPED*), unsigned int, unsigned int, OVERLAPPED*)",
                                    "KvRemoveAlertSource(void*, unsigned long)",
                                    "QueueUserAPC(void (*)(unsigned long), void*, unsigned long)",
                                    "ResetEvent(void*)",
                                    "SetEvent(void*)",
                                    "SetLastError(unsigned int)",
                                    "Sleep(unsigned int)",
                                    "SleepEx(unsigned int, int)",
                                    "WaitForSingleObject(void*, unsigned int)",
                                    "WaitForSingleObjectEx(void*, unsigned int, int)",
                                });
}

TEST(Exports, PacketDriver) {
    expectExports(PKTDRV_PATH, {
                                   "W32N_CancelPacketRead",
                                   "W32N_CloseAdapter",
                                   "W32N_DisableLoopback",
                                   "W32N_GetLastError",
                                   "W32N_IsWindows95",
                                   "W32N_IsWindowsNT",
                                   "W32N_MakeNdisRequest",
                                   "W32N_OpenAdapter",
                                   "W32N_PacketReadEx",
                                   "W32N_PacketSendEx",
                               });
}

}  // namespace
