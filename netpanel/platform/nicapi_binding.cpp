#include "nicapi_binding.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

namespace netpanel {

std::string Nicapi::defaultPath() {
    const char* configured = std::getenv("NICAPI_LIBRARY");
    if (configured && *configured) return configured;
    std::error_code error;
    std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    return (program.parent_path().parent_path() / "lib" / "libnicapi.so").string();
}

std::variant<std::unique_ptr<Nicapi>, std::string> Nicapi::load() {
    return load(defaultPath());
}

std::variant<std::unique_ptr<Nicapi>, std::string> Nicapi::load(const std::string& path) {
    void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        const char* why = dlerror();
        return "cannot load the adapter library " + path + ": " + (why ? why : "unknown error");
    }
    // Owned from here, so that a refused library is closed again.
    std::unique_ptr<Nicapi> nicapi(new Nicapi(library));
    for (const char* name : kRequiredEntries) {
        void* entry = dlsym(library, name);
        if (entry == nullptr) {
            return "the adapter library " + path + " lacks the entry " + name +
                   ": it is not the adapter's control library";
        }
        nicapi->entries_.emplace(name, entry);
    }
    return nicapi;
}

Nicapi::Nicapi(void* library) : library_(library) {}

Nicapi::~Nicapi() {
    dlclose(library_);
}

void Nicapi::resetCallFields(WLAdapterInfo& adapter) {
    adapter.CallWord = -1;
    adapter.CallLong1 = -1;
    adapter.CallLong2 = 0;
}

template <class Fn, class... Args>
int32_t Nicapi::call(const char* name, Args... args) {
    auto found = entries_.find(name);
    if (found == entries_.end()) found = entries_.emplace(name, dlsym(library_, name)).first;
    if (!found->second) return -1;
    return reinterpret_cast<Fn*>(found->second)(args...);
}

template <class Fn, class... Args>
int32_t Nicapi::callWith(const char* name, WLAdapterInfo& adapter, Args... args) {
    resetCallFields(adapter);
    return call<Fn>(name, args...);
}

int32_t Nicapi::VBCreateNICAdapterList(AdapterListEntry list[10], int32_t& capacity) {
    return call<decltype(::VBCreateNICAdapterList)>("VBCreateNICAdapterList", list, &capacity);
}

int32_t Nicapi::VBCreateAllNICAdapterList(AdapterListEntry list[50], int32_t capacity) {
    return call<decltype(::VBCreateAllNICAdapterList)>("VBCreateAllNICAdapterList", list, capacity);
}

int32_t Nicapi::VBQueryWLIsWindows95() {
    return call<decltype(::VBQueryWLIsWindows95)>("VBQueryWLIsWindows95");
}

int32_t Nicapi::VBKvGetOSVersion() {
    return call<decltype(::VBKvGetOSVersion)>("VBKvGetOSVersion");
}

int32_t Nicapi::VBKvOpenAdapter(WLAdapterInfo& a) {
    return callWith<decltype(::VBKvOpenAdapter)>("VBKvOpenAdapter", a, &a);
}

int32_t Nicapi::VBKvCloseAdapter(WLAdapterInfo& a) {
    return callWith<decltype(::VBKvCloseAdapter)>("VBKvCloseAdapter", a, &a);
}

int32_t Nicapi::VBQueryWLCheckWZCStatus(WLAdapterInfo& a) {
    return callWith<decltype(::VBQueryWLCheckWZCStatus)>("VBQueryWLCheckWZCStatus", a, &a);
}

int32_t Nicapi::VBSetWLDisableWirelessZeroConfiguration(WLAdapterInfo& a, int32_t value) {
    return callWith<decltype(::VBSetWLDisableWirelessZeroConfiguration)>(
        "VBSetWLDisableWirelessZeroConfiguration", a, &a, value);
}

int32_t Nicapi::VBSetWLRestartNIC(WLAdapterInfo& a) {
    return callWith<decltype(::VBSetWLRestartNIC)>("VBSetWLRestartNIC", a, &a);
}

