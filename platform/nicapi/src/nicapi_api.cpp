// The exported entries: each runs on the library's state under its lock and translates the
// result into the entry's convention (a value or -1, 0 or a failure code, 1 for an open).
#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>

#include "driver_key.h"
#include "library.h"
#include "nicapi/nicapi.h"

namespace {

using nicapi::Adapter;
using nicapi::Library;
using nicapi::Setting;

constexpr int32_t kFailed = -1;
constexpr int32_t kDone = 0;
constexpr std::size_t kSsidBuffer = 33;
constexpr int32_t kSurveyCapacity = 16;

enum EepromResult : int32_t { kWrongId = 1, kWrongKind = 2, kWrongLength = 3 };

// Text of a fixed-size field that need not end in a NUL, without surrounding blanks.
template <std::size_t N>
std::string_view fieldText(const char (&field)[N]) {
    return nicapi::trim(std::string_view(field, strnlen(field, N)));
}

template <std::size_t N>
void putText(char (&field)[N], std::string_view text) {
    std::memset(field, 0, N);
    std::memcpy(field, text.data(), std::min(text.size(), N - 1));
}

void putListEntry(AdapterListEntry& entry, const Adapter& adapter, bool windows95) {
    putText(entry.AdapterName, nicapi::listedName(adapter.spec(), windows95));
    putText(entry.AdapterDescription, adapter.spec().description);
    putText(entry.InstanceId, adapter.spec().instanceId);
}

int32_t fillList(AdapterListEntry* list, int32_t capacity, bool wirelessOnly, int32_t limit) {
    if (list == nullptr) return 0;
    capacity = std::clamp(capacity, 0, limit);
    return Library::instance().locked([&](Library& library) {
        const auto adapters = library.presentAdapters(wirelessOnly);
        const int32_t count = std::min(capacity, static_cast<int32_t>(adapters.size()));
        std::memset(list, 0, sizeof(AdapterListEntry) * static_cast<std::size_t>(capacity));
        for (int32_t i = 0; i < count; ++i)
            putListEntry(list[i], *adapters[static_cast<std::size_t>(i)],
                         library.system().windows95);
        return count;
    });
}

// Runs `action(adapter, library)` on the open adapter of the record; `failed` when there is
// none (no record, not open, or the card is out).
template <typename Action>
int32_t onAdapter(WLAdapterInfo* record, Action&& action, int32_t failed = kFailed) {
    if (record == nullptr) return failed;
    return Library::instance().locked([&](Library& library) -> int32_t {
        Adapter* adapter = library.openAdapter(record->AdapterHandle);
        return adapter != nullptr ? action(*adapter, library) : failed;
    });
}

int32_t query(WLAdapterInfo* record, Setting setting) {
    return onAdapter(record,
                     [setting](Adapter& adapter, Library&) { return adapter.inForce(setting); });
}

int32_t store(WLAdapterInfo* record, Setting setting, int32_t value) {
    return onAdapter(record, [setting, value](Adapter& adapter, Library&) {
        return adapter.store(setting, value) ? kDone : kFailed;
    });
}

// The text, a NUL and blanks to the end of the 33 bytes; an empty SSID fills 33 NULs. (A reader
// that trims the blanks finds the text; an untouched-looking all-NUL buffer means any network.)
int32_t putSsid(WLAdapterInfo* record, char* buffer, bool current) {
    if (buffer == nullptr) return kFailed;
    return onAdapter(record, [buffer, current](Adapter& adapter, Library&) {
        const std::string ssid = current ? adapter.currentSsid() : adapter.ssid();
        const std::size_t length = std::min(ssid.size(), kSsidBuffer - 1);
        std::memset(buffer, ssid.empty() ? '\0' : ' ', kSsidBuffer);
        std::memcpy(buffer, ssid.data(), length);
        buffer[length] = '\0';
        return kDone;
    });
}

int32_t putMac(WLAdapterInfo* record, uint8_t* mac) {
    if (mac == nullptr) return kFailed;
    return onAdapter(record, [mac](Adapter& adapter, Library&) {
        std::memcpy(mac, adapter.spec().mac.data(), adapter.spec().mac.size());
        return kDone;
    });
}

int32_t restart(WLAdapterInfo* record) {
    return onAdapter(record, [](Adapter& adapter, Library& library) {
        adapter.restart(library.joinTime());
        adapter.settle(nicapi::Clock::now(), library.air());
        return kDone;
    });
}

}  // namespace

