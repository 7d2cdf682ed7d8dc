#include "QtTickTimer.h"

namespace pace {

QtTickTimer::QtTickTimer(std::chrono::milliseconds interval) {
    Timer_.setInterval(interval);
    Timer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&Timer_, &QTimer::timeout, &Timer_, [this] {
        if (OnTick) OnTick();
    });
}

void QtTickTimer::SwitchOn() {
    if (!Timer_.isActive()) Timer_.start();
}

void QtTickTimer::Restart() { Timer_.start(); }

void QtTickTimer::SwitchOff() { Timer_.stop(); }

bool QtTickTimer::IsOn() const { return Timer_.isActive(); }

}  // namespace pace