int32_t Nicapi::VBWLSiteSurveyStart(WLAdapterInfo& a) {
    return callWith<decltype(::VBWLSiteSurveyStart)>("VBWLSiteSurveyStart", a, &a);
}

int32_t Nicapi::VBQueryWLChannel(WLAdapterInfo& a) {
    return callWith<decltype(::VBQueryWLChannel)>("VBQueryWLChannel", a, &a);
}

int32_t Nicapi::VBQueryWLTxRateControl(WLAdapterInfo& a) {
    return callWith<decltype(::VBQueryWLTxRateControl)>("VBQueryWLTxRateControl", a, &a);
}

int32_t Nicapi::VBQueryWLCurrentTxRate(WLAdapterInfo& a) {
    return callWith<decltype(::VBQueryWLCurrentTxRate)>("VBQueryWLCurrentTxRate", a, &a);
}

int32_t Nicapi::VBQueryWLNetworkType(WLAdapterInfo& a) {
    return callWith<decltype(::VBQueryWLNetworkType)>("VBQueryWLNetworkType", a, &a);
}

int32_t Nicapi::VBQueryWLPSMode(WLAdapterInfo& a) {
    return callWith<decltype(::VBQueryWLPSMode)>("VBQueryWLPSMode", a, &a);
}

int32_t Nicapi::VBQueryWLPreambleMode(WLAdapterInfo& a) {
    return callWith<decltype(::VBQueryWLPreambleMode)>("VBQueryWLPreambleMode", a, &a);
}

int32_t Nicapi::VBQueryWLAuthenticationMode(WLAdapterInfo& a) {
    return callWith<decltype(::VBQueryWLAuthenticationMode)>("VBQueryWLAuthenticationMode", a, &a);
}

int32_t Nicapi::VBQueryWLWEPStatus(WLAdapterInfo& a) {
    return callWith<decltype(::VBQueryWLWEPStatus)>("VBQueryWLWEPStatus", a, &a);
}

int32_t Nicapi::VBQueryWLWEPbit(WLAdapterInfo& a) {
    return callWith<decltype(::VBQueryWLWEPbit)>("VBQueryWLWEPbit", a, &a);
}

int32_t Nicapi::VBQueryWLPortStatus(WLAdapterInfo& a) {
    return callWith<decltype(::VBQueryWLPortStatus)>("VBQueryWLPortStatus", a, &a);
}

int32_t Nicapi::VBQueryWLDriverVersion(WLAdapterInfo& a) {
    return callWith<decltype(::VBQueryWLDriverVersion)>("VBQueryWLDriverVersion", a, &a);
}

int32_t Nicapi::VBSetWLChannel(WLAdapterInfo& a, int32_t value) {
    return callWith<decltype(::VBSetWLChannel)>("VBSetWLChannel", a, &a, value);
}

int32_t Nicapi::VBSetWLTxRateControl(WLAdapterInfo& a, int32_t value) {
    return callWith<decltype(::VBSetWLTxRateControl)>("VBSetWLTxRateControl", a, &a, value);
}

int32_t Nicapi::VBSetWLNetworkType(WLAdapterInfo& a, int32_t value) {
    return callWith<decltype(::VBSetWLNetworkType)>("VBSetWLNetworkType", a, &a, value);
}

int32_t Nicapi::VBSetWLPSMode(WLAdapterInfo& a, int32_t value) {
    return callWith<decltype(::VBSetWLPSMode)>("VBSetWLPSMode", a, &a, value);
}

int32_t Nicapi::VBSetWLPreambleMode(WLAdapterInfo& a, int32_t value) {
    return callWith<decltype(::VBSetWLPreambleMode)>("VBSetWLPreambleMode", a, &a, value);
}

int32_t Nicapi::VBSetWLAuthenticationMode(WLAdapterInfo& a, int32_t value) {
    return callWith<decltype(::VBSetWLAuthenticationMode)>("VBSetWLAuthenticationMode", a, &a,
                                                           value);
}

