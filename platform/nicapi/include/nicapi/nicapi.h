/* The adapter control library: the records that name an adapter and carry survey results, and
 * the entries that query and set the adapter.
 *
 * Every entry but the two system queries takes the adapter record first, by reference; the
 * library may write any of its fields. Results are 32-bit: value queries answer the value or -1,
 * buffer queries 0 for success, the open call 1. Set calls are stored and take effect at
 * VBSetWLRestartNIC. */
#ifndef NICAPI_NICAPI_H
#define NICAPI_NICAPI_H

#include <stddef.h>
#include <stdint.h>

#include <kvexport.h>

#pragma pack(push, 1)

/* One adapter: the handle the library gives it, the three texts of its list entry, and three
 * call fields that callers reset to (-1, -1, 0) before every call. */
typedef struct WLAdapterInfo {
    int32_t AdapterHandle;
    char AdapterName[260];        /* on Windows 95/98/Me: first 4 characters = driver subkey */
    char AdapterDescription[260]; /* shown to the user */
    char InstanceId[5];           /* first 4 characters = driver subkey */
    uint8_t Padding;
    int16_t CallWord;
    int32_t CallLong1;
    int32_t CallLong2;
} WLAdapterInfo;

/* The three texts of WLAdapterInfo, as the adapter lists hold them. */
typedef struct AdapterListEntry {
    char AdapterName[260];
    char AdapterDescription[260];
    char InstanceId[5];
} AdapterListEntry;

/* One network heard by a site survey (little-endian):
 *
 *   0 Length        4 MacAddress[6]   10 Reserved[2]   12 SsidLength   16 Ssid[32]
 *  48 Privacy      52 Rssi            56 NetworkTypeInUse              60 ConfigLength
 *  64 BeaconPeriod 68 AtimWindow      72 DsConfig (kHz)                76 FhConfig[4]
 *  92 InfrastructureMode              96 SupportedRates[8]            104 */
typedef struct SurveyEntry {
    uint32_t Length;
    uint8_t MacAddress[6];
    uint8_t Reserved[2];
    uint32_t SsidLength;
    uint8_t Ssid[32];
    uint32_t Privacy; /* 1: the network uses WEP */
    int32_t Rssi;     /* signal level, in the unit of KvConfig.ini's signal limits */
    uint32_t NetworkTypeInUse;
    uint32_t ConfigLength;
    uint32_t BeaconPeriod;
    uint32_t AtimWindow;
    uint32_t DsConfig; /* centre frequency in kHz */
    uint32_t FhConfig[4];
    uint32_t InfrastructureMode; /* 0 ad hoc, non-zero infrastructure */
    uint8_t SupportedRates[8];
} SurveyEntry;

/* The survey results: the caller sets Count to the capacity (16), the library replaces it with
 * the number of entries filled. */
typedef struct SurveyBuffer {
    int32_t Count;
    SurveyEntry Entries[16];
} SurveyBuffer;

#pragma pack(pop)

#ifdef __cplusplus
#define NICAPI_STATIC_ASSERT static_assert
#else
#define NICAPI_STATIC_ASSERT _Static_assert
#endif

NICAPI_STATIC_ASSERT(sizeof(WLAdapterInfo) == 540, "WLAdapterInfo is 540 bytes");
NICAPI_STATIC_ASSERT(offsetof(WLAdapterInfo, AdapterName) == 4, "AdapterName at 4");
NICAPI_STATIC_ASSERT(offsetof(WLAdapterInfo, AdapterDescription) == 264,
                     "AdapterDescription at 264");
