// The entries of the three test dialogs, without toolkit types: each shows its dialog modally
// over the adapter and returns when it closes.
#pragma once

#include <nicapi/nicapi.h>

namespace loopkit::dialogs {

void showTxDialog(WLAdapterInfo* adapter);
void showRxDialog(WLAdapterInfo* adapter);
void showTwoWayDialog(WLAdapterInfo* adapter);

}  // namespace loopkit::dialogs
