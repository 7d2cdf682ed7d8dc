// The tick timer on a QTimer of the user-interface thread.
#pragma once

#include <QTimer>
#include <chrono>

#include "TickTimer.h"

namespace pace {

class QtTickTimer : public TickTimer {
public:
    explicit QtTickTimer(std::chrono::milliseconds interval = std::chrono::milliseconds(200));
    QtTickTimer(const QtTickTimer&) = delete;
    QtTickTimer& operator=(const QtTickTimer&) = delete;

    void SwitchOn() override;
    void Restart() override;
    void SwitchOff() override;
    [[nodiscard]] bool IsOn() const override;

private:
    QTimer Timer_;
};

}  // namespace pace