NICAPI_STATIC_ASSERT(offsetof(WLAdapterInfo, InstanceId) == 524, "InstanceId at 524");
NICAPI_STATIC_ASSERT(offsetof(WLAdapterInfo, CallWord) == 530, "CallWord at 530");
NICAPI_STATIC_ASSERT(offsetof(WLAdapterInfo, CallLong1) == 532, "CallLong1 at 532");
NICAPI_STATIC_ASSERT(offsetof(WLAdapterInfo, CallLong2) == 536, "CallLong2 at 536");
NICAPI_STATIC_ASSERT(sizeof(AdapterListEntry) == 525, "AdapterListEntry is 525 bytes");
NICAPI_STATIC_ASSERT(offsetof(AdapterListEntry, AdapterDescription) == 260, "description at 260");
NICAPI_STATIC_ASSERT(offsetof(AdapterListEntry, InstanceId) == 520, "InstanceId at 520");
NICAPI_STATIC_ASSERT(sizeof(SurveyEntry) == 104, "SurveyEntry is 104 bytes");
NICAPI_STATIC_ASSERT(offsetof(SurveyEntry, MacAddress) == 4, "MacAddress at 4");
NICAPI_STATIC_ASSERT(offsetof(SurveyEntry, SsidLength) == 12, "SsidLength at 12");
NICAPI_STATIC_ASSERT(offsetof(SurveyEntry, Ssid) == 16, "Ssid at 16");
NICAPI_STATIC_ASSERT(offsetof(SurveyEntry, Privacy) == 48, "Privacy at 48");
NICAPI_STATIC_ASSERT(offsetof(SurveyEntry, Rssi) == 52, "Rssi at 52");
NICAPI_STATIC_ASSERT(offsetof(SurveyEntry, NetworkTypeInUse) == 56, "NetworkTypeInUse at 56");
NICAPI_STATIC_ASSERT(offsetof(SurveyEntry, BeaconPeriod) == 64, "BeaconPeriod at 64");
NICAPI_STATIC_ASSERT(offsetof(SurveyEntry, AtimWindow) == 68, "AtimWindow at 68");
NICAPI_STATIC_ASSERT(offsetof(SurveyEntry, DsConfig) == 72, "DsConfig at 72");
NICAPI_STATIC_ASSERT(offsetof(SurveyEntry, FhConfig) == 76, "FhConfig at 76");
NICAPI_STATIC_ASSERT(offsetof(SurveyEntry, InfrastructureMode) == 92, "InfrastructureMode at 92");
NICAPI_STATIC_ASSERT(offsetof(SurveyEntry, SupportedRates) == 96, "SupportedRates at 96");
NICAPI_STATIC_ASSERT(sizeof(SurveyBuffer) == 1668, "SurveyBuffer is 1668 bytes");
NICAPI_STATIC_ASSERT(offsetof(SurveyBuffer, Entries) == 4, "entries at 4");

/* Adapter lists: supported adapters (list of 10, capacity by reference) and all adapters (list
 * of 50, capacity by value). Both answer the number of adapters listed. */
KV_EXTERN_C NICAPI_API int32_t KV_STDCALL VBCreateNICAdapterList(AdapterListEntry list[10],
                                                                 int32_t* capacity);
KV_EXTERN_C NICAPI_API int32_t KV_STDCALL VBCreateAllNICAdapterList(AdapterListEntry list[50],
                                                                    int32_t capacity);

/* The system: 1 on Windows 95/98/Me; an operating-system code (7: a system whose own wireless
 * service can manage the adapter). */
KV_EXTERN_C NICAPI_API int32_t KV_STDCALL VBQueryWLIsWindows95(void);
KV_EXTERN_C NICAPI_API int32_t KV_STDCALL VBKvGetOSVersion(void);

/* Open (1 = opened, AdapterHandle set) and close. */
KV_EXTERN_C NICAPI_API int32_t KV_STDCALL VBKvOpenAdapter(WLAdapterInfo* adapter);
KV_EXTERN_C NICAPI_API int32_t KV_STDCALL VBKvCloseAdapter(WLAdapterInfo* adapter);

/* The system's wireless service: non-zero while it manages the adapter; 1 takes the adapter
 * from it, 0 leaves the adapter to it. */
