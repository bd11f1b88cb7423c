// The receive test dialog ("Rx"): a capture with its filters and patterns, live counters and
// error rates, and a frame log fed by the capture's report routines.
#pragma once

#include <QButtonGroup>
#include <QCheckBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

#include <rates.h>
#include <report_log.h>
#include <routine_hub.h>

#include <array>
#include <cstdint>

#include "dialog_support.h"

namespace loopkit::dialogs {

// The tally counters of the adapter that the signal-generator mode shows, by byte offset.
struct TallyWords {
    int64_t plcpErrors = 0;  // 96
    int64_t fcsErrors = 0;   // 120
    int64_t word128 = 0;     // 128
    int64_t word136 = 0;     // 136
};

// The final figures of a signal-generator capture: the texts of "Good", "Bad", "Lost" and the
// three rates (an empty rate is not shown).
struct SignalGeneratorFigures {
    QString good, bad, lost, errorRate, lostRate, totalRate;
};
SignalGeneratorFigures signalGeneratorFigures(uint32_t good, long long packetNum,
                                              const TallyWords& delta);

class RxDialog final : public TestDialog, private RoutineTarget {
public:
    explicit RxDialog(WLAdapterInfo* adapter);
    ~RxDialog() override;

    bool valid() const override { return engine_ != nullptr; }

private:
    enum ReportMode { NoReport, Quiet, Dump, DumpIfBad, DumpIfLost };

    void runEnded(RunKey run) override;
    void frameReported(RunKey run, ReportedFrame frame) override;

    void selectMode(int mode);
    void chooseFile();
    void capture();
    void setPatterns();
    void tick();
    void captureEnded(RunKey run);
    void appendLog(const QString& text);
    void setRunning(bool running);
    TallyWords readTally();

    WLAdapterInfo* adapter_;
    void* engine_ = nullptr;
    RunKey run_ = 0;     // the capture running, 0 when idle
    RunKey logRun_ = 0;  // the capture whose records the log shows
    ReportLog log_;
    RateMemory rates_;
    uint64_t lastBytes_ = 0;
    QTimer timer_;
    bool signalGenerator_ = false;
    long long packetCount_ = 0;  // "Packet Num" of the capture
    TallyWords tally_;

    QLineEdit* remote_;
    QCheckBox* signalMode_;
    QCheckBox* autoStop_;
    QCheckBox* dumpToFile_;
    QLineEdit* path_;
    QLineEdit* maxDump_;
    QButtonGroup* modes_;
    QCheckBox* bad_;
    QCheckBox* lost_;
    QCheckBox* packetNumOn_;
    QLineEdit* packetNum_;
    std::array<QCheckBox*, 3> patternOn_{};
    std::array<QLineEdit*, 3> pattern_{};
    QCheckBox* reserve_;
    QPushButton* capture_;
    QPushButton* stop_;
    QLabel* good_;
    QLabel* badCount_;
    QLabel* lostCount_;
    QLabel* totalBytes_;
    QLabel* time_;
    QLabel* byteRate_;
    QLabel* errorRate_;
    QLabel* lostRate_;
    QLabel* totalRate_;
    QPlainTextEdit* logEdit_;
};

}  // namespace loopkit::dialogs
