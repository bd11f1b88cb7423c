// The transmit test dialog ("Tx"): a pattern, a rate and a preamble, a frame length and count,
// then "1 PACKET" (the counted frames) or "Continue Send" (until "Stop Send"), with the results
// refreshed every second.
#pragma once

#include <QButtonGroup>
#include <QCheckBox>
#include <QPushButton>
#include <QTimer>

#include <rates.h>
#include <routine_hub.h>

#include "dialog_support.h"

namespace loopkit::dialogs {

class TxDialog final : public TestDialog, private RoutineTarget {
public:
    explicit TxDialog(WLAdapterInfo* adapter);
    ~TxDialog() override;

    bool valid() const override { return engine_ != nullptr; }

private:
    void runEnded(RunKey run) override;
    void frameReported(RunKey, ReportedFrame) override {}

    void setRate(int code);
    void setPreamble(bool shortPreamble);
    void send(bool counted);
    void tick();
    void sendEnded(RunKey run);
    void setRunning(bool running);

    WLAdapterInfo* adapter_;
    void* engine_ = nullptr;
    RunKey run_ = 0;
    RateMemory rates_;
    QTimer timer_;

    QButtonGroup* patterns_;
    QLineEdit* fill_;
    QLineEdit* custom_;
    QCheckBox* crc_;
    QCheckBox* checkLost_;
    QLineEdit* interval_;
    QLineEdit* length_;
    QCheckBox* random_;
    QCheckBox* reserve_;
    QLineEdit* count_;
    QLineEdit* destination_;
    QPushButton* onePacket_;
    QPushButton* continueSend_;
    QPushButton* stopSend_;
    QLabel* sent_;
    QLabel* duration_;
    QLabel* rate_;
};

}  // namespace loopkit::dialogs
