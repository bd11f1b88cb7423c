// The two-way test dialog ("2 Way Test"): the two-way protocol between this station and
// another, as server or client, with the figures of both directions refreshed every second.
#pragma once

#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include <rates.h>
#include <two_way_test.h>

#include <atomic>
#include <memory>

#include "dialog_support.h"

namespace loopkit::dialogs {

class TwoWayDialog final : public TestDialog {
public:
    explicit TwoWayDialog(WLAdapterInfo* adapter);
    ~TwoWayDialog() override;

    bool valid() const override { return test_->valid(); }

private:
    void start();
    void refresh();
    void refresh(const TwoWayTest::Counters& c);
    void streamEnded(const TwoWayTest::Counters& last);

    std::unique_ptr<TwoWayTest> test_;
    // The test as its events see it: null once the dialog closes. It lives until its control
    // thread, which runs the events, has ended.
    std::atomic<TwoWayTest*> live_{nullptr};
    RateMemory rxRate_;
    RateMemory txRate_;
    QTimer timer_;

    QRadioButton* server_;
    QLineEdit* length_;
    QPushButton* start_;
    QPushButton* stop_;
    QLabel* sent_;
    QLabel* received_;
    QLabel* elapsed_;
    QLabel* txRateLabel_;
    QLabel* rxRateLabel_;
    QLabel* bad_;
    QLabel* lost_;
};

}  // namespace loopkit::dialogs
