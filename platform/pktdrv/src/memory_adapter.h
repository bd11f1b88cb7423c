// The in-memory medium "mem:NAME": every handle that names the same medium hears every frame the
// others send on it, as on one shared wire. The packet filter applies when a frame arrives, so
// frames sent while a handle's filter is 0 never reach it.
#pragma once

#include <memory>
#include <string>

#include "adapter.h"

namespace pktdrv {

// Opens a handle on the medium `name` ("NAME" or "NAME/02:00:00:00:00:07", the address);
// `number` gives the default address. Null with `error` set when the name is malformed.
std::shared_ptr<Adapter> openMemoryAdapter(const std::string& name, uint32_t number, DWORD& error);

}  // namespace pktdrv
