#include "tools/fakeportal_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <stdexcept>
#include <thread>

namespace tidewell::tools {
namespace {

constexpr auto kStartTimeout = std::chrono::seconds(30);
constexpr auto kStopTimeout = std::chrono::seconds(10);

int statusOf(int raw) {
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

}  // namespace

FakePortalProcess::FakePortalProcess(std::vector<std::string> arguments, std::string binary) {
    std::vector<std::string> all = {binary, "--port", "0"};
    all.insert(all.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (auto& a : all) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);

    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) {
        throw std::runtime_error("FakePortalProcess: cannot create a pipe");
    }
    const pid_t parent = ::getpid();
    pid_ = ::fork();
    if (pid_ < 0) {
        ::close(pipeFds[0]);
        ::close(pipeFds[1]);
        throw std::runtime_error("FakePortalProcess: cannot fork");
    }
    if (pid_ == 0) {
        // Only async-signal-safe calls between fork and exec.
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (::getppid() != parent) {
            ::_exit(127);
        }
        ::dup2(pipeFds[1], STDOUT_FILENO);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(pipeFds[1]);
    output_ = pipeFds[0];

    std::string line;
    const auto deadline = std::chrono::steady_clock::now() + kStartTimeout;
    while (line.find('\n') == std::string::npos) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            break;
        }
        pollfd p{output_, POLLIN, 0};
        const int r = ::poll(&p, 1, static_cast<int>(left.count()));
        if (r < 0 && errno == EINTR) {
            continue;
        }
        if (r <= 0) {
            break;
        }
        char buf[256];
        const ssize_t n = ::read(output_, buf, sizeof buf);
        if (n <= 0) {
            break;
        }
        line.append(buf, static_cast<std::size_t>(n));
    }
    const std::string prefix = "listening on 127.0.0.1:";
    if (line.rfind(prefix, 0) == 0) {
        port_ = std::atoi(line.c_str() + prefix.size());
    }
    if (port_ <= 0) {
        const int status = stop();
        ::close(output_);
        output_ = -1;
        throw std::runtime_error(binary + " did not start (exit status " + std::to_string(status) +
                                 ", first output \"" + line.substr(0, line.find('\n')) + "\")");
    }
}

FakePortalProcess::~FakePortalProcess() {
    stop();
    if (output_ >= 0) {
        ::close(output_);
    }
}

std::string FakePortalProcess::proxyUrl() const {
    return "http://127.0.0.1:" + std::to_string(port_);
}

std::optional<int> FakePortalProcess::waitForExit(std::chrono::milliseconds timeout) {
    if (status_ || pid_ <= 0) {
        return status_;
    }
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        int raw = 0;
        const pid_t r = ::waitpid(pid_, &raw, WNOHANG);
        if (r == pid_) {
            status_ = statusOf(raw);
            return status_;
        }
        if (r < 0 && errno != EINTR) {
            status_ = -1;
            return status_;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return std::nullopt;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

int FakePortalProcess::stop() {
    if (status_ || pid_ <= 0) {
        return status_.value_or(-1);
    }
    ::kill(pid_, SIGTERM);
    if (auto status = waitForExit(kStopTimeout)) {
        return *status;
    }
    ::kill(pid_, SIGKILL);
    int raw = 0;
    while (::waitpid(pid_, &raw, 0) < 0 && errno == EINTR) {
    }
    status_ = statusOf(raw);
    return *status_;
}

}  // namespace tidewell::tools
