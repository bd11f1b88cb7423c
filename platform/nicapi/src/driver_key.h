// The adapters' driver keys in the registry, where the driver's installation records each
// adapter's hardware identifier as MatchingDeviceId.
#pragma once

#include <span>
#include <string>

#include "environment.h"

namespace nicapi {

// The name that the adapter lists carry: the environment's name, or on Windows 95/98/Me the
// four-digit driver subkey (the instance id).
std::string listedName(const AdapterSpec& adapter, bool windows95);

// The driver key below HKEY_LOCAL_MACHINE: the network class key of the system followed by the
// first four characters of the listed name (Windows 95/98/Me) or of the instance id.
std::string driverKeyPath(const AdapterSpec& adapter, bool windows95);

// Writes MatchingDeviceId into every adapter's driver key; failures are reported on stderr.
void recordHardwareIds(std::span<const AdapterSpec> adapters, bool windows95);

}  // namespace nicapi