KV_EXTERN_C NICAPI_API int32_t KV_STDCALL VBQueryWLCheckWZCStatus(WLAdapterInfo* adapter);
KV_EXTERN_C NICAPI_API int32_t KV_STDCALL
VBSetWLDisableWirelessZeroConfiguration(WLAdapterInfo* adapter, int32_t value);

/* Puts the stored settings into force; the adapter then (re)joins a network. */
KV_EXTERN_C NICAPI_API int32_t KV_STDCALL VBSetWLRestartNIC(WLAdapterInfo* adapter);

/* Value queries: the value in force, or -1. */
KV_EXTERN_C NICAPI_API int32_t KV_STDCALL VBQueryWLChannel(WLAdapterInfo* adapter);
KV_EXTERN_C NICAPI_API int32_t KV_STDCALL VBQueryWLTxRateControl(WLAdapterInfo* adapter);
KV_EXTERN_C NICAPI_API int32_t KV_STDCALL VBQueryWLCurrentTxRate(WLAdapterInfo* adapter);
KV_EXTERN_C NICAPI_API int32_t KV_STDCALL VBQueryWLNetworkType(WLAdapterInfo* adapter);
KV_EXTERN_C NICAPI_API int32_t KV_STDCALL VBQueryWLPSMode(WLAdapterInfo* adapter);
KV_EXTERN_C NICAPI_API int32_t KV_STDCALL VBQueryWLPreambleMode(WLAdapterInfo* adapter);
KV_EXTERN_C NICAPI_API int32_t KV_STDCALL VBQueryWLAuthenticationMode(WLAdapterInfo* adapter);
KV_EXTERN_C NICAPI_API int32_t KV_STDCALL VBQueryWLWEPStatus(WLAdapterInfo* adapter);
KV_EXTERN_C NICAPI_API int32_t KV_STDCALL VBQueryWLWEPbit(WLAdapterInfo* adapter);
KV_EXTERN_C NICAPI_API int32_t KV_STDCALL VBQueryWLPortStatus(WLAdapterInfo* adapter);
KV_EXTERN_C NICAPI_API int32_t KV_STDCALL VBQueryWLDriverVersion(WLAdapterInfo* adapter);

/* Set calls: stored for the next restart. */
KV_EXTERN_C NICAPI_API int32_t KV_STDCALL VBSetWLChannel(WLAdapterInfo* adapter, int32_t value);
KV_EXTERN_C NICAPI_API int32_t KV_STDCALL VBSetWLTxRateControl(WLAdapterInfo* adapter,
                                                               int32_t value);
KV_EXTERN_C NICAPI_API int32_t KV_STDCALL VBSetWLNetworkType(WLAdapterInfo* adapter, int32_t value);
KV_EXTERN_C NICAPI_API int32_t KV_STDCALL VBSetWLPSMode(WLAdapterInfo* adapter, int32_t value);
KV_EXTERN_C NICAPI_API int32_t KV_STDCALL VBSetWLPreambleMode(WLAdapterInfo* adapter,
                                                              int32_t value);
KV_EXTERN_C NICAPI_API int32_t KV_STDCALL VBSetWLAuthenticationMode(WLAdapterInfo* adapter,
                                                                    int32_t value);
KV_EXTERN_C NICAPI_API int32_t KV_STDCALL VBSetWLFragmentationThreshold(WLAdapterInfo* adapter,
                                                                        int32_t value);
KV_EXTERN_C NICAPI_API int32_t KV_STDCALL VBSetWLRTSCTSThreshold(WLAdapterInfo* adapter,
                                                                 int32_t value);
KV_EXTERN_C NICAPI_API int32_t KV_STDCALL VBSetWLWEPStatus(WLAdapterInfo* adapter, int32_t value);
KV_EXTERN_C NICAPI_API int32_t KV_STDCALL VBSetWLWEPbit(WLAdapterInfo* adapter, int32_t value);
KV_EXTERN_C NICAPI_API int32_t KV_STDCALL VBSetWLDefaultKeyID(WLAdapterInfo* adapter,
                                                              int32_t value);

