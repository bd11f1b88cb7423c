// The adapter control library, bound at run time.
//
// The library is the file named by NICAPI_LIBRARY, else libnicapi.so in the program's library
// directory (../lib beside the program). A library without the entries that list, open and close
// the adapters (kRequiredEntries) is refused when it is loaded: it is not an adapter control
// library. Each other entry is looked up by name at its first call and kept. Before every call
// that takes the adapter record, its three call fields are reset to (-1, -1, 0). An entry the
// library lacks counts as a failed call: it answers -1.
#pragma once

#include <nicapi/nicapi.h>

#include <array>
#include <map>
#include <memory>
#include <string>
#include <variant>

namespace netpanel {

class Nicapi {
public:
    // The entries without which the utility can neither find an adapter nor let it go.
    static constexpr std::array<const char*, 3> kRequiredEntries = {
        "VBCreateNICAdapterList", "VBKvOpenAdapter", "VBKvCloseAdapter"};

    // Loads the library; on failure, a message naming the file and the loader's reason, or the
    // first required entry the library lacks.
    static std::variant<std::unique_ptr<Nicapi>, std::string> load();
    static std::variant<std::unique_ptr<Nicapi>, std::string> load(const std::string& path);
    // The file load() uses.
    static std::string defaultPath();

    ~Nicapi();
    Nicapi(const Nicapi&) = delete;
    Nicapi& operator=(const Nicapi&) = delete;

    // Sets the three call fields to their reset values (-1, -1, 0).
    static void resetCallFields(WLAdapterInfo& adapter);

    int32_t VBCreateNICAdapterList(AdapterListEntry list[10], int32_t& capacity);
    int32_t VBCreateAllNICAdapterList(AdapterListEntry list[50], int32_t capacity);
    int32_t VBQueryWLIsWindows95();
    int32_t VBKvGetOSVersion();

    int32_t VBKvOpenAdapter(WLAdapterInfo& a);
    int32_t VBKvCloseAdapter(WLAdapterInfo& a);
    int32_t VBQueryWLCheckWZCStatus(WLAdapterInfo& a);
    int32_t VBSetWLDisableWirelessZeroConfiguration(WLAdapterInfo& a, int32_t value);
    int32_t VBSetWLRestartNIC(WLAdapterInfo& a);
    int32_t VBWLSiteSurveyStart(WLAdapterInfo& a);

    int32_t VBQueryWLChannel(WLAdapterInfo& a);
    int32_t VBQueryWLTxRateControl(WLAdapterInfo& a);
    int32_t VBQueryWLCurrentTxRate(WLAdapterInfo& a);
    int32_t VBQueryWLNetworkType(WLAdapterInfo& a);
    int32_t VBQueryWLPSMode(WLAdapterInfo& a);
    int32_t VBQueryWLPreambleMode(WLAdapterInfo& a);
    int32_t VBQueryWLAuthenticationMode(WLAdapterInfo& a);
    int32_t VBQueryWLWEPStatus(WLAdapterInfo& a);
    int32_t VBQueryWLWEPbit(WLAdapterInfo& a);
    int32_t VBQueryWLPortStatus(WLAdapterInfo& a);
    int32_t VBQueryWLDriverVersion(WLAdapterInfo& a);

    int32_t VBSetWLChannel(WLAdapterInfo& a, int32_t value);
    int32_t VBSetWLTxRateControl(WLAdapterInfo& a, int32_t value);
    int32_t VBSetWLNetworkType(WLAdapterInfo& a, int32_t value);
    int32_t VBSetWLPSMode(WLAdapterInfo& a, int32_t value);
    int32_t VBSetWLPreambleMode(WLAdapterInfo& a, int32_t value);
    int32_t VBSetWLAuthenticationMode(WLAdapterInfo& a, int32_t value);
    int32_t VBSetWLFragmentationThreshold(WLAdapterInfo& a, int32_t value);
    int32_t VBSetWLRTSCTSThreshold(WLAdapterInfo& a, int32_t value);
    int32_t VBSetWLWEPStatus(WLAdapterInfo& a, int32_t value);
    int32_t VBSetWLWEPbit(WLAdapterInfo& a, int32_t value);
    int32_t VBSetWLDefaultKeyID(WLAdapterInfo& a, int32_t value);

    int32_t VBQueryWLSSID(WLAdapterInfo& a, char ssid[33]);
    int32_t VBQueryWLCurrentSSID(WLAdapterInfo& a, char ssid[33]);
    int32_t VBSetWLSSID(WLAdapterInfo& a, const char* ssid);
    int32_t VBQueryWLCQSLCurrBSS(WLAdapterInfo& a, int32_t& qualitySum, int32_t& signalLevel,
                                 int32_t& qualityCount);
    int32_t VBGetTxRxFrameCount(WLAdapterInfo& a, uint32_t counts[4]);
    int32_t VBGetNICAdapterMAC(WLAdapterInfo& a, uint8_t mac[6]);
    int32_t VBQueryWLFirmwareVersion(WLAdapterInfo& a, uint8_t version[4]);
    int32_t VBWLReadEEPROM(WLAdapterInfo& a, int32_t id, int32_t kind, uint8_t* image,
                           int32_t length);
    int32_t VBSetWLWriteKey(WLAdapterInfo& a, int32_t index, int16_t is128, int16_t isDefault,
                            const uint8_t key[26]);
    int32_t VBWLRetrieveSiteSurveyData(WLAdapterInfo& a, SurveyBuffer& buffer, int32_t capacity);

private:
    explicit Nicapi(void* library);

    // Calls the entry `name` with `args`; -1 when the library lacks it.
    template <class Fn, class... Args>
    int32_t call(const char* name, Args... args);
    // The same for an entry that takes the adapter record: its call fields are reset first.
    template <class Fn, class... Args>
    int32_t callWith(const char* name, WLAdapterInfo& adapter, Args... args);

    void* library_;
    std::map<std::string, void*, std::less<>> entries_;  // bound entries; null: missing
};

}  // namespace netpanel
