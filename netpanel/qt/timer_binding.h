// A timer of the window model, measured by a QTimer.
#pragma once

#include <QObject>
#include <QTimer>

#include <cstdint>

#include "ui/timer.h"

namespace netpanel::qt {

// Runs a QTimer while the model's timer runs, restarts its period whenever the model starts a
// new one, and calls fire() when a period elapses. The model's timer must outlive the binding.
class TimerBinding : public QObject {
public:
    explicit TimerBinding(ui::Timer& timer);

    // What the QTimer does now.
    bool active() const { return qtTimer_.isActive(); }
    int interval() const { return qtTimer_.interval(); }

private:
    void sync();

    ui::Timer& timer_;
    QTimer qtTimer_;
    uint64_t generation_;
};

}  // namespace netpanel::qt
