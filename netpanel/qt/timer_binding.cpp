#include "qt/timer_binding.h"

#include <QPointer>

namespace netpanel::qt {

TimerBinding::TimerBinding(ui::Timer& timer) : timer_(timer), generation_(timer.generation()) {
    connect(&qtTimer_, &QTimer::timeout, this, [this] { timer_.fire(); });
    QPointer<TimerBinding> guard(this);
    timer_.addObserver([guard] {
        if (guard) guard->sync();
    });
    if (timer_.running()) qtTimer_.start(timer_.interval());
}

void TimerBinding::sync() {
    if (!timer_.running()) {
        qtTimer_.stop();
    } else if (!qtTimer_.isActive() || timer_.generation() != generation_) {
        qtTimer_.start(timer_.interval());  // a fresh period
    }
    generation_ = timer_.generation();
}

}  // namespace netpanel::qt
