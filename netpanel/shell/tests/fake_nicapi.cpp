// A recording stand-in for the adapter library, scripted by the tests through the fake...()
// control entries (fake_nicapi_control.h). Every call is recorded as one line:
//   name                      for the calls without an adapter record
//   name @<InstanceId> args   for the calls with one (args: the further arguments, if any)
#include <nicapi/nicapi.h>

#include <algorithm>
#include <cstring>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "fake_nicapi_control.h"

namespace {

struct LinkSample {
    int32_t result, qualitySum, signalLevel, qualityCount;
};

struct State {
    std::string calls;
    std::vector<AdapterListEntry> supported;
    std::vector<AdapterListEntry> all;
    std::map<std::string, std::deque<int32_t>, std::less<>> results;  // last one repeats
    char ssid[33] = {};
    char currentSsid[33] = {};
    uint8_t mac[6] = {};
    uint8_t firmware[4] = {};
    uint32_t sent = 0;
    uint32_t received = 0;
    std::vector<uint8_t> eeprom;
    std::deque<LinkSample> samples;
    std::vector<SurveyEntry> survey;
    int32_t surveyCount = 0;
    // Handles given out and not closed yet; the first one is 42, then 43, ...
    std::vector<int32_t> openHandles;
    int32_t nextHandle = 42;
};

State state;

std::string instance(const WLAdapterInfo* adapter) {
    return std::string(adapter->InstanceId, strnlen(adapter->InstanceId, 4));
}

void record(const char* name, const WLAdapterInfo* adapter = nullptr,
            const std::string& args = {}) {
    state.calls += name;
    if (adapter) state.calls += " @" + instance(adapter);
    if (!args.empty()) state.calls += " " + args;
    state.calls += "\n";
}

// The scripted result of an entry; `otherwise` when the test scripted none.
int32_t result(const char* name, int32_t otherwise) {
    auto it = state.results.find(name);
    if (it == state.results.end() || it->second.empty()) return otherwise;
    const int32_t value = it->second.front();
    if (it->second.size() > 1) it->second.pop_front();
    return value;
}

int32_t copyList(const std::vector<AdapterListEntry>& from, AdapterListEntry* to, size_t size) {
    std::copy_n(from.begin(), std::min(from.size(), size), to);
    return static_cast<int32_t>(from.size());
}

}  // namespace

// ---- Control entries --------------------------------------------------------------------------

FAKE_API void fakeReset() {
    state = State{};
}

FAKE_API const char* fakeCalls() {
    return state.calls.c_str();
}

FAKE_API void fakeClearCalls() {
    state.calls.clear();
}

FAKE_API void fakeAddAdapter(const char* name, const char* description, const char* instanceId,
                             int supported) {
    AdapterListEntry entry{};
    std::strncpy(entry.AdapterName, name, sizeof entry.AdapterName - 1);
    std::strncpy(entry.AdapterDescription, description, sizeof entry.AdapterDescription - 1);
    std::strncpy(entry.InstanceId, instanceId, sizeof entry.InstanceId - 1);
    if (supported) state.supported.push_back(entry);
    state.all.push_back(entry);
}

FAKE_API void fakeClearAdapters() {
    state.supported.clear();
    state.all.clear();
}

FAKE_API void fakeScript(const char* entry, const int32_t* results, int count) {
    state.results[entry] = std::deque<int32_t>(results, results + count);
}

FAKE_API void fakeSetSsid(const char* bytes33, int current) {
    std::memcpy(current ? state.currentSsid : state.ssid, bytes33, 33);
}

FAKE_API void fakeSetMac(const uint8_t* mac) {
    std::memcpy(state.mac, mac, 6);
}

FAKE_API void fakeSetFrameCounts(uint32_t sent, uint32_t received) {
    state.sent = sent;
    state.received = received;
}

FAKE_API void fakeSetEeprom(const uint8_t* image, int length) {
    state.eeprom.assign(image, image + length);
}

FAKE_API void fakePushLinkSample(int32_t result, int32_t qualitySum, int32_t signalLevel,
                                 int32_t qualityCount) {
    state.samples.push_back({result, qualitySum, signalLevel, qualityCount});
}

FAKE_API int fakeOpenHandles() {
    return static_cast<int>(state.openHandles.size());
}

FAKE_API void fakeSetSurvey(const SurveyEntry* entries, int count) {
    state.survey.assign(entries, entries + std::max(count, 0));
    state.surveyCount = count;
}

// ---- Adapter library entries ------------------------------------------------------------------

