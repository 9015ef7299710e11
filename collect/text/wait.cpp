#include "collect/text/wait.h"

#include "platform/event_pump.h"

namespace tidewell::text {

void WaitWhileNotStopped(int milliseconds, const std::atomic<bool>& stop) {
    for (long long waited = 0; waited < milliseconds && !stop.load(); waited += 10) {
        platform::sleepMs(10);
        platform::pumpEvents();
    }
}

}  // namespace tidewell::text
