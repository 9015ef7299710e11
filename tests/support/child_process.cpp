#include "tests/support/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <stdexcept>

extern char** environ;

namespace tidewell::testing {

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& args,
                           const std::vector<std::string>& extraEnv, const std::string& input) {
    int out[2], err[2], in[2];
    if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0 ||
        ::pipe2(in, O_CLOEXEC) != 0) {
        throw std::runtime_error("pipe failed");
    }
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e) {
        env.emplace_back(*e);
    }
    for (const std::string& extra : extraEnv) {
        const std::string name = extra.substr(0, extra.find('=') + 1);
        std::erase_if(env, [&](const std::string& e) { return e.starts_with(name); });
        env.push_back(extra);
    }
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& a : args) {
        argv.push_back(const_cast<char*>(a.c_str()));
    }
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (std::string& e : env) {
        envp.push_back(e.data());
    }
    envp.push_back(nullptr);

    pid_ = ::fork();
    if (pid_ == 0) {
        ::dup2(in[0], 0);
        ::dup2(out[1], 1);
        ::dup2(err[1], 2);
        ::execve(program.c_str(), argv.data(), envp.data());
        ::_exit(127);
    }
    ::close(in[0]);
    ::close(out[1]);
    ::close(err[1]);
    outFd_ = out[0];
    errFd_ = err[0];
    size_t done = 0;
    while (done < input.size()) {
        ssize_t n = ::write(in[1], input.data() + done, input.size() - done);
        if (n <= 0) {
            break;
        }
        done += static_cast<size_t>(n);
    }
    ::close(in[1]);
}

ChildProcess::~ChildProcess() {
    if (pid_ > 0) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
    if (outFd_ >= 0) {
        ::close(outFd_);
    }
    if (errFd_ >= 0) {
        ::close(errFd_);
    }
}

void ChildProcess::readAvailable(int waitMs) {
    pollfd fds[2] = {{outFd_, POLLIN, 0}, {errFd_, POLLIN, 0}};
    if (::poll(fds, 2, waitMs) <= 0) {
        return;
    }
    char buf[65536];
    int* fdsToRead[2] = {&outFd_, &errFd_};
    std::string* sinks[2] = {&result_.out, &result_.err};
    for (int i = 0; i < 2; ++i) {
        if (*fdsToRead[i] < 0 || (fds[i].revents & (POLLIN | POLLHUP)) == 0) {
            continue;
        }
        ssize_t n = ::read(*fdsToRead[i], buf, sizeof buf);
        if (n > 0) {
            sinks[i]->append(buf, static_cast<size_t>(n));
        } else {
            ::close(*fdsToRead[i]);
            *fdsToRead[i] = -1;
        }
    }
}

bool ChildProcess::WaitForError(const std::function<bool(const std::string&)>& ready,
                                std::chrono::milliseconds timeout) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (!ready(result_.err)) {
        if (std::chrono::steady_clock::now() > end || (outFd_ < 0 && errFd_ < 0)) {
            return false;
        }
        readAvailable(20);
    }
    return true;
}

void ChildProcess::Signal(int signal) {
    if (pid_ > 0) {
        ::kill(pid_, signal);
    }
}

ProcessResult ChildProcess::Finish(std::chrono::milliseconds timeout) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (outFd_ >= 0 || errFd_ >= 0) {
        if (std::chrono::steady_clock::now() > end) {
            ::kill(pid_, SIGKILL);
        }
        readAvailable(50);
    }
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
    result_.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result_;
}

ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& args,
                         const std::vector<std::string>& extraEnv, const std::string& input) {
    ChildProcess child(program, args, extraEnv, input);
    return child.Finish();
}

}  // namespace tidewell::testing
