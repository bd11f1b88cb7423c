// The test dialogs' entries where the library is built without its window toolkit (Windows):
// the call tells the user and returns, as it does on Linux when no display can be opened.
#include <windows.h>

#include "show_dialog.h"

namespace loopkit::dialogs {
namespace {

void unavailable(const char* dialog) {
    char text[200];
    wsprintfA(text, "The %s test dialog is not part of this build of loopkit.dll.", dialog);
    MessageBoxA(nullptr, text, "Loopkit", MB_OK | MB_ICONINFORMATION);
}

}  // namespace

void showTxDialog(WLAdapterInfo*) {
    unavailable("transmit");
}

void showRxDialog(WLAdapterInfo*) {
    unavailable("receive");
}

void showTwoWayDialog(WLAdapterInfo*) {
    unavailable("two-way");
}

}  // namespace loopkit::dialogs
