// An outside C++ program built against the installed Loopkit with find_package(): a transmit
// engine sends 100 frames on the in-memory medium, a receive engine counts them all good.
#include <loopkit/loopkit.h>

#include <chrono>
#include <cstdio>
#include <thread>

int main() {
    WLAdapterInfo sender{};
    WLAdapterInfo receiver{};
    sender.AdapterHandle = W32N_OpenAdapter("mem:consumer");
    receiver.AdapterHandle = W32N_OpenAdapter("mem:consumer");
    void* tx = KvTxCreate(&sender);
    void* rx = KvRxCreate(&receiver);
    if (tx == nullptr || rx == nullptr ||
        !KvRxStartCapture(rx, nullptr, 100, true, true, false, false, nullptr, nullptr, REPORT_ALL,
                          nullptr, nullptr, 0, nullptr, nullptr, 0, nullptr)) {
        std::puts("consumer (Loopkit): engines did not start");
        return 1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    KvTxSend(tx, 2, nullptr, 100, 100, 0, true, true, false, 0, nullptr, nullptr);
    for (int i = 0; i < 500 && KvRxIsReading(rx); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    const unsigned good = KvRxGetPacketsGood(rx);
    KvTxClose(tx);
    KvRxClose(rx);
    W32N_CloseAdapter(sender.AdapterHandle);
    W32N_CloseAdapter(receiver.AdapterHandle);
    if (good != 100) {
        std::printf("consumer (Loopkit): %u good frames of 100\n", good);
        return 1;
    }
    std::puts("consumer (Loopkit): ok");
    return 0;
}
