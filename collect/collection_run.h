#pragma once

#include <atomic>
#include <string>
#include <vector>

#include "collect/run_window.h"

namespace tidewell::collect {

// What lives as long as the program and is shared by every call of CollectionRun: the stop
// flag, the few options the headless collector can change, and what the last run could not do.
struct RunContext {
    // Set by a stop press (a nested call of CollectionRun) and at the end of a preview.
    std::atomic<bool> stopRequested{false};
    // Host (or host:port) of the comment service; empty for the build's host.
    std::string commentHost;
    // Write the output files in UTF-8 instead of local text.
    bool utf8Output = false;
    // Filled by a run: one line (local text) per address whose fetch finally failed and per
    // output file that could not be written.
    std::vector<std::string> failures;
};

// Captions of the start button, which are the run's state (local text).
const std::string& IdleCaption();      // "开始采集"
const std::string& RunningCaption();   // "停止采集"
const std::string& StoppingCaption();  // "正在停止.."

// The job behind the start button: a full run (preview false) or a one-page preview (true).
// A call while a run is active is a stop press.
void CollectionRun(RunWindow& window, RunContext& context, bool preview);

}  // namespace tidewell::collect
