// The control entries of the recording fake adapter library (fake_nicapi.cpp).
#pragma once

#include <nicapi/nicapi.h>

#include <cstdint>

#define FAKE_API extern "C" __attribute__((visibility("default")))

// Forgets adapters, scripts and recorded calls.
FAKE_API void fakeReset();
// The recorded calls, one a line, in call order.
FAKE_API const char* fakeCalls();
FAKE_API void fakeClearCalls();
// Lists an adapter in the list of all adapters and, when `supported`, in the supported list.
FAKE_API void fakeAddAdapter(const char* name, const char* description, const char* instanceId,
                             int supported);
// Lists no adapter any more (the cards were pulled).
FAKE_API void fakeClearAdapters();
// The results of an entry, one per call; the last one repeats.
FAKE_API void fakeScript(const char* entry, const int32_t* results, int count);
// The 33 bytes the configured (current = 0) or joined (current = 1) SSID query writes.
FAKE_API void fakeSetSsid(const char* bytes33, int current);
FAKE_API void fakeSetMac(const uint8_t* mac);
FAKE_API void fakeSetFrameCounts(uint32_t sent, uint32_t received);
// The bytes the EEPROM read copies into the caller's image (at most its length).
FAKE_API void fakeSetEeprom(const uint8_t* image, int length);
// The next answer of the link-quality query; without one it fails (-1).
FAKE_API void fakePushLinkSample(int32_t result, int32_t qualitySum, int32_t signalLevel,
                                 int32_t qualityCount);
// The networks the next survey retrievals report: `count` goes into the buffer's count as it is
// (it may exceed the capacity), and at most the capacity of entries are copied.
FAKE_API void fakeSetSurvey(const SurveyEntry* entries, int count);
// How many handles the open call gave out that no close call has taken back.
FAKE_API int fakeOpenHandles();
// The four bytes the firmware-version query writes (when it succeeds, as it does unless scripted).
FAKE_API void fakeSetFirmwareVersion(const uint8_t* version);
