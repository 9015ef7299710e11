#include "bench/bench_support.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "tidewell_config.h"

extern char** environ;

namespace tidewell::bench {
namespace {

double seconds(const timeval& t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
}

}  // namespace

ScratchFolder::ScratchFolder(const std::string& name) {
    std::string pattern =
        (std::filesystem::temp_directory_path() / ("tidewell-" + name + "-XXXXXX")).string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot create a folder like " + pattern);
    }
    path_ = pattern + "/";
}

ScratchFolder::~ScratchFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

void ScratchFolder::clear() const {
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(path_, ec)) {
        std::filesystem::remove_all(entry.path(), ec);
    }
}

std::string viewerAddress(const std::string& newsid) {
    return "http://" TIDEWELL_NEWS_HOST "/comment/skin/default.html?channel=gn&newsid=" + newsid;
}

void useProxy(const std::string& proxyUrl) {
    ::setenv("http_proxy", proxyUrl.c_str(), 1);
    ::unsetenv("no_proxy");
    ::unsetenv("NO_PROXY");
}

ChildUsage runChild(const std::string& program, const std::vector<std::string>& arguments) {
    std::vector<std::string> all = {program};
    all.insert(all.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& a : all) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);

    ChildUsage usage;
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = -1;
    const int spawned =
        ::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        return usage;
    }
    int status = 0;
    rusage used{};
    while (::wait4(pid, &status, 0, &used) < 0 && errno == EINTR) {
    }
    usage.wallSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    usage.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    usage.cpuSeconds = seconds(used.ru_utime) + seconds(used.ru_stime);
    usage.peakResidentMiB = static_cast<double>(used.ru_maxrss) / 1024.0;  // KiB on Linux
    return usage;
}

double threadCpuSeconds() {
    rusage used{};
    ::getrusage(RUSAGE_THREAD, &used);
    return seconds(used.ru_utime) + seconds(used.ru_stime);
}

bool writeTextFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
    return static_cast<bool>(out.flush());
}

long countLines(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return -1;
    }
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    long lines = 0;
    size_t from = 0;
    for (size_t at = bytes.find("\r\n"); at != std::string::npos; at = bytes.find("\r\n", from)) {
        ++lines;
        from = at + 2;
    }
    return from < bytes.size() ? lines + 1 : lines;
}

}  // namespace tidewell::bench