/* SSIDs: buffer queries fill 33 bytes (0 = success); the set call takes NUL-terminated text. */
KV_EXTERN_C NICAPI_API int32_t KV_STDCALL VBQueryWLSSID(WLAdapterInfo* adapter, char ssid[33]);
KV_EXTERN_C NICAPI_API int32_t KV_STDCALL VBQueryWLCurrentSSID(WLAdapterInfo* adapter,
                                                               char ssid[33]);
KV_EXTERN_C NICAPI_API int32_t KV_STDCALL VBSetWLSSID(WLAdapterInfo* adapter, const char* ssid);

/* Link quality summed over qualityCount frames (lower is better) and the signal level: -1 on
 * failure. */
KV_EXTERN_C NICAPI_API int32_t KV_STDCALL VBQueryWLCQSLCurrBSS(WLAdapterInfo* adapter,
                                                               int32_t* qualitySum,
                                                               int32_t* signalLevel,
                                                               int32_t* qualityCount);
/* counts[0] frames sent, counts[1] frames received; 0 = success. */
KV_EXTERN_C NICAPI_API int32_t KV_STDCALL VBGetTxRxFrameCount(WLAdapterInfo* adapter,
                                                              uint32_t counts[4]);
KV_EXTERN_C NICAPI_API int32_t KV_STDCALL VBGetNICAdapterMAC(WLAdapterInfo* adapter,
                                                             uint8_t mac[6]);
KV_EXTERN_C NICAPI_API int32_t KV_STDCALL VBQueryWLFirmwareVersion(WLAdapterInfo* adapter,
                                                                   uint8_t version[4]);
/* The EEPROM image: id 0x1201, kind 1 (PC Card, 512 bytes), 2 (other, 512) or 3 (USB, 2048). */
KV_EXTERN_C NICAPI_API int32_t KV_STDCALL VBWLReadEEPROM(WLAdapterInfo* adapter, int32_t id,
                                                         int32_t kind, uint8_t* image,
                                                         int32_t length);
/* WEP key `index` (0..3), 64- or 128-bit, as 26 bytes of key material. */
KV_EXTERN_C NICAPI_API int32_t KV_STDCALL VBSetWLWriteKey(WLAdapterInfo* adapter, int32_t index,
                                                          int16_t is128, int16_t isDefault,
                                                          const uint8_t key[26]);

/* Site survey: start a scan, then retrieve at most `capacity` entries. */
KV_EXTERN_C NICAPI_API int32_t KV_STDCALL VBWLSiteSurveyStart(WLAdapterInfo* adapter);
KV_EXTERN_C NICAPI_API int32_t KV_STDCALL VBWLRetrieveSiteSurveyData(WLAdapterInfo* adapter,
                                                                     SurveyBuffer* buffer,
                                                                     int32_t capacity);

#ifdef __cplusplus
/* The entries the packet test library links, by their C++ names. GetNICAdapterTally fills a
 * 256-byte block of 32-bit counters. */
NICAPI_API int KV_CDECL GetNICAdapterMAC(WLAdapterInfo* adapter, unsigned char* mac);
NICAPI_API int KV_CDECL GetNICAdapterTally(WLAdapterInfo* adapter, unsigned char* tally);
NICAPI_API int KV_CDECL QueryWL_TxRateControl(WLAdapterInfo* adapter);
NICAPI_API int KV_CDECL SetWL_TxRateControl(WLAdapterInfo* adapter, int value);
NICAPI_API int KV_CDECL QueryWL_PreambleMode(WLAdapterInfo* adapter);
NICAPI_API int KV_CDECL SetWL_PreambleMode(WLAdapterInfo* adapter, int value);
NICAPI_API int KV_CDECL SetWL_RestartNIC(WLAdapterInfo* adapter);
#endif

#endif /* NICAPI_NICAPI_H */
