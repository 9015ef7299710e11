#pragma once

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace tidewell::testing {

struct ProcessResult {
    int exitCode = -1;  // -1 when killed by a signal
    std::string out;
    std::string err;
};

// A child process with its standard output and error read into memory.
class ChildProcess {
  public:
    // Starts program with args; extraEnv entries are "NAME=value" added to the environment.
    ChildProcess(const std::string& program, const std::vector<std::string>& args,
                 const std::vector<std::string>& extraEnv = {}, const std::string& input = {});
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Reads output until the predicate over standard error holds or the time is up.
    bool WaitForError(const std::function<bool(const std::string&)>& ready,
                      std::chrono::milliseconds timeout);
    void Signal(int signal);
    // Reads everything to the end and reaps the child (killed after the time-out).
    ProcessResult Finish(std::chrono::milliseconds timeout = std::chrono::seconds(60));

  private:
    void readAvailable(int waitMs);

    pid_t pid_ = -1;
    int outFd_ = -1;
    int errFd_ = -1;
    ProcessResult result_;
};

// Runs the program to its end.
ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& args,
                         const std::vector<std::string>& extraEnv = {},
                         const std::string& input = {});

}  // namespace tidewell::testing
