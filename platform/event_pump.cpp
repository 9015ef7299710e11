#include "platform/event_pump.h"

#include <chrono>
#include <thread>
#include <utility>

namespace tidewell::platform {
namespace {

PumpHook& pumpHook() {
    static PumpHook hook;
    return hook;
}

SleepHook& sleepHook() {
    static SleepHook hook;
    return hook;
}

}  // namespace

void pumpEvents() {
    if (const PumpHook& hook = pumpHook()) {
        hook();
    }
}

PumpHook setEventPump(PumpHook hook) {
    return std::exchange(pumpHook(), std::move(hook));
}

void sleepMs(int milliseconds) {
    if (const SleepHook& hook = sleepHook()) {
        hook(milliseconds);
        return;
    }
    if (milliseconds > 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    }
}

SleepHook setSleepHook(SleepHook hook) {
    return std::exchange(sleepHook(), std::move(hook));
}

}  // namespace tidewell::platform
