// loopkit-dialog: opens one of Loopkit's test dialogs on an adapter, the way a test program
// calls it.
//
//   loopkit-dialog tx|rx|2way [ADAPTER]        an adapter of the adapter library, by instance id
//                                              or name (the first listed when none is given)
//   loopkit-dialog tx|rx|2way --interface IF   an interface of the packet driver alone (the
//                                              dialog's adapter settings then do nothing)
//
// Exit status: 0 after the dialog closed, 2 usage, 3 no such adapter or interface.
#include <loopkit/loopkit.h>
#include <nicapi/nicapi.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "adapter.h"

namespace {

constexpr int kExitUsage = 2;
constexpr int kExitNoAdapter = 3;
constexpr int kListCapacity = 10;

const char kUsage[] =
    "Usage: loopkit-dialog tx|rx|2way [ADAPTER]\n"
    "       loopkit-dialog tx|rx|2way --interface IFACE\n"
    "Opens Loopkit's transmit, receive or two-way test dialog and waits until it is closed.\n"
    "ADAPTER is an adapter of the adapter library (NICAPI_LIBRARY's, else the simulated one),\n"
    "by instance id or name; without it the first adapter listed. --interface opens a network\n"
    "interface (or mem:NAME) through the packet driver only: the adapter's address, rate and\n"
    "preamble are then not available.\n";

using ShowDialog = void (*)(WLAdapterInfo*);

ShowDialog dialogNamed(std::string_view name) {
    if (name == "tx") return &KvTxShowDlg;
    if (name == "rx") return &KvRxShowDlg;
    if (name == "2way") return &Kv2WayShowDlg;
    return nullptr;
}

bool matches(const AdapterListEntry& entry, std::string_view wanted) {
    return wanted.empty() || wanted == entry.AdapterName ||
           wanted == std::string_view(entry.InstanceId, strnlen(entry.InstanceId, 4));
}

// Opens the adapter through the adapter library; false with a message when none fits.
bool openListed(std::string_view wanted, WLAdapterInfo& info) {
    AdapterListEntry list[kListCapacity] = {};
    int32_t capacity = kListCapacity;
    const int32_t listed = VBCreateNICAdapterList(list, &capacity);
    for (int32_t i = 0; i < std::min(listed, kListCapacity); ++i) {
        if (!matches(list[i], wanted)) continue;
        std::memcpy(info.AdapterName, list[i].AdapterName, sizeof info.AdapterName);
        std::memcpy(info.AdapterDescription, list[i].AdapterDescription,
                    sizeof info.AdapterDescription);
        std::memcpy(info.InstanceId, list[i].InstanceId, sizeof info.InstanceId);
        if (VBKvOpenAdapter(&info) == 1) return true;
        std::fprintf(stderr, "loopkit-dialog: cannot open adapter %s\n", list[i].AdapterName);
        return false;
    }
    std::fprintf(stderr, "loopkit-dialog: %s\n",
                 wanted.empty() ? "the adapter library lists no adapter"
                                : ("no adapter " + std::string(wanted) + " is listed").c_str());
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    const ShowDialog show = argc >= 2 ? dialogNamed(argv[1]) : nullptr;
    const bool byInterface = argc == 4 && std::strcmp(argv[2], "--interface") == 0;
    if (show == nullptr || argc > 4 || (argc == 4 && !byInterface) ||
        (argc == 3 && argv[2][0] == '-')) {
        std::fputs(kUsage, stderr);
        return kExitUsage;
    }
    if (byInterface) {
        loopkit_cli::OpenedAdapter adapter(argv[3]);
        if (!adapter.ok()) {
            std::fprintf(stderr, "loopkit-dialog: cannot open %s: %s\n", argv[3],
                         adapter.reason().c_str());
            return kExitNoAdapter;
        }
        show(adapter.info());
        return 0;
    }
    WLAdapterInfo info{};
    if (!openListed(argc == 3 ? argv[2] : "", info)) return kExitNoAdapter;
    show(&info);
    VBKvCloseAdapter(&info);
    return 0;
}
