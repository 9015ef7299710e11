#pragma once

#include <atomic>

namespace tidewell::text {

// Waits the milliseconds (rounded up to a multiple of 10) in 10 ms sleeps, letting pending
// window events run after each, and ends within about 10 ms once stop is set.
void WaitWhileNotStopped(int milliseconds, const std::atomic<bool>& stop);

}  // namespace tidewell::text