int32_t Nicapi::VBSetWLFragmentationThreshold(WLAdapterInfo& a, int32_t value) {
    return callWith<decltype(::VBSetWLFragmentationThreshold)>("VBSetWLFragmentationThreshold", a,
                                                               &a, value);
}

int32_t Nicapi::VBSetWLRTSCTSThreshold(WLAdapterInfo& a, int32_t value) {
    return callWith<decltype(::VBSetWLRTSCTSThreshold)>("VBSetWLRTSCTSThreshold", a, &a, value);
}

int32_t Nicapi::VBSetWLWEPStatus(WLAdapterInfo& a, int32_t value) {
    return callWith<decltype(::VBSetWLWEPStatus)>("VBSetWLWEPStatus", a, &a, value);
}

int32_t Nicapi::VBSetWLWEPbit(WLAdapterInfo& a, int32_t value) {
    return callWith<decltype(::VBSetWLWEPbit)>("VBSetWLWEPbit", a, &a, value);
}

int32_t Nicapi::VBSetWLDefaultKeyID(WLAdapterInfo& a, int32_t value) {
    return callWith<decltype(::VBSetWLDefaultKeyID)>("VBSetWLDefaultKeyID", a, &a, value);
}

int32_t Nicapi::VBQueryWLSSID(WLAdapterInfo& a, char ssid[33]) {
    return callWith<decltype(::VBQueryWLSSID)>("VBQueryWLSSID", a, &a, ssid);
}

int32_t Nicapi::VBQueryWLCurrentSSID(WLAdapterInfo& a, char ssid[33]) {
    return callWith<decltype(::VBQueryWLCurrentSSID)>("VBQueryWLCurrentSSID", a, &a, ssid);
}

int32_t Nicapi::VBSetWLSSID(WLAdapterInfo& a, const char* ssid) {
    return callWith<decltype(::VBSetWLSSID)>("VBSetWLSSID", a, &a, ssid);
}

int32_t Nicapi::VBQueryWLCQSLCurrBSS(WLAdapterInfo& a, int32_t& qualitySum, int32_t& signalLevel,
                                     int32_t& qualityCount) {
    return callWith<decltype(::VBQueryWLCQSLCurrBSS)>("VBQueryWLCQSLCurrBSS", a, &a, &qualitySum,
                                                      &signalLevel, &qualityCount);
}

int32_t Nicapi::VBGetTxRxFrameCount(WLAdapterInfo& a, uint32_t counts[4]) {
    return callWith<decltype(::VBGetTxRxFrameCount)>("VBGetTxRxFrameCount", a, &a, counts);
}

int32_t Nicapi::VBGetNICAdapterMAC(WLAdapterInfo& a, uint8_t mac[6]) {
    return callWith<decltype(::VBGetNICAdapterMAC)>("VBGetNICAdapterMAC", a, &a, mac);
}

int32_t Nicapi::VBQueryWLFirmwareVersion(WLAdapterInfo& a, uint8_t version[4]) {
    return callWith<decltype(::VBQueryWLFirmwareVersion)>("VBQueryWLFirmwareVersion", a, &a,
                                                          version);
}

int32_t Nicapi::VBWLReadEEPROM(WLAdapterInfo& a, int32_t id, int32_t kind, uint8_t* image,
                               int32_t length) {
    return callWith<decltype(::VBWLReadEEPROM)>("VBWLReadEEPROM", a, &a, id, kind, image, length);
}

int32_t Nicapi::VBSetWLWriteKey(WLAdapterInfo& a, int32_t index, int16_t is128, int16_t isDefault,
                                const uint8_t key[26]) {
    return callWith<decltype(::VBSetWLWriteKey)>("VBSetWLWriteKey", a, &a, index, is128, isDefault,
                                                 key);
}

int32_t Nicapi::VBWLRetrieveSiteSurveyData(WLAdapterInfo& a, SurveyBuffer& buffer,
                                           int32_t capacity) {
    return callWith<decltype(::VBWLRetrieveSiteSurveyData)>("VBWLRetrieveSiteSurveyData", a, &a,
                                                            &buffer, capacity);
}
}  // namespace netpanel
