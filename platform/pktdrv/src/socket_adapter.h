// A handle on a Linux network interface: an AF_PACKET socket bound to it. Sends are sendmmsg()
// calls that never block; received frames land in a TPACKET_V3 ring mapped into the process (set up
// when the first read is posted, so a handle that only sends costs no ring). The packet filter
// runs in the kernel as a socket filter, so unwanted frames never reach the ring.
#pragma once

#include <memory>
#include <string>

#include "adapter.h"

namespace pktdrv {

// Null with `error` set when the interface is unknown or the socket cannot be opened.
std::shared_ptr<Adapter> openSocketAdapter(const std::string& interfaceName, DWORD& error);

}  // namespace pktdrv