extern "C" {

NICAPI_API int32_t KV_STDCALL VBCreateNICAdapterList(AdapterListEntry list[10], int32_t* capacity) {
    return fillList(list, capacity != nullptr ? *capacity : 10, true, 10);
}

NICAPI_API int32_t KV_STDCALL VBCreateAllNICAdapterList(AdapterListEntry list[50],
                                                        int32_t capacity) {
    return fillList(list, capacity, false, 50);
}

NICAPI_API int32_t KV_STDCALL VBQueryWLIsWindows95(void) {
    return Library::instance().locked(
        [](Library& library) { return library.system().windows95 ? 1 : 0; });
}

NICAPI_API int32_t KV_STDCALL VBKvGetOSVersion(void) {
    return Library::instance().locked([](Library& library) { return library.system().osVersion; });
}

NICAPI_API int32_t KV_STDCALL VBKvOpenAdapter(WLAdapterInfo* adapter) {
    if (adapter == nullptr) return 0;
    return Library::instance().locked([adapter](Library& library) {
        Adapter* found =
            library.findPresent(fieldText(adapter->AdapterName), fieldText(adapter->InstanceId));
        if (found == nullptr) return 0;
        const int32_t handle = library.open(*found);
        if (handle <= 0) return 0;
        adapter->AdapterHandle = handle;
        return 1;
    });
}

NICAPI_API int32_t KV_STDCALL VBKvCloseAdapter(WLAdapterInfo* adapter) {
    if (adapter == nullptr) return 0;
    return Library::instance().locked([adapter](Library& library) {
        if (!library.close(adapter->AdapterHandle)) return 0;
        adapter->AdapterHandle = -1;
        return 1;
    });
}

NICAPI_API int32_t KV_STDCALL VBQueryWLCheckWZCStatus(WLAdapterInfo* adapter) {
    return onAdapter(adapter, [](Adapter& open, Library&) { return open.wzcManaged() ? 1 : 0; });
}

NICAPI_API int32_t KV_STDCALL VBSetWLDisableWirelessZeroConfiguration(WLAdapterInfo* adapter,
                                                                      int32_t /*value*/) {
    return onAdapter(adapter, [](Adapter&, Library&) { return kDone; });
}

NICAPI_API int32_t KV_STDCALL VBSetWLRestartNIC(WLAdapterInfo* adapter) {
    return restart(adapter);
}

NICAPI_API int32_t KV_STDCALL VBQueryWLChannel(WLAdapterInfo* adapter) {
    return onAdapter(adapter, [](Adapter& open, Library&) { return open.channel(); });
}

NICAPI_API int32_t KV_STDCALL VBQueryWLTxRateControl(WLAdapterInfo* adapter) {
    return query(adapter, Setting::kTxRate);
}

NICAPI_API int32_t KV_STDCALL VBQueryWLCurrentTxRate(WLAdapterInfo* adapter) {
    return onAdapter(
        adapter, [](Adapter& open, Library& library) { return open.currentRate(library.air()); });
}

NICAPI_API int32_t KV_STDCALL VBQueryWLNetworkType(WLAdapterInfo* adapter) {
    return query(adapter, Setting::kNetworkType);
}

NICAPI_API int32_t KV_STDCALL VBQueryWLPSMode(WLAdapterInfo* adapter) {
    return query(adapter, Setting::kPsMode);
}

NICAPI_API int32_t KV_STDCALL VBQueryWLPreambleMode(WLAdapterInfo* adapter) {
    return query(adapter, Setting::kPreamble);
}

NICAPI_API int32_t KV_STDCALL VBQueryWLAuthenticationMode(WLAdapterInfo* adapter) {
    return query(adapter, Setting::kAuthMode);
}

NICAPI_API int32_t KV_STDCALL VBQueryWLWEPStatus(WLAdapterInfo* adapter) {
    return query(adapter, Setting::kWepStatus);
}

NICAPI_API int32_t KV_STDCALL VBQueryWLWEPbit(WLAdapterInfo* adapter) {
    return query(adapter, Setting::kWepBit);
}

NICAPI_API int32_t KV_STDCALL VBQueryWLPortStatus(WLAdapterInfo* adapter) {
    return onAdapter(
        adapter, [](Adapter& open, Library&) { return static_cast<int32_t>(open.portStatus()); });
}

NICAPI_API int32_t KV_STDCALL VBQueryWLDriverVersion(WLAdapterInfo* adapter) {
    return onAdapter(adapter, [](Adapter& open, Library&) {
        const nicapi::Version& v = open.spec().driverVersion;
        return static_cast<int32_t>(static_cast<uint32_t>(v[0]) << 24 | v[1] << 16 | v[2] << 8 |
                                    v[3]);
    });
}

NICAPI_API int32_t KV_STDCALL VBSetWLChannel(WLAdapterInfo* adapter, int32_t value) {
    return store(adapter, Setting::kChannel, value);
}

NICAPI_API int32_t KV_STDCALL VBSetWLTxRateControl(WLAdapterInfo* adapter, int32_t value) {
    return store(adapter, Setting::kTxRate, value);
}

NICAPI_API int32_t KV_STDCALL VBSetWLNetworkType(WLAdapterInfo* adapter, int32_t value) {
    return store(adapter, Setting::kNetworkType, value);
}

NICAPI_API int32_t KV_STDCALL VBSetWLPSMode(WLAdapterInfo* adapter, int32_t value) {
    return store(adapter, Setting::kPsMode, value);
}

NICAPI_API int32_t KV_STDCALL VBSetWLPreambleMode(WLAdapterInfo* adapter, int32_t value) {
    return store(adapter, Setting::kPreamble, value);
}

NICAPI_API int32_t KV_STDCALL VBSetWLAuthenticationMode(WLAdapterInfo* adapter, int32_t value) {
    return store(adapter, Setting::kAuthMode, value);
}

NICAPI_API int32_t KV_STDCALL VBSetWLFragmentationThreshold(WLAdapterInfo* adapter, int32_t value) {
    return store(adapter, Setting::kFragThreshold, value);
}

NICAPI_API int32_t KV_STDCALL VBSetWLRTSCTSThreshold(WLAdapterInfo* adapter, int32_t value) {
    return store(adapter, Setting::kRtsThreshold, value);
}

NICAPI_API int32_t KV_STDCALL VBSetWLWEPStatus(WLAdapterInfo* adapter, int32_t value) {
    return store(adapter, Setting::kWepStatus, value);
}

NICAPI_API int32_t KV_STDCALL VBSetWLWEPbit(WLAdapterInfo* adapter, int32_t value) {
    return store(adapter, Setting::kWepBit, value);
}

NICAPI_API int32_t KV_STDCALL VBSetWLDefaultKeyID(WLAdapterInfo* adapter, int32_t value) {
    return store(adapter, Setting::kDefaultKey, value);
}

NICAPI_API int32_t KV_STDCALL VBQueryWLSSID(WLAdapterInfo* adapter, char ssid[33]) {
    return putSsid(adapter, ssid, false);
}

NICAPI_API int32_t KV_STDCALL VBQueryWLCurrentSSID(WLAdapterInfo* adapter, char ssid[33]) {
    return putSsid(adapter, ssid, true);
}

NICAPI_API int32_t KV_STDCALL VBSetWLSSID(WLAdapterInfo* adapter, const char* ssid) {
    if (ssid == nullptr) return kFailed;
    return onAdapter(adapter, [ssid](Adapter& open, Library&) {
        open.setSsid(ssid);
        return kDone;
    });
}

NICAPI_API int32_t KV_STDCALL VBQueryWLCQSLCurrBSS(WLAdapterInfo* adapter, int32_t* qualitySum,
                                                   int32_t* signalLevel, int32_t* qualityCount) {
    if (qualitySum == nullptr || signalLevel == nullptr || qualityCount == nullptr) return kFailed;
    return onAdapter(adapter, [=](Adapter& open, Library& library) {
        const nicapi::LinkSample sample = open.sampleLink(library.air());
        *qualitySum = sample.qualitySum;
        *signalLevel = sample.signalLevel;
        *qualityCount = sample.qualityCount;
        return kDone;
    });
}

NICAPI_API int32_t KV_STDCALL VBGetTxRxFrameCount(WLAdapterInfo* adapter, uint32_t counts[4]) {
    if (counts == nullptr) return kFailed;
    return onAdapter(adapter, [counts](Adapter& open, Library& library) {
        const auto frames = open.advanceTraffic(library.air()).frameCounts();
        std::copy(frames.begin(), frames.end(), counts);
        return kDone;
    });
}

NICAPI_API int32_t KV_STDCALL VBGetNICAdapterMAC(WLAdapterInfo* adapter, uint8_t mac[6]) {
    return putMac(adapter, mac);
}

NICAPI_API int32_t KV_STDCALL VBQueryWLFirmwareVersion(WLAdapterInfo* adapter, uint8_t version[4]) {
    if (version == nullptr) return kFailed;
    return onAdapter(adapter, [version](Adapter& open, Library&) {
        std::ranges::copy(open.spec().firmwareVersion, version);
        return kDone;
    });
}

NICAPI_API int32_t KV_STDCALL VBWLReadEEPROM(WLAdapterInfo* adapter, int32_t id, int32_t kind,
                                             uint8_t* image, int32_t length) {
    return onAdapter(adapter, [=](Adapter& open, Library&) -> int32_t {
        const auto eeprom = open.eeprom();
        if (id != nicapi::kEepromReadId) return kWrongId;
        if (kind != static_cast<int32_t>(open.eepromKind())) return kWrongKind;
        if (image == nullptr || length <= 0 || static_cast<std::size_t>(length) > eeprom.size())
            return kWrongLength;
        std::copy_n(eeprom.begin(), length, image);
        return kDone;
    });
}

NICAPI_API int32_t KV_STDCALL VBSetWLWriteKey(WLAdapterInfo* adapter, int32_t index, int16_t is128,
                                              int16_t isDefault, const uint8_t key[26]) {
    return onAdapter(adapter, [=](Adapter& open, Library&) {
        return open.storeKey(index, is128 != 0, isDefault != 0, key) ? kDone : kFailed;
    });
}

NICAPI_API int32_t KV_STDCALL VBWLSiteSurveyStart(WLAdapterInfo* adapter) {
    return onAdapter(adapter, [](Adapter& open, Library& library) {
        open.scan(library.air());
        return kDone;
    });
}

NICAPI_API int32_t KV_STDCALL VBWLRetrieveSiteSurveyData(WLAdapterInfo* adapter,
                                                         SurveyBuffer* buffer, int32_t capacity) {
    if (buffer == nullptr) return kFailed;
    return onAdapter(adapter, [=](Adapter& open, Library&) {
        const auto survey = open.survey();
        const auto count = std::min<std::size_t>(
            static_cast<std::size_t>(std::clamp(capacity, 0, kSurveyCapacity)), survey.size());
        std::copy_n(survey.begin(), count, buffer->Entries);
        buffer->Count = static_cast<int32_t>(count);
        return kDone;
    });
}

}  // extern "C"

