#pragma once

#include <functional>

// The one process-wide place where long work lets pending window events run. The desktop
// program points the hook at its toolkit; the headless collector leaves it empty. Tests set
// their own hooks to count calls or to press the stop button from inside a pause.
namespace tidewell::platform {

using PumpHook = std::function<void()>;
using SleepHook = std::function<void(int milliseconds)>;

// Lets pending window events run (does nothing without a hook).
void pumpEvents();
// Installs the hook; returns the one it replaces.
PumpHook setEventPump(PumpHook hook);

// Sleeps the given milliseconds (a hook may stand in for the clock in tests).
void sleepMs(int milliseconds);
SleepHook setSleepHook(SleepHook hook);

// Restores a hook when it leaves scope.
class ScopedEventPump {
public:
    explicit ScopedEventPump(PumpHook hook) : previous_(setEventPump(std::move(hook))) {}
    ~ScopedEventPump() { setEventPump(std::move(previous_)); }
    ScopedEventPump(const ScopedEventPump&) = delete;
    ScopedEventPump& operator=(const ScopedEventPump&) = delete;

private:
    PumpHook previous_;
};

}  // namespace tidewell::platform