FAKE_API int32_t VBCreateNICAdapterList(AdapterListEntry list[10], int32_t* capacity) {
    record("VBCreateNICAdapterList", nullptr, "capacity " + std::to_string(*capacity));
    return copyList(state.supported, list, 10);
}

FAKE_API int32_t VBCreateAllNICAdapterList(AdapterListEntry list[50], int32_t capacity) {
    record("VBCreateAllNICAdapterList", nullptr, "capacity " + std::to_string(capacity));
    return copyList(state.all, list, 50);
}

FAKE_API int32_t VBQueryWLIsWindows95(void) {
    record("VBQueryWLIsWindows95");
    return result("VBQueryWLIsWindows95", 0);
}

FAKE_API int32_t VBKvGetOSVersion(void) {
    record("VBKvGetOSVersion");
    return result("VBKvGetOSVersion", 5);
}

FAKE_API int32_t VBKvOpenAdapter(WLAdapterInfo* adapter) {
    record("VBKvOpenAdapter", adapter, "handle " + std::to_string(adapter->AdapterHandle));
    const int32_t answer = result("VBKvOpenAdapter", 1);
    if (answer == 1) {
        adapter->AdapterHandle = state.nextHandle++;
        state.openHandles.push_back(adapter->AdapterHandle);
    }
    return answer;
}

FAKE_API int32_t VBKvCloseAdapter(WLAdapterInfo* adapter) {
    record("VBKvCloseAdapter", adapter);
    std::erase(state.openHandles, adapter->AdapterHandle);
    return 0;
}

FAKE_API int32_t VBQueryWLCheckWZCStatus(WLAdapterInfo* adapter) {
    record("VBQueryWLCheckWZCStatus", adapter);
    return result("VBQueryWLCheckWZCStatus", 0);
}

FAKE_API int32_t VBSetWLDisableWirelessZeroConfiguration(WLAdapterInfo* adapter, int32_t value) {
    record("VBSetWLDisableWirelessZeroConfiguration", adapter, std::to_string(value));
    return 0;
}

FAKE_API int32_t VBSetWLRestartNIC(WLAdapterInfo* adapter) {
    record("VBSetWLRestartNIC", adapter);
    return 0;
}

