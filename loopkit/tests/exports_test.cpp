// The exported surface: every listed name is there, twins forward unchanged, shared base
// operations are one entry, and null or foreign handles are harmless.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "loopkit_fixture.h"

namespace {

using namespace loopkit_test;

std::vector<std::string> listedExports() {
    std::ifstream in(LOOPKIT_EXPORTS_FILE);
    std::vector<std::string> names;
    for (std::string line; std::getline(in, line);) {
        line = line.substr(0, line.find('#'));
        std::istringstream words(line);
        if (std::string name; words >> name) names.push_back(name);
    }
    return names;
}

TEST(Exports, EveryListedNameResolvesAndSharedOperationsAreOneEntry) {
    void* library = dlopen(LOOPKIT_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << dlerror();
    const auto names = listedExports();
    EXPECT_EQ(names.size(), 56u);
    for (const std::string& name : names)
        EXPECT_NE(dlsym(library, name.c_str()), nullptr) << name;
    const auto same = [&](const char* a, const char* b) {
        return dlsym(library, a) != nullptr && dlsym(library, a) == dlsym(library, b);
    };
    EXPECT_TRUE(same("VBKvTxClose", "VBKvRxClose"));
    EXPECT_TRUE(same("VBKvTxIsSending", "VBKvRxIsReading"));
    EXPECT_TRUE(same("_Z9KvTxClosePv", "_Z9KvRxClosePv"));
    EXPECT_TRUE(same("_Z13KvTxIsSendingPv", "_Z13KvRxIsReadingPv"));
    EXPECT_TRUE(same("_Z19KvTxGetSendDurationPv", "_Z19KvRxGetDurationReadPv"));
    EXPECT_EQ(dlsym(library, "_ZN7loopkit8TxEngine4sendERKNS_10TxSettingsE"), nullptr);
    dlclose(library);
}

TEST(Exports, NullAndForeignHandlesAnswerFalseOrZero) {
    KvTxClose(nullptr);
    VBKvRxClose(nullptr);
    EXPECT_FALSE(KvTxIsSending(nullptr));
    EXPECT_EQ(KvTxGetPacketSent(nullptr), 0u);
    EXPECT_EQ(KvRxGetTotalBytes(nullptr), 0u);
    EXPECT_TRUE(KvTxSendStop(nullptr));
    EXPECT_TRUE(KvRxStopCapture(nullptr));
    EXPECT_FALSE(KvTxSend(nullptr, 0, nullptr, 36, 1, 0, false, false, false, 0, nullptr, nullptr));
    WLAdapterInfo zero{};
    EXPECT_EQ(KvTxCreate(&zero), nullptr);
    EXPECT_EQ(VBKvTxCreate(nullptr), nullptr);
}

class VbTwins : public MediumTest {};

TEST_F(VbTwins, ForwardVisualBasicTrueAndTheSharedOperations) {
    void* tx = VBKvTxCreate(&txInfo);
    void* rx = VBKvRxCreate(&rxInfo);
    ASSERT_NE(tx, nullptr);
    ASSERT_NE(rx, nullptr);
    // A receive handle is not a transmit engine.
    EXPECT_FALSE(VBKvTxSend(rx, 0, nullptr, 36, 1, 0, 0, 0, 0, 0, nullptr, nullptr));
    EXPECT_EQ(VBKvTxGetPacketSent(rx), 0u);
    EXPECT_FALSE(VBKvRxSetStartPattern(tx, "x", 1));

    CallLog captured;
    CallLog sent;
    ASSERT_TRUE(VBKvRxStartCapture(rx, nullptr, 0, 0xFF, 0xFF, 0, 0, CallLog::record, &captured,
                                   REPORT_ALL, nullptr, nullptr, 0, nullptr, nullptr, 0, nullptr));
    EXPECT_TRUE(VBKvRxIsReading(rx));
    RawCapture raw(rawHandle, 3);
    const char dest[6] = {0x02, 0, 0, 0, 0, 0x0B};
    ASSERT_TRUE(VBKvTxSend(tx, 1, dest, 50, 2, 0, 0xFF, 0xFF, 0, 0, CallLog::record, &sent));
    ASSERT_TRUE(sent.waitFor(1));
    ASSERT_TRUE(raw.waitFor(2));
    const Bytes& second = raw.frames()[1];
    EXPECT_EQ(Bytes(second.begin(), second.begin() + 6), Bytes(kRxMac.begin(), kRxMac.end()));
    EXPECT_EQ(second[19], 1);  // numbered
    EXPECT_EQ(second[22], 1);  // checksum on
    EXPECT_EQ(VBKvTxGetPacketSent(tx), 2u);
    EXPECT_EQ(VBKvTxGetTotalBytes(tx), 148u);
    ASSERT_TRUE(waitUntil([&] { return VBKvRxGetPacketsGood(rx) == 2; }));
    EXPECT_EQ(VBKvRxGetTotalBytes(rx), 148u);
    EXPECT_EQ(VBKvRxGetPacketsBad(rx), 0u);
    EXPECT_EQ(VBKvRxGetPacketsLost(rx), 0u);
    EXPECT_TRUE(VBKvRxStopCapture(rx));
    ASSERT_TRUE(captured.waitFor(1));
    EXPECT_FALSE(VBKvTxIsSending(rx));  // the shared base operation accepts either engine
    EXPECT_GE(VBKvTxGetSendDuration(rx), 0u);
    VBKvTxClose(rx);
    VBKvRxClose(tx);
}

}  // namespace
