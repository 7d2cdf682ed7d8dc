// The 200 ms timer that drives discovery and the test window's monitor tick.
#pragma once

#include <functional>

namespace pace {

class TickTimer {
public:
    virtual ~TickTimer() = default;
    // Switches the timer on; when it already runs, its period goes on unchanged.
    virtual void SwitchOn() = 0;
    // Switches the timer on with the next tick a whole period from now.
    virtual void Restart() = 0;
    virtual void SwitchOff() = 0;
    [[nodiscard]] virtual bool IsOn() const = 0;

    std::function<void()> OnTick;
};

}  // namespace pace