#define FAKE_VALUE_QUERY(entry, otherwise)           \
    FAKE_API int32_t entry(WLAdapterInfo* adapter) { \
        record(#entry, adapter);                     \
        return result(#entry, otherwise);            \
    }

// A set call taking one number: recorded with it; answers 0 unless scripted.
#define FAKE_VALUE_SET(entry)                                       \
    FAKE_API int32_t entry(WLAdapterInfo* adapter, int32_t value) { \
        record(#entry, adapter, std::to_string(value));             \
        return result(#entry, 0);                                   \
    }

FAKE_VALUE_SET(VBSetWLChannel)
FAKE_VALUE_SET(VBSetWLTxRateControl)
FAKE_VALUE_SET(VBSetWLNetworkType)
FAKE_VALUE_SET(VBSetWLPSMode)
FAKE_VALUE_SET(VBSetWLPreambleMode)
FAKE_VALUE_SET(VBSetWLAuthenticationMode)
FAKE_VALUE_SET(VBSetWLFragmentationThreshold)
FAKE_VALUE_SET(VBSetWLRTSCTSThreshold)
FAKE_VALUE_SET(VBSetWLWEPStatus)
FAKE_VALUE_SET(VBSetWLWEPbit)
FAKE_VALUE_SET(VBSetWLDefaultKeyID)

// Recorded as: index is128 isDefault and the 13 key bytes in hexadecimal.
FAKE_API int32_t VBSetWLWriteKey(WLAdapterInfo* adapter, int32_t index, int16_t is128,
                                 int16_t isDefault, const uint8_t key[26]) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string bytes;
    for (int i = 0; i < 13; ++i) {
        bytes += kDigits[key[i] >> 4];
        bytes += kDigits[key[i] & 15];
    }
    record("VBSetWLWriteKey", adapter,
           std::to_string(index) + " " + std::to_string(is128) + " " + std::to_string(isDefault) +
               " " + bytes);
    return result("VBSetWLWriteKey", 0);
}

FAKE_VALUE_QUERY(VBQueryWLChannel, 6)
FAKE_VALUE_QUERY(VBQueryWLNetworkType, 1)
FAKE_VALUE_QUERY(VBQueryWLTxRateControl, 15)
FAKE_VALUE_QUERY(VBQueryWLCurrentTxRate, 11)
FAKE_VALUE_QUERY(VBQueryWLPreambleMode, 3)
FAKE_VALUE_QUERY(VBQueryWLAuthenticationMode, 3)
FAKE_VALUE_QUERY(VBQueryWLPortStatus, 4)

FAKE_API int32_t VBQueryWLSSID(WLAdapterInfo* adapter, char ssid[33]) {
    record("VBQueryWLSSID", adapter);
    const int32_t answer = result("VBQueryWLSSID", 0);
    if (answer == 0) std::memcpy(ssid, state.ssid, 33);
    return answer;
}

FAKE_API int32_t VBQueryWLCurrentSSID(WLAdapterInfo* adapter, char ssid[33]) {
    record("VBQueryWLCurrentSSID", adapter);
    const int32_t answer = result("VBQueryWLCurrentSSID", 0);
    if (answer == 0) std::memcpy(ssid, state.currentSsid, 33);
    return answer;
}

FAKE_API int32_t VBSetWLSSID(WLAdapterInfo* adapter, const char* ssid) {
    record("VBSetWLSSID", adapter, "'" + std::string(ssid) + "'");
    return result("VBSetWLSSID", 0);
}

FAKE_API int32_t VBQueryWLCQSLCurrBSS(WLAdapterInfo* adapter, int32_t* qualitySum,
                                      int32_t* signalLevel, int32_t* qualityCount) {
    record("VBQueryWLCQSLCurrBSS", adapter);
    if (state.samples.empty()) return -1;
    const LinkSample sample = state.samples.front();
    state.samples.pop_front();
    *qualitySum = sample.qualitySum;
    *signalLevel = sample.signalLevel;
    *qualityCount = sample.qualityCount;
    return sample.result;
}

FAKE_API int32_t VBGetTxRxFrameCount(WLAdapterInfo* adapter, uint32_t counts[4]) {
    record("VBGetTxRxFrameCount", adapter);
    const int32_t answer = result("VBGetTxRxFrameCount", 0);
    if (answer == 0) {
        counts[0] = state.sent;
        counts[1] = state.received;
    }
    return answer;
}

FAKE_API int32_t VBGetNICAdapterMAC(WLAdapterInfo* adapter, uint8_t mac[6]) {
    record("VBGetNICAdapterMAC", adapter);
    const int32_t answer = result("VBGetNICAdapterMAC", 0);
    if (answer == 0) std::memcpy(mac, state.mac, 6);
    return answer;
}

FAKE_API int32_t VBWLReadEEPROM(WLAdapterInfo* adapter, int32_t id, int32_t kind, uint8_t* image,
                                int32_t length) {
    record("VBWLReadEEPROM", adapter,
           std::to_string(id) + " " + std::to_string(kind) + " " + std::to_string(length));
    std::copy_n(state.eeprom.begin(), std::min<size_t>(state.eeprom.size(), length), image);
    return 0;
}

FAKE_VALUE_QUERY(VBWLSiteSurveyStart, 0)
FAKE_VALUE_QUERY(VBQueryWLPSMode, 0)
FAKE_VALUE_QUERY(VBQueryWLWEPbit, 0)

// Recorded with the capacity and the count the caller put into the buffer.
FAKE_API int32_t VBWLRetrieveSiteSurveyData(WLAdapterInfo* adapter, SurveyBuffer* buffer,
                                            int32_t capacity) {
    record("VBWLRetrieveSiteSurveyData", adapter,
           "capacity " + std::to_string(capacity) + " count " + std::to_string(buffer->Count));
    const int32_t answer = result("VBWLRetrieveSiteSurveyData", 0);
    if (answer == 0) {
        const size_t room = static_cast<size_t>(std::clamp(capacity, 0, 16));
        std::copy_n(state.survey.begin(), std::min(state.survey.size(), room), buffer->Entries);
        buffer->Count = state.surveyCount;
    }
    return answer;
}

// ---- The versions of the About tab ----

FAKE_API void fakeSetFirmwareVersion(const uint8_t* version) {
    std::memcpy(state.firmware, version, 4);
}

FAKE_VALUE_QUERY(VBQueryWLDriverVersion, -1)

FAKE_API int32_t VBQueryWLFirmwareVersion(WLAdapterInfo* adapter, uint8_t version[4]) {
    record("VBQueryWLFirmwareVersion", adapter);
    const int32_t answer = result("VBQueryWLFirmwareVersion", 0);
    if (answer == 0) std::memcpy(version, state.firmware, 4);
    return answer;
}
