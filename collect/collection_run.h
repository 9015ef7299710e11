#pragma once

#include <atomic>
#include <string>

#include "collect/run_window.h"

namespace tidewell::collect {

// What lives as long as the program and is shared by every call of CollectionRun: the stop
// flag and the few options the headless collector can change.
struct RunContext {
    // Set by a stop press (a nested call of CollectionRun) and at the end of a preview.
    std::atomic<bool> stopRequested{false};
    // Host (or host:port) of the comment service; empty for the build's host.
    std::string commentHost;
    // Write the output files in UTF-8 instead of local text.
    bool utf8Output = false;
};

// The job behind the start button: a full run (preview false) or a one-page preview (true).
// A call while a run is active is a stop press.
void CollectionRun(RunWindow& window, RunContext& context, bool preview);

}  // namespace tidewell::collect