NICAPI_API int KV_CDECL GetNICAdapterMAC(WLAdapterInfo* adapter, unsigned char* mac) {
    return putMac(adapter, mac);
}

NICAPI_API int KV_CDECL GetNICAdapterTally(WLAdapterInfo* adapter, unsigned char* tally) {
    if (tally == nullptr) return kFailed;
    return onAdapter(adapter, [tally](Adapter& open, Library& library) {
        open.advanceTraffic(library.air()).fillTally(tally);
        return kDone;
    });
}

NICAPI_API int KV_CDECL QueryWL_TxRateControl(WLAdapterInfo* adapter) {
    return query(adapter, Setting::kTxRate);
}

NICAPI_API int KV_CDECL SetWL_TxRateControl(WLAdapterInfo* adapter, int value) {
    return store(adapter, Setting::kTxRate, value);
}

NICAPI_API int KV_CDECL QueryWL_PreambleMode(WLAdapterInfo* adapter) {
    return query(adapter, Setting::kPreamble);
}

NICAPI_API int KV_CDECL SetWL_PreambleMode(WLAdapterInfo* adapter, int value) {
    return store(adapter, Setting::kPreamble, value);
}

NICAPI_API int KV_CDECL SetWL_RestartNIC(WLAdapterInfo* adapter) {
    return restart(adapter);
}
