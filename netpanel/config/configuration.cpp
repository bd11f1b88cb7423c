// The Configuration tab's settings and their apply to the adapter and its driver key.
#include "shell/velto.h"

namespace netpanel {

// Will send the Configuration tab's settings to the adapter and write them to the driver key.
void Velto::ApplyConfiguration() {}

}  // namespace netpanel
