#pragma once

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

// Runs tidewell-fakeportal for a test or a benchmark. POSIX only, no Qt.
namespace tidewell::tools {

// Starts the stand-in on a free loopback port and stops it when it goes out of scope.
//
//     tidewell::tools::FakePortalProcess portal({"--fault", "reset#2"});
//     setenv("http_proxy", portal.proxyUrl().c_str(), 1);
//
// The binary's path comes from TIDEWELL_FAKEPORTAL_PATH, which the library
// tidewell_fakeportal_process hands to everything that links it. The process is also asked to
// end when the thread that started it ends (PR_SET_PDEATHSIG), so a crashed test leaves no
// server behind.
class FakePortalProcess {
  public:
    // Runs the binary with "--port 0" followed by the arguments and waits (up to 30 s) for its
    // "listening on 127.0.0.1:PORT" line. Throws std::runtime_error when it cannot be started
    // or ends first (its error message goes to standard error as usual).
    explicit FakePortalProcess(std::vector<std::string> arguments = {},
                               std::string binary = TIDEWELL_FAKEPORTAL_PATH);
    ~FakePortalProcess();
    FakePortalProcess(const FakePortalProcess&) = delete;
    FakePortalProcess& operator=(const FakePortalProcess&) = delete;

    int port() const { return port_; }
    std::string proxyUrl() const;  // "http://127.0.0.1:PORT"
    pid_t pid() const { return pid_; }

    // Sends SIGTERM, waits (SIGKILL after 10 s) and returns the exit status, or -1 when it
    // ended by a signal. Calling it again returns the same status.
    int stop();
    // Waits up to timeout for the process to end by itself; its exit status, or std::nullopt
    // when it is still running (or ended by a signal: -1).
    std::optional<int> waitForExit(std::chrono::milliseconds timeout);

  private:
    pid_t pid_ = -1;
    int port_ = 0;
    int output_ = -1;  // read end of the child's standard output
    std::optional<int> status_;
};

}  // namespace tidewell::tools
